// The shaded look of a part, made on any thread before the part is shown: meshing a part of
// many curved faces, or walking one of hundreds of thousands of one-triangle faces into the
// view's triangles, takes the window's thread a second or more, all the while deaf to events.
#pragma once

#include <AIS_Shape.hxx>
#include <Bnd_Box.hxx>
#include <Graphic3d_ArrayOfTriangles.hxx>
#include <Standard_Handle.hxx>
#include <TopoDS_Shape.hxx>

class Prs3d_Drawer;

struct PartLook
{
    TopoDS_Shape shape; // the part it was made for; null when nothing was made
    opencascade::handle<Graphic3d_ArrayOfTriangles> closed, open; // its closed solids, the rest
    Bnd_Box box;
};

// A part whose faces carry their exact meshes (an STL part) is read only. Another part is
// meshed first into its faces as the view would mesh it under drawer (the viewer's settings,
// only read), and gets no look without one. No look either for a part the view would draw
// partly in lines (a face that cannot be meshed, an edge or a vertex outside every face).
PartLook preparePartLook(const TopoDS_Shape& shape, const opencascade::handle<Prs3d_Drawer>& drawer = {});

// A part shown shaded from its look when it has one (and its look is for that shape), as
// OpenCASCADE's own shape presentation otherwise.
class PartPresentation : public AIS_Shape
{
public:
    PartPresentation(const TopoDS_Shape& shape, const PartLook& look);
    bool hasLook() const { return !m_look.shape.IsNull(); }
    const PartLook& look() const { return m_look; }

protected:
    void Compute(const opencascade::handle<PrsMgr_PresentationManager>& manager,
                 const opencascade::handle<Prs3d_Presentation>& presentation, const Standard_Integer mode) override;

private:
    PartLook m_look;
};
