#include "PrintVerb.h"

#include "BatchArguments.h"
#include "BatchBook.h"
#include "BatchReport.h"
#include "ExcelError.h"
#include "PrintOutput.h"
#include "PrintSession.h"
#include "cExcel.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <memory>
#include <optional>

namespace {

// A book operand: "BOOK" or "BOOK:SHEET,SHEET" (the sheets' list as given).
// A path that exists is a book as it stands, even with a colon in it (sheet
// names never hold one); a folder stands for its books.
struct BookSheets
{
    QString path;
    std::optional<QString> sheets;
};

QString parseBooks(const QStringList &operands, bool recursive, QList<BookSheets> &books)
{
    for (const QString &operand : operands) {
        const qsizetype colon = operand.lastIndexOf(QLatin1Char(':'));
        QString path = operand;
        std::optional<QString> sheets;
        if (!QFileInfo::exists(operand) && colon >= 0) {
            path = operand.left(colon);
            sheets = operand.mid(colon + 1);
            if (path.isEmpty() || sheets->split(QLatin1Char(',')).contains(QString()))
                return QStringLiteral("\"%1\" は BOOK または BOOK:SHEET,... の形で指定して下さい。").arg(operand);
        }
        if (QFileInfo(path).isDir()) {
            if (sheets)
                return QStringLiteral("フォルダ \"%1\" にシートは指定できません。").arg(path);
            for (const QString &inFolder : BatchBook::BooksInFolder(path, recursive))
                books.append({inFolder, std::nullopt});
            continue;
        }
        books.append({QFileInfo(path).absoluteFilePath(), sheets});
    }
    return QString();
}

// The sheets a list after ":" names: one sheet when the book has a sheet of
// exactly that name (sheet names may hold commas), otherwise the names
// between its commas.
QStringList namedSheets(cExcel &excel, const QString &list)
{
    if (excel.GetSheetNo(list) != 0)
        return {list};
    return list.split(QLatin1Char(','));
}

// "--pages FROM-TO", "FROM-", "-TO" or one page "N".
QString parsePages(const BatchArguments &arguments, PrintSession::Settings &settings)
{
    if (!arguments.hasValue(QStringLiteral("pages")))
        return QString();
    static const QRegularExpression form(QStringLiteral("^\\s*(\\d*)\\s*(-?)\\s*(\\d*)\\s*$"));
    const QString text = arguments.value(QStringLiteral("pages"));
    const QRegularExpressionMatch match = form.match(text);
    const QString bad = QStringLiteral("--pages \"%1\" は正しくありません (例: 2-5, 3-, -4, 2)。").arg(text);
    if (!match.hasMatch() || (match.captured(1).isEmpty() && match.captured(3).isEmpty())
        || (match.captured(2).isEmpty() && !match.captured(3).isEmpty()))
        return bad;
    const int from = match.captured(1).isEmpty() ? 0 : match.captured(1).toInt();
    const int to = match.captured(2).isEmpty() ? from : match.captured(3).isEmpty() ? 0 : match.captured(3).toInt();
    if ((!match.captured(1).isEmpty() && from < 1) || (!match.captured(3).isEmpty() && to < 1)
        || (from > 0 && to > 0 && from > to))
        return bad;
    if (from > 0)
        settings.fromPage = from;
    if (to > 0)
        settings.toPage = to;
    return QString();
}

// "--worksheets" and "--charts": three characters of 0 and 1 (visible,
// hidden, protected), as the print options.
QString parseSheetRules(const BatchArguments &arguments, PrintSession::Settings &settings)
{
    static const QRegularExpression rule(QStringLiteral("^[01]{3}$"));
    for (const auto &[name, target] : {std::pair{QStringLiteral("worksheets"), &settings.workSheets},
                                       std::pair{QStringLiteral("charts"), &settings.graphSheets}}) {
        if (!arguments.hasValue(name))
            continue;
        const QString value = arguments.value(name);
        if (!rule.match(value).hasMatch())
            return QStringLiteral("--%1 \"%2\" は 0 と 1 の 3 文字 (表示, 非表示, 保護) で指定して下さい。")
                .arg(name, value);
        *target = value;
    }
    return QString();
}

QString parseCopies(const BatchArguments &arguments, PrintSession::Settings &settings)
{
    if (!arguments.hasValue(QStringLiteral("copies")))
        return QString();
    bool ok = false;
    const int copies = arguments.value(QStringLiteral("copies")).toInt(&ok);
    if (!ok || copies < 1 || copies > 999)
        return QStringLiteral("--copies \"%1\" は 1 から 999 の数で指定して下さい。")
            .arg(arguments.value(QStringLiteral("copies")));
    settings.copies = copies;
    return QString();
}

// "--processes N": the office processes rendering side by side (0 when not
// given: as many as the machine affords).
QString parseProcesses(const BatchArguments &arguments, int &processes)
{
    processes = 0;
    if (!arguments.hasValue(QStringLiteral("processes")))
        return QString();
    bool ok = false;
    processes = arguments.value(QStringLiteral("processes")).toInt(&ok);
    if (!ok || processes < 1 || processes > 8)
        return QStringLiteral("--processes \"%1\" は 1 から 8 の数で指定して下さい。")
            .arg(arguments.value(QStringLiteral("processes")));
    return QString();
}

// Reports the sheets named that the book lacks or cannot print (qualifying:
// those it can); true when there are none.
bool namedSheetsPrintable(cExcel &excel, BatchReport &report, const QString &path, const QStringList &named,
                          const QStringList &qualifying)
{
    const QStringList names = excel.xlApp ? [&] {
        QStringList all;
        for (qint16 i = 1; i <= excel.GetSheetCount(); ++i)
            all << excel.GetSheetName(i);
        return all;
    }()
                                          : QStringList();
    bool ok = true;
    for (const QString &sheet : named) {
        if (!names.contains(sheet, Qt::CaseSensitive)) {
            report.failure(path, QStringLiteral("%1: ｼｰﾄ \"%1\" は存在しません。").arg(sheet), QStringLiteral("not-found"));
            ok = false;
        } else if (!qualifying.contains(sheet, Qt::CaseSensitive)) {
            report.failure(path,
                           QStringLiteral("%1: Excel 4.0 ﾏｸﾛｼｰﾄと、非表示で保護されたｼｰﾄは印刷できません。").arg(sheet),
                           QStringLiteral("not-printable"));
            ok = false;
        }
    }
    return ok;
}

int runPrint(const BatchArguments &arguments, cExcel &excel, BatchReport &report, PrintOutput::Mode mode)
{
    PrintSession::Settings settings;
    QList<BookSheets> books;
    const bool recursive = arguments.flag(QStringLiteral("recursive"));
    int processes = 0;
    for (const QString &error : {parseBooks(arguments.operands, recursive, books), parsePages(arguments, settings),
                                 parseSheetRules(arguments, settings), parseCopies(arguments, settings),
                                 parseProcesses(arguments, processes)}) {
        if (!error.isEmpty())
            return BatchReport::usageError(error);
    }
    const bool pdf = mode == PrintOutput::Mode::PdfFile;
    // One job: its pages are counted across the books, as a printer would.
    settings.rangeOverRun = mode == PrintOutput::Mode::OneJob;
    const QString pdfPath = QFileInfo(arguments.value(QStringLiteral("out"))).absoluteFilePath();
    if (pdf && arguments.value(QStringLiteral("out")).isEmpty())
        return BatchReport::usageError(QStringLiteral("--out FILE がありません。"));

    PrintSession session(excel,
                         std::make_unique<PrintOutput>(excel, mode, pdfPath, arguments.value(QStringLiteral("printer"))),
                         settings);
    // The books render side by side once every one is checked.
    session.Output().RenderOnPool(processes);
    // The PDF file replaces whatever is there at once, from its folder.
    const QFileInfo pdfFolder(QFileInfo(pdfPath).absolutePath());
    if (pdf && (!pdfFolder.isDir() || !pdfFolder.isWritable())) {
        report.environmentFailure(QStringLiteral("\"%1\" に書き込めません。").arg(pdfFolder.filePath()),
                                  QStringLiteral("not-writable"));
        return report.exitCode();
    }
    try {
        session.Output().CheckDestination();
    } catch (const ExcelError &error) {
        report.environmentFailure(error.description(), pdf ? QStringLiteral("not-writable") : QStringLiteral("no-printer"));
        return report.exitCode();
    }
    qsizetype reported = 0;
    QSet<QString> failedBooks;
    const auto reportFailures = [&] {
        for (; reported < session.Failures().size(); ++reported) {
            const PrintSession::Failure &failure = session.Failures().at(reported);
            report.failure(failure.book, failure.reason, QStringLiteral("print-failed"));
            failedBooks.insert(failure.book);
        }
    };
    // The sheets sent, each book's reported as printed once the run is done
    // and the book had no failure.
    QList<std::pair<QString, QStringList>> sent;
    for (int i = 0; i < books.size(); ++i) {
        const BookSheets &book = books.at(i);
        report.progress(i + 1, int(books.size()), book.path);
        report.book(book.path);
        if (!BatchBook::Open(excel, report, book.path))
            continue;
        const QString bookName = QFileInfo(book.path).fileName();
        try {
            const QStringList named = book.sheets ? namedSheets(excel, *book.sheets) : QStringList();
            const QStringList qualifying = session.QualifyingSheets(bookName, book.sheets ? &named : nullptr);
            if (book.sheets && !namedSheetsPrintable(excel, report, book.path, named, qualifying)) {
                excel.CloseExcel();
                continue;
            }
            if (qualifying.isEmpty()) {
                report.skipped(book.path, QString(), QStringLiteral("nothing-to-print"),
                               QStringLiteral("印刷するｼｰﾄがありません。"));
            } else {
                if (!report.dryRun()) // a dry run sends nothing
                    session.PrintSheets(book.path, qualifying);
                sent.append({book.path, qualifying});
            }
        } catch (const ExcelError &error) {
            session.AddFailure(book.path, error.description());
        }
        report.passOnMessages(book.path);
        reportFailures();
        excel.CloseExcel();
    }
    report.endProgress();
    if (!report.dryRun())
        session.Finish();
    reportFailures();
    int printed = 0;
    for (const auto &[path, sheets] : std::as_const(sent)) {
        if (failedBooks.contains(path))
            continue;
        if (!report.dryRun() && !session.PrintedBooks().contains(path)) {
            report.skipped(path, QString(), QStringLiteral("out-of-range"),
                           QStringLiteral("指定されたﾍﾟｰｼﾞに、このﾌﾞｯｸのﾍﾟｰｼﾞはありません。"));
            continue;
        }
        for (const QString &sheet : sheets)
            report.changed(path, sheet, QStringLiteral("printed"), QStringLiteral("office"));
        printed += int(sheets.size());
    }
    if ((report.dryRun() ? printed : session.PrintedSheets()) == 0 && !report.failed())
        report.failure(QString(), QStringLiteral("印刷可能なｼｰﾄがありません。印刷ｵﾌﾟｼｮﾝを確認して下さい。"),
                       QStringLiteral("nothing-to-print"));
    if (pdf && (report.dryRun() || session.PrintedSheets() == 0))
        report.note(QString(), QStringLiteral("PDF ﾌｧｲﾙは作成されていません。"));
    return report.exitCode();
}

} // namespace

int PrintVerb::Print(const BatchArguments &arguments, cExcel &excel, BatchReport &report, QTextStream &)
{
    const bool oneJob = arguments.flag(QStringLiteral("one-job"));
    return runPrint(arguments, excel, report, oneJob ? PrintOutput::Mode::OneJob : PrintOutput::Mode::Printer);
}

int PrintVerb::Pdf(const BatchArguments &arguments, cExcel &excel, BatchReport &report, QTextStream &)
{
    return runPrint(arguments, excel, report, PrintOutput::Mode::PdfFile);
}
