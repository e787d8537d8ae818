// Component display styles, the body index and entering components into the viewer.

#include "components/componentmanager.h"

#include "foundation/occutils.h"

#include <AIS_InteractiveContext.hxx>
#include <AIS_Shape.hxx>
#include <QDebug>
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

void ComponentManager::redisplayShape(const opencascade::handle<AIS_Shape>& shape, bool updateViewer)
{
    if (m_context.IsNull() || shape.IsNull())
        return;
    OccUtils::guardedCall(false, "ComponentManager::redisplayShape", [&] {
        m_context->Redisplay(shape, false);
        return true;
    });
    if (updateViewer)
        OccUtils::safeUpdateViewer(m_context);
}

void ComponentManager::setComponentStyle(const QString& ref, int styleCode, bool updateViewer)
{
    PlacedComponentData* component = findComponent(ref);
    if (!component || component->compositeShape.IsNull())
        return;
    component->styleCode = styleCode;
    if (m_context.IsNull())
        return;
    applyComponentStyle(component->compositeShape, styleCode);
    redisplayShape(component->compositeShape, updateViewer);
}

bool ComponentManager::isSelectableShape(const opencascade::handle<AIS_Shape>& shape) const
{
    const PlacedComponentData* component = findComponentByShape(shape);
    if (!component)
        return false;
    const int code = component->styleCode;
    return code == 0 || code == 1 || code == 2 || code == 4;
}

void ComponentManager::indexBodyShape(const opencascade::handle<AIS_Shape>& body, const QString& ref)
{
    if (!body.IsNull() && !ref.isEmpty())
        m_bodyIndex.insert(body.get(), ref);
}

void ComponentManager::unindexBodyShape(const opencascade::handle<AIS_Shape>& body)
{
    if (!body.IsNull())
        m_bodyIndex.remove(body.get());
}

void ComponentManager::insertComponent(const QString& ref, const PlacedComponentData& component, bool applyStyle)
{
    const auto existing = m_components.constFind(ref);
    if (existing != m_components.constEnd())
        removeComponentDisplay(existing.value(), ref);

    for (const PlacedPadData& pad : component.pads)
        emit padCacheUpdateNeeded(pad.aisShape, PadId(ref, pad.number));

    PlacedComponentData& stored = m_components.insert(ref, component).value();
    pinsChanged(ref);
    indexBodyShape(stored.compositeShape, ref);
    if (applyStyle && !stored.compositeShape.IsNull()) {
        stored.styleCode = baseStyleFor(stored);
        if (!m_context.IsNull()) {
            applyComponentStyle(stored.compositeShape, stored.styleCode);
            redisplayShape(stored.compositeShape, false);
        }
    }
}

void ComponentManager::removeComponentDisplay(const PlacedComponentData& component, const QString& ref)
{
    unindexBodyShape(component.compositeShape);
    for (const PlacedPadData& pad : component.pads) {
        if (pad.aisShape.IsNull())
            continue;
        emit padCacheUpdateNeeded(pad.aisShape, PadId(ref, QString()));
        if (!m_context.IsNull())
            OccUtils::safeRemove(m_context, pad.aisShape);
    }
    if (!m_context.IsNull() && !component.compositeShape.IsNull())
        OccUtils::safeRemove(m_context, component.compositeShape);
}

const PlacedComponentData* ComponentManager::findComponentByShape(const opencascade::handle<AIS_Shape>& shape) const
{
    if (shape.IsNull())
        return nullptr;
    const auto entry = m_bodyIndex.constFind(shape.get());
    if (entry == m_bodyIndex.constEnd())
        return nullptr;
    const PlacedComponentData* component = findComponent(entry.value());
    if (!component)
        qWarning() << "ComponentManager::findComponentByShape: inconsistent index" << "for ref" << entry.value();
    return component;
}

PlacedComponentData* ComponentManager::findComponentByShape(const opencascade::handle<AIS_Shape>& shape)
{
    if (shape.IsNull())
        return nullptr;
    const auto entry = m_bodyIndex.find(shape.get());
    if (entry == m_bodyIndex.end())
        return nullptr;
    PlacedComponentData* component = findComponent(entry.value());
    if (!component) {
        qWarning() << "ComponentManager::findComponentByShape: inconsistent index" << "for ref" << entry.value()
                   << "— orphan entry purged";
        m_bodyIndex.erase(entry);
    }
    return component;
}

QString ComponentManager::referenceForShape(const opencascade::handle<AIS_Shape>& shape) const
{
    const PlacedComponentData* component = findComponentByShape(shape);
    return component ? component->ref : QString();
}
