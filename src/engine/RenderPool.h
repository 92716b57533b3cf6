#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

class OfficeProcess;

// Renders books to PDF files on several office processes side by side, each
// loading its own books: pages come from as many cores as the machine gives
// (up to four), and the results come back in the caller's order. A book that
// fails, or whose process hangs (the watchdog ends it) or dies, is reported
// in its result; the process is started anew for the next book and the run
// goes on. Books are only read.
class RenderPool
{
public:
    struct Job
    {
        QString book;     // the file as it stands on disk
        QString password; // tried when the book is encrypted
        QStringList sheets;
        QString pdf;      // where the pages go
        int fromPage = 0; // 1-based, 0 for an open end
        int toPage = 0;
    };

    struct Result
    {
        int pages = -1; // pages written; 0: none in the range asked for
        QString error;  // why the book did not render; empty when it did
    };

    // processes: at most that many office processes; 0 for as many as the
    // machine affords.
    explicit RenderPool(int processes = 0);

    // The processes a run of `jobs` books gets: one per core, at most four,
    // as many as free memory holds (about 200 MB each), never more than the
    // books, at least one.
    static int affordable(int jobs);

    QList<Result> render(const QList<Job> &jobs);

    // Tests: runs on a worker once the job's book is loaded, before its pages
    // are written, with the process that loaded it.
    void setAfterLoad(std::function<void(int job, OfficeProcess &process)> hook);

private:
    void work(const QList<Job> &jobs, QList<Result> &results, std::atomic<int> &next);

    int m_processes;
    std::function<void(int, OfficeProcess &)> m_afterLoad;
};
