#include "CallWatchdog.h"

CallWatchdog::CallWatchdog()
    : m_thread([this] { run(); })
{
}

CallWatchdog::~CallWatchdog()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

bool CallWatchdog::arm(std::chrono::milliseconds limit, std::function<void()> onExpiry)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_armed)
            return false;
        m_armed = true;
        m_fired = false;
        m_deadline = std::chrono::steady_clock::now() + limit;
        m_onExpiry = std::move(onExpiry);
    }
    m_wake.notify_all();
    return true;
}

bool CallWatchdog::disarm()
{
    std::lock_guard lock(m_mutex);
    m_armed = false;
    m_onExpiry = nullptr;
    const bool fired = m_fired;
    m_fired = false;
    return fired;
}

void CallWatchdog::run()
{
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        if (!m_armed || m_fired) {
            m_wake.wait(lock);
            continue;
        }
        if (m_wake.wait_until(lock, m_deadline) == std::cv_status::timeout && m_armed && !m_fired
            && std::chrono::steady_clock::now() >= m_deadline) {
            m_fired = true;
            // The action only sends signals; it never waits for the call.
            if (m_onExpiry)
                m_onExpiry();
        }
    }
}

WatchedScope::WatchedScope(CallWatchdog &watchdog, std::chrono::milliseconds limit,
                           std::function<void()> onExpiry)
    : m_watchdog(watchdog)
    , m_owner(watchdog.arm(limit, std::move(onExpiry)))
{
}

WatchedScope::~WatchedScope()
{
    expired();
}

bool WatchedScope::expired()
{
    if (m_owner && !m_done) {
        m_done = true;
        m_expired = m_watchdog.disarm();
    }
    return m_expired;
}
