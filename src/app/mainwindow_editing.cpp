// Main window: editing placed components from the properties panel with undo, selecting
// them, filling the panel, and dragging a component with the mouse.
#include "app/mainwindow.h"

#include "app/boardexplorerpanel.h"
#include "app/componentcommands.h"
#include "app/propertiespanel.h"
#include "components/componentmanager.h"
#include "components/padcachemanager.h"
#include "foundation/appsettings.h"
#include "foundation/geometryutils.h"
#include "view/occwidget.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QUndoStack>

#include <cmath>

namespace {

constexpr double kZeroLength = 1e-7;
constexpr double kMinTurn = 0.01;

bool sameProperties(const ComponentProperties& a, const ComponentProperties& b)
{
    return a.posX == b.posX && a.posY == b.posY && a.posZ == b.posZ && a.rotation == b.rotation
        && a.footprintThickness == b.footprintThickness && a.bodyUndercut == b.bodyUndercut
        && a.padXYScale == b.padXYScale && a.bodyEnabled == b.bodyEnabled && a.bodyWidth == b.bodyWidth
        && a.bodyLength == b.bodyLength && a.bodyHeight == b.bodyHeight && a.bodyOffsetZ == b.bodyOffsetZ;
}

} // namespace

void MainWindow::connectPropertiesPanel()
{
    connect(m_propertiesPanel, &PropertiesPanel::propertiesApplied, this, &MainWindow::onPropertiesApplied);
    connect(m_propertiesPanel, &PropertiesPanel::moveComponent, this, &MainWindow::onPropertiesPanelMoveComponent);
    connect(m_propertiesPanel, &PropertiesPanel::browseFootprint, this, &MainWindow::onBrowseFootprintForComponent);
    connect(m_propertiesPanel, &PropertiesPanel::rotateComponent, this, &MainWindow::onRotateComponent);
}

void MainWindow::connectComponentView()
{
    m_occWidget->setPadResolver(
        [this](const opencascade::handle<AIS_Shape>& shape, const gp_Pnt&) -> std::optional<OccWidget::PadHit> {
            if (!m_padCache)
                return std::nullopt;
            const PadCacheManager::PadIdentity identity = m_padCache->identifyPad(shape);
            if (!identity.found)
                return std::nullopt;
            return OccWidget::PadHit{identity.pad, identity.position};
        });
    connect(m_occWidget, &OccWidget::componentDragged, this, &MainWindow::onComponentDragged);
    connect(m_occWidget, &OccWidget::componentDragFinished, this, &MainWindow::onComponentDragFinished);
}

ComponentProperties MainWindow::componentPropertiesFor(const QString& ref) const
{
    const PlacedComponentData* c = m_componentManager ? m_componentManager->findComponent(ref) : nullptr;
    return c ? componentPropertiesOf(*c) : ComponentProperties();
}

void MainWindow::showComponentProperties(const QString& ref)
{
    if (!m_propertiesPanel)
        return;
    const PlacedComponentData* c = m_componentManager ? m_componentManager->findComponent(ref) : nullptr;
    if (!c) {
        m_propertiesPanel->clearSelection();
        return;
    }
    ComponentProperties p = componentPropertiesFor(ref);
    p.footprintName = QStringLiteral("N/A");
    p.footprintPath = QStringLiteral("N/A");
    if (!c->hasMissingFootprint) {
        const QString effective = ComponentManager::effectiveFootprintName(*c, m_project.netlist().components);
        if (!effective.isEmpty())
            p.footprintName = effective;
        const QString key = c->footprintName.isEmpty() ? FootprintManager::normalizeFootprintName(p.footprintName)
                                                       : c->footprintName;
        if (m_footprintManager.hasFootprint(key))
            p.footprintPath = m_footprintManager.getFootprint(key).path;
    } else {
        p.footprintName = c->requestedFootprint;
    }
    m_propertiesPanel->showComponent(ref, p, c->hasMissingFootprint);
}

void MainWindow::clearComponentSelection()
{
    if (m_dragComponentRef.isEmpty())
        return;
    if (m_componentManager) {
        if (const PlacedComponentData* c = m_componentManager->findComponent(m_dragComponentRef))
            m_componentManager->setComponentStyle(m_dragComponentRef, ComponentManager::baseStyleFor(*c), true);
    }
    m_dragComponentRef.clear();
    m_componentDragActive = false;
    if (m_boardExplorer)
        m_boardExplorer->selectComponent(QString());
}

bool MainWindow::selectComponent(const opencascade::handle<AIS_Shape>& body)
{
    if (!m_componentManager)
        return false;
    const QString ref = m_componentManager->referenceForShape(body);
    if (ref.isEmpty())
        return false;
    clearComponentSelection();
    m_dragComponentRef = ref;
    m_componentManager->setComponentStyle(ref, 2, true);
    showComponentProperties(ref);
    if (m_boardExplorer)
        m_boardExplorer->selectComponent(ref);
    setStatusText(tr("Selected component: %1").arg(ref));
    return true;
}

void MainWindow::onComponentSelected(const QString& ref)
{
    const PlacedComponentData* c = m_componentManager ? m_componentManager->findComponent(ref) : nullptr;
    if (!c || c->compositeShape.IsNull())
        return;
    selectComponent(c->compositeShape);
    setComponentsSelectable(true);
}

void MainWindow::onComponentDeselected(const QString&)
{
    clearComponentSelection();
    if (m_propertiesPanel)
        m_propertiesPanel->clearSelection();
    setComponentsSelectable(true);
}

void MainWindow::onPropertiesApplied(const QString& ref, const ComponentProperties& props)
{
    if (!isViewerReady())
        return;
    const ComponentProperties before = componentPropertiesFor(ref);
    const bool applied = m_componentManager->applyProperties(ref, props);
    // What the component now is, not what was asked: a refused step was rolled back, and
    // whatever did change (a rollback that failed) must still be undoable.
    const ComponentProperties after = componentPropertiesFor(ref);
    if (!sameProperties(before, after))
        m_undoStack->push(new ApplyPropertiesCommand(m_componentManager, ref, before, applied ? props : after));
    if (!applied)
        showComponentProperties(ref);
}

void MainWindow::onPropertiesPanelMoveComponent(const QString& ref, double deltaX, double deltaY, double deltaZ)
{
    if (!isViewerReady())
        return;
    const PlacedComponentData* c = m_componentManager->findComponent(ref);
    if (!c)
        return;
    const gp_Pnt oldPosition = c->position;
    const gp_Pnt target(oldPosition.X() + deltaX, oldPosition.Y() + deltaY, oldPosition.Z() + deltaZ);
    const TopoDS_Shape part = m_project.mainShape();
    const gp_Pnt newPosition =
        (m_surfaceFollowing && !part.IsNull()) ? GeometryUtils::projectToSurface(target, part, 0.5) : target;
    if (oldPosition.Distance(newPosition) <= kZeroLength)
        return;
    if (!m_componentManager->moveComponent(ref, newPosition, false))
        return;
    m_undoStack->push(new MoveComponentCommand(m_componentManager, ref, oldPosition, newPosition));
}

void MainWindow::onRotateComponent(const QString& ref, double deltaAngle)
{
    if (!isViewerReady())
        return;
    const PlacedComponentData* c = m_componentManager->findComponent(ref);
    if (!c || !std::isfinite(deltaAngle))
        return;
    const double oldAngle = c->rotation;
    const double newAngle = GeometryUtils::normalizeAngle360(oldAngle + deltaAngle);
    if (std::abs(newAngle - oldAngle) < kMinTurn)
        return;
    if (!m_componentManager->rotateComponent(ref, newAngle))
        return;
    m_undoStack->push(new RotateComponentCommand(m_componentManager, ref, oldAngle, newAngle));
}

void MainWindow::onBrowseFootprintForComponent(const QString& ref)
{
    if (!isViewerReady())
        return;
    if (ref.isEmpty()) {
        QMessageBox::information(this, tr("Info"), tr("No component selected"));
        return;
    }
    const PlacedComponentData* c = m_componentManager->findComponent(ref);
    if (!c) {
        QMessageBox::warning(this, tr("Error"), tr("Component not found"));
        return;
    }
    const QStringList folders = m_footprintManager.searchPaths();
    const QString fallback = folders.isEmpty() ? QDir::homePath() : folders.first();
    const QString path = m_openFileChooser(this, int(AppSettings::Footprints),
                                           tr("Select footprint for %1").arg(ref),
                                           QStringLiteral("KiCad Footprints (*.kicad_mod);;All Files (*)"), fallback);
    if (path.isEmpty())
        return;

    QString oldPath;
    if (!c->footprintName.isEmpty() && m_footprintManager.hasFootprint(c->footprintName)) {
        oldPath = m_footprintManager.getFootprint(c->footprintName).path;
        // A footprint that came with the project file (or whose file is gone) has no file to
        // load back: its name finds it in the library's cache, so undo can still return to it.
        if (!QFileInfo(oldPath).isFile())
            oldPath = c->footprintName;
    }
    const QString baseName = QFileInfo(path).completeBaseName();
    FootprintState before{oldPath, componentPropertiesOf(*c)};
    if (c->hasMissingFootprint)
        before.substituteFor = c->requestedFootprint;
    if (!m_componentManager->replaceFootprint(ref, path)) {
        // A file refused for a value it holds says which.
        const QString why = m_footprintManager.problemWith(baseName);
        QMessageBox::warning(this, tr("Error"),
                             tr("Unable to load the footprint: %1").arg(baseName)
                                 + (why.isEmpty() ? QString() : QStringLiteral("\n\n") + why));
        return;
    }
    const FootprintState after{path, componentPropertiesFor(ref)};
    m_undoStack->push(new ReplaceFootprintCommand(m_componentManager, ref, before, after));
    const QString name = FootprintManager::normalizeFootprintName(baseName);
    setStatusText(tr("✓ Footprint replaced for %1: %2").arg(ref, name));
    // The new pads may reach other nets' tracks: that warning must not be covered.
    if (!m_conflictNotice.isEmpty())
        setStatusText(m_conflictNotice);
    QMessageBox::information(this, tr("Success"), tr("✓ Footprint %1 loaded and applied to %2").arg(name, ref));
}

void MainWindow::onComponentDragArmed(const QString& ref, const QPoint& startPos)
{
    if (!isViewerReady())
        return;
    const PlacedComponentData* c = m_componentManager->findComponent(ref);
    if (!c)
        return;
    const std::optional<gp_Pnt> grab = m_occWidget->intersectScreenWithPlane(startPos, c->position.Z());
    if (!grab)
        return; // the cursor looks past the component's plane: nothing to drag along
    m_dragComponentRef = ref;
    m_componentDragActive = true;
    m_dragStartPosition = c->position;
    m_dragGrabOffset = gp_Vec(*grab, c->position);
}

void MainWindow::onComponentDragged(const QPoint& pos)
{
    if (!m_componentDragActive || m_dragComponentRef.isEmpty() || !isViewerReady())
        return;
    // A ray that misses the plane has no point under the cursor: the component stays put
    // rather than jumping to the origin.
    const std::optional<gp_Pnt> cursor = m_occWidget->intersectScreenWithPlane(pos, m_dragStartPosition.Z());
    if (!cursor)
        return;
    m_componentManager->moveComponent(m_dragComponentRef, cursor->Translated(m_dragGrabOffset), false);
}

void MainWindow::onComponentDragFinished()
{
    if (!m_componentDragActive || m_dragComponentRef.isEmpty() || !isViewerReady())
        return;
    m_componentDragActive = false;
    const PlacedComponentData* c = m_componentManager->findComponent(m_dragComponentRef);
    if (!c)
        return;
    if (m_dragStartPosition.Distance(c->position) > kZeroLength)
        m_undoStack->push(
            new MoveComponentCommand(m_componentManager, m_dragComponentRef, m_dragStartPosition, c->position));
    setStatusText(tr("Component %1 moved").arg(m_dragComponentRef));
    refreshRatsnest();
    refreshBoardExplorer();
    checkTrackConflicts(true);
}
