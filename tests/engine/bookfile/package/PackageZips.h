#pragma once

// ZIP files and package books made by the tests, honest or hostile.

#include <QByteArray>
#include <QList>
#include <QString>

namespace quirn::test {

struct ZipPart
{
    ZipPart(const QString &name, const QByteArray &content, bool deflate = true)
        : name(name), content(content), deflate(deflate) {}

    QString name;
    QByteArray content;
    bool deflate = true;
    bool descriptor = false;  // sizes in a data descriptor after the data
    qint64 declaredSize = -1; // a size to claim instead of the true one
    QString localName;        // a local header name differing from the central one
};

QByteArray makeZip(const QList<ZipPart> &parts);

// The parts of a book of worksheets named `sheets`; `workbookExtra` goes
// inside <workbook> after <sheets>, `sheetXml` is every sheet part's content.
QList<ZipPart> bookParts(const QStringList &sheets, const QByteArray &workbookExtra = QByteArray(),
                         const QByteArray &sheetXml = QByteArray());
QByteArray makeBook(const QStringList &sheets);

} // namespace quirn::test
