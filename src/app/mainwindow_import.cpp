#include "app/mainwindow.h"

#include "foundation/appsettings.h"
#include "foundation/geometryutils.h"
#include "foundation/jobs.h"
#include "foundation/occutils.h"
#include "foundation/scopeguard.h"
#include "foundation/stepimporter.h"
#include "foundation/stlimporter.h"
#include "view/occwidget.h"
#include "view/partlook.h"

#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>

#include <AIS_InteractiveContext.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <Message_ProgressScope.hxx>
#include <Prs3d_Drawer.hxx>
#include <TopAbs_ShapeEnum.hxx>
#include <TopExp_Explorer.hxx>

namespace {

// Where an oriented part is centred: the middle of the build plate's top face.
constexpr double kPlateTargetX = 25.0;
constexpr double kPlateTargetY = 5.0;
constexpr double kPlateTargetZ = 3.0;
constexpr double kNullLength = 1e-7;

bool hasFace(const TopoDS_Shape& shape)
{
    if (shape.IsNull())
        return false;
    TopExp_Explorer explorer(shape, TopAbs_FACE);
    return explorer.More();
}

} // namespace

void MainWindow::importGeometryFile()
{
    const QString filter = tr("3D files") + QStringLiteral(" (*.step *.stp *.stl);;")
        + tr("STEP files") + QStringLiteral(" (*.step *.stp);;") + tr("STL files")
        + QStringLiteral(" (*.stl);;") + tr("All files") + QStringLiteral(" (*)");
    const QString path = m_openFileChooser
        ? m_openFileChooser(this, AppSettings::Geometry, tr("Import geometry (STEP or STL)"),
                            filter, QString())
        : QString();
    if (path.isEmpty())
        return;

    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("step") || suffix == QLatin1String("stp")) {
        importStepFile(path);
    } else if (suffix == QLatin1String("stl")) {
        importStlFile(path);
    } else {
        QMessageBox::warning(this, tr("Unknown format"),
                             tr("Unable to determine the file type of \"%1\".\n"
                                "Select a .step, .stp, or .stl file.")
                                 .arg(QFileInfo(path).fileName()));
        setStatusText(tr("Import cancelled: unrecognized format"));
    }
}

namespace {

// The importer's own reason, when it says more than the window's message.
QString withReason(const QString& message, const QString& reason)
{
    if (reason.isEmpty() || reason == message)
        return message;
    return message + QStringLiteral("\n\n") + reason;
}

} // namespace

bool MainWindow::importStepFile(const QString& path)
{
    if (isLongOperationRunning())
        return false;
    // A big file reads for minutes: the window stays live, and Cancel leaves the design as it was.
    StepImportResult result;
    QList<PartLook> looks;
    if (!runLongOperation(tr("Loading STEP file..."), [&](const Message_ProgressRange& progress) {
            Message_ProgressScope scope(progress, nullptr, 5.0);
            result = StepImporter::importStep(path, scope.Next(4.0));
            if (result.status == StepImportResult::Ok && !prepareLooks(result.shapes, scope.Next(), looks))
                result.status = StepImportResult::Cancelled;
        }))
        return false;

    switch (result.status) {
    case StepImportResult::Ok:
        break;
    case StepImportResult::Cancelled:
        setStatusText(tr("STEP import cancelled"));
        return false;
    case StepImportResult::ReadFailed:
        QMessageBox::warning(this, tr("Error"), withReason(tr("Unable to read the STEP file"), result.errorMessage));
        setStatusText(tr("Ready - Build plate displayed"));
        return false;
    case StepImportResult::NoTransferableRoot:
        QMessageBox::warning(this, tr("Error"),
                             withReason(tr("The STEP file contains no transferable root."), result.errorMessage));
        setStatusText(tr("No valid shape found in the file"));
        return false;
    default:
        QMessageBox::critical(this, tr("Error"), withReason(tr("Unable to read the STEP file"), result.errorMessage));
        setStatusText(tr("Error while loading the file"));
        return false;
    }

    if (!confirmPartReplacement()) {
        setStatusText(tr("STEP import canceled"));
        return false;
    }
    if (!finishPartImport(result.shapes, QFileInfo(path).completeBaseName(), result.failedRootCount, looks))
        return false;
    if (result.openSurfaceRootCount > 0) {
        QMessageBox::warning(
            this, tr("Import STEP — surfaces"),
            tr("The STEP part is not closed: it holds surfaces and no solid, and sewing them left %n free edge(s). "
               "Orientation is still possible, but burial analysis and the exports will be imprecise: the "
               "exported part will not be closed either.",
               nullptr, result.freeEdgeCount));
    } else if (result.sewnSurfaceRootCount > 0) {
        QMessageBox::information(this, tr("Import STEP — surfaces"),
                                 tr("The STEP part held surfaces and no solid: they were sewn into a closed solid."));
    }
    return true;
}

bool MainWindow::importStlFile(const QString& path)
{
    if (isLongOperationRunning())
        return false;
    StlImportResult result;
    QList<PartLook> looks;
    if (!runLongOperation(tr("Reading and repairing the STL file..."), [&](const Message_ProgressRange& progress) {
            Message_ProgressScope scope(progress, nullptr, 20.0);
            result = StlImporter::importStl(path, -1.0, scope.Next(19.0));
            if (result.ok && !result.cancelled && !prepareLooks({result.shape}, scope.Next(), looks))
                result.cancelled = true;
        }))
        return false;

    if (result.cancelled) {
        setStatusText(tr("STL import cancelled"));
        return false;
    }
    if (!result.ok) {
        QMessageBox::warning(this, tr("STL Error"), tr("Unable to load STL:\n%1").arg(result.error));
        setStatusText(tr("STL import failed"));
        return false;
    }
    if (!confirmPartReplacement()) {
        setStatusText(tr("STL import cancelled"));
        return false;
    }
    const QString baseName = QFileInfo(path).completeBaseName();
    if (!finishPartImport({result.shape}, baseName, 0, looks))
        return false;

    if (!result.warning.isEmpty()) {
        QMessageBox::information(
            this, tr("Import STL — mesh"),
            tr("%1\n\nDetails:\n• Triangles: %2\n• Faces (after sewing): %3\n• Free edges: %4\n"
               "• Waterproof solid: %5")
                .arg(result.warning, QString::number(result.triangleCount),
                     QString::number(result.faceCount), QString::number(result.freeEdgeCount),
                     result.closed && result.solidBuilt ? tr("yes") : tr("no")));
    } else {
        // One substitution pass: a "%2" in the file name must stay as written.
        setStatusText(tr("Imported STL: %1 — %n triangle(s), solid waterproof", nullptr, result.triangleCount)
                          .arg(baseName));
    }
    return true;
}

bool MainWindow::designAtStake() const
{
    return hasPlacedComponents() || m_project.routingManager().hasAnyRoute();
}

bool MainWindow::confirmPartReplacement()
{
    if (!designAtStake())
        return true;
    const auto answer = QMessageBox::warning(
        this, tr("Import a part"),
        tr("Importing a new part will delete:\n\n• components already placed\n• routed traces\n"
           "• undo history\n\nThe netlist and footprint folders are preserved.\n\n"
           "This action is irreversible. Continue?"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return answer == QMessageBox::Yes;
}

bool MainWindow::prepareLooks(const QList<TopoDS_Shape>& shapes, const Message_ProgressRange& progress,
                               QList<PartLook>& looks) const
{
    looks.clear();
    if (!m_occWidget || m_occWidget->context().IsNull())
        return true;
    // Only read there: the window holds every command while the operation runs.
    const opencascade::handle<Prs3d_Drawer> drawer = m_occWidget->context()->DefaultDrawer();
    Message_ProgressScope scope(progress, nullptr, 1.0);
    Jobs::succeeded(
        scope.Next(), "importPart: looks", Jobs::Reads::Shared,
        [&](const Jobs::Stop&) {
            for (const TopoDS_Shape& shape : shapes)
                looks.append(preparePartLook(shape, drawer));
            return true;
        },
        true);
    return scope.More();
}

bool MainWindow::finishPartImport(const QList<TopoDS_Shape>& shapes, const QString& baseName,
                                  int ignoredCount, const QList<PartLook>& looks)
{
    const bool hadDesign = !m_project.shapes().isEmpty() || designAtStake();

    int ignored = ignoredCount;
    bool kept = false;
    withOneDesignSignal([&] {
        resetInteractionState();
        if (m_occWidget)
            m_occWidget->clearAll();
        m_project.clearShapes();
        clearUndoHistory();
        // What was there is gone whatever follows; the undo history can't say so.
        if (hadDesign)
            setModifiedOutsideUndo(true);

        for (int i = 0; i < shapes.size(); ++i) {
            const TopoDS_Shape& shape = shapes.at(i);
            if (!hasFace(shape)) {
                ++ignored;
                continue;
            }
            const int index = m_project.shapes().size();
            m_project.addShape(shape);
            const PartLook look = looks.value(i);
            if (!kept) {
                m_project.setMainShapeIndex(index);
                if (m_occWidget)
                    m_occWidget->displayShape(shape, look);
                kept = true;
            } else if (m_occWidget) {
                m_occWidget->displayShapeDeferred(shape, look);
            }
        }
    });

    if (!kept) {
        QMessageBox::warning(this, tr("Error"),
                             tr("No usable shape (%n shape(s) ignored).", nullptr, ignored));
        setStatusText(tr("No valid shape found in the file"));
        return false;
    }

    if (m_occWidget) {
        OccUtils::safeUpdateViewer(m_occWidget->context());
        m_occWidget->fitAll();
    }
    setModifiedOutsideUndo(true);

    QString status = tr("Loaded: %1 - Click 'Orient part' then on a face").arg(baseName);
    if (ignored > 0)
        status += tr(" (%n shape(s) ignored)", nullptr, ignored);
    setStatusText(status);
    return true;
}

bool MainWindow::orientShapeToFace(const TopoDS_Face& face)
{
    if (designAtStake()) {
        const auto answer = QMessageBox::warning(
            this, tr("Orient the part"),
            tr("Reorienting the part will remove:\n\n• already placed components\n"
               "• routed tracks\n• the undo history\n\n"
               "The netlist and footprint folders are preserved.\n"
               "This action is irreversible. Continue?"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes) {
            setStatusText(tr("Orientation cancelled — job placement retained"));
            return false;
        }
    }

    // Empty when the part was turned, placed and shown; otherwise what went wrong.
    const auto reorient = [&]() -> QString {
        const TopoDS_Shape oldShape = m_project.mainShape();
        if (oldShape.IsNull())
            return tr("No main shape available");
        gp_Vec normal = GeometryUtils::calculateFaceNormal(face);
        if (normal.Magnitude() < kNullLength)
            return tr("Cannot compute the face normal");
        normal = GeometryUtils::ensureNormalPointsOutward(face, normal, oldShape, nullptr);
        const gp_Trsf rotation = GeometryUtils::createRotationToDown(normal);
        BRepBuilderAPI_Transform transform(oldShape, rotation, false);
        const TopoDS_Shape rotated = transform.IsDone() ? transform.Shape() : TopoDS_Shape();
        const TopoDS_Shape placed = rotated.IsNull()
            ? TopoDS_Shape()
            : GeometryUtils::centerOnPlateauByCentroid(rotated, kPlateTargetX, kPlateTargetY, kPlateTargetZ);
        if (placed.IsNull())
            return tr("Rebuilding the oriented shape failed");
        const int mainIndex = m_project.mainShapeIndex();
        if (!m_project.replaceShape(mainIndex, placed))
            return tr("Cannot persist the reoriented shape into ProjectManager");

        ScopeGuard rollback([this, mainIndex, oldShape] {
            if (!m_project.replaceShape(mainIndex, oldShape))
                qWarning() << "orientShapeToFace: ProjectManager rollback also failed "
                              "— state possibly inconsistent.";
        });
        if (m_occWidget) {
            m_occWidget->clearAll();
            const QList<TopoDS_Shape> shapes = m_project.shapes();
            for (int i = 0; i < shapes.size(); ++i) {
                if (shapes.at(i).IsNull())
                    continue;
                if (i == mainIndex)
                    m_occWidget->displayShape(placed);
                else
                    m_occWidget->displayShapeDeferred(shapes.at(i));
            }
        }
        rollback.dismiss();
        return QString();
    };

    QString error;
    withOneDesignSignal([&] {
        if (designAtStake()) {
            resetInteractionState();
            clearUndoHistory();
            setModifiedOutsideUndo(true);
        }
        try {
            error = reorient();
        } catch (const Standard_Failure&) {
            error = OccUtils::currentExceptionMessage();
        } catch (const std::exception&) {
            error = OccUtils::currentExceptionMessage();
        } catch (...) {
            error = OccUtils::currentExceptionMessage();
        }
    });

    if (!error.isEmpty()) {
        QMessageBox::warning(this, tr("Error"), tr("Error during orientation: %1").arg(error));
        return false;
    }

    setModifiedOutsideUndo(true);
    if (m_occWidget) {
        m_occWidget->fitAll();
        m_occWidget->setSelectionActive(false);
    }
    setStatusText(tr("Part oriented and centered - face placed on the build plate"));
    return true;
}

void MainWindow::onFaceSelected(TopoDS_Face face)
{
    if (m_occWidget)
        m_occWidget->clearHighlight();
    if (!orientShapeToFace(face) || !m_modeController)
        return;
    // Leaving the mode writes its own line: the user is told what the click did instead.
    const QString outcome = m_statusLabel ? m_statusLabel->text() : QString();
    m_modeController->requestTransition(ModeController::Mode::View);
    setStatusText(outcome);
}
