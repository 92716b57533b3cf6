#pragma once

#include "OfficeRecord.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <thread>

class CallWatchdog;
class OfficeConnection;

// The program's own LibreOffice process: started on first use in a process
// group of its own, with a private profile and a pipe unique to this program
// instance, reached over UNO. Every call to it is watched: a call that does not
// answer in time ends the whole process group and fails with OfficeError.
class OfficeProcess
{
public:
    OfficeProcess();
    ~OfficeProcess(); // shuts the process down: nothing is left behind
    OfficeProcess(const OfficeProcess &) = delete;
    OfficeProcess &operator=(const OfficeProcess &) = delete;

    void start();      // does nothing when running; throws OfficeError
    // Starts the process on a thread of its own and returns at once; the next
    // use waits for that start (and reports its failure).
    void startInBackground();
    void restart();    // ends the current process (if any) and starts anew
    void shutdown();   // closes documents, terminates, waits; kills as a last resort
    void kill();       // ends the whole process group at once

    // True while a process was started and its connection has not gone away
    // (no remote call).
    bool isRunning() const;
    // One cheap remote call: does the process still answer?
    bool isAlive();

    QString version();     // e.g. "7.4.7.2"
    QString productName(); // e.g. "LibreOffice"

    // Limits of the watchdog: getters and small edits, and load/save/export.
    void setCallLimits(std::chrono::milliseconds quick, std::chrono::milliseconds longer);

    qint64 pid() const;
    qint64 processGroup() const;
    QString pipeName() const;
    QString profileDir() const;
    // The folder of this user's engine profiles (one per engine, each claimed
    // by the engine that uses it).
    static QString profileFolder();
    // Started --invisible, so a window can be shown. False when there is no
    // display, or the office could not open it (it then runs headless).
    bool runsWithDisplay() const;

    // A display exists: DISPLAY (a local one with its socket) or
    // WAYLAND_DISPLAY set, and Qt not offscreen.
    static bool displayAvailable();

    // Processes left by a run that ended without shutting its office down.
    static QList<OfficeRecord> findLeftover();
    // Asks a leftover process to close over UNO; kills it when it does not.
    static bool closeLeftover(const OfficeRecord &record);
    // Processes handed to the user with a book in a window (still running).
    static QList<OfficeRecord> findUserProcess();
    // Asks a user's process to close; the office shows its own save prompt.
    // Returns without waiting for the answer; false when it cannot be reached.
    static bool askToClose(const OfficeRecord &record);

    // The connection documents use; starts the process on first use.
    std::shared_ptr<OfficeConnection> connection();

    // What a program with a window does while a start runs on the main
    // thread: shows that it waits (Begin), lets its events run (Tick, every
    // few milliseconds), and is usable again (End). Without one, a start
    // simply blocks.
    enum class StartWait { Begin, Tick, End };
    static void setStartWait(std::function<void(StartWait)> wait);

private:
    friend class OfficeDocument;
    // The process now belongs to the user: let go of it without ending it.
    OfficeRecord handOver();

    void startNow();
    void waitForStarter();
    void startOnce(bool withDisplay);
    void spawn(bool withDisplay);
    void connectToSpawned();
    void configureProfile();
    void waitForExit();
    void reap();
    QString claimProfile();
    void releaseProfile();
    void clear();

    std::shared_ptr<CallWatchdog> m_watchdog;
    std::shared_ptr<OfficeConnection> m_connection;
    OfficeRecord m_record;
    bool m_withDisplay = false;
    bool m_reaped = false; // the launcher's exit status was collected
    int m_profileLock = -1; // held while the profile is ours
    std::thread m_starter;  // a start running on a thread of its own
    std::atomic<bool> m_starterDone{false};
    std::exception_ptr m_starterError;
    std::chrono::milliseconds m_quickLimit{15000};
    std::chrono::milliseconds m_longLimit{180000};
};
