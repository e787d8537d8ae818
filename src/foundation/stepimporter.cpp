#include "foundation/stepimporter.h"
#include "foundation/occutils.h"

#include <IFSelect_ReturnStatus.hxx>
#include <Interface_Check.hxx>
#include <Interface_CheckIterator.hxx>
#include <STEPControl_Reader.hxx>
#include <TopExp_Explorer.hxx>
#include <XSControl_WorkSession.hxx>

#include <QDebug>
#include <QFile>
#include <QFileInfo>

namespace {

// A complete exchange file ends with this keyword; the reader accepts files cut short
// and would hand back a part with faces silently missing.
bool endsWithTerminator(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 tail = 4096;
    if (file.size() > tail)
        file.seek(file.size() - tail);
    return file.readAll().contains("END-ISO-10303-21");
}

bool hasGeometry(const TopoDS_Shape& shape)
{
    return !shape.IsNull() && TopExp_Explorer(shape, TopAbs_VERTEX).More();
}

int damagedEntityCount(STEPControl_Reader& reader)
{
    const Interface_CheckIterator checks = reader.WS()->ModelCheckList(false);
    int damaged = 0;
    for (checks.Start(); checks.More(); checks.Next())
        if (checks.Value()->NbFails() > 0)
            ++damaged;
    return damaged;
}

} // namespace

StepImportResult StepImporter::importStep(const QString& path)
{
    StepImportResult result;
    try {
        const QFileInfo info(path);
        if (!info.exists() || !info.isFile()) {
            result.status = StepImportResult::ReadFailed;
            result.errorMessage = tr("The STEP file does not exist: %1").arg(path);
            return result;
        }
        if (info.size() == 0) {
            result.status = StepImportResult::ReadFailed;
            result.errorMessage = tr("The STEP file is empty: %1").arg(path);
            return result;
        }

        STEPControl_Reader reader;
        if (reader.ReadFile(path.toStdString().c_str()) != IFSelect_RetDone) {
            result.status = StepImportResult::ReadFailed;
            result.errorMessage = tr("The file is not a readable STEP file: %1").arg(path);
            return result;
        }
        if (!endsWithTerminator(path)) {
            result.status = StepImportResult::ReadFailed;
            result.errorMessage = tr("The STEP file is truncated (its end is missing): %1").arg(path);
            return result;
        }

        result.rootCount = reader.NbRootsForTransfer();
        if (result.rootCount < 1) {
            result.status = StepImportResult::NoTransferableRoot;
            result.errorMessage = tr("The STEP file contains no transferable root.");
            return result;
        }

        // Entities the parser could not read (bad syntax, unresolved references) still load,
        // and the transfer builds whatever it can around them: a part with wrong geometry.
        const int damaged = damagedEntityCount(reader);
        if (damaged > 0) {
            result.status = StepImportResult::ReadFailed;
            result.rootCount = 0;
            result.errorMessage = tr("The STEP file is damaged: %n entity(ies) could not be read.", nullptr, damaged);
            return result;
        }

        reader.PrintCheckTransfer(false, IFSelect_ItemsByEntity);

        for (int i = 1; i <= result.rootCount; ++i) {
            try {
                // The reader reports success for roots that yield an empty compound or shell;
                // those transferred to nothing as well.
                const TopoDS_Shape shape = reader.TransferRoot(i) ? reader.Shape(reader.NbShapes()) : TopoDS_Shape();
                if (hasGeometry(shape))
                    result.shapes.append(shape);
                else
                    ++result.failedRootCount;
            } catch (...) {
                qWarning() << "StepImporter: exception on root" << i << ":"
                           << OccUtils::currentExceptionMessage();
                ++result.failedRootCount;
            }
        }

        // Every root failing is no success: the caller would install an empty part.
        if (result.shapes.isEmpty()) {
            result.status = StepImportResult::NoTransferableRoot;
            result.errorMessage = tr("None of the %n root(s) of the STEP file could be transferred.",
                                     nullptr, result.rootCount);
            return result;
        }
        result.status = StepImportResult::Ok;
    } catch (...) {
        result.status = StepImportResult::Exception;
        result.errorMessage = OccUtils::currentExceptionMessage();
    }
    return result;
}
