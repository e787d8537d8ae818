// Removes from the viewer every object an unfinished operation displayed: track each
// object right after displaying it, commit when the whole operation succeeded.
#pragma once

#include "foundation/scopeguard.h"

#include <QList>
#include <Standard_Handle.hxx>

class AIS_InteractiveContext;
class AIS_InteractiveObject;

class OccGuard
{
public:
    explicit OccGuard(const opencascade::handle<AIS_InteractiveContext>& context);
    ~OccGuard();

    // The clean-up refers to this object's own list.
    OccGuard(const OccGuard&) = delete;
    OccGuard& operator=(const OccGuard&) = delete;

    void track(const opencascade::handle<AIS_InteractiveObject>& object);
    void commit();

    const QList<opencascade::handle<AIS_InteractiveObject>>& tracked() const { return m_tracked; }

private:
    void removeTracked();

    // Declaration order matters: the guard is destroyed first, then the list, then the context.
    opencascade::handle<AIS_InteractiveContext> m_context;
    QList<opencascade::handle<AIS_InteractiveObject>> m_tracked;
    ScopeGuard m_guard;
};
