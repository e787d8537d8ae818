#include "view/partlook.h"

#include "foundation/geometryutils.h"
#include "foundation/occutils.h"

#include <AIS_DisplayMode.hxx>
#include <BRepBndLib.hxx>
#include <BRep_Builder.hxx>
#include <Graphic3d_Group.hxx>
#include <Prs3d_ShadingAspect.hxx>
#include <StdPrs_ShadedShape.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS_Compound.hxx>

PartLook preparePartLook(const TopoDS_Shape& shape)
{
    if (shape.IsNull() || !GeometryUtils::hasExactFaceMeshes(shape))
        return {};
    return OccUtils::guardedCall(PartLook(), "preparePartLook", [&] {
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
        // The triangles' own bounds: a mesh part's faces are nothing else.
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
        // Its faces are their triangles: nothing to mesh, and the box is known.
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
