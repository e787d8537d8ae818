#include "foundation/occguard.h"

#include "foundation/occutils.h"

#include <AIS_InteractiveContext.hxx>
#include <AIS_InteractiveObject.hxx>

OccGuard::OccGuard(const opencascade::handle<AIS_InteractiveContext>& context)
    : m_context(context)
    , m_guard([this] { removeTracked(); })
{
}

OccGuard::~OccGuard() = default;

void OccGuard::track(const opencascade::handle<AIS_InteractiveObject>& object)
{
    if (!object.IsNull())
        m_tracked.append(object);
}

void OccGuard::commit()
{
    m_guard.dismiss();
    m_tracked.clear();
}

void OccGuard::removeTracked()
{
    for (const auto& object : std::as_const(m_tracked))
        OccUtils::safeRemove(m_context, object);
    m_tracked.clear();
}
