// quirn-batch combine of 20 books of 10 sheets into one new book, the whole
// process timed (start-up included), next to ssconvert --merge-to on the
// same books in the same run, the two taking turns. Goal: at most a quarter
// of the peer's time. Exits non-zero when the goal is missed or either could
// not be measured.

#include "BenchReport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

constexpr int Books = 20;
constexpr int Rounds = 7;
constexpr double Goal = 4.0; // the peer takes at least four times as long

// Runs a program to its end; its time in ms, negative (with `why`) when it failed.
double timeRun(const QString &program, const QStringList &arguments, const QString &made, QString &why)
{
    QFile::remove(made);
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    const bool finished = process.waitForFinished(600000);
    const double elapsed = timer.nsecsElapsed() / 1e6;
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0
        || QFileInfo(made).size() == 0) {
        why = QStringLiteral("%1 failed: %2").arg(QFileInfo(program).fileName(),
                                                   QString::fromUtf8(process.readAllStandardError()).trimmed());
        return -1;
    }
    return elapsed;
}

// One book of ten sheets (hidden and very hidden ones among them) made of
// real books by quirn-batch itself, then copied: the 20 books to combine.
QStringList makeBooks(const QString &folder, QString &why)
{
    const QString ten = folder + QStringLiteral("/ten.xls");
    QStringList parts;
    for (const char *fixture : {"hidden_third_sheet.xls", "visible_hidden_veryhidden.xls", "fit_to_pages_spaces.xls"})
        parts << BenchFixtures::Path(QLatin1String(fixture));
    if (timeRun(QStringLiteral(QUIRN_BATCH), QStringList{QStringLiteral("combine"), QStringLiteral("--into"), ten} + parts,
                ten, why) < 0)
        return {};
    QStringList books;
    for (int i = 1; i <= Books; ++i) {
        const QString book = QStringLiteral("%1/book%2.xls").arg(folder).arg(i, 2, 10, QLatin1Char('0'));
        QFile::copy(ten, book);
        books << book;
    }
    QFile::remove(ten);
    return books;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    BenchReport report;
    const QString what = QStringLiteral("quirn-batch combine, %1 books of 10 sheets, against ssconvert --merge-to").arg(Books);
    const QString ssconvert = QStandardPaths::findExecutable(QStringLiteral("ssconvert"));
    if (ssconvert.isEmpty()) {
        report.Failed(what, QStringLiteral("ssconvert is not installed (Debian package gnumeric)"));
        return report.ExitCode();
    }
    QTemporaryDir folder;
    QString why;
    const QStringList books = makeBooks(folder.path(), why);
    if (books.isEmpty()) {
        report.Failed(what, why);
        return report.ExitCode();
    }
    const QString ours = folder.filePath(QStringLiteral("combined.xls"));
    const QString theirs = folder.filePath(QStringLiteral("merged.xls"));
    std::vector<double> oursTimes;
    std::vector<double> peerTimes;
    for (int round = 0; round < Rounds; ++round) {
        const auto runOurs = [&] {
            oursTimes.push_back(timeRun(QStringLiteral(QUIRN_BATCH),
                                        QStringList{QStringLiteral("combine"), QStringLiteral("--into"), ours} + books, ours, why));
        };
        const auto runPeer = [&] {
            peerTimes.push_back(timeRun(ssconvert, QStringList{QStringLiteral("--merge-to=") + theirs} + books, theirs, why));
        };
        // Turn about, so that neither always runs on a warmer machine.
        if (round % 2) {
            runPeer();
            runOurs();
        } else {
            runOurs();
            runPeer();
        }
        if (oursTimes.back() < 0 || peerTimes.back() < 0) {
            report.Failed(what, why);
            return report.ExitCode();
        }
    }
    report.Faster(what, BenchReport::Median(oursTimes), BenchReport::Median(peerTimes), Goal);
    return report.ExitCode();
}
