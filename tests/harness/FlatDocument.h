#pragma once

#include "TestTool.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <utility>

// Books LibreOffice writes for a test from the tables of a flat document
// (its <table:table> and <table:named-expressions> elements), with a few
// styles at hand: "hid" a hidden table, "bold" a bold red cell of three
// decimals and " kg". One office run converts them all into `folder`.
class FlatDocument
{
public:
    // (name, tables) to `folder`/name.xls; the paths, empty after a failure.
    static QStringList Books(const QString &folder, const QList<std::pair<QString, QByteArray>> &books)
    {
        QTemporaryDir made;
        QStringList inputs;
        for (const auto &[name, tables] : books) {
            QFile f(made.filePath(name + QStringLiteral(".fods")));
            if (!f.open(QIODevice::WriteOnly))
                return {};
            f.write(Document(tables));
            inputs << f.fileName();
        }
        if (!TestTool::Convert(QStringLiteral("xls:MS Excel 97"), inputs, folder, made.filePath(QStringLiteral("profile"))))
            return {};
        QStringList paths;
        for (const auto &book : books)
            paths << QDir(folder).filePath(book.first + QStringLiteral(".xls"));
        return paths;
    }

    static QByteArray Document(const QByteArray &tables)
    {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document "
               "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
               "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
               "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
               "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
               "xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\" "
               "xmlns:number=\"urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0\" "
               "xmlns:of=\"urn:oasis:names:tc:opendocument:xmlns:of:1.2\" office:version=\"1.2\" "
               "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\"><office:automatic-styles>"
               "<style:style style:name=\"hid\" style:family=\"table\"><style:table-properties table:display=\"false\"/></style:style>"
               "<number:number-style style:name=\"N9\"><number:number number:decimal-places=\"3\" number:min-integer-digits=\"1\"/>"
               "<number:text> kg</number:text></number:number-style>"
               "<style:style style:name=\"bold\" style:family=\"table-cell\" style:data-style-name=\"N9\">"
               "<style:text-properties fo:font-weight=\"bold\" fo:color=\"#c00000\"/></style:style>"
               "</office:automatic-styles><office:body><office:spreadsheet>"
               + tables + "</office:spreadsheet></office:body></office:document>\n";
    }

    // Two books that both define the workbook name "Rate", each differently
    // (10 and 20), and "Same" alike; the source's sheet "Calc" uses both, and
    // its "Spot" refers to its sheet "Data" with no formula using it.
    static constexpr const char *NamedSource =
        "<table:table table:name=\"Calc\"><table:table-row>"
        "<table:table-cell table:formula=\"of:=Rate*2\"/><table:table-cell table:formula=\"of:=Same+1\"/>"
        "</table:table-row></table:table><table:table table:name=\"Data\"><table:table-row>"
        "<table:table-cell office:value-type=\"float\" office:value=\"5\"/></table:table-row></table:table>"
        "<table:named-expressions>"
        "<table:named-expression table:name=\"Rate\" table:base-cell-address=\"$Calc.$A$1\" table:expression=\"of:=10\"/>"
        "<table:named-expression table:name=\"Same\" table:base-cell-address=\"$Calc.$A$1\" table:expression=\"of:=7\"/>"
        "<table:named-range table:name=\"Spot\" table:base-cell-address=\"$Data.$A$1\" "
        "table:cell-range-address=\"$Data.$A$1\"/></table:named-expressions>";
    static constexpr const char *NamedTarget =
        "<table:table table:name=\"Sheet1\"><table:table-row><table:table-cell office:value-type=\"string\">"
        "<text:p>x</text:p></table:table-cell></table:table-row></table:table><table:named-expressions>"
        "<table:named-expression table:name=\"Rate\" table:base-cell-address=\"$Sheet1.$A$1\" table:expression=\"of:=20\"/>"
        "<table:named-expression table:name=\"Same\" table:base-cell-address=\"$Sheet1.$A$1\" table:expression=\"of:=7\"/>"
        "</table:named-expressions>";
};
