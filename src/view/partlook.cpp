#include "view/partlook.h"

#include "foundation/geometryutils.h"
#include "foundation/occutils.h"

#include <AIS_DisplayMode.hxx>
#include <BRepBndLib.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Graphic3d_Group.hxx>
#include <Prs3d_Drawer.hxx>
#include <Prs3d_ShadingAspect.hxx>
#include <StdPrs_ShadedShape.hxx>
#include <StdPrs_ToolTriangulatedShape.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>

namespace {

// The shape presentation adds lines for these, which a look of triangles alone would lose.
bool drawnInTrianglesOnly(const TopoDS_Shape& shape)
{
    for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next()) {
        TopLoc_Location location;
        if (BRep_Tool::Triangulation(TopoDS::Face(it.Current()), location).IsNull())
            return false;
    }
    return !TopExp_Explorer(shape, TopAbs_EDGE, TopAbs_FACE).More()
        && !TopExp_Explorer(shape, TopAbs_VERTEX, TopAbs_EDGE).More();
}

} // namespace

PartLook preparePartLook(const TopoDS_Shape& shape, const opencascade::handle<Prs3d_Drawer>& drawer)
{
    if (shape.IsNull())
        return {};
    const bool meshed = GeometryUtils::hasExactFaceMeshes(shape);
    if (!meshed && drawer.IsNull())
        return {};
    return OccUtils::guardedCall(PartLook(), "preparePartLook", [&] {
        if (!meshed) {
            // The deflection worked out for the shape is written into the drawer it is given:
            // into one of the look's own, not into the viewer's.
            const opencascade::handle<Prs3d_Drawer> own = new Prs3d_Drawer();
            own->SetLink(drawer);
            StdPrs_ToolTriangulatedShape::Tessellate(shape, own);
        }
        if (!drawnInTrianglesOnly(shape))
            return PartLook();
        // As the shape presentation splits them: closed solids are drawn one-sided.
        BRep_Builder builder;
        TopoDS_Compound closed, open;
        builder.MakeCompound(closed);
        builder.MakeCompound(open);
        StdPrs_ShadedShape::ExploreSolids(shape, builder, closed, open, true);
        PartLook look;
        look.closed = TopExp_Explorer(closed, TopAbs_FACE).More() ? StdPrs_ShadedShape::FillTriangles(closed)
                                                                   : opencascade::handle<Graphic3d_ArrayOfTriangles>();
        look.open = TopExp_Explorer(open, TopAbs_FACE).More() ? StdPrs_ShadedShape::FillTriangles(open)
                                                               : opencascade::handle<Graphic3d_ArrayOfTriangles>();
        // The triangles' own bounds: what is drawn, and what frames the part.
        BRepBndLib::Add(shape, look.box, true);
        look.shape = shape;
        return look;
    });
}

PartPresentation::PartPresentation(const TopoDS_Shape& shape, const PartLook& look)
    : AIS_Shape(shape)
    , m_look(look.shape.IsSame(shape) ? look : PartLook())
{
    if (hasLook()) {
        // Its faces carry the triangles drawn: nothing to mesh, and the box is known.
        Attributes()->SetAutoTriangulation(false);
        myBB = m_look.box;
        myCompBB = Standard_False;
    }
}

void PartPresentation::Compute(const opencascade::handle<PrsMgr_PresentationManager>& manager,
                               const opencascade::handle<Prs3d_Presentation>& presentation,
                               const Standard_Integer mode)
{
    if (mode != AIS_Shaded || !hasLook() || !m_look.shape.IsSame(myshape)) {
        AIS_Shape::Compute(manager, presentation, mode);
        return;
    }
    for (const auto& [triangles, closed] : {std::pair{m_look.closed, true}, std::pair{m_look.open, false}}) {
        if (triangles.IsNull())
            continue;
        const opencascade::handle<Graphic3d_Group> group = presentation->NewGroup();
        group->SetClosed(closed);
        group->SetGroupPrimitivesAspect(myDrawer->ShadingAspect()->Aspect());
        group->AddPrimitiveArray(triangles);
    }
}
