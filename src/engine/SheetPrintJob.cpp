#include "SheetPrintJob.h"

#include "ExcelError.h"
#include "OfficeDocument.h"
#include "OfficeError.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QUrl>

#include <cups/cups.h>

namespace {

// CUPS answers within seconds; a server that does not is treated as absent.
constexpr int CupsWaitMs = 60000;

struct PreviewRecord
{
    bool recorded = false;
    QStringList paths;
};

PreviewRecord &previews()
{
    static PreviewRecord record;
    return record;
}

struct Run
{
    bool started = false;
    int exitCode = -1;
    QString output;
    QString errors;
};

Run runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    Run run;
    run.started = process.waitForStarted(CupsWaitMs);
    if (!run.started)
        return run;
    if (!process.waitForFinished(CupsWaitMs)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.output = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
    run.errors = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    return run;
}

ExcelError printFailed(const QString &reason)
{
    return ExcelError::refused(QStringLiteral("印刷できませんでした。") + reason);
}

void exportSheets(OfficeDocument &document, const QStringList &sheets, const QString &pdf,
                  int fromPage, int toPage)
{
    try {
        document.exportPdf(sheets, pdf, fromPage, toPage);
    } catch (const OfficeError &error) {
        throw printFailed(error.message());
    }
}

} // namespace

QString SheetPrintJob::defaultPrinter()
{
    for (const char *variable : {"LPDEST", "PRINTER"}) {
        const QString named = qEnvironmentVariable(variable).trimmed();
        if (!named.isEmpty())
            return named;
    }
    const Run run = runTool(QStringLiteral("lpstat"), {QStringLiteral("-d")});
    if (!run.started || run.exitCode != 0)
        return QString();
    // "system default destination: name", or "no system default destination"
    static const QRegularExpression destination(QStringLiteral(":\\s*(\\S+)\\s*$"));
    const QRegularExpressionMatch match = destination.match(run.output);
    return match.hasMatch() ? match.captured(1) : QString();
}

int SheetPrintJob::pdfPageCount(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = file.readAll();
    // The page tree's root carries the count of every page.
    static const QRegularExpression pages(QStringLiteral("/Type\\s*/Pages\\b[^>]*?/Count\\s+(\\d+)"));
    int count = 0;
    auto it = pages.globalMatch(QString::fromLatin1(bytes));
    while (it.hasNext())
        count = std::max(count, it.next().captured(1).toInt());
    if (count > 0)
        return count;
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page\\b(?!s)"));
    const int pageObjects = int(QString::fromLatin1(bytes).count(page));
    if (pageObjects > 0)
        return pageObjects;
    // An empty page tree, or one this reading cannot see.
    return bytes.contains("/Type/Pages") || bytes.contains("/Type /Pages") ? 0 : -1;
}

QString SheetPrintJob::checkPrinter()
{
    const QString printer = defaultPrinter();
    if (!printer.isEmpty())
        return printer;
    const Run scheduler = runTool(QStringLiteral("lpstat"), {QStringLiteral("-r")});
    if (!scheduler.started || scheduler.output.contains(QStringLiteral("not running"))
        || scheduler.exitCode != 0)
        throw ExcelError::refused(QStringLiteral(
            "印刷サービス (CUPS) が動作していないため、印刷できません。印刷サービスを起動してから、もう一度印刷してください。"));
    throw ExcelError::refused(QStringLiteral(
        "通常使うプリンタが設定されていないため、印刷できません。プリンタを設定してから、もう一度印刷してください。"));
}

QString SheetPrintJob::checkPrinter(const QString &printer)
{
    if (printer.isEmpty())
        return checkPrinter();
    const Run known = runTool(QStringLiteral("lpstat"), {QStringLiteral("-v"), printer});
    if (known.started && known.exitCode == 0)
        return printer;
    const Run scheduler = runTool(QStringLiteral("lpstat"), {QStringLiteral("-r")});
    if (!scheduler.started || scheduler.output.contains(QStringLiteral("not running"))
        || scheduler.exitCode != 0)
        throw ExcelError::refused(QStringLiteral(
            "印刷サービス (CUPS) が動作していないため、印刷できません。印刷サービスを起動してから、もう一度印刷してください。"));
    throw ExcelError::refused(QStringLiteral("プリンタ \"%1\" が見つからないため、印刷できません。").arg(printer));
}

int SheetPrintJob::exportPages(OfficeDocument &document, const QStringList &sheets, const QString &pdf,
                               int fromPage, int toPage)
{
    try {
        exportSheets(document, sheets, pdf, fromPage, toPage);
    } catch (const ExcelError &) {
        // The office refuses a range that starts beyond the last page, where
        // Excel prints nothing.
        if (fromPage <= 0)
            throw;
        exportSheets(document, sheets, pdf, 0, 0);
        const int pages = pdfPageCount(pdf);
        if (pages >= 0 && fromPage > pages) {
            QFile::remove(pdf);
            return 0;
        }
        throw;
    }
    return pdfPageCount(pdf);
}

void SheetPrintJob::printFile(const QString &pdf, const QString &title, const Options &options)
{
    printFileTo(checkPrinter(), pdf, title, options);
}

void SheetPrintJob::printFileTo(const QString &printer, const QString &pdf, const QString &title,
                                const Options &options)
{
    cupsSetServer(nullptr); // CUPS_SERVER as it is now, not as first read
    http_t *http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, CupsWaitMs,
                                nullptr);
    if (!http)
        throw printFailed(QStringLiteral("印刷サービス (CUPS) に接続できません。"));
    // A server that stops answering ends the job instead of holding the program.
    httpSetTimeout(http, CupsWaitMs / 1000.0, [](http_t *, void *) { return 0; }, nullptr);
    cups_option_t *jobOptions = nullptr;
    int count = cupsAddOption("copies", QByteArray::number(options.copies).constData(), 0, &jobOptions);
    count = cupsAddOption("collate", "true", count, &jobOptions);
    // The office's PDF keeps the colours and detail: the printer is asked.
    if (options.blackAndWhite)
        count = cupsAddOption("print-color-mode", "monochrome", count, &jobOptions);
    if (options.draft)
        count = cupsAddOption("print-quality", "3", count, &jobOptions);
    // The user's own defaults for the printer (lpoptions) where the job says nothing.
    if (cups_dest_t *dest = cupsGetNamedDest(http, printer.toUtf8().constData(), nullptr)) {
        for (int i = 0; i < dest->num_options; ++i) {
            if (!cupsGetOption(dest->options[i].name, count, jobOptions))
                count = cupsAddOption(dest->options[i].name, dest->options[i].value, count, &jobOptions);
        }
        cupsFreeDests(1, dest);
    }
    const int job = cupsPrintFile2(http, printer.toUtf8().constData(), QFile::encodeName(pdf).constData(),
                                   title.toUtf8().constData(), count, jobOptions);
    const QString error = QString::fromUtf8(cupsLastErrorString());
    cupsFreeOptions(count, jobOptions);
    httpClose(http);
    if (job == 0)
        throw printFailed(error.isEmpty() ? QStringLiteral("プリンタ \"%1\" が応答しません。").arg(printer) : error);
}

void SheetPrintJob::print(OfficeDocument &document, const QStringList &sheets, const QString &title,
                          const Options &options)
{
    const QString printer = checkPrinter();
    QTemporaryDir folder;
    if (!folder.isValid())
        throw printFailed(folder.errorString());
    const QString pdf = folder.filePath(QStringLiteral("print.pdf"));
    if (exportPages(document, sheets, pdf, options.fromPage, options.toPage) == 0)
        return; // nothing on the pages asked for
    printFileTo(printer, pdf, title, options);
}

QString SheetPrintJob::preview(OfficeDocument &document, const QStringList &sheets,
                               const QString &title)
{
    QTemporaryFile file(QDir::temp().filePath(QStringLiteral("%1-XXXXXX.pdf").arg(title)));
    file.setAutoRemove(false); // the viewer reads it after this call
    if (!file.open())
        throw ExcelError::refused(QStringLiteral("プレビューを作成できませんでした。") + file.errorString());
    const QString pdf = file.fileName();
    file.close();
    try {
        document.exportPdf(sheets, pdf);
    } catch (const OfficeError &error) {
        QFile::remove(pdf);
        throw ExcelError::refused(QStringLiteral("プレビューを作成できませんでした。") + error.message());
    }
    if (previews().recorded) {
        previews().paths << pdf;
        return pdf;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(pdf)))
        throw ExcelError::refused(QStringLiteral(
            "PDF を表示するアプリケーションが見つからないため、プレビューを表示できません。"));
    return pdf;
}

void SheetPrintJob::setPreviewRecorded(bool recorded)
{
    previews().recorded = recorded;
}

QStringList SheetPrintJob::recordedPreviews()
{
    return previews().paths;
}
