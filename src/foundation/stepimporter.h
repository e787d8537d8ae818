// Reads a STEP file into one shape per transferable root. Shows nothing; the caller turns
// the status into messages.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QString>

#include <Message_ProgressRange.hxx>
#include <TopoDS_Shape.hxx>

#include <functional>

class STEPControl_Reader;

struct StepImportResult
{
    enum Status { Ok = 0, ReadFailed = 1, NoTransferableRoot = 2, Exception = 3, Cancelled = 4 };

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

// What the scan before the reader found.
struct StepFileCheck
{
    // False with a translated reason when the file is missing, no regular file, empty, no STEP
    // file by its start, more than memory holds, cannot be opened, or holds an entity number
    // beyond the int range, a record that opens a scope, a number defined twice or a cycle (of
    // references, or of the assembly usages, shape definitions and shape relationships the
    // transfer walks), all fatal to OpenCASCADE's reader, or a text or comment that never
    // closes, behind which the scan cannot see them.
    bool sound = false;
    QString reason;
    // What the reason is about. The reader hides a number defined twice and a cycle: it reads
    // such files, then reads unset memory or recurses without end.
    enum Fault { None, CannotOpen, NumberOutOfRange, Unclosed, Scope, DefinedTwice, Cycle, Missing, NotRegularFile,
                 Empty, NotStep, TooLarge, NestedTooDeep };
    Fault fault = None;
    // The exchange's closing keyword was read: the reader accepts a file cut short, and would
    // hand back a part with faces silently missing.
    bool complete = false;
    QByteArray bytes; // the file up to its end mark, as scanned: all the reader is given
    qint64 bytesRead = 0; // of the file; never more than it held when it was opened
    bool cancelled = false;
};

// A seam for tests, between the check and the reader: beforeRead is called with the path once
// the file was checked, afterRead with the count of bytes the reader took, afterRoot after each
// root the transfer turned into a shape, with the count of those so far.
struct StepReadSeam
{
    std::function<void(const QString& path)> beforeRead;
    std::function<void(qint64 handed)> afterRead;
    std::function<void(int transferred)> afterRoot;
};

class StepImporter
{
    Q_DECLARE_TR_FUNCTIONS(StepImporter)

public:
    // With an active progress, the reading runs on a helper thread while this one reports;
    // Cancel ends it with the Cancelled status.
    static StepImportResult importStep(const QString& path, const Message_ProgressRange& progress = {});

    static StepFileCheck checkFile(const QString& path, const std::function<bool()>& cancelled = {});
    // The same check of bytes in memory (the fuzz targets').
    static StepFileCheck checkBytes(const QByteArray& bytes);

    static void setReadSeam(StepReadSeam seam);

    // The unreadable entities of what the reader read that carry the part's geometry, topology,
    // placement or units; the import refuses the file on any. Damage elsewhere (names, colours,
    // properties, annotations) leaves the part intact.
    static int damagedShapeEntityCount(STEPControl_Reader& reader);
};
