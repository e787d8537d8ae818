#include "foundation/scopeguard.h"

#include <QDebug>

#include <exception>
#include <utility>

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
    try {
        m_cleanup();
    } catch (const std::exception& e) {
        qWarning() << "ScopeGuard: exception during cleanup:" << e.what();
    } catch (...) {
        qWarning() << "ScopeGuard: unknown exception during cleanup";
    }
}
