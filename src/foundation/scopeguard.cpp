#include "foundation/scopeguard.h"

#include "foundation/occutils.h"

#include <QDebug>

#include <Standard_OutOfMemory.hxx>

#include <exception>
#include <new>
#include <utility>

namespace {

void warnCleanupFailure(const char* what) noexcept
{
    try {
        if (what)
            qWarning("ScopeGuard: exception during cleanup: %s", what);
        else
            qWarning("ScopeGuard: unknown exception during cleanup");
    } catch (...) {
        OccUtils::detail::noteOutOfMemory("ScopeGuard: cleanup");
    }
}

} // namespace

ScopeGuard::ScopeGuard(std::function<void()> cleanup)
    : m_cleanup(std::move(cleanup))
{
}

ScopeGuard::~ScopeGuard()
{
    if (!m_dismissed)
        runCleanup();
}

void ScopeGuard::runCleanup()
{
    if (m_dismissed)
        return;
    // Dismissed first, so a clean-up that throws or re-enters never runs twice.
    m_dismissed = true;
    if (!m_cleanup)
        return;
    // Often called from a destructor: neither the clean-up's failure nor a failing
    // allocation while reporting it may leave this function.
    try {
        m_cleanup();
    } catch (const std::bad_alloc&) {
        OccUtils::detail::noteOutOfMemory("ScopeGuard: cleanup");
    } catch (const Standard_OutOfMemory&) {
        OccUtils::detail::noteOutOfMemory("ScopeGuard: cleanup");
    } catch (const std::exception& e) {
        warnCleanupFailure(e.what());
    } catch (...) {
        warnCleanupFailure(nullptr);
    }
}
