// Pad queries of the component manager: the pin table of the ratsnest, the routing and the
// probe, pad highlighting, and the announcements that keep the pad index in step.

#include "components/componentmanager.h"

#include "foundation/occutils.h"

#include <AIS_InteractiveContext.hxx>
#include <AIS_Shape.hxx>
#include <Quantity_Color.hxx>

void ComponentManager::pinsChanged(const QString& ref)
{
    if (ref.isEmpty()) {
        m_pins.clear();
        m_pinNumbers.clear();
        m_changedPins.clear();
        for (auto it = m_components.cbegin(); it != m_components.cend(); ++it)
            m_changedPins.insert(it.key());
        return;
    }
    // Dropped at once: the table holds no displayed object of a component that is gone.
    for (const QString& number : m_pinNumbers.take(ref))
        m_pins.remove(PadId(ref, number));
    m_changedPins.insert(ref);
}

PinTable ComponentManager::pins() const
{
    for (const QString& ref : std::as_const(m_changedPins)) {
        const auto component = m_components.constFind(ref);
        if (component == m_components.cend())
            continue;
        const QHash<QString, PlacedPin> pins = PlacedPin::allOf(component.value());
        for (auto pin = pins.cbegin(); pin != pins.cend(); ++pin)
            m_pins.insert(PadId(ref, pin.key()), pin.value());
        m_pinNumbers.insert(ref, pins.keys());
    }
    m_changedPins.clear();
    return m_pins;
}

PlacedPin ComponentManager::pin(const PadId& pad) const
{
    return pins().value(pad);
}

namespace {

// The displayed objects of every pad of the pin: they are one conductor and light up together.
QList<opencascade::handle<AIS_Shape>> shownPadsOf(const PlacedPin& pin)
{
    QList<opencascade::handle<AIS_Shape>> shown;
    for (const PinPad& pad : pin.pads())
        if (!pad.shown.IsNull())
            shown.append(pad.shown);
    return shown;
}

} // namespace

bool ComponentManager::highlightPad(const PadId& id, const Quantity_Color& colour, bool updateViewer)
{
    const QList<opencascade::handle<AIS_Shape>> shown = shownPadsOf(pin(id));
    for (int i = 0; i < shown.size(); ++i) {
        shown.at(i)->SetColor(colour);
        shown.at(i)->SetTransparency(0.0);
        redisplayShape(shown.at(i), updateViewer && i + 1 == shown.size());
    }
    return !shown.isEmpty();
}

bool ComponentManager::clearPadHighlight(const PadId& id, bool updateViewer)
{
    const QList<opencascade::handle<AIS_Shape>> shown = shownPadsOf(pin(id));
    for (int i = 0; i < shown.size(); ++i) {
        applyPadBaseStyle(shown.at(i));
        redisplayShape(shown.at(i), updateViewer && i + 1 == shown.size());
    }
    return !shown.isEmpty();
}

void ComponentManager::refreshPadCache(const QString& ref)
{
    pinsChanged(ref);
    emit padCacheClearComponentNeeded(ref);
    const PlacedComponentData* component = findComponent(ref);
    if (!component)
        return;
    for (const PlacedPadData& pad : component->pads)
        emit padCacheUpdateNeeded(pad.aisShape, PadId(ref, pad.number));
}
