#include "foundation/occutils.h"

#include <QDebug>
#include <QLoggingCategory>

#include <BRepBndLib.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepGProp.hxx>
#include <GProp_GProps.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <NCollection_DataMap.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopTools_ShapeMapHasher.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Iterator.hxx>
#include <Bnd_Box.hxx>
#include <BRepBuilderAPI_Copy.hxx>
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

namespace {

// A solid of one shell, or a compound of such solids.
bool oneShellEach(const TopoDS_Shape& shape)
{
    if (shape.ShapeType() == TopAbs_SOLID)
        return shape.NbChildren() == 1 && TopoDS_Iterator(shape).Value().ShapeType() == TopAbs_SHELL;
    if (shape.ShapeType() != TopAbs_COMPOUND || shape.NbChildren() == 0)
        return false;
    for (TopoDS_Iterator it(shape); it.More(); it.Next())
        if (it.Value().ShapeType() != TopAbs_SOLID || !oneShellEach(it.Value()))
            return false;
    return true;
}

// Such solids with an edge shared by more than two faces: round cavities that touch pinch the
// part along such edges.
bool pinchedSolids(const TopoDS_Shape& shape)
{
    if (!oneShellEach(shape))
        return false;
    TopTools_IndexedDataMapOfShapeListOfShape facesOf;
    TopExp::MapShapesAndUniqueAncestors(shape, TopAbs_EDGE, TopAbs_FACE, facesOf);
    for (int i = 1; i <= facesOf.Extent(); ++i)
        if (facesOf(i).Extent() > 2)
            return true;
    return false;
}

// What the analyser's shell check finds, in one pass: each edge of a closed shell is used as
// often in one direction as in the other, so a face missing or turned over shows.
bool shellsClosed(const TopoDS_Shape& shape)
{
    for (TopExp_Explorer shells(shape, TopAbs_SHELL); shells.More(); shells.Next()) {
        NCollection_DataMap<TopoDS_Shape, int, TopTools_ShapeMapHasher> balance;
        for (TopExp_Explorer edges(shells.Current(), TopAbs_EDGE); edges.More(); edges.Next()) {
            const TopoDS_Edge& edge = TopoDS::Edge(edges.Current());
            const TopAbs_Orientation way = edge.Orientation();
            if ((way != TopAbs_FORWARD && way != TopAbs_REVERSED) || BRep_Tool::Degenerated(edge))
                continue;
            if (!balance.IsBound(edge))
                balance.Bind(edge, 0);
            balance.ChangeFind(edge) += way == TopAbs_FORWARD ? 1 : -1;
        }
        for (NCollection_DataMap<TopoDS_Shape, int, TopTools_ShapeMapHasher>::Iterator it(balance); it.More(); it.Next())
            if (it.Value() != 0)
                return false;
    }
    return true;
}

} // namespace

bool solidsHoldVolume(const TopoDS_Shape& shape)
{
    // A shell turned inside out bounds everything outside it: its solid's volume is negative.
    try {
        for (TopExp_Explorer solids(shape, TopAbs_SOLID); solids.More(); solids.Next()) {
            GProp_GProps props;
            BRepGProp::VolumeProperties(solids.Current(), props);
            if (!(props.Mass() > 1e-12))
                return false;
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool isValidShape(const TopoDS_Shape& shape)
{
    if (shape.IsNull())
        return false;
    try {
        // OpenCASCADE's shell check grows far faster than the shell on edges shared by more
        // than two faces: 18 s for a part carved by 500 round cavities that touch, whose faces
        // check in 0.4 s. Such a part's faces are checked alone, its shells closed here.
        if (pinchedSolids(shape)) {
            TopTools_IndexedMapOfShape faces;
            TopExp::MapShapes(shape, TopAbs_FACE, faces);
            BRep_Builder builder;
            TopoDS_Compound loose;
            builder.MakeCompound(loose);
            for (int i = 1; i <= faces.Extent(); ++i)
                builder.Add(loose, faces(i));
            return BRepCheck_Analyzer(loose, true, false).IsValid() && shellsClosed(shape) && solidsHoldVolume(shape);
        }
        // 7.6 has no exact-checks switch; geometric checks on, parallel off.
        BRepCheck_Analyzer analyzer(shape, true, false);
        return analyzer.IsValid() && solidsHoldVolume(shape);
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
    // The result shares its faces and edges with the operation's arguments (a cut's cavity walls
    // are its tools' faces), which the repair would change in place: it works on a copy.
    const TopoDS_Shape own =
        guardedCall(TopoDS_Shape(), "FuzzyLadder", [&] { return BRepBuilderAPI_Copy(result, false, false).Shape(); });
    const TopoDS_Shape healed = own.IsNull() ? TopoDS_Shape() : healShape(own, m_label, m_healTolerance);
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
