// A book's sheet ids live in one record: sheets are added, by a copy within
// the book or from another book, only while that record can grow; past it
// the book is left as it was.

#include "BiffRecord.h"
#include "BookFile.h"
#include "HostileBooks.h"

#include <QTemporaryDir>
#include <QtTest>

using quirn::BookFile;
using quirn::BookFileError;
using namespace quirn::biff;

class tst_SheetIdLimit : public QObject
{
    Q_OBJECT

private slots:
    void sheetsAreAddedWhileTheirIdsFit();

private:
    QString bookWithSheetIds(int sheets);

    QTemporaryDir m_dir;
};

// A book of `sheets` empty worksheets whose ids fill a TABID record.
QString tst_SheetIdLimit::bookWithSheetIds(int sheets)
{
    QByteArray stream = HostileBooks::workbookStream(sheets);
    QByteArray ids;
    for (int i = 0; i < sheets; ++i)
        ids += le16(quint16(i + 1));
    const QByteArray tabId = le16(rtTabId) + le16(quint16(ids.size())) + ids;
    const qsizetype at = 4 + u16(stream, 2); // after the globals' BOF
    stream.insert(at, tabId);
    // The sheets' substreams moved by the record's size.
    for (qsizetype pos = at + tabId.size(); pos + 4 <= stream.size() && u16(stream, pos) != rtEof;
         pos += 4 + u16(stream, pos + 2)) {
        if (u16(stream, pos) == rtBoundSheet)
            put32(stream, pos + 4, quint32(u32(stream, pos + 4) + tabId.size()));
    }
    const QString path = m_dir.filePath(QStringLiteral("ids-%1.xls").arg(sheets));
    return HostileBooks::writeContainer(path, {{QStringLiteral("Workbook"), stream}}) ? path : QString();
}

void tst_SheetIdLimit::sheetsAreAddedWhileTheirIdsFit()
{
    const QString sourcePath = m_dir.filePath(QStringLiteral("source.xls"));
    QVERIFY(HostileBooks::writeBook(sourcePath, 1));
    BookFile source;
    QVERIFY(!source.open(sourcePath));

    // One id short of a full record: one sheet more fits, from either side.
    const QString roomy = bookWithSheetIds(4111);
    QVERIFY(!roomy.isEmpty());
    for (const bool fromAnotherBook : {false, true}) {
        BookFile book;
        QVERIFY(!book.open(roomy));
        const BookFileError error = fromAnotherBook ? book.importSheets(source, {0}, 0)
                                                    : book.duplicateSheet(0, QStringLiteral("Copy"), 0);
        QVERIFY2(!error, qPrintable(error.message));
        QCOMPARE(book.sheetCount(), 4112);
        QVERIFY(!book.saveAs(m_dir.filePath(QStringLiteral("roomy-%1.xls").arg(fromAnotherBook))));
        BookFile saved;
        QVERIFY(!saved.open(m_dir.filePath(QStringLiteral("roomy-%1.xls").arg(fromAnotherBook))));
        QCOMPARE(saved.sheetCount(), 4112);
    }

    // A full record: refused, and the book stays as it was.
    const QString full = bookWithSheetIds(4112);
    QVERIFY(!full.isEmpty());
    for (const bool fromAnotherBook : {false, true}) {
        BookFile book;
        QVERIFY(!book.open(full));
        const BookFileError error = fromAnotherBook ? book.importSheets(source, {0}, 0)
                                                    : book.duplicateSheet(0, QStringLiteral("Copy"), 0);
        QCOMPARE(error.code, BookFileError::Code::Unsupported);
        QCOMPARE(book.sheetCount(), 4112);
        QCOMPARE(book.sheet(0).name, QStringLiteral("S1"));
        QVERIFY(!book.isModified());
    }
}

QTEST_GUILESS_MAIN(tst_SheetIdLimit)
#include "tst_sheetidlimit.moc"
