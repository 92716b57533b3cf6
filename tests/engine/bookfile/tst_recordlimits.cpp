// Nothing is written beyond what Excel reads: a header or footer of at most
// 255 characters, a print area whose name fits in one record. What is
// written at the limit reads back, in the records and in the office.

#include "BookFile.h"
#include "TestBooks.h"
#include "OfficeDocument.h"
#include "OfficeProcess.h"
#include "OfficeTestEnvironment.h"

#include <QtTest>

using quirn::BookFile;
using quirn::BookFileError;
using quirn::PageSetupFacts;

class tst_RecordLimits : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void headersAndFootersStopAt255Characters();
    void printAreasFitInOneRecord();
    void cleanupTestCase();

private:
    QString copyOf(const QString &fixture, const QString &as);
    void checkOfficeReads(const QString &path, int sheets);

    OfficeTestEnvironment m_environment;
    QTemporaryDir m_work;
    std::unique_ptr<OfficeProcess> m_office;
};

namespace {

// Single cells in every other row of column A: `count` areas.
QString areaList(int count)
{
    QStringList areas;
    for (int i = 0; i < count; ++i)
        areas << QStringLiteral("$A$%1").arg(2 * i + 1);
    return areas.join(QLatin1Char(','));
}

} // namespace

void tst_RecordLimits::initTestCase()
{
    m_office = std::make_unique<OfficeProcess>();
    m_office->start();
}

void tst_RecordLimits::cleanupTestCase()
{
    m_office.reset();
}

QString tst_RecordLimits::copyOf(const QString &fixture, const QString &as)
{
    return TestBooks::Copy(m_work.path(), fixture, as);
}

void tst_RecordLimits::checkOfficeReads(const QString &path, int sheets)
{
    std::unique_ptr<OfficeDocument> document = OfficeDocument::load(*m_office, path);
    QCOMPARE(document->sheetCount(), sheets);
    QVERIFY(document->pageCount(document->sheetName(0)) >= 1);
}

void tst_RecordLimits::headersAndFootersStopAt255Characters()
{
    const QString path = copyOf(QStringLiteral("hidden_third_sheet.xls"), QStringLiteral("headers.xls"));
    BookFile book;
    QVERIFY(!book.open(path));
    PageSetupFacts setup = book.pageSetup(0);
    // "&L" + 120 + "&C" + 131 wide characters: 255 in all.
    setup.leftHeader = QString(120, QChar(0x898B));
    setup.centerHeader = QString(131, QChar(0x7A4D));
    setup.rightHeader.clear();
    setup.leftFooter = QString(253, QLatin1Char('f'));
    setup.centerFooter.clear();
    setup.rightFooter.clear();

    PageSetupFacts tooLong = setup;
    tooLong.centerHeader += QLatin1Char('x');
    QCOMPARE(book.setPageSetup(0, tooLong).code, BookFileError::Code::TooLong);
    tooLong = setup;
    tooLong.rightFooter = QStringLiteral("x");
    QCOMPARE(book.setPageSetup(0, tooLong).code, BookFileError::Code::TooLong);
    QVERIFY(!book.isModified());

    QVERIFY(!book.setPageSetup(0, setup));
    QVERIFY(!book.save());
    BookFile reread;
    QVERIFY(!reread.open(path));
    QCOMPARE(reread.pageSetup(0).leftHeader, setup.leftHeader);
    QCOMPARE(reread.pageSetup(0).centerHeader, setup.centerHeader);
    QCOMPARE(reread.pageSetup(0).leftFooter, setup.leftFooter);
    checkOfficeReads(path, reread.sheetCount());
}

void tst_RecordLimits::printAreasFitInOneRecord()
{
    const QString path = copyOf(QStringLiteral("hidden_third_sheet.xls"), QStringLiteral("areas.xls"));
    BookFile book;
    QVERIFY(!book.open(path));
    PageSetupFacts setup = book.pageSetup(0);
    // Each area takes 12 bytes of the name's formula: 700 do not fit in 8,224.
    setup.printArea = areaList(700);
    QCOMPARE(book.setPageSetup(0, setup).code, BookFileError::Code::TooLong);
    QVERIFY(!book.isModified());

    setup.printArea = areaList(600);
    QVERIFY(!book.setPageSetup(0, setup));
    QVERIFY(!book.save());
    BookFile reread;
    QVERIFY(!reread.open(path));
    QCOMPARE(reread.pageSetup(0).printArea.count(QLatin1Char(',')), 599);
    checkOfficeReads(path, reread.sheetCount());
}

QTEST_GUILESS_MAIN(tst_RecordLimits)
#include "tst_recordlimits.moc"
