#include "foundation/stepimporter.h"
#include "foundation/faulttrap.h"
#include "foundation/jobs.h"
#include "foundation/occutils.h"
#include "foundation/outofmemory.h"
#include "foundation/sewnsolids.h"

#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_Sewing.hxx>
#include <Bnd_Box.hxx>
#include <IFSelect_ReturnStatus.hxx>
#include <Interface_Check.hxx>
#include <Interface_CheckIterator.hxx>
#include <Interface_HGraph.hxx>
#include <Interface_InterfaceModel.hxx>
#include <STEPControl_Reader.hxx>
#include <Standard_OutOfMemory.hxx>
#include <StepBasic_NamedUnit.hxx>
#include <StepGeom_GeometricRepresentationItem.hxx>
#include <StepRepr_ItemDefinedTransformation.hxx>
#include <StepRepr_RepresentationContext.hxx>
#include <StepShape_ShapeRepresentation.hxx>
#include <StepShape_TopologicalRepresentationItem.hxx>
#include <TopExp_Explorer.hxx>
#include <Transfer_TransientProcess.hxx>
#include <XSControl_TransferReader.hxx>
#include <XSControl_WorkSession.hxx>

#include <Message_ProgressScope.hxx>

#include <QDebug>
#include <QFileInfo>

#include <algorithm>
#include <istream>
#include <memory>
#include <new>
#include <streambuf>

namespace {

bool hasGeometry(const TopoDS_Shape& shape)
{
    return !shape.IsNull() && TopExp_Explorer(shape, TopAbs_VERTEX).More();
}

bool isShapeEntity(const opencascade::handle<Standard_Transient>& entity)
{
    return !entity.IsNull()
        && (entity->IsKind(STANDARD_TYPE(StepGeom_GeometricRepresentationItem))
            || entity->IsKind(STANDARD_TYPE(StepShape_TopologicalRepresentationItem))
            || entity->IsKind(STANDARD_TYPE(StepShape_ShapeRepresentation))
            || entity->IsKind(STANDARD_TYPE(StepRepr_ItemDefinedTransformation))
            || entity->IsKind(STANDARD_TYPE(StepRepr_RepresentationContext))
            || entity->IsKind(STANDARD_TYPE(StepBasic_NamedUnit)));
}

// A root of surfaces alone (a surface model) is sewn, and its shells closed into solids: a part
// of loose faces meshes with open edges and cannot be carved. What stays open is kept as sewn.
TopoDS_Shape solidsOfSurfaces(const TopoDS_Shape& shape, StepImportResult& result)
{
    if (TopExp_Explorer(shape, TopAbs_SOLID).More() || !TopExp_Explorer(shape, TopAbs_FACE).More())
        return shape;
    TopoDS_Shape sewn;
    int freeEdges = 0;
    try {
        Bnd_Box box;
        BRepBndLib::Add(shape, box);
        BRepBuilderAPI_Sewing sewing(sewingToleranceFor(box));
        sewing.Add(shape);
        sewing.Perform();
        sewn = sewing.SewedShape();
        freeEdges = sewing.NbFreeEdges();
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const Standard_OutOfMemory&) {
        throw;
    } catch (...) {
        qWarning() << "StepImporter: sewing a surface model failed:" << OccUtils::currentExceptionMessage();
    }
    const SewnSolids solids = sewn.IsNull() ? SewnSolids() : solidsOfShells(sewn);
    if (freeEdges == 0 && solids.solidCount > 0) {
        ++result.sewnSurfaceRootCount;
        return solids.shape;
    }
    ++result.openSurfaceRootCount;
    result.freeEdgeCount += freeEdges;
    return sewn.IsNull() ? shape : sewn;
}

} // namespace

namespace {

// Hands the reader the checked bytes block by block, and an early end of file once the user
// cancels.
class CheckedBytesBuffer : public std::streambuf
{
public:
    CheckedBytesBuffer(const QByteArray& bytes, const std::function<bool()>& cancelled)
        : m_bytes(bytes), m_cancelled(cancelled)
    {
    }

    qint64 handed() const { return m_handed; }

protected:
    int_type underflow() override
    {
        if (gptr() < egptr())
            return traits_type::to_int_type(*gptr());
        if (m_handed >= m_bytes.size() || m_cancelled())
            return traits_type::eof();
        constexpr qint64 kBlock = 1 << 20;
        char* const from = const_cast<char*>(m_bytes.constData()) + m_handed;
        const qint64 n = std::min<qint64>(kBlock, m_bytes.size() - m_handed);
        m_handed += n;
        setg(from, from, from + n);
        return traits_type::to_int_type(*gptr());
    }

private:
    const QByteArray& m_bytes;
    const std::function<bool()>& m_cancelled;
    qint64 m_handed = 0;
};

StepReadSeam g_readSeam;

// What the log says of a refused file, before its path.
QString refusalForLog(const StepFileCheck& check)
{
    switch (check.fault) {
    case StepFileCheck::Missing:
        return QStringLiteral("no such file:");
    case StepFileCheck::NotRegularFile:
        return QStringLiteral("not a regular file:");
    case StepFileCheck::Empty:
        return QStringLiteral("empty file:");
    case StepFileCheck::NotStep:
        return QStringLiteral("not a readable STEP file:");
    case StepFileCheck::CannotOpen:
    case StepFileCheck::TooLarge:
        return check.reason + QLatin1Char(':');
    default:
        return QStringLiteral("damaged file, ") + check.reason + QLatin1Char(':');
    }
}

// Gives back what a reader cut short by a fault holds. The abandoned frames still hold handles
// to its transfer process, model and entities, so each is emptied: dropping the reader alone
// frees none of what such a handle reaches (about half of what the reader held).
void releaseAfterFault(std::unique_ptr<STEPControl_Reader>& reader)
{
    const opencascade::handle<XSControl_WorkSession> session = reader->WS();
    reader.reset();
    if (session.IsNull())
        return;
    if (const opencascade::handle<XSControl_TransferReader> transfer = session->TransferReader(); !transfer.IsNull()) {
        if (const opencascade::handle<Transfer_TransientProcess> process = transfer->TransientProcess(); !process.IsNull()) {
            process->Clear();
            process->Context().Clear();
            process->SetGraph(opencascade::handle<Interface_HGraph>());
            process->SetModel(opencascade::handle<Interface_InterfaceModel>());
        }
        transfer->Clear(-1);
    }
    if (const opencascade::handle<Interface_InterfaceModel> model = session->Model(); !model.IsNull())
        model->ClearEntities();
    session->ClearData(1);
}

StepImportResult cancelledImport()
{
    StepImportResult result;
    result.status = StepImportResult::Cancelled;
    result.errorMessage = StepImporter::tr("The import was cancelled.");
    return result;
}

StepImportResult importOnThisThread(const QString& path, const std::function<bool()>& cancelled,
                                    const Message_ProgressRange& transfer)
{
    StepImportResult result;
    StepFileCheck check = StepImporter::checkFile(path, cancelled);
    if (check.cancelled)
        return cancelledImport();
    if (!check.sound) {
        qWarning().noquote() << "StepImporter:" << refusalForLog(check) << path;
        result.status = StepImportResult::ReadFailed;
        result.errorMessage = check.reason;
        return result;
    }

    // The reading and the transfer run inside the trap: after a fault their state is not to be
    // trusted. The reader is held here, outside the abandoned frames, so that what it read and
    // built (the model, its graph, the transfer's results) is given back after a fault.
    auto held = std::make_unique<STEPControl_Reader>();
    bool finished = false;
    const bool clean = FaultTrap::run([&]() {
        if (g_readSeam.beforeRead)
            g_readSeam.beforeRead(path);
        CheckedBytesBuffer buffer(check.bytes, cancelled);
        std::istream stream(&buffer);
        STEPControl_Reader& reader = *held;
        const IFSelect_ReturnStatus read = reader.ReadStream(QFileInfo(path).fileName().toUtf8().constData(), stream);
        if (g_readSeam.afterRead)
            g_readSeam.afterRead(buffer.handed());
        if (read != IFSelect_RetDone) {
            if (cancelled())
                return;
            // The reader turns a failed allocation into a failed read: a shortage is said as such.
            OutOfMemory::ensureHeadroom();
            qWarning() << "StepImporter: not a readable STEP file:" << path;
            result.status = StepImportResult::ReadFailed;
            result.errorMessage = StepImporter::tr("The file is not a readable STEP file: %1").arg(path);
            return;
        }
        if (cancelled())
            return;
        if (!check.complete) {
            qWarning() << "StepImporter: truncated file (no END-ISO-10303-21):" << path;
            result.status = StepImportResult::ReadFailed;
            result.errorMessage = StepImporter::tr("The STEP file is truncated (its end is missing): %1").arg(path);
            return;
        }

        result.rootCount = reader.NbRootsForTransfer();
        if (result.rootCount < 1) {
            result.status = StepImportResult::NoTransferableRoot;
            result.errorMessage = StepImporter::tr("The STEP file contains no transferable root.");
            return;
        }

        // Geometric entities the parser could not read (bad syntax, unresolved references)
        // still load, and the transfer builds whatever it can around them: a wrong part.
        const int damaged = StepImporter::damagedShapeEntityCount(reader);
        if (damaged > 0) {
            qWarning() << "StepImporter: damaged file," << damaged << "geometric entities could not be read:" << path;
            result.status = StepImportResult::ReadFailed;
            result.rootCount = 0;
            result.errorMessage = StepImporter::tr("The STEP file is damaged: %n geometric entity(ies) could not be read.",
                                                   nullptr, damaged);
            return;
        }

        reader.PrintCheckTransfer(false, IFSelect_ItemsByEntity);

        Message_ProgressScope roots(transfer, nullptr, result.rootCount);
        for (int i = 1; i <= result.rootCount && !cancelled(); ++i) {
            try {
                // The reader reports success for roots that yield an empty compound or shell;
                // those transferred to nothing as well.
                const TopoDS_Shape shape = reader.TransferRoot(i, roots.Next()) ? reader.Shape(reader.NbShapes()) : TopoDS_Shape();
                if (hasGeometry(shape)) {
                    result.shapes.append(solidsOfSurfaces(shape, result));
                    if (g_readSeam.afterRoot)
                        g_readSeam.afterRoot(int(result.shapes.size()));
                } else {
                    ++result.failedRootCount;
                }
            } catch (const std::bad_alloc&) {
                throw; // no use trying the next root: the import fails as a whole
            } catch (const Standard_OutOfMemory&) {
                throw;
            } catch (...) {
                qWarning() << "StepImporter: exception on root" << i << ":" << OccUtils::currentExceptionMessage();
                ++result.failedRootCount;
            }
        }
        if (cancelled())
            return;

        // Every root failing is no success: the caller would install an empty part.
        if (result.shapes.isEmpty()) {
            qWarning() << "StepImporter: none of the" << result.rootCount << "roots could be transferred:" << path;
            result.status = StepImportResult::NoTransferableRoot;
            result.errorMessage = StepImporter::tr("None of the %n root(s) of the STEP file could be transferred.",
                                                   nullptr, result.rootCount);
            return;
        }
        finished = true;
    }, [&]() { releaseAfterFault(held); });
    if (cancelled())
        return cancelledImport();
    if (!clean) {
        qWarning() << "StepImporter: damaged file, the reader failed on it:" << path;
        result = StepImportResult();
        result.status = StepImportResult::ReadFailed;
        result.errorMessage = StepImporter::tr("The STEP file is damaged: the reader failed on it.");
        return result;
    }
    if (finished)
        result.status = StepImportResult::Ok;
    return result;
}

} // namespace

int StepImporter::damagedShapeEntityCount(STEPControl_Reader& reader)
{
    const Interface_CheckIterator checks = reader.WS()->ModelCheckList(false);
    const opencascade::handle<Interface_InterfaceModel> model = reader.Model();
    int damaged = 0;
    for (checks.Start(); checks.More(); checks.Next()) {
        if (checks.Value()->NbFails() == 0)
            continue;
        opencascade::handle<Standard_Transient> entity = checks.Value()->Entity();
        const int number = checks.Number();
        if (entity.IsNull() && !model.IsNull() && number >= 1 && number <= model->NbEntities())
            entity = model->Value(number);
        if (isShapeEntity(entity))
            ++damaged;
    }
    return damaged;
}

void StepImporter::setReadSeam(StepReadSeam seam)
{
    g_readSeam = std::move(seam);
}

namespace {

// Called inside a catch: what escaped the import, said as the user reads it.
StepImportResult failedImport()
{
    StepImportResult result;
    result.status = StepImportResult::Exception;
    try {
        throw;
    } catch (const std::bad_alloc&) {
        result.errorMessage = StepImporter::tr("There is not enough memory to read this STEP file.");
    } catch (const Standard_OutOfMemory&) {
        result.errorMessage = StepImporter::tr("There is not enough memory to read this STEP file.");
    } catch (...) {
        result.errorMessage = OccUtils::currentExceptionMessage();
    }
    return result;
}

} // namespace

StepImportResult StepImporter::importStep(const QString& path, const Message_ProgressRange& progress)
{
    Message_ProgressScope scope(progress, nullptr, 10.0);
    const std::function<bool()> cancelled = [&scope] { return scope.UserBreak(); };
    const Message_ProgressRange transfer = scope.Next(1.0);
    StepImportResult result;
    try {
        Jobs::succeeded(scope.Next(9.0), "StepImporter", Jobs::Reads::Shared, [&](const Jobs::Stop&) {
            try {
                result = importOnThisThread(path, cancelled, transfer);
            } catch (...) {
                result = failedImport();
            }
            return true;
        }, true);
    } catch (...) {
        result = failedImport();
    }
    return result;
}
