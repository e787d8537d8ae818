// Component display styles and pad queries.

#include "components/componentmanager.h"

#include "model/placedcomponentdata.h"

#include <AIS_Shape.hxx>
#include <Aspect_TypeOfLine.hxx>
#include <Graphic3d_NameOfMaterial.hxx>
#include <Prs3d_Drawer.hxx>
#include <Prs3d_LineAspect.hxx>
#include <Quantity_Color.hxx>
#include <gp_Pnt.hxx>

namespace {

struct BodyStyle
{
    Quantity_NameOfColor colour;
    double transparency;
    double boundaryWidth;
};

// Rows for codes 1 to 4; every other code takes the normal look.
constexpr BodyStyle kBodyStyles[] = {
    {Quantity_NOC_RED, 0.3, 2.0},    // 1 substitute body, footprint missing
    {Quantity_NOC_ORANGE, 0.2, 2.0}, // 2 selected
    {Quantity_NOC_YELLOW, 0.4, 1.5}, // 3 not selectable
    {Quantity_NOC_BROWN, 0.85, 1.0}, // 4 body disabled
};
constexpr BodyStyle kNormalBodyStyle = {Quantity_NOC_GREEN, 0.7, 1.5};

constexpr double kPadTransparency = 0.3;
constexpr double kPadBoundaryWidth = 1.5;

// Black solid face-boundary lines; the boundary is drawn only with an aspect of its own.
void setFaceBoundary(const opencascade::handle<AIS_Shape>& object, double width)
{
    opencascade::handle<Prs3d_Drawer> drawer = object->Attributes();
    if (drawer.IsNull()) {
        drawer = new Prs3d_Drawer();
        object->SetAttributes(drawer);
    }
    drawer->SetFaceBoundaryAspect(new Prs3d_LineAspect(Quantity_NOC_BLACK, Aspect_TOL_SOLID, width));
    drawer->SetFaceBoundaryDraw(true);
}

} // namespace

void ComponentManager::applyComponentStyle(const opencascade::handle<AIS_Shape>& body, int styleCode)
{
    if (body.IsNull())
        return;
    const bool tabled = styleCode >= 1 && styleCode <= 4;
    const BodyStyle& style = tabled ? kBodyStyles[styleCode - 1] : kNormalBodyStyle;
    body->SetColor(Quantity_Color(style.colour));
    body->SetTransparency(style.transparency);
    body->SetMaterial(Graphic3d_MaterialAspect(Graphic3d_NameOfMaterial_Plastified));
    setFaceBoundary(body, style.boundaryWidth);
}

void ComponentManager::applyPadBaseStyle(const opencascade::handle<AIS_Shape>& pad)
{
    if (pad.IsNull())
        return;
    pad->SetColor(Quantity_Color(Quantity_NOC_GRAY60));
    pad->SetTransparency(kPadTransparency);
    pad->SetMaterial(Graphic3d_MaterialAspect(Graphic3d_NameOfMaterial_Copper));
    setFaceBoundary(pad, kPadBoundaryWidth);
    pad->Attributes()->SetColor(Quantity_Color(Quantity_NOC_YELLOW));
}

int ComponentManager::baseStyleFor(const PlacedComponentData& component)
{
    if (component.hasMissingFootprint)
        return 1;
    return component.bodyEnabled ? 0 : 4;
}

gp_Pnt ComponentManager::padBasePoint(const PlacedComponentData& component, const PlacedPadData& pad)
{
    const gp_Pnt& top = pad.worldPosition;
    return gp_Pnt(top.X(), top.Y(), top.Z() - component.bodyUndercut - component.footprintThickness);
}
