#include "BookImport.h"
#include "BookList.h"
#include "BookPresentation.h"
#include "BookSelection.h"
#include "BookViewHarness.h"
#include "ElidedLabel.h"
#include "IsolatedStore.h"
#include "SettingsStore.h"
#include "SheetList.h"
#include "WarningSetting.h"
#include "cExcel.h"
#include "cListView.h"
#include "frmWarninng1.h"

#include <QAction>
#include <QHelpEvent>
#include <QLayout>
#include <QLabel>
#include <QMimeData>
#include <QStatusBar>
#include <QUrl>

static IsolatedStore g_store;

// The book window as a user sees it: titles, markers, status bar, pointer,
// dialog placement and the order of the books.
class tst_BookWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void macroCheckKeepsTheOneStatusBar();
    void statusPanelsStayInsideTheWindow();
    void unopenableBookForgetsThePreviousSheetAndSaysWhy();
    void sameFirstSheetNameInTheNextBookGetsItsOwnMarks();
    void droppingTheActiveBookAgainKeepsItsMarker();
    void warningDialogSitsOverTheMainWindow();
    void booksSortByLocaleIgnoringCase();
    void onlyTheToolbarStoresTheViewModeAtOnce();
    void longPathIsShortenedInTheMiddle();

private:
    void Drop(const QStringList &paths);
    QStringList Names() const;

    std::unique_ptr<frmMain> m_window;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_BookWindow::initTestCase()
{
    m_window = BookViewHarness::Window();
    QVERIFY(m_window);
}

void tst_BookWindow::init()
{
    BookViewHarness::Script();
    m_dir = std::make_unique<QTemporaryDir>();
    BookViewHarness::FreshSettings();
}

void tst_BookWindow::cleanup()
{
    BookViewHarness::RemoveAllBooks(*m_window);
    m_window->Reserve.Reset();
    MessageBox::TakeShown();
    WarningSeam::TakeShown();
}

void tst_BookWindow::Drop(const QStringList &paths)
{
    BookViewHarness::Drop(*m_window, paths);
}

QStringList tst_BookWindow::Names() const
{
    QStringList names;
    for (int row = 0; row < m_window->Books().Count(); ++row)
        names << m_window->Books().Text(row);
    return names;
}

void tst_BookWindow::macroCheckKeepsTheOneStatusBar()
{
    WarningSetting::Write("Warninng3", "11");
    Drop({BookViewHarness::Copy(m_dir->path(), "vba_module1.xls")});
    const auto shown = WarningSeam::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().form, QString("frmMacroWarninng"));
    // The warning waits for the user under the normal pointer.
    QCOMPARE(shown.first().pointer, Qt::ArrowCursor);
    // The window has its one status bar, in the client area, and shows it.
    const QList<QStatusBar *> bars = m_window->findChildren<QStatusBar *>();
    QCOMPARE(bars.size(), 1);
    QCOMPARE(bars.first()->objectName(), QString("sbStatusBar"));
    QVERIFY(bars.first()->isVisible());
    QVERIFY(m_window->rect().contains(bars.first()->geometry().translated(bars.first()->parentWidget()->pos())));
}

void tst_BookWindow::statusPanelsStayInsideTheWindow()
{
    m_window->resize(m_window->ToPixels(9600), m_window->ToPixels(7000));
    QCoreApplication::processEvents();
    m_window->SetPanelText(1, BookSelection::SelectionCountText(120, 1200) + QString(20, u'x'));
    m_window->SetPanelText(2, QStringLiteral("ﾌﾞｯｸﾋﾞｭｰ"));
    m_window->SetPanelText(3, QStringLiteral("12ｼｰﾄ選択"));
    auto *bar = m_window->findChild<QStatusBar *>("sbStatusBar");
    bar->layout()->activate();
    for (int i = 1; i <= 3; ++i) {
        auto *panel = bar->findChild<QLabel *>(QStringLiteral("sbStatusBar_Panel%1").arg(i));
        QVERIFY2(bar->rect().contains(panel->geometry()), qPrintable(QStringLiteral("panel %1 is cut off").arg(i)));
    }
    m_window->SetPanelText(1, QString());
}

void tst_BookWindow::unopenableBookForgetsThePreviousSheetAndSaysWhy()
{
    const QString good = BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls", "good.xls");
    const QString broken = BookViewHarness::Copy(m_dir->path(), "truncated_simplemacro.xls", "broken.xls");
    const QString empty = m_dir->path() + "/empty.xls";
    QFile(empty).open(QIODevice::WriteOnly);
    Drop({good});
    QCOMPARE(m_window->Title(1)->text(), QString("Sheet1"));

    Drop({broken});
    auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    // The engine's own reason, not a guess among three.
    QCOMPARE(shown.first().text, "ﾌｧｲﾙ\"" + broken + "\"を開けませんでした。\n"
                                     + m_window->Excel().LastOpenError());
    QVERIFY(shown.first().text.contains("壊れて"));
    QCOMPARE(shown.first().pointer, Qt::ArrowCursor);
    QCOMPARE(m_window->Sheets().Count(), 0);
    QVERIFY(m_window->Title(1)->text().isEmpty());
    QVERIFY(m_window->Title(2)->text().isEmpty());
    QCOMPARE(m_window->Title(0)->text(), broken);
    // The panels tell what is there: no sheet selected, the opening over.
    QVERIFY(m_window->PanelText(3).isEmpty());
    QCOMPARE(m_window->PanelText(1), BookSelection::SelectionCountText(1, 2));

    Drop({empty});
    shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QVERIFY(shown.first().text.startsWith("ﾌｧｲﾙ\"" + empty + "\"を開けませんでした。\n"));
    QVERIFY(!m_window->Excel().LastOpenError().isEmpty());
    QVERIFY(m_window->Title(1)->text().isEmpty());
}

void tst_BookWindow::sameFirstSheetNameInTheNextBookGetsItsOwnMarks()
{
    const QString first = BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls", "first.xls");
    const QString second = BookViewHarness::Copy(m_dir->path(), "vba_module1.xls", "second.xls");
    // Sheet1 of the first book is reserved for printing.
    ReserveBookEntry entry;
    entry.Path = first;
    entry.Reserved = true;
    entry.Sheets = {{QStringLiteral("Sheet1"), true}};
    m_window->Reserve.Entries = {entry};
    Drop({first});
    QCOMPARE(m_window->Title(1)->text(), QString("Sheet1"));
    QCOMPARE(m_window->Title(2)->text(), QString("印刷予約"));

    // The second book's first sheet has the same name and is not reserved.
    Drop({second});
    QCOMPARE(m_window->ActiveBookPath, second);
    QCOMPARE(m_window->Title(1)->text(), QString("Sheet1"));
    QVERIFY(m_window->Title(2)->text().isEmpty());
    QVERIFY(m_window->Action("SheetPopDisplay")->isChecked());
    QVERIFY(m_window->Action("tbProperties")->isEnabled());
}

void tst_BookWindow::droppingTheActiveBookAgainKeepsItsMarker()
{
    const QString book = BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls", "readonly.xls");
    BookViewHarness::MakeReadOnly(book);
    Drop({book});
    QCOMPARE(m_window->BookRestriction, 3);
    QCOMPARE(m_window->Title(3)->text(), QString("読取専用"));
    Drop({book});
    QCOMPARE(m_window->BookRestriction, 3);
    QCOMPARE(m_window->Title(3)->text(), QString("読取専用"));
    QCOMPARE(m_window->Title(3)->palette().color(QPalette::Window), QColor(255, 0, 0));
    QFile::setPermissions(book, QFile::ReadOwner | QFile::WriteOwner);
}

void tst_BookWindow::warningDialogSitsOverTheMainWindow()
{
    const QString message = QStringLiteral("\"book.xls\" は読み取り専用ﾌｧｲﾙです。");
    const QRect screen = m_window->screen()->availableGeometry();
    m_window->setGeometry(screen.left() + 60, screen.top() + 80, screen.width() * 3 / 4, screen.height() * 3 / 4);
    {
        frmWarninng1 dialog(message, QStringLiteral("今後、"), m_window.get());
        const QPoint centre = m_window->frameGeometry().center();
        QVERIFY2(qAbs(dialog.frameGeometry().center().x() - centre.x()) <= 1, "not centred across the window");
        QVERIFY2(qAbs(dialog.frameGeometry().center().y() - centre.y()) <= 1, "not centred down the window");
        // Shown, it stays there (give or take its window frame).
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(qAbs(dialog.frameGeometry().center().x() - centre.x()) <= 10);
        QVERIFY(qAbs(dialog.frameGeometry().center().y() - centre.y()) <= 10);
    }
    // A window partly off the screen: the dialog stays on it.
    m_window->move(screen.right() - 100, screen.bottom() - 100);
    frmWarninng1 dialog(message, QStringLiteral("今後、"), m_window.get());
    QVERIFY(screen.contains(dialog.frameGeometry()));
    m_window->setGeometry(screen.left() + 60, screen.top() + 80, screen.width() * 3 / 4, screen.height() * 3 / 4);
}

void tst_BookWindow::booksSortByLocaleIgnoringCase()
{
    for (const char *name : {"B.xls", "a.xls", "c.xls"})
        QVERIFY(m_window->Books().AddBookItem(BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls", name)));
    m_window->Presentation().SortBooksBy(0);
    QCOMPARE(m_window->Presentation().SortOrder(), Qt::DescendingOrder);
    QCOMPARE(Names(), QStringList({"c.xls", "B.xls", "a.xls"}));
    m_window->Presentation().SortBooksBy(0);
    QCOMPARE(Names(), QStringList({"a.xls", "B.xls", "c.xls"}));
    // A book added to the sorted view goes to its place.
    QVERIFY(m_window->Books().AddBookItem(BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls", "Ab.xls")));
    QVERIFY(m_window->Books().AddBookItem(BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls", "b2.xls")));
    QCOMPARE(Names(), QStringList({"a.xls", "Ab.xls", "B.xls", "b2.xls", "c.xls"}));
    // Keys still find their rows after the moves.
    QCOMPARE(m_window->Books().Text(m_window->Books().FindItem(m_dir->path() + "/B.xls")), QString("B.xls"));
}

void tst_BookWindow::onlyTheToolbarStoresTheViewModeAtOnce()
{
    const auto stored = [] { return SettingsStore::GetSetting(SettingsStore::AppKey, "Settings", "ViewMode"); };
    m_window->Action("mnuListViewMode_1")->trigger();
    QCOMPARE(m_window->BookView()->viewMode(), 1);
    QVERIFY(stored().isEmpty());
    m_window->Action("tbViewList")->trigger();
    QCOMPARE(m_window->BookView()->viewMode(), 2);
    QCOMPARE(stored(), QString("2"));
    QVERIFY(m_window->Action("mnuListViewMode_2")->isChecked());
    m_window->Action("tbViewDetails")->trigger();
    QCOMPARE(stored(), QString("3"));
}

void tst_BookWindow::longPathIsShortenedInTheMiddle()
{
    auto *title = qobject_cast<ElidedLabel *>(m_window->Title(0));
    QVERIFY(title);
    const QString path = "/home/user/" + QString("経理部の共有フォルダ/").repeated(12) + "月次報告.xls";
    title->setText(path);
    QCOMPARE(title->text(), path);
    const QString shown = title->ShownText();
    QVERIFY(shown.contains(QChar(0x2026)));
    QVERIFY(shown.startsWith("/home/"));
    QVERIFY(shown.endsWith("月次報告.xls"));
    QVERIFY(title->fontMetrics().horizontalAdvance(shown) <= title->contentsRect().width());
    QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), title->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(title, &help);
    QCOMPARE(title->toolTip(), path);
    // A short path is shown whole.
    title->setText("/tmp/a.xls");
    QCOMPARE(title->ShownText(), QString("/tmp/a.xls"));
    title->clear();
}

QTEST_MAIN(tst_BookWindow)
#include "tst_bookwindow.moc"
