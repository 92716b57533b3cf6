// quirn-probe BOOK...
// Opens each book through the gateway, as a book selection does, and prints
// per book the sheet count, each sheet's name and attribute word, the book's
// protection and its code modules, or the error number and text.

#include "MessageBox.h"
#include "cExcel.h"

#include <QApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

QJsonObject probe(cExcel &excel, const QString &path)
{
    QJsonObject result;
    result[QStringLiteral("path")] = path;
    try {
        excel.CloseExcel();
        excel.OpenBook(path);
    } catch (const ExcelError &error) {
        result[QStringLiteral("error")] = error.number();
        result[QStringLiteral("text")] = error.description();
        return result;
    }
    const QString book = QFileInfo(path).fileName();
    const qint16 count = excel.GetSheetCount();
    result[QStringLiteral("sheetCount")] = count;
    QJsonArray sheets;
    for (qint16 i = 1; i <= count; ++i) {
        const QString name = excel.GetSheetName(i);
        sheets.append(QJsonObject{{QStringLiteral("name"), name},
                                  {QStringLiteral("attribute"), excel.GetSheetAttribute(book, name)}});
    }
    result[QStringLiteral("sheets")] = sheets;
    result[QStringLiteral("protect")] = excel.GetActiveWorkBookProtect();
    QStringList modules;
    QList<int> types;
    try {
        result[QStringLiteral("macros")] = excel.CheckMacroObject(modules, types);
        QJsonArray list;
        for (int i = 0; i < modules.size(); ++i)
            list.append(QJsonObject{{QStringLiteral("name"), modules.at(i)},
                                    {QStringLiteral("type"), types.at(i)}});
        result[QStringLiteral("modules")] = list;
    } catch (const ExcelError &error) {
        result[QStringLiteral("macroError")] = error.description();
    }
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
    // A command-line tool: it never needs a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MessageBox::SetTestMode(true); // the probe never waits for a person
    const QStringList paths = app.arguments().mid(1);
    if (paths.isEmpty()) {
        std::fprintf(stderr, "usage: quirn-probe BOOK...\n");
        return 2;
    }
    cExcel excel;
    QJsonArray books;
    for (const QString &path : paths)
        books.append(probe(excel, path));
    excel.CloseExcel();
    std::fputs(QJsonDocument(books).toJson().constData(), stdout);
    return 0;
}
