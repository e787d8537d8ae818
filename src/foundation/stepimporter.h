// Reads a STEP file into one shape per transferable root. Shows nothing; the caller turns
// the status into messages.
#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>

#include <TopoDS_Shape.hxx>

struct StepImportResult
{
    enum Status { Ok = 0, ReadFailed = 1, NoTransferableRoot = 2, Exception = 3 };

    int status = Exception;
    QList<TopoDS_Shape> shapes;  // one per transferred root, in root order
    int rootCount = 0;           // 0 when reading failed
    int failedRootCount = 0;     // roots whose transfer returned false or threw
    QString errorMessage;        // Exception: the exception's text; otherwise the translated reason
    // Roots that held surfaces and no solid (a surface model): sewn into closed solids, or left
    // open, with the free edges sewing left.
    int sewnSurfaceRootCount = 0;
    int openSurfaceRootCount = 0;
    int freeEdgeCount = 0;
};

class StepImporter
{
    Q_DECLARE_TR_FUNCTIONS(StepImporter)

public:
    static StepImportResult importStep(const QString& path);

    // False with a translated reason when the file holds an entity number beyond the int
    // range, a number defined twice or a reference cycle, all fatal to OpenCASCADE's reader,
    // or a text or comment that never closes, behind which the scan cannot see them.
    // complete, when given, tells whether the exchange's closing keyword was read: the reader
    // accepts a file cut short, and would hand back a part with faces silently missing.
    static bool checkEntityReferences(const QString& path, QString& reason, bool* complete = nullptr);
};
