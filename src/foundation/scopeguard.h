// Runs a clean-up action when the scope ends, unless dismissed. The action runs at most
// once and nothing it throws escapes.
#pragma once

#include <functional>

class ScopeGuard
{
public:
    explicit ScopeGuard(std::function<void()> cleanup);
    ~ScopeGuard();

    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;

    void dismiss() { m_dismissed = true; }
    bool isDismissed() const { return m_dismissed; }

    // Runs the clean-up now (an owner may roll back early); later calls do nothing.
    void runCleanup();

private:
    std::function<void()> m_cleanup;
    bool m_dismissed = false;
};
