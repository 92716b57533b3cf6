#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

// What every benchmark prints and how it ends (scripts/bench.sh reads it):
// one line per measure, starting with its verdict,
//
//   PASS  <what>: median 0.21 ms (budget 30 ms)
//   PASS  <what>: 650 ms for the peer, 3095x ours (budget at least 20x)
//   OVER  <what>: median 95.0 ms (budget 80 ms)
//   FAIL  <what>: could not measure: <why>
//   INFO  <what>: median 18.8 ms
//
// and the program exits with 1 when any measure missed its budget or could
// not be measured, 0 otherwise.
class BenchReport
{
public:
    // A measure that must stay at or under its budget.
    void Within(const QString &what, double median, double budget, const char *unit = "ms")
    {
        const bool ok = median >= 0 && median <= budget;
        Line(ok ? "PASS" : "OVER", QStringLiteral("%1: median %2 %3 (budget %4 %3)")
                                        .arg(what, Number(median), QLatin1String(unit), Number(budget)));
        m_failed = m_failed || !ok;
    }

    // Ours against a peer measured in the same run: the peer must take at
    // least `minimumRatio` times as long.
    void Faster(const QString &what, double ours, double peer, double minimumRatio, const char *unit = "ms")
    {
        const double ratio = ours > 0 ? peer / ours : 0;
        const bool ok = ours > 0 && ratio >= minimumRatio;
        Line(ok ? "PASS" : "OVER", QStringLiteral("%1: ours %2 %3, the peer %4 %3, ratio %5x (budget at least %6x)")
                                        .arg(what, Number(ours), QLatin1String(unit), Number(peer), Number(ratio),
                                             Number(minimumRatio)));
        m_failed = m_failed || !ok;
    }

    // A measure without a budget.
    void Info(const QString &what, double median, const char *unit = "ms")
    {
        Line("INFO", QStringLiteral("%1: median %2 %3").arg(what, Number(median), QLatin1String(unit)));
    }

    // A measure that could not be taken.
    void Failed(const QString &what, const QString &why)
    {
        Line("FAIL", QStringLiteral("%1: could not measure: %2").arg(what, why));
        m_failed = true;
    }

    int ExitCode() const { return m_failed ? 1 : 0; }

    static double Median(std::vector<double> values)
    {
        if (values.empty())
            return -1;
        std::sort(values.begin(), values.end());
        const size_t n = values.size();
        return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    }

    // Runs `run` `repetitions` times; the median of its times in ms.
    static double MedianMs(int repetitions, const std::function<void()> &run)
    {
        std::vector<double> times;
        for (int i = 0; i < repetitions; ++i) {
            QElapsedTimer timer;
            timer.start();
            run();
            times.push_back(timer.nsecsElapsed() / 1e6);
        }
        return Median(times);
    }

private:
    static QString Number(double value)
    {
        return QString::number(value, 'f', value >= 100 || value <= -100 ? 0 : value >= 10 ? 1 : 2);
    }

    static void Line(const char *verdict, const QString &text)
    {
        std::printf("%-5s %s\n", verdict, text.toUtf8().constData());
        std::fflush(stdout);
    }

    bool m_failed = false;
};

// The benchmark's own copies of the test books: the folder scripts/bench.sh
// prepared (QUIRN_BENCH_FIXTURES), else a private copy made on first use.
// The books in the source tree are never opened in place.
class BenchFixtures
{
public:
    static QString Path(const QString &name) { return Folder() + u'/' + name; }

    static QString Folder()
    {
        static const QString folder = [] {
            const QString prepared = qEnvironmentVariable("QUIRN_BENCH_FIXTURES");
            if (!prepared.isEmpty())
                return prepared;
            static QTemporaryDir copy;
            const QDir source(QStringLiteral(QUIRN_FIXTURES_DIR));
            for (const QString &file : source.entryList(QDir::Files)) {
                QFile::copy(source.filePath(file), copy.filePath(file));
                QFile::setPermissions(copy.filePath(file), QFile::ReadOwner | QFile::WriteOwner);
            }
            return copy.path();
        }();
        return folder;
    }
};
