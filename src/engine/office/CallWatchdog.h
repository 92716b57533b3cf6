#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// Watches one blocking call at a time from a thread of its own. When the call
// is still running at its deadline, the expiry action runs (it ends the office
// process, which makes the blocked call return with an error).
class CallWatchdog
{
public:
    CallWatchdog();
    ~CallWatchdog();
    CallWatchdog(const CallWatchdog &) = delete;
    CallWatchdog &operator=(const CallWatchdog &) = delete;

    // Returns false when a call is already watched (nested calls share the
    // outer deadline).
    bool arm(std::chrono::milliseconds limit, std::function<void()> onExpiry);
    // Returns true when the deadline passed and the expiry action ran.
    bool disarm();

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_armed = false;
    bool m_fired = false;
    bool m_quit = false;
    std::chrono::steady_clock::time_point m_deadline;
    std::function<void()> m_onExpiry;
    std::thread m_thread;
};

// Arms a watchdog for the life of a scope.
class WatchedScope
{
public:
    WatchedScope(CallWatchdog &watchdog, std::chrono::milliseconds limit,
                 std::function<void()> onExpiry);
    ~WatchedScope();
    // Ends the watch early; true when the deadline had passed.
    bool expired();

private:
    CallWatchdog &m_watchdog;
    bool m_owner;
    bool m_done = false;
    bool m_expired = false;
};
