#include "BookImport.h"
#include "BookList.h"
#include "BookViewHarness.h"
#include "IsolatedStore.h"
#include "OfficeProcess.h"
#include "SheetList.h"
#include "VirtualDisplay.h"
#include "cExcel.h"

#include <QAction>
#include <QLabel>
#include <QMimeData>
#include <QUrl>

static IsolatedStore g_store;

// Handing the active book to the user in a real office window, on a display
// of the test's own with a window manager. Without a display this test fails.
class tst_BookHandOver : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
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
    // The next action asks to close that window; the office closes it.
    MessageBox::QueueAnswer(MessageBox::IDYES);
    QVERIFY(m_window->ConfirmExcelClosed());
    QTRY_VERIFY2_WITH_TIMEOUT(OfficeProcess::findUserProcess().isEmpty(), "the user's office did not close", 60000);
    Globals::ExcelHandedOver = false;
    // The sheet view still works: the engine reopens the book when needed.
    m_window->Books().DeselectAll();
    m_window->Sheets().ItemClick(1, Qt::NoModifier);
    QVERIFY(m_window->Excel().ExcelStatus());
    QCOMPARE(m_window->Title(1)->text(), QString("Sheet2"));
}

void tst_BookHandOver::cleanupTestCase()
{
    m_window.reset();
    m_display.stop();
}

QTEST_MAIN(tst_BookHandOver)
#include "tst_bookhandover.moc"
