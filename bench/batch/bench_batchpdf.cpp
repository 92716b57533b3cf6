// quirn-batch pdf of 20 books of 10 sheets into one PDF file, a whole process
// (start-up included), next to the office converting the same 20 books to PDF
// from its command line in one process, measured in the same run, the two
// taking turns; medians of five runs after a warm-up. Goal: at most 1.2/N of
// the office's time, N the office processes quirn-batch renders on (one per
// core, at most four).
//
// Then 8 quirn-batch runs started together, of list, combine and pdf in turn,
// on the same books: the time until the last ends and the runs that failed
// (none may fail; together they may take no longer than the 8 one after
// another).

#include "BenchReport.h"

#include "MessageBox.h"
#include "RenderPool.h"
#include "cExcel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <vector>

namespace {

constexpr int Books = 20;
constexpr int SheetsPerBook = 10;
constexpr int Runs = 5;
constexpr int Together = 8;

// A book of ten sheets, each with something to print: the five sheets of a
// fixture and a copy of each.
QString makeBook(const QString &folder)
{
    cExcel excel;
    const QString path = folder + QStringLiteral("/template.xls");
    QFile::copy(QStringLiteral(QUIRN_FIXTURES_DIR "/japanese_sheet_names.xls"), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    excel.OpenExcel(path);
    const QString name = QStringLiteral("template.xls");
    QStringList sheets;
    for (qint16 i = 1; i <= excel.GetSheetCount(); ++i)
        sheets << excel.GetSheetName(i);
    excel.CopySheet(name, sheets, name, sheets.last(), 0);
    const int count = excel.GetSheetCount();
    const bool saved = excel.SaveExcel(path) == 0;
    excel.CloseExcel();
    return saved && count == SheetsPerBook ? path : QString();
}

QString officeProgram()
{
    for (const char *candidate : {"/usr/lib/libreoffice/program/soffice", "/usr/bin/soffice"})
        if (QFile::exists(QString::fromLatin1(candidate)))
            return QString::fromLatin1(candidate);
    return QString();
}

// Times one run of a program to its end; negative when it failed.
double timeProcess(const QString &program, const QStringList &arguments, QString &why)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        why = QFileInfo(program).fileName() + QStringLiteral(" failed: ")
              + QString::fromUtf8(process.readAllStandardError()).left(300);
        return -1;
    }
    return timer.nsecsElapsed() / 1e6;
}

// Starts `runs` at once and waits for all: the time until the last ended,
// and how many failed.
std::pair<double, int> timeTogether(const QList<QStringList> &runs)
{
    QList<QProcess *> processes;
    QElapsedTimer timer;
    timer.start();
    for (const QStringList &arguments : runs) {
        auto *process = new QProcess;
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
        process->start(QStringLiteral(QUIRN_BATCH), arguments);
        processes << process;
    }
    int failed = 0;
    for (QProcess *process : processes) {
        if (!process->waitForFinished(600000)) {
            process->kill();
            process->waitForFinished(10000);
        }
        failed += process->exitStatus() != QProcess::NormalExit || process->exitCode() != 0;
    }
    const double ms = timer.nsecsElapsed() / 1e6;
    qDeleteAll(processes);
    return {ms, failed};
}

// Pages of a PDF as poppler counts them.
int pageCount(const QString &pdf)
{
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    info.waitForFinished(60000);
    const QString text = QString::fromUtf8(info.readAllStandardOutput());
    const qsizetype at = text.indexOf(QStringLiteral("Pages:"));
    return at < 0 ? -1 : text.mid(at + 6).section(QLatin1Char('\n'), 0, 0).trimmed().toInt();
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    qputenv("XDG_RUNTIME_DIR", (home.path() + "/runtime").toUtf8());
    QDir().mkpath(home.path() + "/runtime");
    QFile::setPermissions(home.path() + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QApplication app(argc, argv);
    MessageBox::SetTestMode(true);
    BenchReport report;
    const QString what = QStringLiteral("quirn-batch pdf of %1 books of %2 sheets (whole process) vs soffice --convert-to pdf")
                             .arg(Books)
                             .arg(SheetsPerBook);

    const QString folder = home.path() + "/books";
    QDir().mkpath(folder);
    const QString made = makeBook(folder);
    if (made.isEmpty()) {
        report.Failed(what, QStringLiteral("could not make the books"));
        return report.ExitCode();
    }
    QStringList books;
    for (int i = 1; i <= Books; ++i) {
        const QString path = folder + QStringLiteral("/book%1.xls").arg(i, 2, 10, QLatin1Char('0'));
        QFile::copy(made, path);
        books << path;
    }
    QFile::remove(made);

    const QString pdf = home.path() + "/run.pdf";
    const QString office = officeProgram();
    const QString converted = home.path() + "/converted";
    QStringList convert{QStringLiteral("-env:UserInstallation=")
                            + QUrl::fromLocalFile(home.path() + "/profile").toString(),
                        QStringLiteral("--headless"), QStringLiteral("--norestore"), QStringLiteral("--convert-to"),
                        QStringLiteral("pdf"), QStringLiteral("--outdir"), converted};
    convert << books;
    std::vector<double> ours;
    std::vector<double> peer;
    QString why;
    int pages = -1;
    // Alternating, so that both see the same load; the first of each warms up.
    for (int run = 0; run <= Runs && why.isEmpty(); ++run) {
        QFile::remove(pdf);
        const double batch = timeProcess(QStringLiteral(QUIRN_BATCH), QStringList{QStringLiteral("pdf"),
                                                                                  QStringLiteral("--out"), pdf}
                                                                          + books,
                                         why);
        pages = pageCount(pdf);
        QDir(converted).removeRecursively();
        const double theirs = office.isEmpty() ? -1 : timeProcess(office, convert, why);
        if (office.isEmpty())
            why = QStringLiteral("the office is not installed");
        else if (theirs >= 0 && QDir(converted).entryList({QStringLiteral("*.pdf")}).size() != Books)
            why = QStringLiteral("the office did not convert every book");
        if (batch < 0 || theirs < 0 || pages < Books * SheetsPerBook)
            why = why.isEmpty() ? QStringLiteral("the PDF has %1 pages").arg(pages) : why;
        if (run > 0 && why.isEmpty()) {
            ours.push_back(batch);
            peer.push_back(theirs);
        }
    }
    if (!why.isEmpty()) {
        report.Failed(what, why);
        return report.ExitCode();
    }
    const int processes = RenderPool::affordable(Books);
    report.Faster(what + QStringLiteral(", %1 office processes").arg(processes), BenchReport::Median(ours),
                  BenchReport::Median(peer), processes / 1.2);

    // Runs started together: each verb once alone, then 8 at once.
    const QList<std::pair<QString, QStringList>> verbs{
        {QStringLiteral("list"), QStringList{QStringLiteral("list"), QStringLiteral("--json")} + books},
        {QStringLiteral("combine"), QStringList{QStringLiteral("combine"), QStringLiteral("--into")}},
        {QStringLiteral("pdf"), QStringList{QStringLiteral("pdf"), QStringLiteral("--out")}}};
    for (const auto &[verb, base] : verbs) {
        const auto arguments = [&](int i) {
            if (verb == QLatin1String("list"))
                return base;
            const QString made = home.path() + QStringLiteral("/together-%1-%2.%3")
                                                   .arg(verb)
                                                   .arg(i)
                                                   .arg(verb == QLatin1String("pdf") ? "pdf" : "xls");
            QFile::remove(made);
            return base + QStringList{made} + books;
        };
        const auto [alone, aloneFailed] = timeTogether({arguments(Together)});
        QList<QStringList> runs;
        for (int i = 0; i < Together; ++i)
            runs << arguments(i);
        const auto [together, failed] = timeTogether(runs);
        const QString name = QStringLiteral("%1 quirn-batch %2 runs started together").arg(Together).arg(verb);
        report.Within(name + QStringLiteral(": runs that failed"), failed + aloneFailed, 0, "");
        report.Faster(name + QStringLiteral(", until the last ended, vs %1 runs one after another").arg(Together),
                      together, alone * Together, 1.0);
    }
    return report.ExitCode();
}
