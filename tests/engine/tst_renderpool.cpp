#include "BookFile.h"
#include "OfficeProcess.h"
#include "OfficeTestEnvironment.h"
#include "RenderPool.h"
#include "TestBooks.h"
#include "TestTool.h"

#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

// Books rendered side by side by a pool of real office processes: each
// result belongs to the job in the caller's order, and a process that dies
// while it holds a book costs that book alone.
class tst_RenderPool : public QObject
{
    Q_OBJECT

private:
    OfficeTestEnvironment m_environment;
    QTemporaryDir m_work;
    QList<RenderPool::Job> m_jobs;
    QStringList m_alone; // each book's text, rendered by a pool of one

    static QString textOf(const QString &pdf)
    {
        // The words, not the spacing: a fresh profile lays blank lines out
        // differently.
        return QString::fromUtf8(TestTool::Output(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}))
            .simplified();
    }

    QList<RenderPool::Job> jobsInto(const QString &folder)
    {
        QDir().mkpath(m_work.filePath(folder));
        QList<RenderPool::Job> jobs = m_jobs;
        for (int i = 0; i < jobs.size(); ++i)
            jobs[i].pdf = m_work.filePath(QStringLiteral("%1/%2.pdf").arg(folder).arg(i));
        return jobs;
    }

private slots:
    void initTestCase()
    {
        for (const char *fixture : {"japanese_sheet_names.xls", "hidden_third_sheet.xls", "header_ampersand.xls",
                                    "page_breaks_manual.xls"}) {
            RenderPool::Job job;
            job.book = TestBooks::Copy(m_work.path(), QString::fromLatin1(fixture));
            quirn::BookFile book;
            QVERIFY(!book.open(job.book));
            for (int i = 0; i < book.sheetCount(); ++i)
                job.sheets << book.sheet(i).name;
            m_jobs << job;
        }
        const QList<RenderPool::Job> jobs = jobsInto(QStringLiteral("alone"));
        const QList<RenderPool::Result> results = RenderPool(1).render(jobs);
        for (int i = 0; i < jobs.size(); ++i) {
            QVERIFY2(results.at(i).error.isEmpty(), qPrintable(results.at(i).error));
            QVERIFY(results.at(i).pages > 0);
            m_alone << textOf(jobs.at(i).pdf);
        }
    }

    void resultsFollowTheJobs_data()
    {
        QTest::addColumn<int>("processes");
        QTest::addColumn<int>("killed"); // the job whose process dies once it is loaded; -1: none
        QTest::newRow("two processes") << 2 << -1;
        QTest::newRow("a process killed mid-run") << 2 << 1;
        QTest::newRow("the only process killed") << 1 << 0;
    }

    void resultsFollowTheJobs()
    {
        QFETCH(int, processes);
        QFETCH(int, killed);
        RenderPool pool(processes);
        pool.setAfterLoad([killed](int job, OfficeProcess &process) {
            if (job == killed)
                ::kill(-pid_t(process.processGroup()), SIGKILL);
        });
        const QList<RenderPool::Job> jobs = jobsInto(QString::fromLatin1(QTest::currentDataTag()));
        const QList<RenderPool::Result> results = pool.render(jobs);
        QCOMPARE(results.size(), jobs.size());
        for (int i = 0; i < jobs.size(); ++i) {
            if (i == killed) {
                QVERIFY(!results.at(i).error.isEmpty());
                QVERIFY(!QFile::exists(jobs.at(i).pdf));
                continue;
            }
            QVERIFY2(results.at(i).error.isEmpty(), qPrintable(results.at(i).error));
            QCOMPARE(textOf(jobs.at(i).pdf), m_alone.at(i));
        }
    }

    void oneBookGetsOneProcess()
    {
        QCOMPARE(RenderPool::affordable(1), 1);
        QVERIFY(RenderPool::affordable(100) >= 1 && RenderPool::affordable(100) <= 4);
    }
};

QTEST_GUILESS_MAIN(tst_RenderPool)
#include "tst_renderpool.moc"
