#include "foundation/occutils.h"

#include <QDebug>
#include <QLoggingCategory>

#include <BRepBndLib.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <Bnd_Box.hxx>
#include <ShapeFix_Shape.hxx>

#include <algorithm>

namespace OccUtils {

namespace {

bool debugEnabled(const BoolOpLabel& label)
{
    return label.category && label.category().isDebugEnabled();
}

} // namespace

void logBoolAttemptError(const BoolOpLabel& label, double fuzzy, const char* tag, const char* message)
{
    if (!debugEnabled(label))
        return;
    qCDebug(label.category) << label.text << (tag ? tag : "") << "(fuzzy=" << fuzzy << "):"
                            << (message ? message : "unknown error");
}

void logBoolNoUsableShape(const BoolOpLabel& label, double fuzzy)
{
    if (debugEnabled(label))
        qCDebug(label.category) << label.text << ": no usable shape (fuzzy=" << fuzzy << ")";
}

void logBoolRepairFailed(const BoolOpLabel& label, double fuzzy)
{
    if (debugEnabled(label))
        qCDebug(label.category) << label.text << ": invalid result, repair failed (fuzzy=" << fuzzy
                                << ") — kept as fallback";
}

void logBoolAccepted(const BoolOpLabel& label, double fuzzy, bool repaired)
{
    if (!debugEnabled(label))
        return;
    qCDebug(label.category) << label.text
                            << (repaired ? ": repaired into a valid shape (fuzzy=" : ": accepted after escalation (fuzzy=")
                            << fuzzy << ")";
}

TopoDS_Shape healShape(const TopoDS_Shape& shape, const BoolOpLabel& label, double tolerance)
{
    if (shape.IsNull())
        return shape;
    // Zero, negative and NaN tolerances all fail this test.
    const double working = tolerance > 1e-7 ? tolerance : 1.0;
    try {
        opencascade::handle<ShapeFix_Shape> fixer = new ShapeFix_Shape(shape);
        fixer->SetPrecision(std::min(working, 0.01));
        fixer->SetMinTolerance(1e-7);
        fixer->SetMaxTolerance(working);
        fixer->Perform();
        const TopoDS_Shape fixed = fixer->Shape();
        return fixed.IsNull() ? shape : fixed;
    } catch (const Standard_Failure& failure) {
        if (debugEnabled(label))
            qCDebug(label.category) << label.text << "— healShape: ShapeFix failed (OCC):"
                                    << failure.GetMessageString();
    } catch (const std::exception& exception) {
        if (debugEnabled(label))
            qCDebug(label.category) << label.text << "— healShape: ShapeFix failed:" << exception.what();
    } catch (...) {
        if (debugEnabled(label))
            qCDebug(label.category) << label.text << "— healShape: ShapeFix failed: unknown error";
    }
    return shape;
}

bool hasUsableBounds(const TopoDS_Shape& shape)
{
    if (shape.IsNull())
        return false;
    try {
        Bnd_Box box;
        BRepBndLib::Add(shape, box, true);
        return !box.IsVoid();
    } catch (...) {
        return false;
    }
}

bool isValidShape(const TopoDS_Shape& shape)
{
    if (shape.IsNull())
        return false;
    try {
        // 7.6 has no exact-checks switch; geometric checks on, parallel off.
        BRepCheck_Analyzer analyzer(shape, true, false);
        return analyzer.IsValid();
    } catch (...) {
        return false;
    }
}

namespace detail {

FuzzyLadder::FuzzyLadder(bool requireValid, const BoolOpLabel& label, double healTolerance)
    : m_requireValid(requireValid)
    , m_label(label)
    , m_healTolerance(healTolerance)
{
}

bool FuzzyLadder::offer(const TopoDS_Shape& result, double fuzzy)
{
    if (!hasUsableBounds(result)) {
        logBoolNoUsableShape(m_label, fuzzy);
        m_escalated = true;
        return false;
    }
    if (!m_requireValid || isValidShape(result)) {
        if (m_escalated)
            logBoolAccepted(m_label, fuzzy, false);
        m_result = {result, fuzzy, true};
        return true;
    }
    const TopoDS_Shape healed = healShape(result, m_label, m_healTolerance);
    if (isValidShape(healed)) {
        logBoolAccepted(m_label, fuzzy, true);
        m_result = {healed, fuzzy, true};
        return true;
    }
    logBoolRepairFailed(m_label, fuzzy);
    m_escalated = true;
    if (!m_hasFallback) {
        m_hasFallback = true;
        m_result = {healed.IsNull() ? result : healed, fuzzy, false};
    }
    return false;
}

FuzzyBoolResult FuzzyLadder::result() const
{
    return m_result;
}

} // namespace detail

} // namespace OccUtils
