// Guarded calls into OpenCASCADE: the viewer helpers through which every display,
// removal and selection change goes, the text of the exception being handled, and
// boolean operations with a fuzzy-value retry plus shape healing. Nothing here throws, but
// for running out of memory inside OutOfMemory::survive.
#pragma once

#include "foundation/outofmemory.h"

#include <QList>
#include <QString>

#include <Standard_Failure.hxx>
#include <Standard_Handle.hxx>
#include <Standard_OutOfMemory.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS_Shape.hxx>
#include <gp_Vec.hxx>

#include <exception>
#include <mutex>
#include <initializer_list>
#include <new>

class AIS_InteractiveContext;
class Message_ProgressRange;
class AIS_InteractiveObject;
class QLoggingCategory;

namespace OccUtils {

namespace detail {
// Warnings that never throw. A failed allocation (OpenCASCADE's or the standard one) is
// reported without allocating anything, straight to standard error.
void warnOccFailure(const char* context, const Standard_Failure& failure) noexcept;
void warnStdException(const char* context, const std::exception& exception) noexcept;
void warnUnknown(const char* context) noexcept;
void noteOutOfMemory(const char* context) noexcept;
} // namespace detail

// Runs fn and returns its result, or the fallback after a warning naming the context
// when it throws (OpenCASCADE failure, standard exception or anything else). Running out
// of memory is one more failure: the fallback comes back and the program goes on, except
// inside OutOfMemory::survive, which then refuses the whole operation.
template <typename T, typename F>
T guardedCall(T fallback, const char* context, F&& fn)
{
    try {
        return fn();
    } catch (const Standard_OutOfMemory&) {
        if (OutOfMemory::inScope())
            throw;
        detail::noteOutOfMemory(context);
    } catch (const std::bad_alloc&) {
        if (OutOfMemory::inScope())
            throw;
        detail::noteOutOfMemory(context);
    } catch (const Standard_Failure& failure) {
        detail::warnOccFailure(context, failure);
    } catch (const std::exception& exception) {
        detail::warnStdException(context, exception);
    } catch (...) {
        detail::warnUnknown(context);
    }
    return fallback;
}

// Viewer helpers: false at once for a null context or object, false after a warning
// when the viewer throws, true otherwise. None of them redraws.
bool safeDisplay(const opencascade::handle<AIS_InteractiveContext>& context,
                 const opencascade::handle<AIS_InteractiveObject>& object, bool noSelection = false);
bool safeRemove(const opencascade::handle<AIS_InteractiveContext>& context,
                const opencascade::handle<AIS_InteractiveObject>& object);
bool safeErase(const opencascade::handle<AIS_InteractiveContext>& context,
               const opencascade::handle<AIS_InteractiveObject>& object);
bool safeActivate(const opencascade::handle<AIS_InteractiveContext>& context,
                  const opencascade::handle<AIS_InteractiveObject>& object, int mode);
bool safeDeactivate(const opencascade::handle<AIS_InteractiveContext>& context,
                    const opencascade::handle<AIS_InteractiveObject>& object);
void safeUpdateViewer(const opencascade::handle<AIS_InteractiveContext>& context);
// While one lives on this thread, safeUpdateViewer only notes the redraw: a scene replaced in
// steps is drawn once, whole, when the last one goes (unless it leaves the drawing to a paint
// the caller asks for), instead of at each step.
class RedrawHold
{
public:
    explicit RedrawHold(bool drawAtEnd = true);
    ~RedrawHold();
    RedrawHold(const RedrawHold&) = delete;
    RedrawHold& operator=(const RedrawHold&) = delete;

private:
    bool m_drawAtEnd;
};
// A context on a viewer of its own with no view, in the shown one's display mode: what is
// displayed there is meshed and laid out as the shown context would, but never drawn, so that a
// design can be built beside the one on show. Null when it cannot be made.
opencascade::handle<AIS_InteractiveContext> stagingContext(const opencascade::handle<AIS_InteractiveContext>& shown);

// Text of the exception being handled; "no exception" outside a handler, "out of memory"
// (no allocation needed) for a failed allocation.
QString currentExceptionMessage();

// --- Boolean operations with fuzzy retry, healing and checks ---

using CategoryAccessor = const QLoggingCategory& (*)();

// Names an operation in traces; a null category silences them.
struct BoolOpLabel
{
    CategoryAccessor category = nullptr;
    const char* text = "";
};

struct FuzzyBoolResult
{
    TopoDS_Shape shape;      // accepted, repaired or fallback result; null when none was usable
    double fuzzyValue = 0.0; // the value that produced shape; 0 when shape is null
    bool valid = false;      // accepted or repaired (false for a fallback or no result)
};
using BoolOpResult = FuzzyBoolResult;

TopoDS_Shape healShape(const TopoDS_Shape& shape, const BoolOpLabel& label, double tolerance);
bool hasUsableBounds(const TopoDS_Shape& shape);
// Valid by OpenCASCADE's checker, every solid holding a volume above zero.
bool isValidShape(const TopoDS_Shape& shape);
// Every solid of shape bounds a volume above zero: none turned inside out (which the analyser
// lets through) or flat.
bool solidsHoldVolume(const TopoDS_Shape& shape);
// The shapes, in their order, in one compound; an empty compound for none.
TopoDS_Shape compoundOf(const QList<TopoDS_Shape>& shapes);
// A face swept along by into one solid, oriented outward; null when the sweep fails. Not
// copied, the solid starts from the face itself and its edges.
TopoDS_Shape sweptSolid(const TopoDS_Shape& face, const gp_Vec& by, bool copy = true);

// OpenCASCADE's STEP translators share settings and sessions of their own: a file written while
// another part makes its round trip through STEP holds one thread at a time.
std::mutex& stepTranslation();
// Name of a progress scope around work that cannot be broken off (OpenCASCADE's file write):
// whatever shows the progress tells that a cancel waits for its end.
inline constexpr char kUnbreakableWork[] = "unbreakable work";

void logBoolAttemptError(const BoolOpLabel& label, double fuzzy, const char* tag, const char* message);
void logBoolNoUsableShape(const BoolOpLabel& label, double fuzzy);
void logBoolRepairFailed(const BoolOpLabel& label, double fuzzy);
void logBoolAccepted(const BoolOpLabel& label, double fuzzy, bool repaired);

namespace detail {

// The decisions taken after each attempt, the same for every boolean class.
class FuzzyLadder
{
public:
    FuzzyLadder(bool requireValid, const BoolOpLabel& label, double healTolerance);
    // Judges the attempt's result; true when it ends the ladder.
    bool offer(const TopoDS_Shape& result, double fuzzy);
    FuzzyBoolResult result() const;

private:
    bool m_requireValid;
    const BoolOpLabel& m_label;
    double m_healTolerance;
    bool m_escalated = false;
    bool m_hasFallback = false;
    FuzzyBoolResult m_result;
};

template <typename Op>
TopoDS_Shape attemptBoolOp(const TopoDS_Shape& a, const TopoDS_Shape& b, double fuzzy,
                           const BoolOpLabel& label)
{
    try {
        Op op;
        TopTools_ListOfShape arguments;
        arguments.Append(a);
        TopTools_ListOfShape tools;
        tools.Append(b);
        op.SetArguments(arguments);
        op.SetTools(tools);
        op.SetFuzzyValue(fuzzy);
        op.SetRunParallel(false);
        // A fuzzy run otherwise raises the tolerances of the input shapes in place, which
        // spoils the next rung and the caller's own part and body.
        op.SetNonDestructive(true);
        op.Build();
        if (op.IsDone())
            return op.Shape();
    } catch (const Standard_OutOfMemory&) {
        if (OutOfMemory::inScope())
            throw;
        detail::noteOutOfMemory(label.text);
    } catch (const std::bad_alloc&) {
        if (OutOfMemory::inScope())
            throw;
        detail::noteOutOfMemory(label.text);
    } catch (const Standard_Failure& failure) {
        logBoolAttemptError(label, fuzzy, "OCC", failure.GetMessageString());
    } catch (const std::exception& exception) {
        logBoolAttemptError(label, fuzzy, nullptr, exception.what());
    } catch (...) {
        logBoolAttemptError(label, fuzzy, nullptr, nullptr);
    }
    return TopoDS_Shape();
}

} // namespace detail

// Runs the boolean Op (BRepAlgoAPI_Common, BRepAlgoAPI_Cut, ...) of a with tool b once per
// fuzzy value, in the given order, until a result is usable (and valid, or repaired into a
// valid shape, when requireValid). Without such a result, the first failed repair comes
// back with valid false.
template <typename Op, typename Values>
FuzzyBoolResult runBoolOpWithFuzzyRetry(const TopoDS_Shape& a, const TopoDS_Shape& b,
                                        const Values& fuzzyValues, bool requireValid,
                                        const BoolOpLabel& label, double healTolerance)
{
    detail::FuzzyLadder ladder(requireValid, label, healTolerance);
    for (const double fuzzy : fuzzyValues) {
        if (ladder.offer(detail::attemptBoolOp<Op>(a, b, fuzzy, label), fuzzy))
            break;
    }
    return ladder.result();
}

template <typename Op>
FuzzyBoolResult runBoolOpWithFuzzyRetry(const TopoDS_Shape& a, const TopoDS_Shape& b,
                                        std::initializer_list<double> fuzzyValues, bool requireValid,
                                        const BoolOpLabel& label, double healTolerance)
{
    return runBoolOpWithFuzzyRetry<Op, std::initializer_list<double>>(a, b, fuzzyValues, requireValid,
                                                                      label, healTolerance);
}

} // namespace OccUtils
