// Point probes of the carving: whether a piece of a cut lies inside a tool solid, and which
// solid a piece was cut from. Boxes rule out most pairs; a classifier answers the rest.
#pragma once

#include "foundation/occutils.h"

#include <QDebug>
#include <QList>

#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_MakeVertex.hxx>
#include <BRepClass3d_SolidClassifier.hxx>
#include <BRepExtrema_DistShapeShape.hxx>
#include <BRepGProp.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <GProp_GProps.hxx>
#include <Message_ProgressRange.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>

#include <algorithm>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <vector>

namespace CarvingProbes {

// What the inside test needs of one piece of a cut, gathered once whatever the number of
// tools: its vertices in explorer order and their box; its centre of mass only when a tool's
// box could hold the piece, since that takes an integration over every face.
struct PieceProbe
{
    TopoDS_Shape solid;
    std::vector<gp_Pnt> vertices;
    gp_XYZ low{RealLast(), RealLast(), RealLast()}, high{-RealLast(), -RealLast(), -RealLast()};
    std::optional<gp_Pnt> centre;

    explicit PieceProbe(const TopoDS_Shape& piece) : solid(piece)
    {
        for (TopExp_Explorer it(piece, TopAbs_VERTEX); it.More(); it.Next()) {
            const gp_Pnt p = BRep_Tool::Pnt(TopoDS::Vertex(it.Current()));
            vertices.push_back(p);
            low.SetCoord(std::min(low.X(), p.X()), std::min(low.Y(), p.Y()), std::min(low.Z(), p.Z()));
            high.SetCoord(std::max(high.X(), p.X()), std::max(high.Y(), p.Y()), std::max(high.Z(), p.Z()));
        }
    }

    const gp_Pnt& centreOfMass()
    {
        if (!centre) {
            GProp_GProps props;
            BRepGProp::VolumeProperties(solid, props);
            centre = props.CentreOfMass();
        }
        return *centre;
    }
};

// A tool solid, its classifier built on first use.
struct ToolProbe
{
    TopoDS_Shape solid;
    Bnd_Box box;
    std::unique_ptr<BRepClass3d_SolidClassifier> classifier;

    ToolProbe(const TopoDS_Shape& tool, double tolerance) : solid(tool)
    {
        // From the geometry, not a mesh: the box must hold the whole solid.
        BRepBndLib::Add(tool, box, false);
        box.Enlarge(2.0 * tolerance + 1e-7);
    }

    // A point outside the box is OUT of the solid: a piece with its centre or a vertex there
    // cannot lie inside, and the classifier need not be asked.
    bool mayHold(PieceProbe& piece)
    {
        if (box.IsVoid())
            return false;
        if (!piece.vertices.empty() && (box.IsOut(gp_Pnt(piece.low)) || box.IsOut(gp_Pnt(piece.high))))
            return false;
        return !box.IsOut(piece.centreOfMass());
    }

    BRepClass3d_SolidClassifier& classify()
    {
        if (!classifier)
            classifier = std::make_unique<BRepClass3d_SolidClassifier>(solid);
        return *classifier;
    }
};

// The centre of mass strictly inside the tool and no vertex outside it by more than the
// tolerance: the classifier's ON depends on the direction of its ray, and misses a vertex
// that far above a face.
inline bool liesInside(PieceProbe& piece, ToolProbe& tool, double tolerance)
{
    if (piece.solid.IsNull() || !tool.mayHold(piece))
        return false;
    BRepClass3d_SolidClassifier& classifier = tool.classify();
    classifier.Perform(piece.centreOfMass(), tolerance);
    if (classifier.State() != TopAbs_IN)
        return false;
    for (const gp_Pnt& vertex : piece.vertices) {
        classifier.Perform(vertex, tolerance);
        if (classifier.State() == TopAbs_OUT) {
            BRepExtrema_DistShapeShape distance(BRepBuilderAPI_MakeVertex(vertex).Vertex(), tool.solid);
            if (!distance.IsDone() || distance.Value() > tolerance)
                return false;
        }
    }
    return true;
}

// The tools that check (a list of indices into count tools) finds holding material. A check
// that cannot be made (it throws) knows none of them to be cut: every tool, and made, when
// given, turns false.
template <typename Check>
QList<int> holdingOrEvery(int count, const char* context, bool* made, Check&& check)
{
    const std::optional<QList<int>> found = OccUtils::guardedCall(
        std::optional<QList<int>>(), context, [&]() -> std::optional<QList<int>> { return check(); });
    if (made)
        *made = found.has_value();
    if (found)
        return *found;
    qWarning() << " " << context << "could not be made:" << count << "volume(s) not known to be cut";
    QList<int> every;
    for (int t = 0; t < count; ++t)
        every.append(t);
    return every;
}

// Whether a point lies inside a solid, by the parity of a ray's crossings with its faces: two
// rays must agree, and a ray grazing an edge or a face, or starting on one, counts for nothing.
// Nothing when no two rays agree. The solid classifier seeks a point inside one of the solid's
// faces for every point it classifies: on a part pierced by hundreds of cavities that costs
// about as much as cutting them.
class RayParity
{
public:
    explicit RayParity(const TopoDS_Shape& solid);
    ~RayParity();
    std::optional<bool> inside(const gp_Pnt& point);

private:
    struct Face;
    std::optional<bool> along(const gp_Pnt& point, const gp_Dir& direction);
    std::vector<Face> faces;
    double reach = 0.0;
    Bnd_Box box;
};

// For each of copies (tools shrunk apart from the walls a right cut leaves): true when it
// provably shares no material with solid, no face, edge or vertex of the solid meeting it and
// it lying outside the solid, the solid not inside it. The others need a boolean to weigh
// what reaches into them. Nothing when the intersection is refused or broken off.
std::optional<std::vector<bool>> copiesClear(const TopoDS_Shape& solid, const std::vector<TopoDS_Shape>& copies,
                                             const Message_ProgressRange& progress = Message_ProgressRange());


} // namespace CarvingProbes
