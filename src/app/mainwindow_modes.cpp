#include "app/mainwindow.h"

#include "foundation/naturalorder.h"
#include "foundation/occutils.h"
#include "interaction/routingcontroller.h"
#include "interaction/selectioncontroller.h"
#include "foundation/uitheme.h"
#include "view/occwidget.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QMetaEnum>
#include <QPushButton>

#include <AIS_InteractiveContext.hxx>
#include <AIS_ListOfInteractive.hxx>
#include <AIS_Shape.hxx>

void MainWindow::setupModeController()
{
    m_modeController = new ModeController(this);

    m_modeBindings.clear();
    m_modeBindings.append(ModeBinding{
        ModeController::Mode::Orientation, m_orientButton, tr("Orient part"), tr("Cancel selection"),
        [this]() -> QString {
            if (m_project.mainShape().IsNull())
                return tr("Import a STEP file first");
            return QString();
        },
        [this] { enterFaceSelectionMode(); }, [this] { exitFaceSelectionMode(); }});
    m_modeBindings.append(ModeBinding{
        ModeController::Mode::Select, m_selectionModeButton, tr("Selection mode"), tr("Exit selection"),
        [this]() -> QString {
            if (!hasPlacedComponents() && m_project.routingManager().routes().isEmpty())
                return tr("Generate components or route traces first");
            return QString();
        },
        [this] { enterSelectionMode(); }, [this] { exitSelectionMode(); }});
    m_modeBindings.append(ModeBinding{
        ModeController::Mode::Routing, m_routingButton, tr("Routing Mode"), tr("Finish routing"),
        [this]() -> QString {
            if (m_project.netlist().components.isEmpty())
                return tr("Import a netlist first");
            if (!hasPlacedComponents())
                return tr("Generate the components first");
            return QString();
        },
        [this] { enterRoutingLabelStyle(); }, [this] { exitRoutingLabelStyle(); }});
    m_modeBindings.append(ModeBinding{
        ModeController::Mode::ResistanceProbe, m_probeButton, tr("Resistance probe"),
        tr("Stop the probe"),
        [this]() -> QString {
            if (!hasPlacedComponents())
                return tr("Generate the components first");
            if (m_project.routingManager().routes().isEmpty())
                return tr("Draw tracks first");
            return QString();
        },
        [this] { enterResistanceProbeMode(); }, [this] { exitResistanceProbeMode(); }});

    const QMetaEnum modes = QMetaEnum::fromType<ModeController::Mode>();
    for (int i = 0; i < modes.keyCount(); ++i) {
        const auto mode = static_cast<ModeController::Mode>(modes.value(i));
        if (mode == ModeController::Mode::View)
            continue;
        if (!findModeBinding(mode))
            qWarning() << "setupModeController: no binding row for mode"
                       << ModeController::modeName(mode)
                       << "— it will enter and leave doing nothing.";
    }
    for (const ModeBinding& row : qAsConst(m_modeBindings)) {
        if (row.button && (row.idleLabel.isEmpty() || row.activeLabel.isEmpty()))
            qWarning() << "setupModeController: mode" << ModeController::modeName(row.mode)
                       << "has a button but an empty label — it would go blank.";
    }

    for (const ModeBinding& row : qAsConst(m_modeBindings)) {
        m_modeController->setGuard(row.mode, row.availability);
        m_modeController->bindButton(row.button, row.mode);
        if (row.button)
            row.button->setText(row.idleLabel);
    }

    connect(m_modeController, &ModeController::transitionDenied, this,
            &MainWindow::onModeTransitionDenied);
    connect(m_modeController, &ModeController::modeEntered, this,
            &MainWindow::updateModeButtonLabels);
    connect(m_modeController, &ModeController::modeEntered, this,
            [this](ModeController::Mode mode) {
                const ModeBinding* row = findModeBinding(mode);
                if (row && row->onEnter)
                    row->onEnter();
            });
    connect(m_modeController, &ModeController::modeExited, this,
            [this](ModeController::Mode mode) {
                const ModeBinding* row = findModeBinding(mode);
                if (row && row->onExit)
                    row->onExit();
            });
}

const ModeBinding* MainWindow::findModeBinding(ModeController::Mode mode) const
{
    for (const ModeBinding& row : m_modeBindings) {
        if (row.mode == mode)
            return &row;
    }
    return nullptr;
}

void MainWindow::onModeTransitionDenied(ModeController::Mode requested, const QString& reason)
{
    QMessageBox::information(this, tr("Mode unavailable"), reason, QMessageBox::Ok);
    setStatusText(tr("Mode %1 refused: %2").arg(ModeController::modeName(requested), reason));
}

void MainWindow::updateModeButtonLabels(ModeController::Mode entered)
{
    for (const ModeBinding& row : qAsConst(m_modeBindings)) {
        if (row.button)
            row.button->setText(row.mode == entered ? row.activeLabel : row.idleLabel);
    }
}

void MainWindow::enterRoutingLabelStyle()
{
    if (!m_routingStatusLabel)
        return;
    UiTheme::setNormal(m_routingStatusLabel);
    m_routingStatusLabel->setStyleSheet(UiTheme::labelStyleSheet(
        UiTheme::successColor(palette()), QStringLiteral("font-weight: bold")));
    UiTheme::refitText(m_routingStatusLabel); // bold is wider
}

void MainWindow::exitRoutingLabelStyle()
{
    if (!m_routingStatusLabel)
        return;
    m_routingStatusLabel->setStyleSheet(QString());
    UiTheme::setMuted(m_routingStatusLabel);
    UiTheme::refitText(m_routingStatusLabel);
}

void MainWindow::enterFaceSelectionMode()
{
    if (m_occWidget)
        m_occWidget->setSelectionActive(true);
    setStatusText(tr("Selection mode ACTIVE - Click on a face of the part"));
}

void MainWindow::exitFaceSelectionMode()
{
    if (m_occWidget)
        m_occWidget->setSelectionActive(false);
    setStatusText(tr("Selection mode disabled"));
}

void MainWindow::onSelectionModeChanged(bool active)
{
    if (active)
        setStatusText(tr("Selection mode ACTIVE - Click on a face of the part"));
}

void MainWindow::enterSelectionMode()
{
    if (!m_occWidget)
        return;
    m_occWidget->setInteractionMode(static_cast<int>(ModeController::Mode::Select));
    const opencascade::handle<AIS_InteractiveContext> context = m_occWidget->context();
    if (context.IsNull())
        return;

    setComponentsSelectable(true);
    if (m_routingController)
        m_routingController->setRouteEditActive(true);

    // Clicks on the part must not select it.
    const TopoDS_Shape part = m_project.mainShape();
    if (!part.IsNull()) {
        AIS_ListOfInteractive displayed;
        OccUtils::guardedCall(false, "MainWindow::enterSelectionMode", [&] {
            context->DisplayedObjects(displayed);
            return true;
        });
        for (const opencascade::handle<AIS_InteractiveObject>& object : displayed) {
            const auto shape = opencascade::handle<AIS_Shape>::DownCast(object);
            if (!shape.IsNull() && shape->Shape().IsSame(part))
                OccUtils::safeDeactivate(context, shape);
        }
    }

    context->SetPixelTolerance(15);
    OccUtils::safeUpdateViewer(context);
    m_occWidget->ensureViewCubeActive();
    setStatusText(tr("Selection mode ACTIVE — click a component or a track; click the selected "
                     "target again to manipulate it"));
}

void MainWindow::exitSelectionMode()
{
    m_componentDragActive = false;
    if (m_selectionController)
        m_selectionController->clearSelection();
    if (m_routingController)
        m_routingController->setRouteEditActive(false);
    setComponentsSelectable(false);
    if (m_occWidget) {
        const opencascade::handle<AIS_InteractiveContext> context = m_occWidget->context();
        if (!context.IsNull())
            context->SetPixelTolerance(8);
        m_occWidget->setInteractionMode(static_cast<int>(ModeController::Mode::View));
    }
    setStatusText(tr("Selection mode disabled"));
}

QString MainWindow::abbreviatedList(const QStringList& unsortedNames)
{
    constexpr int kShown = 12;
    const QStringList names = NaturalOrder::sorted(unsortedNames);
    QString text = QStringLiteral("    ") + names.mid(0, kShown).join(QStringLiteral(", "));
    if (names.size() > kShown)
        text += tr(", … (+%n more)", "", int(names.size() - kShown));
    text += QLatin1Char('\n');
    return text;
}
