#include "RenderPool.h"

#include "ExcelError.h"
#include "OfficeDocument.h"
#include "OfficeError.h"
#include "OfficeProcess.h"
#include "SheetPrintJob.h"

#include <QFile>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace {

constexpr int MostProcesses = 4;
constexpr qint64 ProcessBytes = 200LL * 1024 * 1024;

// What the system can still give without swapping; -1 when it does not say.
qint64 availableMemory()
{
    QFile info(QStringLiteral("/proc/meminfo"));
    if (!info.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : info.readAll().split('\n')) {
        if (!line.startsWith("MemAvailable:"))
            continue;
        bool ok = false;
        const qint64 kilobytes = line.mid(13).trimmed().split(' ').value(0).toLongLong(&ok);
        return ok ? kilobytes * 1024 : -1;
    }
    return -1;
}

} // namespace

RenderPool::RenderPool(int processes)
    : m_processes(processes)
{
}

int RenderPool::affordable(int jobs)
{
    int processes = std::min(QThread::idealThreadCount(), MostProcesses);
    const qint64 memory = availableMemory();
    if (memory >= 0)
        processes = std::min<qint64>(processes, memory / ProcessBytes);
    return std::max(1, std::min(processes, jobs));
}

void RenderPool::setAfterLoad(std::function<void(int, OfficeProcess &)> hook)
{
    m_afterLoad = std::move(hook);
}

QList<RenderPool::Result> RenderPool::render(const QList<Job> &jobs)
{
    QList<Result> results(jobs.size());
    if (jobs.isEmpty())
        return results;
    const int count = m_processes > 0 ? std::max(1, std::min(m_processes, int(jobs.size())))
                                      : affordable(int(jobs.size()));
    std::atomic<int> next{0};
    if (count == 1) {
        work(jobs, results, next);
        return results;
    }
    std::vector<std::thread> workers;
    for (int i = 0; i < count; ++i)
        workers.emplace_back([&] { work(jobs, results, next); });
    for (std::thread &worker : workers)
        worker.join();
    return results;
}

// One office process taking the next book until none is left.
void RenderPool::work(const QList<Job> &jobs, QList<Result> &results, std::atomic<int> &next)
{
    OfficeProcess process;
    for (int index = next++; index < jobs.size(); index = next++) {
        const Job &job = jobs.at(index);
        Result &result = results[index];
        try {
            // A process the watchdog ended, or that died, is started anew.
            if (process.isRunning() && !process.isAlive())
                process.kill();
            OfficeDocument::LoadOptions options;
            options.password = job.password;
            options.allowOtherFormats = true; // package books render read-only
            // Only read: several offices (of this run or of runs beside it)
            // render the same book at once.
            options.readOnly = true;
            const std::unique_ptr<OfficeDocument> document = OfficeDocument::load(process, job.book, options);
            if (m_afterLoad)
                m_afterLoad(index, process);
            result.pages = SheetPrintJob::exportPages(*document, job.sheets, job.pdf, job.fromPage, job.toPage);
        } catch (const ExcelError &error) {
            result.error = error.description();
        } catch (const OfficeError &error) {
            result.error = error.message();
        } catch (const std::exception &error) {
            result.error = QString::fromLocal8Bit(error.what());
        }
        if (!result.error.isEmpty())
            QFile::remove(job.pdf);
    }
    try {
        process.shutdown();
    } catch (...) {
        process.kill();
    }
}
