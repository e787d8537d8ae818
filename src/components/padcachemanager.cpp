// The pad index: entries by displayed object, by solid topology and by component.

#include "components/padcachemanager.h"

#include "components/componentmanager.h"
#include "foundation/logging.h"
#include "foundation/occutils.h"

#include <AIS_InteractiveContext.hxx>
#include <AIS_Shape.hxx>
#include <QDebug>
#include <TopoDS_TShape.hxx>

PadCacheManager::PadCacheManager(const opencascade::handle<AIS_InteractiveContext>& context)
    : m_context(context)
{
}

PadCacheManager::~PadCacheManager()
{
    qCDebug(lcComponent) << "PadCacheManager: destroying, clearing" << m_primaryCache.size() << "entries";
    clear();
}

void PadCacheManager::clear()
{
    m_primaryCache.clear();
    m_tshapeIndex.clear();
    m_refIndex.clear();
}

const TopoDS_TShape* PadCacheManager::topologyOf(const opencascade::handle<AIS_Shape>& shape)
{
    if (shape.IsNull())
        return nullptr;
    return shape->Shape().TShape().get();
}

void PadCacheManager::removeEntry(const AIS_Shape* key)
{
    const auto it = m_primaryCache.find(key);
    if (it == m_primaryCache.end())
        return;
    if (it->tshape)
        m_tshapeIndex.remove(it->tshape);
    const QString ref = it->id.ref;
    const auto list = m_refIndex.find(ref);
    if (list != m_refIndex.end()) {
        list->removeAll(key);
        if (list->isEmpty())
            m_refIndex.erase(list);
    }
    m_primaryCache.erase(it);
}

bool PadCacheManager::addPad(const opencascade::handle<AIS_Shape>& shape, const PadId& pad)
{
    if (shape.IsNull() || !pad.isValid()) {
        qWarning() << "PadCacheManager::addPad: null shape or invalid PadId for" << pad.toString();
        return false;
    }
    const AIS_Shape* key = shape.get();
    const TopoDS_TShape* tshape = topologyOf(shape);

    const auto existing = m_primaryCache.constFind(key);
    if (existing != m_primaryCache.constEnd()) {
        if (existing->tshape == tshape)
            return false;
        removeEntry(key);
    }
    if (tshape) {
        const auto owner = m_tshapeIndex.constFind(tshape);
        if (owner != m_tshapeIndex.constEnd() && owner.value() != key) {
            qCDebug(lcComponent) << "PadCacheManager::addPad: TShape* migrated for" << pad.toString()
                                 << "— old AIS evicted";
            removeEntry(owner.value());
        }
    }

    m_primaryCache.insert(key, Entry{pad, shape, tshape});
    if (tshape)
        m_tshapeIndex.insert(tshape, key);
    m_refIndex[pad.ref].append(key);
    return true;
}

bool PadCacheManager::removePad(const opencascade::handle<AIS_Shape>& shape)
{
    if (shape.IsNull() || m_primaryCache.isEmpty() || !m_primaryCache.contains(shape.get()))
        return false;
    if (!m_context.IsNull())
        OccUtils::safeRemove(m_context, shape);
    removeEntry(shape.get());
    return true;
}

void PadCacheManager::removeComponentPads(const QString& ref)
{
    const auto found = m_refIndex.constFind(ref);
    if (found == m_refIndex.constEnd())
        return;
    const QList<const AIS_Shape*> keys = found.value();
    for (const AIS_Shape* key : keys) {
        const auto entry = m_primaryCache.constFind(key);
        if (entry == m_primaryCache.constEnd())
            continue;
        if (!m_context.IsNull() && !entry->ais.IsNull())
            OccUtils::safeRemove(m_context, entry->ais);
        removeEntry(key);
    }
    m_refIndex.remove(ref);
}

PadId PadCacheManager::lookupWithFallback(const opencascade::handle<AIS_Shape>& shape)
{
    if (shape.IsNull())
        return {};
    const auto primary = m_primaryCache.constFind(shape.get());
    if (primary != m_primaryCache.constEnd() && primary->id.isValid()) {
        const PadId id = primary->id;
        if (m_componentManager && !m_componentManager->findComponent(id.ref)) {
            qWarning() << "PadCacheManager::lookupWithFallback: ID" << id.toString()
                       << "in the AIS cache but the component is gone — entry purged";
            removeEntry(shape.get());
            return {};
        }
        return id;
    }

    const TopoDS_TShape* tshape = topologyOf(shape);
    const auto owner = tshape ? m_tshapeIndex.constFind(tshape) : m_tshapeIndex.constEnd();
    if (owner == m_tshapeIndex.constEnd())
        return {};
    const AIS_Shape* ownerKey = owner.value();
    const auto ownerEntry = m_primaryCache.constFind(ownerKey);
    if (ownerEntry == m_primaryCache.constEnd()) {
        qWarning() << "PadCacheManager::lookupWithFallback: TShape* indexed but AIS* missing — purged";
        m_tshapeIndex.remove(tshape);
        return {};
    }
    const PadId id = ownerEntry->id;
    if (m_componentManager && !m_componentManager->findComponent(id.ref)) {
        qWarning() << "PadCacheManager::lookupWithFallback: ID" << id.toString()
                   << "in the TShape index but the component is gone — purged";
        removeEntry(ownerKey);
        return {};
    }
    qCDebug(lcComponent) << "PadCacheManager::lookupWithFallback: AIS* entry repaired through TShape*:"
                         << id.toString();
    rekeyEntry(shape, ownerKey, tshape, id);
    return id;
}

void PadCacheManager::rekeyEntry(const opencascade::handle<AIS_Shape>& shape, const AIS_Shape* oldKey,
                                 const TopoDS_TShape* tshape, const PadId& pad)
{
    const auto old = m_primaryCache.find(oldKey);
    if (old != m_primaryCache.end()) {
        const auto list = m_refIndex.find(old->id.ref);
        if (list != m_refIndex.end()) {
            list->removeAll(oldKey);
            if (list->isEmpty())
                m_refIndex.erase(list);
        }
        m_primaryCache.erase(old);
    }
    const AIS_Shape* key = shape.get();
    if (tshape)
        m_tshapeIndex.insert(tshape, key);
    const bool known = m_primaryCache.contains(key);
    m_primaryCache.insert(key, Entry{pad, shape, tshape});
    if (!known)
        m_refIndex[pad.ref].append(key);
}

PadId PadCacheManager::peek(const opencascade::handle<AIS_Shape>& shape) const
{
    if (shape.IsNull())
        return {};
    const auto it = m_primaryCache.constFind(shape.get());
    return it == m_primaryCache.constEnd() ? PadId() : it->id;
}

PadCacheManager::PadIdentity PadCacheManager::identifyPad(const opencascade::handle<AIS_Shape>& shape)
{
    PadIdentity identity;
    if (shape.IsNull())
        return identity;
    const PadId id = lookupWithFallback(shape);
    if (!id.isValid()) {
        qCDebug(lcComponent) << "PadCacheManager::identifyPad: pad not found";
        return identity;
    }
    if (!m_componentManager) {
        qWarning() << "PadCacheManager::identifyPad: ComponentManager not injected,"
                   << "position unavailable for" << id.toString();
        identity.found = true;
        identity.pad = id;
        return identity;
    }
    if (!m_componentManager->findComponent(id.ref)) {
        qWarning() << "PadCacheManager::identifyPad: component" << id.ref << "not found in ComponentManager";
        return identity;
    }
    // The pad under the cursor, not only its pin: a track starts and ends where the user clicked.
    const PlacedPin pin = m_componentManager->pin(id);
    if (!pin.isPlaced()) {
        qWarning() << "PadCacheManager::identifyPad: pad" << id.toString() << "not found in component";
        return identity;
    }
    const TopoDS_TShape* topology = topologyOf(shape);
    const PinPad* pad = &pin.pads().first();
    for (const PinPad& candidate : pin.pads()) {
        const bool clicked = candidate.shown == shape
            || (topology && !candidate.solid.IsNull() && candidate.solid.TShape().get() == topology);
        if (clicked) {
            pad = &candidate;
            break;
        }
    }
    qCDebug(lcComponent) << "PadCacheManager::identifyPad: ✓" << id.ref << "/" << id.pad;
    identity.found = true;
    identity.pad = id;
    identity.position = pad->position;
    return identity;
}

bool PadCacheManager::verifyIntegrity() const
{
    bool ok = true;
    for (auto it = m_primaryCache.cbegin(); it != m_primaryCache.cend(); ++it) {
        const Entry& entry = it.value();
        const QString text = entry.id.toString();
        if (!entry.id.isValid()) {
            qWarning() << "verifyIntegrity: invalid PadId for key" << static_cast<const void*>(it.key());
            ok = false;
        }
        if (entry.ais.IsNull()) {
            qWarning() << "verifyIntegrity: null Handle for" << text;
            ok = false;
        } else {
            if (entry.ais.get() != it.key()) {
                qWarning() << "verifyIntegrity: inconsistent AIS key for" << text;
                ok = false;
            }
            const TopoDS_TShape* current = topologyOf(entry.ais);
            if (current && current != entry.tshape) {
                qWarning() << "verifyIntegrity: stale TShape* for" << text;
                ok = false;
            }
        }
        if (entry.tshape) {
            const auto mapped = m_tshapeIndex.constFind(entry.tshape);
            if (mapped == m_tshapeIndex.constEnd()) {
                qWarning() << "verifyIntegrity: TShape* missing from m_tshapeIndex for" << text;
                ok = false;
            } else if (mapped.value() != it.key()) {
                qWarning() << "verifyIntegrity: m_tshapeIndex points to an AIS* differs for" << text;
                ok = false;
            }
        }
    }
    for (auto it = m_tshapeIndex.cbegin(); it != m_tshapeIndex.cend(); ++it) {
        if (!m_primaryCache.contains(it.value())) {
            qWarning() << "verifyIntegrity: orphan m_tshapeIndex, AIS*" << static_cast<const void*>(it.value())
                       << "missing from m_primaryCache";
            ok = false;
        }
    }
    qsizetype listed = 0;
    for (auto it = m_refIndex.cbegin(); it != m_refIndex.cend(); ++it) {
        for (const AIS_Shape* key : it.value()) {
            ++listed;
            const auto entry = m_primaryCache.constFind(key);
            if (entry == m_primaryCache.constEnd()) {
                qWarning() << "verifyIntegrity: indexed key missing from the cache —" << it.key();
                ok = false;
            } else if (entry->id.ref != it.key()) {
                qWarning() << "verifyIntegrity: inconsistent ref index" << it.key() << "vs" << entry->id.ref;
                ok = false;
            }
        }
    }
    if (listed != m_primaryCache.size()) {
        qWarning() << "verifyIntegrity: index/cache mismatch" << "index:" << listed << "cache:" << m_primaryCache.size();
        return false;
    }
    if (!ok)
        return false;
    qCDebug(lcComponent) << "verifyIntegrity: OK (" << m_primaryCache.size() << "pads," << m_tshapeIndex.size()
                         << "TShape entries," << m_refIndex.size() << "components)";
    return true;
}
