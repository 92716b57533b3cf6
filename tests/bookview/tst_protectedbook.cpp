#include "BookFile.h"
#include "BookImport.h"
#include "BookList.h"
#include "BookViewHarness.h"
#include "CompoundFile.h"
#include "IsolatedStore.h"
#include "cExcel.h"
#include "frmPageSetup.h"

#include <QAction>
#include <QCryptographicHash>
#include <QMimeData>
#include <QRadioButton>
#include <QUrl>
#include <QtEndian>

static IsolatedStore g_store;

namespace {

quint16 Word(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

// A book whose structure is protected, holding a hidden and a very hidden
// sheet: hidden_third_sheet.xls (Sheet3 hidden) with Sheet4 made very hidden
// and the book's PROTECT record set. Excel would also encrypt it with its
// default password; the readers take it either way. Empty when it cannot be made.
QString MakeProtectedBook(const QString &path)
{
    QFile fixture(QStringLiteral(QUIRN_FIXTURES_DIR "/hidden_third_sheet.xls"));
    if (!fixture.open(QIODevice::ReadOnly))
        return {};
    const auto container = quirn::CompoundFile::open(fixture.readAll());
    QByteArray stream;
    if (!container || !container->readStream(container->findTopLevelStream(QStringLiteral("Workbook")), &stream))
        return {};
    // The book's own records, up to their EOF.
    QByteArray globals;
    qsizetype at = 0;
    qsizetype protect = -1;
    QList<qsizetype> sheets; // BOUNDSHEET records, in the output
    while (at + 4 <= stream.size()) {
        const quint16 type = Word(stream, at);
        const qsizetype length = Word(stream, at + 4 - 2);
        if (type == 0x0012)
            protect = globals.size();
        if (type == 0x0085)
            sheets << globals.size();
        globals += stream.mid(at, 4 + length);
        at += 4 + length;
        if (type == 0x000A)
            break;
    }
    if (sheets.size() != 4)
        return {};
    QByteArray records = globals;
    qsizetype shift = 0;
    if (protect >= 0) {
        qToLittleEndian<quint16>(1, records.data() + protect + 4);
    } else {
        // After the BOF record; the sheets' substreams then start 6 bytes later.
        const QByteArray record = QByteArray::fromHex("120002000100");
        records.insert(4 + Word(records, 2), record);
        shift = record.size();
        for (qsizetype &sheet : sheets)
            sheet += shift;
    }
    for (qsizetype sheet : sheets)
        qToLittleEndian<quint32>(qFromLittleEndian<quint32>(records.constData() + sheet + 4) + quint32(shift),
                                 records.data() + sheet + 4);
    records[sheets.at(3) + 4 + 4] = char(2); // very hidden
    QString error;
    if (!container->writeCopy(path, container->findTopLevelStream(QStringLiteral("Workbook")),
                              records + stream.mid(at), &error))
        return {};
    return path;
}

QByteArray Digest(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

} // namespace

// A book whose structure is protected among the books of the window's
// copy and batch page setup commands: it gives no sheet away, and no page
// setup reaches its hidden sheets.
class tst_ProtectedBook : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void theMadeBookIsProtectedWithHiddenSheets();
    void copyLeavesItsSheetsOutAndSaysSo();
    void pageSetupSkipsItsHiddenSheets();

private:
    void Drop(const QStringList &paths);
    void Trigger(const QString &name);

    std::unique_ptr<frmMain> m_window;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_protected;
};

void tst_ProtectedBook::initTestCase()
{
    m_window = BookViewHarness::Window();
    QVERIFY(m_window);
    frmPageSetup::setScripted(true);
}

void tst_ProtectedBook::init()
{
    BookViewHarness::Script();
    frmPageSetup::resetScript();
    m_dir = std::make_unique<QTemporaryDir>();
    m_protected = MakeProtectedBook(m_dir->filePath("protected.xls"));
    QVERIFY(!m_protected.isEmpty());
}

void tst_ProtectedBook::cleanup()
{
    m_window->SheetsChanged = false;
    m_window->Books().SelectAll();
    if (m_window->Books().Count() > 0)
        m_window->Import().RemoveBooks();
    MessageBox::TakeShown();
}

void tst_ProtectedBook::Drop(const QStringList &paths)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    m_window->Import().Drop(data, QPoint(1, 1));
}

void tst_ProtectedBook::Trigger(const QString &name)
{
    QAction *action = m_window->Action(name);
    action->setEnabled(true);
    action->trigger();
}

void tst_ProtectedBook::theMadeBookIsProtectedWithHiddenSheets()
{
    using quirn::SheetVisibility;
    quirn::BookFile book;
    QVERIFY(!book.open(m_protected));
    QVERIFY(book.structureProtected());
    QCOMPARE(book.sheetCount(), 4);
    QCOMPARE(book.sheet(0).visibility, SheetVisibility::Visible);
    QCOMPARE(book.sheet(2).visibility, SheetVisibility::Hidden);
    QCOMPARE(book.sheet(3).visibility, SheetVisibility::VeryHidden);
    // The engine sees it so too.
    cExcel &excel = m_window->Excel();
    excel.OpenExcel(m_protected);
    QCOMPARE(excel.GetActiveWorkBookProtect(), qint16(1));
    QCOMPARE(excel.GetSheetCount(), qint16(4));
    excel.CloseExcel();
}

void tst_ProtectedBook::copyLeavesItsSheetsOutAndSaysSo()
{
    const QString plain = BookViewHarness::Copy(m_dir->path(), "print_titles_rows_cols.xls", "plain.xls");
    const QByteArray before = Digest(m_protected);
    Drop({m_protected, plain});
    m_window->Books().SelectAll();
    const QString target = m_dir->filePath("copied.xls");
    CommonDialog::queueAnswer(target);
    MessageBox::QueueAnswer(MessageBox::IDOK);
    MessageBox::QueueAnswer(MessageBox::IDNO);
    Trigger("mnuBookCopy");
    const auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 2);
    QVERIFY(shown.at(0).text.startsWith("次のｼｰﾄはｺﾋﾟｰできませんでした。\r\nprotected.xls: Sheet1 ("));
    QCOMPARE(shown.at(0).text.count("protected.xls: "), 4);
    QCOMPARE(shown.at(0).style, 0x30u);
    QVERIFY(shown.at(1).text.endsWith("へのｺﾋﾟｰが完了しました。ｺﾋﾟｰしたﾌﾞｯｸを開きますか？"));
    quirn::BookFile copied;
    QVERIFY(!copied.open(target));
    QCOMPARE(copied.sheetCount(), 4);
    QCOMPARE(copied.sheet(0).name, QString("Sheet1"));
    QVERIFY(!copied.structureProtected());
    QCOMPARE(Digest(m_protected), before);

    // Nothing but the protected book: nothing to copy, no book made.
    m_window->Books().DeselectAll();
    m_window->Books().Select(m_window->Books().FindItem(m_protected));
    const QString none = m_dir->filePath("none.xls");
    CommonDialog::queueAnswer(none);
    Trigger("mnuBookCopy");
    const auto refused = MessageBox::TakeShown();
    QCOMPARE(refused.size(), 2);
    QVERIFY(refused.at(1).text.endsWith(" にｺﾋﾟｰされたｼｰﾄはありません。"));
    QVERIFY(!QFile::exists(none));
    QCOMPARE(Digest(m_protected), before);
}

void tst_ProtectedBook::pageSetupSkipsItsHiddenSheets()
{
    const QString current = BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls", "current.xls");
    Drop({m_protected, current});
    QCOMPARE(m_window->ActiveBookPath, current);
    m_window->Books().SelectAll();
    m_window->ActivePane = 0;
    frmPageSetup::queueScript([](frmPageSetup &dialog) {
        dialog.findChild<QRadioButton *>("optLandscape")->setChecked(true);
        return true;
    });
    MessageBox::QueueAnswer(MessageBox::IDYES);
    Trigger("mnuFileProperties");
    MessageBox::TakeShown();

    using quirn::SheetVisibility;
    quirn::BookFile book;
    QVERIFY(!book.open(m_protected));
    QVERIFY(book.structureProtected());
    QCOMPARE(book.pageSetup(0).orientation, 2);
    QCOMPARE(book.pageSetup(1).orientation, 2);
    QVERIFY(book.pageSetup(2).orientation != 2);
    QVERIFY(book.pageSetup(3).orientation != 2);
    QCOMPARE(book.sheet(2).visibility, SheetVisibility::Hidden);
    QCOMPARE(book.sheet(3).visibility, SheetVisibility::VeryHidden);
    // In the current book, which allows changes, the hidden sheet has it too.
    quirn::BookFile other;
    QVERIFY(!other.open(current));
    QCOMPARE(other.pageSetup(2).orientation, 2);
    QCOMPARE(other.sheet(2).visibility, SheetVisibility::Hidden);
}

QTEST_MAIN(tst_ProtectedBook)
#include "tst_protectedbook.moc"
