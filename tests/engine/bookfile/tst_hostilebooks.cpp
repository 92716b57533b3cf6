// Books built to make the reader work far beyond their size: a VBA project
// that expands without end, books with more sheets than the program counts.
// Each must get an answer, never exhaust the machine.

#include "BookFile.h"
#include "HostileBooks.h"
#include "VbaProjectReader.h"

#include <QTemporaryDir>
#include <QtTest>

using quirn::BookFile;
using quirn::BookFileError;
using quirn::VbaProjectReader;

class tst_HostileBooks : public QObject
{
    Q_OBJECT

private slots:
    void vbaProjectThatExpandsTooFarIsRefused();
    void bookWithExpandingVbaProjectStillOpens();
    void sheetCountUpToTheLimitOpens();
    void moreSheetsThanTheLimitAreRefused();

private:
    QTemporaryDir m_dir;
};

void tst_HostileBooks::vbaProjectThatExpandsTooFarIsRefused()
{
    QByteArray out;
    // A real project's information, however many modules, stays far below the limit.
    QVERIFY(VbaProjectReader::decompress(HostileBooks::expandingContainer(1 << 20), &out));
    QCOMPARE(out.size(), 1 << 20);

    const QByteArray bomb = HostileBooks::expandingContainer(qint64(64) << 20);
    QVERIFY(!VbaProjectReader::decompress(bomb, &out));
    QVERIFY(out.isEmpty());
    QVERIFY(!VbaProjectReader::decompress(HostileBooks::expandingContainer(4096 * 3), &out, 4096 * 2));

    VbaProjectReader reader;
    QVERIFY(!reader.read(bomb, "Module=Module1\r\n"));
    QVERIFY(reader.modules().isEmpty());
    QCOMPARE(reader.error().code, BookFileError::Code::Damaged);
    QVERIFY2(reader.error().message.contains(QStringLiteral("大きすぎる")), qPrintable(reader.error().message));

    QVERIFY(reader.read(HostileBooks::smallVbaDir(), "Module=Module1\r\n"));
    QCOMPARE(reader.modules().size(), 1);
    QCOMPARE(reader.modules().first().name, QStringLiteral("Module1"));
}

void tst_HostileBooks::bookWithExpandingVbaProjectStillOpens()
{
    const QString path = m_dir.filePath(QStringLiteral("bomb.xls"));
    QVERIFY(HostileBooks::writeVbaBomb(path, qint64(256) << 20));
    BookFile book;
    const BookFileError error = book.open(path);
    QVERIFY2(!error, qPrintable(error.message));
    QCOMPARE(book.sheetCount(), 1);
    QVERIFY(book.hasVbaProject());
    QVERIFY(book.vbaModules().isEmpty());
    QVERIFY(book.vbaProjectError().message.contains(QStringLiteral("大きすぎる")));
}

void tst_HostileBooks::sheetCountUpToTheLimitOpens()
{
    const QString path = m_dir.filePath(QStringLiteral("most.xls"));
    QVERIFY(HostileBooks::writeBook(path, 32767));
    BookFile book;
    const BookFileError error = book.open(path);
    QVERIFY2(!error, qPrintable(error.message));
    QCOMPARE(book.sheetCount(), 32767);
    QCOMPARE(book.sheet(32766).name, QStringLiteral("S32767"));
    QCOMPARE(book.indexOf(QStringLiteral("s32767")), 32766);
    QCOMPARE(book.indexOf(QStringLiteral("S1")), 0);
    QCOMPARE(book.indexOf(QStringLiteral("S32768")), -1);
    // No room for one more.
    QCOMPARE(book.duplicateSheet(0, QStringLiteral("Copy"), 0).code, BookFileError::Code::Unsupported);
    QCOMPARE(book.sheetCount(), 32767);

    // Names that differ only in case are one name to the index, as to Excel.
    QVERIFY(!book.renameSheet(1, QStringLiteral("Ä data")));
    QCOMPARE(book.indexOf(QStringLiteral("ä DATA")), 1);
    QCOMPARE(book.indexOf(QStringLiteral("S2")), -1);
}

void tst_HostileBooks::moreSheetsThanTheLimitAreRefused()
{
    for (const int sheets : {32768, 40000}) {
        const QString path = m_dir.filePath(QStringLiteral("too-many-%1.xls").arg(sheets));
        QVERIFY(HostileBooks::writeBook(path, sheets));
        BookFile book;
        const BookFileError error = book.open(path);
        QCOMPARE(error.code, BookFileError::Code::NotReadable);
        QVERIFY2(error.message.contains(QString::number(sheets)), qPrintable(error.message));
        QVERIFY(!book.isOpen());
        QCOMPARE(book.sheetCount(), 0);
    }
}

QTEST_GUILESS_MAIN(tst_HostileBooks)
#include "tst_hostilebooks.moc"
