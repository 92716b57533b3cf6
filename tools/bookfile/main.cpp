// bookfile-tool: what the book file reader sees in a book, as JSON, and one
// structural edit applied and saved.
//
//   bookfile-tool info BOOK... [--password PW]
//   bookfile-tool rename BOOK SHEET NEWNAME [--password PW]
//   bookfile-tool hide|show|veryhide BOOK SHEET [--password PW]
//   bookfile-tool move BOOK SHEET POSITION [--password PW]    (1-based position)
//   bookfile-tool delete BOOK SHEET... [--password PW]
//   bookfile-tool duplicate BOOK SHEET NEWNAME [POSITION] [--password PW]
//   bookfile-tool copyto|moveto SRC TARGET SHEET... [--before|--after NAME] [--password PW]
//
//   bookfile-tool combine TARGET SRC... [--password PW]
//
// copyto and moveto bring sheets of SRC into TARGET (at the end unless placed
// next to a sheet), save TARGET then SRC, and print both as info does.
// combine appends every sheet of each SRC to TARGET (made when missing) and
// prints it as info does, with the sheets it skipped. Both say in "ways" how
// each sheet came (the records) or, for combine, that it is left for the
// office and why; "procedure_uses" names the copies whose modules call
// procedures of their source's standard modules, which stay behind.
//
// SHEET is a sheet name or "#n" for the n-th sheet (1-based).

#include "BookCombine.h"
#include "BookFile.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QTextStream>

using namespace quirn;

namespace {

QString kindName(SheetKind kind)
{
    switch (kind) {
    case SheetKind::Worksheet: return QStringLiteral("worksheet");
    case SheetKind::Chart: return QStringLiteral("chart");
    case SheetKind::MacroSheet: return QStringLiteral("macro");
    case SheetKind::DialogSheet: return QStringLiteral("dialog");
    case SheetKind::Other: return QStringLiteral("other");
    }
    return {};
}

QJsonArray intArray(const QList<int> &values)
{
    QJsonArray out;
    for (int v : values)
        out.append(v);
    return out;
}

QJsonObject pageSetupJson(const PageSetupFacts &p)
{
    return QJsonObject{
        {"hasPrinterSettings", p.hasPrinterSettings}, {"paperSize", p.paperSize},
        {"orientation", p.orientation}, {"zoom", p.fitToPage ? QJsonValue(false) : QJsonValue(p.zoom)},
        {"fitToPagesWide", p.fitToPage ? QJsonValue(p.fitToPagesWide) : QJsonValue(false)},
        {"fitToPagesTall", p.fitToPage ? QJsonValue(p.fitToPagesTall) : QJsonValue(false)},
        {"firstPageNumber", p.firstPageNumber}, {"order", p.order},
        {"blackAndWhite", p.blackAndWhite}, {"draft", p.draft},
        {"printComments", p.printComments}, {"printQuality", intArray(p.printQuality)},
        {"leftMargin", p.leftMargin}, {"rightMargin", p.rightMargin},
        {"topMargin", p.topMargin}, {"bottomMargin", p.bottomMargin},
        {"headerMargin", p.headerMargin}, {"footerMargin", p.footerMargin},
        {"leftHeader", p.leftHeader}, {"centerHeader", p.centerHeader}, {"rightHeader", p.rightHeader},
        {"leftFooter", p.leftFooter}, {"centerFooter", p.centerFooter}, {"rightFooter", p.rightFooter},
        {"centerHorizontally", p.centerHorizontally}, {"centerVertically", p.centerVertically},
        {"printGridlines", p.printGridlines}, {"printHeadings", p.printHeadings},
        {"printArea", p.printArea}, {"printTitleRows", p.printTitleRows},
        {"printTitleColumns", p.printTitleColumns},
    };
}

QJsonObject infoJson(const QString &path, const QString &password)
{
    BookFile book;
    const BookFileError error = book.open(path, password);
    if (error)
        return QJsonObject{{"file", path}, {"error", error.message}, {"errorCode", int(error.code)}};
    QJsonArray sheets;
    for (const SheetFacts &s : book.sheets()) {
        sheets.append(QJsonObject{
            {"name", s.name}, {"kind", kindName(s.kind)}, {"visibility", int(s.visibility)},
            {"protected", s.contentsProtected}, {"embeddedCharts", s.embeddedCharts},
            {"lastRow", s.lastRow}, {"lastColumn", s.lastColumn},
            {"rowBreaks", intArray(s.rowBreaks)}, {"columnBreaks", intArray(s.columnBreaks)},
            {"pageSetup", pageSetupJson(s.pageSetup)},
        });
    }
    QJsonArray modules;
    for (const VbaModuleFacts &m : book.vbaModules())
        modules.append(QJsonObject{{"name", m.name}, {"kind", m.kind}});
    return QJsonObject{
        {"file", path}, {"sheets", sheets},
        {"structureProtected", book.structureProtected()}, {"windowsProtected", book.windowsProtected()},
        {"encryption", book.encryptionName()}, {"vbaProject", book.hasVbaProject()},
        {"vbaModules", modules},
    };
}

int sheetIndex(const BookFile &book, const QString &arg)
{
    if (arg.startsWith(QLatin1Char('#'))) {
        bool ok = false;
        const int n = arg.mid(1).toInt(&ok);
        return ok ? n - 1 : -1;
    }
    return book.indexOf(arg);
}

int fail(const QString &message)
{
    QTextStream(stderr) << message << Qt::endl;
    return 1;
}

int edit(const QString &command, const QStringList &args, const QString &password)
{
    if (args.size() < 2)
        return fail(QStringLiteral("usage: bookfile-tool %1 BOOK SHEET ...").arg(command));
    BookFile book;
    if (const auto e = book.open(args[0], password))
        return fail(e.message);
    const int index = sheetIndex(book, args[1]);
    BookFileError error;
    if (command == QLatin1String("rename") && args.size() == 3)
        error = book.renameSheet(index, args[2]);
    else if (command == QLatin1String("hide"))
        error = book.setSheetVisibility(index, SheetVisibility::Hidden);
    else if (command == QLatin1String("veryhide"))
        error = book.setSheetVisibility(index, SheetVisibility::VeryHidden);
    else if (command == QLatin1String("show"))
        error = book.setSheetVisibility(index, SheetVisibility::Visible);
    else if (command == QLatin1String("move") && args.size() == 3) {
        const int position = args[2].toInt() - 1;
        error = book.moveSheets({index}, position > index ? position + 1 : position);
    } else if (command == QLatin1String("duplicate") && args.size() >= 3) {
        const int position = args.size() > 3 ? args[3].toInt() - 1 : book.sheetCount();
        error = book.duplicateSheet(index, args[2], position);
    } else if (command == QLatin1String("delete")) {
        QList<int> indexes;
        for (qsizetype i = 1; i < args.size(); ++i)
            indexes.append(sheetIndex(book, args[i]));
        error = book.deleteSheets(indexes);
    } else
        return fail(QStringLiteral("bookfile-tool: wrong arguments for %1").arg(command));
    if (error)
        return fail(error.message);
    if (const auto e = book.save())
        return fail(e.message);
    return 0;
}

// Takes "--before NAME" or "--after NAME" out of `args`: the position in
// `book` the sheets land in front of, or -1 for a name the book lacks.
int landingPosition(const BookFile &book, QStringList &args)
{
    for (const QString &flag : {QStringLiteral("--before"), QStringLiteral("--after")}) {
        const qsizetype at = args.indexOf(flag);
        if (at < 0 || at + 1 >= args.size())
            continue;
        const int index = sheetIndex(book, args[at + 1]);
        args.remove(at, 2);
        if (index < 0 || index >= book.sheetCount())
            return -1;
        return flag == QLatin1String("--before") ? index : index + 1;
    }
    return book.sheetCount();
}

QJsonArray procedureUsesJson(const QList<VbaProcedureUse> &uses)
{
    QJsonArray out;
    for (const VbaProcedureUse &use : uses)
        out.append(QJsonObject{{QStringLiteral("sheet"), use.sheet},
                               {QStringLiteral("module"), use.module},
                               {QStringLiteral("procedures"), QJsonArray::fromStringList(use.procedures)}});
    return out;
}

int transfer(const QString &command, QStringList args, const QString &password)
{
    if (args.size() < 3)
        return fail(QStringLiteral("usage: bookfile-tool %1 SRC TARGET SHEET... [--before|--after NAME]").arg(command));
    BookFile source, target;
    if (const auto e = source.open(args[0], password))
        return fail(e.message);
    if (const auto e = target.open(args[1], password))
        return fail(e.message);
    const int before = landingPosition(target, args);
    if (before < 0)
        return fail(QStringLiteral("bookfile-tool: no such sheet in %1").arg(args[1]));
    QList<int> indexes;
    for (qsizetype i = 2; i < args.size(); ++i) {
        const int index = sheetIndex(source, args[i]);
        if (index < 0 || index >= source.sheetCount())
            return fail(QStringLiteral("bookfile-tool: no sheet %1 in %2").arg(args[i], args[0]));
        indexes << index;
    }
    const bool move = command == QLatin1String("moveto");
    QStringList copies;
    QStringList sheets;
    for (int index : indexes)
        sheets << source.sheet(index).name;
    const BookFileError error = move ? target.moveSheetsFrom(source, indexes, before, &copies)
                                     : target.importSheets(source, indexes, before, &copies);
    if (error)
        return fail(error.message);
    // The target first: a failure in between leaves the sheets in both books.
    if (const auto e = target.save())
        return fail(e.message);
    if (move) {
        if (const auto e = source.save())
            return fail(e.message);
    }
    QJsonObject info = infoJson(args[1], password);
    info.insert(QStringLiteral("procedure_uses"), procedureUsesJson(target.lastProcedureUses()));
    // Each sheet came through the records (this tool has no other way).
    QJsonArray ways;
    for (qsizetype k = 0; k < copies.size(); ++k)
        ways.append(QJsonObject{{QStringLiteral("sheet"), sheets.value(k)}, {QStringLiteral("copy"), copies[k]},
                                {QStringLiteral("way"), QStringLiteral("records")}});
    info.insert(QStringLiteral("ways"), ways);
    QTextStream(stdout) << QJsonDocument(QJsonArray{info, infoJson(args[0], password)})
                               .toJson(QJsonDocument::Indented);
    return 0;
}

int combine(const QStringList &args, const QString &password)
{
    if (args.size() < 2)
        return fail(QStringLiteral("usage: bookfile-tool combine TARGET SRC..."));
    QList<BookCombine::Source> sources;
    for (qsizetype i = 1; i < args.size(); ++i)
        sources.append({args[i], {}, password});
    BookCombine::Result result;
    if (const auto e = BookCombine::run(args[0], sources, &result, password))
        return fail(e.message);
    QJsonObject info = infoJson(args[0], password);
    info.insert(QStringLiteral("skipped"), QJsonArray::fromStringList(result.skipped));
    QList<VbaProcedureUse> uses;
    QJsonArray ways; // each sheet: through the records, or left for the office and why
    for (qsizetype i = 0; i < result.bySource.size(); ++i) {
        const BookCombine::SourceResult &source = result.bySource[i];
        uses += source.procedureUses;
        for (const QString &copy : source.copied)
            ways.append(QJsonObject{{QStringLiteral("from"), sources[i].path}, {QStringLiteral("copy"), copy},
                                    {QStringLiteral("way"), QStringLiteral("records")}});
        for (qsizetype k = 0; k < source.refused.size(); ++k)
            ways.append(QJsonObject{{QStringLiteral("from"), sources[i].path}, {QStringLiteral("sheet"), source.refused[k]},
                                    {QStringLiteral("way"), QStringLiteral("office")},
                                    {QStringLiteral("why"), source.refusedWhy.value(k)}});
    }
    info.insert(QStringLiteral("ways"), ways);
    info.insert(QStringLiteral("procedure_uses"), procedureUsesJson(uses));
    QTextStream(stdout) << QJsonDocument(QJsonArray{info}).toJson(QJsonDocument::Indented);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString password;
    const qsizetype p = args.indexOf(QStringLiteral("--password"));
    if (p >= 0 && p + 1 < args.size()) {
        password = args[p + 1];
        args.remove(p, 2);
    }
    if (args.isEmpty())
        return fail(QStringLiteral("usage: bookfile-tool info|rename|hide|show|veryhide|move|delete|duplicate|copyto|moveto|combine BOOK ..."));
    const QString command = args.takeFirst();
    if (command == QLatin1String("info")) {
        QJsonArray out;
        for (const QString &path : args)
            out.append(infoJson(path, password));
        QTextStream(stdout) << QJsonDocument(out).toJson(QJsonDocument::Indented);
        return 0;
    }
    if (command == QLatin1String("combine"))
        return combine(args, password);
    if (command == QLatin1String("copyto") || command == QLatin1String("moveto"))
        return transfer(command, args, password);
    return edit(command, args, password);
}
