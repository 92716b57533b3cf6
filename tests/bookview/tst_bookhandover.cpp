#include "BookImport.h"
#include "BookList.h"
#include "BookViewHarness.h"
#include "IsolatedStore.h"
#include "OfficeProcess.h"
#include "SheetList.h"
#include "cListView.h"
#include "VirtualDisplay.h"
#include "cExcel.h"

#include <QAbstractItemView>
#include <QAction>
#include <QLabel>
#include <QMimeData>
#include <QStandardItemModel>
#include <QUrl>

static IsolatedStore g_store;

// Handing the active book to the user in a real office window, on a display
// of the test's own with a window manager. Without a display this test fails.
class tst_BookHandOver : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void warnsOfWhatTheOfficeWouldLoseAndCancelKeepsTheBook();
    void showsTheBookInAWindowOfItsOwn();
    void cleanupTestCase();

private:
    VirtualDisplay m_display;
    std::unique_ptr<frmMain> m_window;
    QTemporaryDir m_dir;
};

void tst_BookHandOver::initTestCase()
{
    const QString failure = m_display.start();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    // The window itself stays off screen; the office gets the display.
    qputenv("DISPLAY", m_display.name().toLocal8Bit());
    qunsetenv("WAYLAND_DISPLAY");
    qunsetenv("QT_QPA_PLATFORM");
    QVERIFY(OfficeProcess::displayAvailable());
    m_window = BookViewHarness::Window();
    QVERIFY(m_window);
}

void tst_BookHandOver::showsTheBookInAWindowOfItsOwn()
{
    const QString book = BookViewHarness::Copy(m_dir.path(), "hidden_third_sheet.xls", "shown.xls");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(book)});
    m_window->Import().Drop(data, QPoint(1, 1));
    QCOMPARE(m_window->ActiveBookPath, book);

    m_window->Action("mnuExcelOpen")->trigger();
    QVERIFY(MessageBox::TakeShown().isEmpty());
    QVERIFY(Globals::ExcelHandedOver);
    QVERIFY(!m_window->Excel().ExcelStatus());
    QCOMPARE(OfficeProcess::findUserProcess().size(), 1);
    // A click on another book asks to close that window; the office closes
    // it and the book clicked is opened.
    const QString other = BookViewHarness::Copy(m_dir.path(), "japanese_sheet_names.xls", "other.xls");
    m_window->Books().AddBookItem(other);
    QAbstractItemView *books = m_window->BookView()->currentView();
    const QRect item = books->visualRect(m_window->BookView()->model()->index(m_window->Books().FindItem(other), 0));
    MessageBox::QueueAnswer(MessageBox::IDYES);
    QTest::mouseClick(books->viewport(), Qt::LeftButton, {}, item.center());
    QCOMPARE(MessageBox::TakeShown().size(), 1);
    QVERIFY(OfficeProcess::findUserProcess().isEmpty());
    QVERIFY(!Globals::ExcelHandedOver);
    QCOMPARE(m_window->ActiveBookPath, other);
    QCOMPARE(m_window->Title(0)->text(), other);
    // The sheet view still works: the engine reopens the book when needed.
    m_window->Books().DeselectAll();
    m_window->Sheets().ItemClick(1, Qt::NoModifier);
    QVERIFY(m_window->Excel().ExcelStatus());
    QCOMPARE(m_window->Title(1)->text(), m_window->Sheets().Text(1));
}

void tst_BookHandOver::warnsOfWhatTheOfficeWouldLoseAndCancelKeepsTheBook()
{
    const QString book = BookViewHarness::Copy(m_dir.path(), "chartsheet_data_chart.xls", "chart.xls");
    QFile original(book);
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QByteArray before = original.readAll();
    original.close();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(book)});
    m_window->Import().Drop(data, QPoint(1, 1));
    QCOMPARE(m_window->ActiveBookPath, book);
    QVERIFY(m_window->Excel().RenameSheet("Data", "Numbers").isEmpty());
    m_window->SheetsChanged = true;

    MessageBox::QueueAnswer(MessageBox::IDOK);
    MessageBox::QueueAnswer(MessageBox::IDCANCEL);
    m_window->Action("mnuExcelOpen")->trigger();
    const auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown.at(0).text, QString("Quirnで変更した内容が保存されていませんが Ecxelで開きますか。"));
    QVERIFY(shown.at(1).text.startsWith("\"chart.xls\" を Microsoft Excel で保存すると、次の内容が失われます。\r\n\r\n・"));
    QVERIFY(shown.at(1).text.contains("グラフ シート (ワークシートに変わります)"));
    QVERIFY(shown.at(1).text.endsWith("このまま開きますか？"));
    QCOMPARE(shown.at(1).style, 0x131u);

    // Cancel: nothing went over; the change is still Quirn's, unsaved.
    QVERIFY(!Globals::ExcelHandedOver);
    QVERIFY(OfficeProcess::findUserProcess().isEmpty());
    QVERIFY(m_window->Excel().ExcelStatus());
    QVERIFY(m_window->SheetsChanged);
    QCOMPARE(m_window->Excel().GetSheetName(1), QString("Numbers"));
    QVERIFY(original.open(QIODevice::ReadOnly));
    QCOMPARE(original.readAll(), before);

    m_window->SheetsChanged = false;
    m_window->Books().SelectAll();
    m_window->Import().RemoveBooks();
    MessageBox::TakeShown();
}

void tst_BookHandOver::cleanupTestCase()
{
    m_window.reset();
    m_display.stop();
}

QTEST_MAIN(tst_BookHandOver)
#include "tst_bookhandover.moc"
