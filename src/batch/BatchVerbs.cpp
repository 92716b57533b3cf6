#include "BatchVerbs.h"

#include "BatchArguments.h"
#include "BatchReport.h"
#include "CombineVerb.h"
#include "ListVerb.h"
#include "PageSetupVerb.h"
#include "PrintVerb.h"
#include "SheetEditVerb.h"
#include "TransferVerb.h"
#include "MessageBox.h"
#include "cExcel.h"
#include "ExcelError.h"
#include "BatchBook.h"

#include <QFile>
#include <QFileInfo>

#include <QSet>
#include <QTextStream>

#include <cstdio>
#include <functional>
#include <new>

namespace {

using VerbRun = std::function<int(const BatchArguments &, cExcel &, BatchReport &, QTextStream &)>;

// How a verb's operands name its books, which decides what --files-from,
// folders and --recursive give it.
enum class Books {
    Each,      // every operand a book or a folder (BOOK:SHEET where the verb takes it)
    FirstEach, // the first operand a book or a folder, done one by one; the rest are sheets
    One,       // one book (copy and move): neither folders nor --files-from
};

struct Verb
{
    const char *name;
    QStringList flags;        // options without a value
    QStringList valued;       // options taking a value
    int minOperands;
    const char *help;
    VerbRun run;
    Books books = Books::Each;
    bool writes = true;       // writes or prints: takes --dry-run
};

const QList<Verb> &verbs()
{
    static const QList<Verb> all{
        {"list", {QStringLiteral("json"), QStringLiteral("pages")}, {}, 1,
         "usage: quirn-batch list [--json] [--pages] BOOK...|FOLDER...\n"
         "Lists every sheet of each book: position, kind (worksheet, chart, macro,\n"
         "dialog), visibility (visible, hidden, veryhidden), protection, attribute\n"
         "word, last cell and name, then the book's VBA modules.\n"
         "  --json   one JSON document for programs (see the manual)\n"
         "  --pages  also the number of pages each sheet prints (renders the book)\n",
         ListVerb::Run, Books::Each, false},
        {"rename", {}, {}, 3,
         "usage: quirn-batch rename BOOK|FOLDER OLD NEW\n"
         "Renames sheet OLD of BOOK to NEW, with Excel's rules for sheet names, and\n"
         "saves the book.\n",
         SheetEditVerb::Rename, Books::FirstEach},
        {"hide", {}, {}, 2,
         "usage: quirn-batch hide BOOK|FOLDER SHEET...\n"
         "Hides the sheets and saves the book; at least one sheet stays visible.\n",
         SheetEditVerb::Hide, Books::FirstEach},
        {"show", {}, {}, 2,
         "usage: quirn-batch show BOOK|FOLDER SHEET...\n"
         "Shows the sheets (hidden or very hidden) and saves the book.\n",
         SheetEditVerb::Show, Books::FirstEach},
        {"veryhide", {}, {}, 2,
         "usage: quirn-batch veryhide BOOK|FOLDER SHEET...\n"
         "Hides the sheets so that only a program can show them again, and saves\n"
         "the book; at least one sheet stays visible.\n",
         SheetEditVerb::VeryHide, Books::FirstEach},
        {"delete", {}, {}, 2,
         "usage: quirn-batch delete BOOK|FOLDER SHEET...\n"
         "Deletes the sheets and saves the book; at least one visible sheet stays.\n",
         SheetEditVerb::Delete, Books::FirstEach},
        {"sort", {QStringLiteral("descending")}, {}, 1,
         "usage: quirn-batch sort BOOK|FOLDER [--descending]\n"
         "Puts the sheets of BOOK in order of their names, as the window's sort does\n"
         "(Japanese collation, ignoring case), and saves the book. Every sheet keeps\n"
         "its visibility.\n",
         SheetEditVerb::Sort, Books::FirstEach},
        {"copy", {QStringLiteral("allow-loss"), QStringLiteral("rename-names")},
         {QStringLiteral("to"), QStringLiteral("before"), QStringLiteral("after")}, 2,
         "usage: quirn-batch copy SRC SHEET... --to TARGET [--before NAME | --after NAME] [--allow-loss]\n"
         "                        [--rename-names]\n"
         "Copies the sheets of SRC into TARGET as one group, before or after sheet NAME\n"
         "(at the end when no place is given), and saves TARGET. A name TARGET already\n"
         "has gets Excel's name for a copy (\"Data (2)\"). SRC and TARGET may be one book.\n"
         "A workbook name both books define differently keeps TARGET's definition\n"
         "(the copied formulas use it), and each such name is reported.\n"
         "  --allow-loss    save even when the save would lose something TARGET holds\n"
         "                  (the losses are listed); refused otherwise\n"
         "  --rename-names  bring SRC's definition of such a name under a new name\n"
         "                  (\"Rate_2\") that the copied formulas use instead\n",
         TransferVerb::Copy, Books::One},
        {"move", {QStringLiteral("allow-loss"), QStringLiteral("rename-names")},
         {QStringLiteral("to"), QStringLiteral("before"), QStringLiteral("after")}, 2,
         "usage: quirn-batch move SRC SHEET... --to TARGET [--before NAME | --after NAME] [--allow-loss]\n"
         "                        [--rename-names]\n"
         "Moves the sheets of SRC into TARGET as copy does, then deletes them from SRC\n"
         "(which keeps at least one visible sheet). TARGET is saved before SRC.\n",
         TransferVerb::Move, Books::One},
        {"combine", {QStringLiteral("force"), QStringLiteral("allow-loss")}, {QStringLiteral("into")}, 1,
         "usage: quirn-batch combine --into TARGET [--force] [--allow-loss] BOOK...|FOLDER...\n"
         "Copies every sheet of the books into TARGET, as the window's copy into one\n"
         "book does: in the books' order (a folder stands for its books in name\n"
         "order; of two books with one file name the later is copied first), Excel 4\n"
         "macro sheets skipped and reported. A new TARGET holds only the copies.\n"
         "Sheets the books' records cannot carry are copied by LibreOffice after\n"
         "their book's other sheets, and TARGET is then saved by LibreOffice.\n"
         "  --force       add to a TARGET that exists (its sheets stay first)\n"
         "  --allow-loss  save even when that save would lose something TARGET holds\n"
         "                (the losses are listed); refused otherwise\n",
         CombineVerb::Run},
        {"pagesetup", {}, {QStringLiteral("from")}, 1,
         "usage: quirn-batch pagesetup --from BOOK:SHEET BOOK[:SHEET,...]...|FOLDER...\n"
         "Gives the sheets the page setup of the model sheet SHEET of BOOK, as the\n"
         "window's page setup of several sheets does, and saves each book. Without\n"
         "sheets named, every sheet of the book that takes a page setup gets it\n"
         "(Excel 4 macro sheets, and hidden sheets that are protected or in a\n"
         "protected book, are left out); a folder stands for its books. A book\n"
         "any of whose sheets cannot take the setup is left as it was.\n",
         PageSetupVerb::Run},
        {"print", {QStringLiteral("one-job")},
         {QStringLiteral("printer"), QStringLiteral("copies"), QStringLiteral("pages"), QStringLiteral("worksheets"),
          QStringLiteral("charts"), QStringLiteral("processes")},
         1,
         "usage: quirn-batch print [--printer QUEUE] [--copies N] [--pages FROM-TO] [--one-job]\n"
         "                         [--worksheets 111] [--charts 111] [--processes N]\n"
         "                         BOOK[:SHEET,...]...|FOLDER...\n"
         "Prints the sheets named, or every sheet of a book that the sheet rules let\n"
         "through, one job per book, in the books' order (a folder stands for its\n"
         "books in name order; a book's sheets print in the book's order); hidden\n"
         "sheets print as if shown. Excel 4 macro sheets and hidden protected sheets\n"
         "never print. The books are only read.\n"
         "  --printer QUEUE  the printer (the default printer when not given)\n"
         "  --copies N       copies of each job\n"
         "  --pages FROM-TO  pages of each job (2-5, 3-, -4 or 2)\n"
         "  --one-job        every book in one job, nobody else's pages between them\n"
         "  --worksheets VHP, --charts VHP\n"
         "                   worksheets and charts that print: three 0/1 for visible,\n"
         "                   hidden and protected (\"0\" leaves that kind out); default 111\n"
         "  --processes N    office processes rendering books side by side (1 to 8;\n"
         "                   default: one per core, at most 4, as memory allows)\n",
         PrintVerb::Print},
        {"pdf", {}, {QStringLiteral("out"), QStringLiteral("pages"), QStringLiteral("worksheets"), QStringLiteral("charts"),
                     QStringLiteral("processes")},
         1,
         "usage: quirn-batch pdf --out FILE [--pages FROM-TO] [--worksheets 111] [--charts 111]\n"
         "                       [--processes N] BOOK[:SHEET,...]...|FOLDER...\n"
         "Writes the sheets print would print into one PDF file, in the same order.\n"
         "FILE is replaced whole or not at all. The options are those of print.\n",
         PrintVerb::Pdf},
    };
    return all;
}

const char *overview()
{
    return "usage: quirn-batch VERB [OPTIONS] OPERANDS...\n"
           "Quirn's book and sheet commands without a window.\n"
           "\n"
           "verbs:\n"
           "  list BOOK...|FOLDER...           the sheets of each book\n"
           "  rename BOOK OLD NEW              rename a sheet\n"
           "  hide|show|veryhide BOOK SHEET... change the sheets' visibility\n"
           "  delete BOOK SHEET...             delete sheets\n"
           "  sort BOOK [--descending]         sort the sheets by name\n"
           "  copy|move SRC SHEET... --to TARGET  copy or move sheets to another book\n"
           "  combine --into TARGET BOOK...|FOLDER  copy books into one book\n"
           "  pagesetup --from BOOK:SHEET BOOK[:SHEET,...]...|FOLDER  one page setup for many sheets\n"
           "  print BOOK[:SHEET,...]...|FOLDER... print sheets\n"
           "  pdf --out FILE BOOK[:SHEET,...]...  write sheets into one PDF file\n"
           "A BOOK may be a FOLDER (its books, each in turn), except for copy and move.\n"
           "\n"
           "options of every verb:\n"
           "  --json              the outcome as one JSON document on stdout\n"
           "  -q, --quiet         errors only on stderr\n"
           "  -n, --dry-run       check and report everything, write and print nothing\n"
           "  --files-from FILE   more books, one a line (\"-\": stdin); -0 NUL-separated\n"
           "  -r, --recursive     folders with their subfolders\n"
           "  --version           the program's version\n"
           "\n"
           "quirn-batch VERB --help tells more. Exit status: 0 success, 1 some book\n"
           "failed (the others were done), 2 bad usage, 3 nothing done because of\n"
           "the environment (no office, no printer, a destination not writable).\n";
}

const Verb *findVerb(const QString &name)
{
    for (const Verb &verb : verbs())
        if (name == QLatin1String(verb.name))
            return &verb;
    return nullptr;
}

// The options every verb takes (--dry-run only those that write or print;
// --files-from, --null and --recursive only those that take folders).
QStringList commonFlags(const Verb &verb)
{
    QStringList flags{QStringLiteral("help"), QStringLiteral("json"), QStringLiteral("quiet")};
    if (verb.writes)
        flags << QStringLiteral("dry-run");
    if (verb.books != Books::One)
        flags << QStringLiteral("null") << QStringLiteral("recursive");
    return flags;
}

QStringList commonValued(const Verb &verb)
{
    return verb.books == Books::One ? QStringList() : QStringList{QStringLiteral("files-from")};
}

QString unknownOption(const BatchArguments &arguments, const Verb &verb)
{
    const QStringList flags = verb.flags + commonFlags(verb);
    const QStringList valued = verb.valued + commonValued(verb);
    for (const QString &name : arguments.optionNames())
        if (!flags.contains(name) && !valued.contains(name))
            return name;
    for (const QString &name : flags)
        if (arguments.hasValue(name))
            return name;
    return QString();
}

// The books --files-from names, one a line or NUL-separated; false with
// `error` set when the list cannot be read.
bool readFilesFrom(const BatchArguments &arguments, QStringList &books, QString &error)
{
    if (!arguments.hasValue(QStringLiteral("files-from")))
        return true;
    const QString name = arguments.value(QStringLiteral("files-from"));
    QFile file;
    const bool opened = name == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                   : (file.setFileName(name), file.open(QIODevice::ReadOnly));
    if (!opened) {
        error = QStringLiteral("--files-from \"%1\" を読めません。").arg(name);
        return false;
    }
    const char separator = arguments.flag(QStringLiteral("null")) ? '\0' : '\n';
    for (const QByteArray &line : file.readAll().split(separator)) {
        QString book = QString::fromLocal8Bit(line);
        if (separator == '\n' && book.endsWith(QLatin1Char('\r')))
            book.chop(1);
        if (!book.isEmpty())
            books << book;
    }
    return true;
}

// Runs the verb once for each book a folder or --files-from gives a verb
// that works on one book and the sheets after it.
int runEach(const Verb &verb, const BatchArguments &arguments, const QStringList &books, cExcel &excel,
            BatchReport &report, QTextStream &out)
{
    const QStringList sheets = arguments.operands.mid(arguments.hasValue(QStringLiteral("files-from")) ? 0 : 1);
    for (qsizetype i = 0; i < books.size(); ++i) {
        report.progress(int(i + 1), int(books.size()), books.at(i));
        BatchArguments one = arguments;
        one.operands = QStringList{books.at(i)} + sheets;
        const int status = verb.run(one, excel, report, out);
        if (status == BatchReport::BadUsage || status == BatchReport::Environment)
            return status;
    }
    return report.exitCode();
}

int runVerb(const Verb &verb, BatchArguments &arguments, cExcel &excel, BatchReport &report, QTextStream &out)
{
    QStringList listed;
    QString error;
    if (!readFilesFrom(arguments, listed, error))
        return BatchReport::usageError(error);
    if (verb.books == Books::Each) {
        arguments.operands << listed;
        if (arguments.operands.size() < verb.minOperands)
            return BatchReport::usageError(QStringLiteral("%1 に必要な引数が足りません。").arg(arguments.verb));
        return verb.run(arguments, excel, report, out);
    }
    if (verb.books == Books::One || (listed.isEmpty() && !QFileInfo(arguments.operands.value(0)).isDir()))
        return verb.run(arguments, excel, report, out);
    QStringList books = listed;
    if (!arguments.hasValue(QStringLiteral("files-from")))
        books = BatchBook::BooksInFolder(arguments.operands.at(0), arguments.flag(QStringLiteral("recursive")));
    if (books.isEmpty()) {
        report.failure(QString(), QStringLiteral("ﾌﾞｯｸがありません。"), QStringLiteral("no-books"));
        return report.exitCode();
    }
    return runEach(verb, arguments, books, excel, report, out);
}

} // namespace

int BatchVerbs::Run(const QStringList &commandLine)
{
    if (commandLine == QStringList{QStringLiteral("--version")}) {
        std::fputs("quirn-batch " QUIRN_VERSION "\n", stdout);
        return BatchReport::Success;
    }
    BatchArguments arguments;
    QString error;
    // The verb comes first; only options in front of it need every verb's
    // valued options to be told from it.
    if (!commandLine.isEmpty() && !commandLine.first().startsWith(QLatin1Char('-'))) {
        arguments.verb = commandLine.first();
    } else {
        QSet<QString> valued;
        for (const Verb &verb : verbs())
            for (const QString &name : verb.valued + commonValued(verb))
                valued.insert(name);
        if (!arguments.parse(commandLine, valued, error))
            return BatchReport::usageError(error);
    }
    if (arguments.verb.isEmpty() || arguments.verb == QLatin1String("help")) {
        std::fputs(overview(), stdout);
        return BatchReport::Success;
    }
    const Verb *verb = findVerb(arguments.verb);
    if (!verb)
        return BatchReport::usageError(QStringLiteral("\"%1\" という動詞はありません。").arg(arguments.verb));
    // An option may take a value for one verb and be a flag for another
    // (print --pages 2-5, list --pages): the verb's own options decide.
    arguments = BatchArguments();
    const QStringList valued = verb->valued + commonValued(*verb);
    if (!arguments.parse(commandLine, QSet<QString>(valued.cbegin(), valued.cend()), error))
        return BatchReport::usageError(error);
    if (arguments.flag(QStringLiteral("help"))) {
        std::fputs(verb->help, stdout);
        return BatchReport::Success;
    }
    const QString unknown = unknownOption(arguments, *verb);
    if (!unknown.isEmpty())
        return BatchReport::usageError(QStringLiteral("%1 に --%2 は使えません。").arg(arguments.verb, unknown));
    const int operandsNeeded = verb->minOperands - (arguments.hasValue(QStringLiteral("files-from")) ? 1 : 0);
    if (arguments.operands.size() < operandsNeeded)
        return BatchReport::usageError(QStringLiteral("%1 に必要な引数が足りません。").arg(arguments.verb));

    MessageBox::SetTestMode(true); // the engine's messages are passed on, never shown
    BatchReport report({arguments.verb, arguments.flag(QStringLiteral("json")), arguments.flag(QStringLiteral("quiet")),
                        arguments.flag(QStringLiteral("dry-run"))});
    QTextStream out(stdout);
    int status = BatchReport::Success;
    // Whatever escapes a verb ends the run with its message, never an abort.
    try {
        cExcel excel;
        try {
            status = runVerb(*verb, arguments, excel, report, out);
        } catch (...) {
            try {
                excel.CloseExcel();
            } catch (...) {
            }
            throw;
        }
    } catch (const ExcelError &error) {
        report.passOnMessages(QString());
        report.failure(QString(), error);
        status = report.exitCode();
    } catch (const std::bad_alloc &) {
        report.failure(QString(), QStringLiteral("メモリが不足しています。"), QStringLiteral("out-of-memory"));
        status = report.exitCode();
    } catch (const std::exception &error) {
        report.failure(QString(), QString::fromLocal8Bit(error.what()), QStringLiteral("internal"));
        status = report.exitCode();
    } catch (...) {
        report.failure(QString(), QStringLiteral("予期しないエラーが発生しました。"), QStringLiteral("internal"));
        status = report.exitCode();
    }
    out.flush();
    if (status == BatchReport::BadUsage)
        return status;
    return report.finish(out, status);
}
