// The pad index: which pad a displayed pad object shows. Fed by the main window from the
// component manager's announcements; lookups are hash look-ups, cheap enough for every
// mouse move. An object whose solid was replaced by a move is found again by its topology.
#pragma once

#include "model/padid.h"

#include <QHash>
#include <QList>
#include <QString>
#include <Standard_Handle.hxx>
#include <gp_Pnt.hxx>

class AIS_InteractiveContext;
class AIS_Shape;
class ComponentManager;
class TopoDS_TShape;

class PadCacheManager
{
public:
    struct Entry
    {
        PadId id;
        opencascade::handle<AIS_Shape> ais; // keeps an indexed object alive
        const TopoDS_TShape* tshape = nullptr;
    };

    struct PadIdentity
    {
        bool found = false;
        PadId pad;
        gp_Pnt position;
    };

    explicit PadCacheManager(const opencascade::handle<AIS_InteractiveContext>& context);
    ~PadCacheManager();

    PadCacheManager(const PadCacheManager&) = delete;
    PadCacheManager& operator=(const PadCacheManager&) = delete;

    void setComponentManager(ComponentManager* manager) { m_componentManager = manager; }
    int size() const { return int(m_primaryCache.size()); }

    bool addPad(const opencascade::handle<AIS_Shape>& shape, const PadId& pad);
    bool removePad(const opencascade::handle<AIS_Shape>& shape);
    void removeComponentPads(const QString& ref);
    PadId lookupWithFallback(const opencascade::handle<AIS_Shape>& shape);
    PadId peek(const opencascade::handle<AIS_Shape>& shape) const;
    PadIdentity identifyPad(const opencascade::handle<AIS_Shape>& shape);
    bool verifyIntegrity() const;
    void clear();

private:
    void removeEntry(const AIS_Shape* key);
    void rekeyEntry(const opencascade::handle<AIS_Shape>& shape, const AIS_Shape* oldKey,
                    const TopoDS_TShape* tshape, const PadId& pad);
    static const TopoDS_TShape* topologyOf(const opencascade::handle<AIS_Shape>& shape);

    opencascade::handle<AIS_InteractiveContext> m_context;
    ComponentManager* m_componentManager = nullptr;
    QHash<const AIS_Shape*, Entry> m_primaryCache;
    QHash<const TopoDS_TShape*, const AIS_Shape*> m_tshapeIndex;
    QHash<QString, QList<const AIS_Shape*>> m_refIndex;
};
