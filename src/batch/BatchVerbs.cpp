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

#include <QSet>
#include <QTextStream>

#include <cstdio>
#include <functional>

namespace {

using VerbRun = std::function<int(const BatchArguments &, cExcel &, BatchReport &, QTextStream &)>;

struct Verb
{
    const char *name;
    QStringList flags;        // options without a value
    QStringList valued;       // options taking a value
    int minOperands;
    const char *help;
    VerbRun run;
};

const QList<Verb> &verbs()
{
    static const QList<Verb> all{
        {"list", {QStringLiteral("json"), QStringLiteral("pages")}, {}, 1,
         "usage: quirn-batch list [--json] [--pages] BOOK...\n"
         "Lists every sheet of each book: position, kind (worksheet, chart, macro,\n"
         "dialog), visibility (visible, hidden, veryhidden), protection, attribute\n"
         "word, last cell and name, then the book's VBA modules.\n"
         "  --json   one JSON array of books, for programs\n"
         "  --pages  also the number of pages each sheet prints (renders the book)\n",
         ListVerb::Run},
        {"rename", {}, {}, 3,
         "usage: quirn-batch rename BOOK OLD NEW\n"
         "Renames sheet OLD of BOOK to NEW, with Excel's rules for sheet names, and\n"
         "saves the book.\n",
         SheetEditVerb::Rename},
        {"hide", {}, {}, 2,
         "usage: quirn-batch hide BOOK SHEET...\n"
         "Hides the sheets and saves the book; at least one sheet stays visible.\n",
         SheetEditVerb::Hide},
        {"show", {}, {}, 2,
         "usage: quirn-batch show BOOK SHEET...\n"
         "Shows the sheets (hidden or very hidden) and saves the book.\n",
         SheetEditVerb::Show},
        {"veryhide", {}, {}, 2,
         "usage: quirn-batch veryhide BOOK SHEET...\n"
         "Hides the sheets so that only a program can show them again, and saves\n"
         "the book; at least one sheet stays visible.\n",
         SheetEditVerb::VeryHide},
        {"delete", {}, {}, 2,
         "usage: quirn-batch delete BOOK SHEET...\n"
         "Deletes the sheets and saves the book; at least one visible sheet stays.\n",
         SheetEditVerb::Delete},
        {"sort", {QStringLiteral("descending")}, {}, 1,
         "usage: quirn-batch sort BOOK [--descending]\n"
         "Puts the sheets of BOOK in order of their names, as the window's sort does\n"
         "(Japanese collation, ignoring case), and saves the book. Every sheet keeps\n"
         "its visibility.\n",
         SheetEditVerb::Sort},
        {"copy", {QStringLiteral("allow-loss")}, {QStringLiteral("to"), QStringLiteral("before"), QStringLiteral("after")}, 2,
         "usage: quirn-batch copy SRC SHEET... --to TARGET [--before NAME | --after NAME] [--allow-loss]\n"
         "Copies the sheets of SRC into TARGET as one group, before or after sheet NAME\n"
         "(at the end when no place is given), and saves TARGET. A name TARGET already\n"
         "has gets Excel's name for a copy (\"Data (2)\"). SRC and TARGET may be one book.\n"
         "  --allow-loss  save even when the save would lose something TARGET holds\n"
         "                (the losses are listed); refused otherwise\n",
         TransferVerb::Copy},
        {"move", {QStringLiteral("allow-loss")}, {QStringLiteral("to"), QStringLiteral("before"), QStringLiteral("after")}, 2,
         "usage: quirn-batch move SRC SHEET... --to TARGET [--before NAME | --after NAME] [--allow-loss]\n"
         "Moves the sheets of SRC into TARGET as copy does, then deletes them from SRC\n"
         "(which keeps at least one visible sheet). TARGET is saved before SRC.\n",
         TransferVerb::Move},
        {"combine", {QStringLiteral("force"), QStringLiteral("allow-loss")}, {QStringLiteral("into")}, 1,
         "usage: quirn-batch combine --into TARGET [--force] [--allow-loss] BOOK...|FOLDER...\n"
         "Copies every sheet of the books into TARGET, as the window's copy into one\n"
         "book does: in the books' order (a folder stands for its .xls books in name\n"
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
         "protected book, are left out); a folder stands for its .xls books. A book\n"
         "any of whose sheets cannot take the setup is left as it was.\n",
         PageSetupVerb::Run},
        {"print", {QStringLiteral("one-job")},
         {QStringLiteral("printer"), QStringLiteral("copies"), QStringLiteral("pages"), QStringLiteral("worksheets"),
          QStringLiteral("charts")},
         1,
         "usage: quirn-batch print [--printer QUEUE] [--copies N] [--pages FROM-TO] [--one-job]\n"
         "                         [--worksheets 111] [--charts 111] BOOK[:SHEET,...]...|FOLDER...\n"
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
         "                   hidden and protected (\"0\" leaves that kind out); default 111\n",
         PrintVerb::Print},
        {"pdf", {}, {QStringLiteral("out"), QStringLiteral("pages"), QStringLiteral("worksheets"), QStringLiteral("charts")},
         1,
         "usage: quirn-batch pdf --out FILE [--pages FROM-TO] [--worksheets 111] [--charts 111]\n"
         "                       BOOK[:SHEET,...]...|FOLDER...\n"
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
           "  list BOOK...                     the sheets of each book\n"
           "  rename BOOK OLD NEW              rename a sheet\n"
           "  hide|show|veryhide BOOK SHEET... change the sheets' visibility\n"
           "  delete BOOK SHEET...             delete sheets\n"
           "  sort BOOK [--descending]         sort the sheets by name\n"
           "  copy|move SRC SHEET... --to TARGET  copy or move sheets to another book\n"
           "  combine --into TARGET BOOK...|FOLDER  copy books into one book\n"
           "  pagesetup --from BOOK:SHEET BOOK[:SHEET,...]...|FOLDER  one page setup for many sheets\n"
           "  print BOOK[:SHEET,...]...        print sheets\n"
           "  pdf --out FILE BOOK[:SHEET,...]...  write sheets into one PDF file\n"
           "\n"
           "quirn-batch VERB --help tells more. Exit status: 0 success, 1 some book\n"
           "failed (the others were done), 2 bad usage.\n";
}

const Verb *findVerb(const QString &name)
{
    for (const Verb &verb : verbs())
        if (name == QLatin1String(verb.name))
            return &verb;
    return nullptr;
}

QString unknownOption(const BatchArguments &arguments, const Verb &verb)
{
    for (const QString &name : arguments.optionNames())
        if (name != QLatin1String("help") && !verb.flags.contains(name) && !verb.valued.contains(name))
            return name;
    for (const QString &name : verb.flags)
        if (arguments.hasValue(name))
            return name;
    return QString();
}

} // namespace

int BatchVerbs::Run(const QStringList &commandLine)
{
    QSet<QString> valued;
    for (const Verb &verb : verbs())
        for (const QString &name : verb.valued)
            valued.insert(name);
    BatchArguments arguments;
    QString error;
    if (!arguments.parse(commandLine, valued, error))
        return BatchReport::usageError(error);
    if (arguments.verb.isEmpty() || arguments.verb == QLatin1String("help")) {
        std::fputs(overview(), stdout);
        return Success;
    }
    const Verb *verb = findVerb(arguments.verb);
    if (!verb)
        return BatchReport::usageError(QStringLiteral("\"%1\" という動詞はありません。").arg(arguments.verb));
    // An option may take a value for one verb and be a flag for another
    // (print --pages 2-5, list --pages): the verb's own options decide.
    arguments = BatchArguments();
    if (!arguments.parse(commandLine, QSet<QString>(verb->valued.cbegin(), verb->valued.cend()), error))
        return BatchReport::usageError(error);
    if (arguments.flag(QStringLiteral("help"))) {
        std::fputs(verb->help, stdout);
        return Success;
    }
    const QString unknown = unknownOption(arguments, *verb);
    if (!unknown.isEmpty())
        return BatchReport::usageError(QStringLiteral("%1 に --%2 は使えません。").arg(arguments.verb, unknown));
    if (arguments.operands.size() < verb->minOperands)
        return BatchReport::usageError(QStringLiteral("%1 に必要な引数が足りません。").arg(arguments.verb));

    MessageBox::SetTestMode(true); // the engine's messages are passed on, never shown
    cExcel excel;
    BatchReport report;
    QTextStream out(stdout);
    const int status = verb->run(arguments, excel, report, out);
    out.flush();
    return status;
}
