#include "BookFile.h"
#include "BookImport.h"
#include "BookList.h"
#include "BookViewHarness.h"
#include "ExcelApplication.h"
#include "ExcelWorkbook.h"
#include "IsolatedStore.h"
#include "BookPageSetup.h"
#include "PageSetupBatch.h"
#include "SheetList.h"
#include "cExcel.h"
#include "cListView.h"
#include "frmPageSetup.h"

#include <QAction>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMimeData>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QUrl>

static IsolatedStore g_store;

using quirn::PageSetupFacts;

// Batch page setup through the window's command, on real books: the sheets
// it covers, the model sheet, the save questions, several books in turn and
// the books that cannot take part.
class tst_PageSetupBatch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void bookViewCoversEveryListedSheetButHiddenProtectedOnes();
    void sheetViewCoversTheSelectedSheetsAndTheModelIsHiddenAgain();
    void severalBooksSkipReadOnlyOnesAndGoOnPastAFailedSave();
    void aReadOnlyCurrentBookIsOnlyTheModel();
    void chartModelOntoWorksheetsAndBack();
    void sheetsLeftOut();

private:
    void Drop(const QStringList &paths);
    void Run();
    void SelectSheets(const QStringList &names);
    static PageSetupFacts SetupOf(const QString &path, const QString &sheet);
    static bool IsHidden(const QString &path, const QString &sheet);
    static bool Landscape(frmPageSetup &dialog);

    std::unique_ptr<frmMain> m_window;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_PageSetupBatch::initTestCase()
{
    m_window = BookViewHarness::Window();
    QVERIFY(m_window);
    frmPageSetup::setScripted(true);
}

void tst_PageSetupBatch::init()
{
    BookViewHarness::Script();
    frmPageSetup::resetScript();
    m_dir = std::make_unique<QTemporaryDir>();
}

void tst_PageSetupBatch::cleanup()
{
    BookViewHarness::RemoveAllBooks(*m_window);
}

void tst_PageSetupBatch::Drop(const QStringList &paths)
{
    BookViewHarness::Drop(*m_window, paths);
}

// The page setup command, as its menu item gives it (when it is available
// is the menu rules' business).
void tst_PageSetupBatch::Run()
{
    QAction *action = m_window->Action("mnuFileProperties");
    action->setEnabled(true);
    action->trigger();
}

void tst_PageSetupBatch::SelectSheets(const QStringList &names)
{
    cListView *view = m_window->SheetView();
    view->selectionModel()->clearSelection();
    for (int row = 0; row < view->model()->rowCount(); ++row) {
        if (names.contains(m_window->Sheets().Text(row)))
            view->selectionModel()->select(view->model()->index(row, 0), QItemSelectionModel::Select);
    }
    m_window->ActivePane = 1;
}

PageSetupFacts tst_PageSetupBatch::SetupOf(const QString &path, const QString &sheet)
{
    quirn::BookFile book;
    if (book.open(path))
        return {};
    return book.pageSetup(book.indexOf(sheet));
}

bool tst_PageSetupBatch::IsHidden(const QString &path, const QString &sheet)
{
    quirn::BookFile book;
    return !book.open(path) && book.sheet(book.indexOf(sheet)).visibility == quirn::SheetVisibility::Hidden;
}

// What the user sets in the dialog: landscape on Letter paper with a header.
bool tst_PageSetupBatch::Landscape(frmPageSetup &dialog)
{
    dialog.findChild<QRadioButton *>("optLandscape")->setChecked(true);
    auto *paper = dialog.findChild<QComboBox *>("cboPaperSize");
    paper->setCurrentIndex(paper->findData(1));
    dialog.findChild<QLineEdit *>("txtCenterHeader")->setText("&A");
    return true;
}

void tst_PageSetupBatch::bookViewCoversEveryListedSheetButHiddenProtectedOnes()
{
    const QString book = BookViewHarness::Copy(m_dir->path(), "hidden_and_protected_sheets.xls", "mixed.xls");
    Drop({book});
    m_window->ActivePane = 0;
    frmPageSetup::queueScript(Landscape);
    MessageBox::QueueAnswer(MessageBox::IDYES);
    Run();
    const auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown.at(0).text, "ﾍﾟｰｼﾞ設定を \"" + book + "\" に保存しますか？");
    QCOMPARE(shown.at(0).style, 0x24u);
    QCOMPARE(shown.at(1).text, QString("指定のｼｰﾄのﾍﾟｰｼﾞ設定は全て正常に保存されました。"));
    QCOMPARE(shown.at(1).style, 0x40u);
    QVERIFY(!m_window->SheetsChanged);

    for (const char *set : {"Instructions", "RM1", "Enabling Macros", "ListData"}) {
        const PageSetupFacts setup = SetupOf(book, set);
        QCOMPARE(setup.orientation, 2);
        QCOMPARE(setup.paperSize, 1);
        QCOMPARE(setup.centerHeader, QString("&A"));
    }
    QVERIFY(IsHidden(book, "ListData"));
    for (const char *left : {"Formulated", "Assembled", "BuildData"})
        QCOMPARE(SetupOf(book, left).centerHeader, QString());
    QVERIFY(m_window->findChild<QWidget *>("ProgressBar1")->isHidden());
}

void tst_PageSetupBatch::sheetViewCoversTheSelectedSheetsAndTheModelIsHiddenAgain()
{
    const QString book = BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls", "four.xls");
    Drop({book});
    const QByteArray before = TestBooks::Digest(book);
    SelectSheets({"Sheet3", "Sheet4"});

    // Cancelled: nothing is applied or asked, the hidden model is hidden again.
    frmPageSetup::queueScript([](frmPageSetup &) { return false; });
    Run();
    QVERIFY(MessageBox::TakeShown().isEmpty());
    QCOMPARE(m_window->Excel().GetSheetAttribute("four.xls", "Sheet3") & 1, 0);
    QVERIFY(!m_window->SheetsChanged);

    // OK, then No to saving: applied in the engine, the file untouched.
    frmPageSetup::queueScript(Landscape);
    MessageBox::QueueAnswer(MessageBox::IDNO);
    Run();
    const auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown.at(1).text, QString("指定のｼｰﾄのﾍﾟｰｼﾞ設定が完了しました。"));
    QVERIFY(m_window->SheetsChanged);
    QCOMPARE(TestBooks::Digest(book), before);
    QCOMPARE(m_window->Excel().GetSheetAttribute("four.xls", "Sheet3") & 1, 0);

    // Saved later, the selected sheets have the setup and the others not.
    QCOMPARE(m_window->Excel().SaveExcel(book), 0);
    QCOMPARE(SetupOf(book, "Sheet3").orientation, 2);
    QCOMPARE(SetupOf(book, "Sheet4").orientation, 2);
    QCOMPARE(SetupOf(book, "Sheet1").orientation, 1);
    QCOMPARE(SetupOf(book, "Sheet2").centerHeader, QString());
    QVERIFY(IsHidden(book, "Sheet3"));
}

void tst_PageSetupBatch::severalBooksSkipReadOnlyOnesAndGoOnPastAFailedSave()
{
    const QString readOnly = BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls", "readonly.xls");
    BookViewHarness::MakeReadOnly(readOnly);
    // A file name so long that no temporary file can be made beside it: the
    // book opens, its save fails.
    const QString unwritable = BookViewHarness::Copy(m_dir->path(), "hidden_third_sheet.xls",
                                                     QString(246, u'u') + ".xls");
    const QString other = BookViewHarness::Copy(m_dir->path(), "visible_hidden_veryhidden.xls", "other.xls");
    const QString current = BookViewHarness::Copy(m_dir->path(), "print_titles_rows_cols.xls", "current.xls");
    Drop({readOnly, unwritable, other, current});
    QCOMPARE(m_window->ActiveBookPath, current);
    const QByteArray readOnlyBefore = TestBooks::Digest(readOnly);
    const QByteArray unwritableBefore = TestBooks::Digest(unwritable);
    m_window->Books().SelectAll();
    m_window->ActivePane = 0;

    frmPageSetup::queueScript(Landscape);
    MessageBox::QueueAnswer(MessageBox::IDOK);
    MessageBox::QueueAnswer(MessageBox::IDYES);
    Run();
    const auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 4);
    QCOMPARE(shown.at(0).text, QString("選択したﾌﾞｯｸには、読み込み専用ﾌﾞｯｸが含まれています。\r\n"
                                       "読み込み専用ﾌﾞｯｸのﾍﾟｰｼﾞ設定は行うことができません。"));
    QCOMPARE(shown.at(0).style, 0x30u);
    QCOMPARE(shown.at(1).text,
             QString("複数のﾌﾞｯｸの一括ﾍﾟｰｼﾞ設定は、1ﾌﾞｯｸ毎に設定内容が保存されます。よろしいですか"));
    QCOMPARE(shown.at(2).text, "\"" + unwritable + "\" のﾍﾟｰｼﾞ設定は失敗しました。");
    QCOMPARE(shown.at(2).style, 0x10u);
    QCOMPARE(shown.at(3).text, QString("指定のｼｰﾄのﾍﾟｰｼﾞ設定は一部を除き保存されました。"));
    QCOMPARE(m_window->PanelText(1), QString("3/4 個のｵﾌﾞｼﾞｪｸﾄが選択されています"));
    QVERIFY(!m_window->Books().IsSelected(m_window->Books().FindItem(readOnly)));

    // The batch went on past the failure; the current book is back in the engine.
    for (const char *sheet : {"Sheet1", "Sheet2", "Sheet3", "Sheet4"})
        QCOMPARE(SetupOf(current, sheet).orientation, 2);
    for (const char *sheet : {"Visible", "Hidden"})
        QCOMPARE(SetupOf(other, sheet).orientation, 2);
    QVERIFY(IsHidden(other, "Hidden"));
    {
        quirn::BookFile saved;
        QVERIFY(!saved.open(other));
        QCOMPARE(saved.sheet(saved.indexOf("VeryHidden")).visibility, quirn::SheetVisibility::VeryHidden);
        QCOMPARE(saved.pageSetup(saved.indexOf("VeryHidden")).orientation, 2);
    }
    QCOMPARE(TestBooks::Digest(readOnly), readOnlyBefore);
    QCOMPARE(TestBooks::Digest(unwritable), unwritableBefore);
    QCOMPARE(m_window->Excel().xlApp->ActiveWorkbook().Name(), QString("current.xls"));
    QVERIFY(!m_window->SheetsChanged);
}

void tst_PageSetupBatch::aReadOnlyCurrentBookIsOnlyTheModel()
{
    const QString other = BookViewHarness::Copy(m_dir->path(), "visible_hidden_veryhidden.xls", "other.xls");
    const QString model = BookViewHarness::Copy(m_dir->path(), "print_titles_rows_cols.xls", "template.xls");
    BookViewHarness::MakeReadOnly(model);
    Drop({other, model});
    QCOMPARE(m_window->ActiveBookPath, model);
    const QByteArray modelBefore = TestBooks::Digest(model);
    m_window->Books().SelectAll();
    m_window->ActivePane = 0;

    frmPageSetup::queueScript(Landscape);
    MessageBox::QueueAnswer(MessageBox::IDYES);
    Run();
    auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown.at(1).text, QString("指定のｼｰﾄのﾍﾟｰｼﾞ設定は全て正常に保存されました。"));
    for (const char *sheet : {"Visible", "Hidden"})
        QCOMPARE(SetupOf(other, sheet).orientation, 2);
    QCOMPARE(TestBooks::Digest(model), modelBefore);
    QCOMPARE(m_window->Excel().xlApp->ActiveWorkbook().Name(), QString("template.xls"));

    // Alone, its save can only fail: that is told, and nothing is summed up
    // as saved.
    m_window->Books().DeselectAll();
    m_window->Books().Select(m_window->Books().FindItem(model));
    frmPageSetup::queueScript(Landscape);
    MessageBox::QueueAnswer(MessageBox::IDYES);
    Run();
    shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown.at(1).text, "\"" + model + "\" のﾍﾟｰｼﾞ設定は失敗しました。");
    QCOMPARE(TestBooks::Digest(model), modelBefore);
}

void tst_PageSetupBatch::chartModelOntoWorksheetsAndBack()
{
    const QString book = BookViewHarness::Copy(m_dir->path(), "chartsheet_data_chart.xls", "chart.xls");
    Drop({book});
    const PageSetupFacts dataBefore = SetupOf(book, "Data");

    // The chart sheet as the model: the worksheet gets the common properties.
    SelectSheets({"Chart1", "Data"});
    frmPageSetup::queueScript(Landscape);
    MessageBox::QueueAnswer(MessageBox::IDYES);
    Run();
    QCOMPARE(MessageBox::TakeShown().size(), 2);
    PageSetupFacts data = SetupOf(book, "Data");
    QCOMPARE(data.orientation, 2);
    QCOMPARE(data.paperSize, 1);
    QCOMPARE(data.printArea, dataBefore.printArea);
    QCOMPARE(data.printGridlines, dataBefore.printGridlines);

    // A worksheet as the model: its print area and grid lines stay off the chart.
    SelectSheets({"Data", "Chart1"});
    frmPageSetup::queueScript([](frmPageSetup &dialog) {
        dialog.findChild<QRadioButton *>("optPortrait")->setChecked(true);
        dialog.findChild<QLineEdit *>("txtPrintArea")->setText("$A$1:$B$5");
        return true;
    });
    MessageBox::QueueAnswer(MessageBox::IDYES);
    Run();
    QCOMPARE(MessageBox::TakeShown().size(), 2);
    QCOMPARE(SetupOf(book, "Data").printArea, QString("$A$1:$B$5"));
    QCOMPARE(SetupOf(book, "Chart1").orientation, 1);
    QCOMPARE(SetupOf(book, "Chart1").printArea, QString());
}

void tst_PageSetupBatch::sheetsLeftOut()
{
    // Hidden and protected; hidden in a book that allows no change; a macro
    // sheet, which has no page setup.
    QVERIFY(BookPageSetup::LeftOut("/00016*a", false));
    QVERIFY(BookPageSetup::LeftOut("/00000*a", true));
    QVERIFY(BookPageSetup::LeftOut("/00002*Macro1", false));
    QVERIFY(!BookPageSetup::LeftOut("/00000*a", false));
    QVERIFY(!BookPageSetup::LeftOut("/00017*a", true));
    QVERIFY(!BookPageSetup::LeftOut("/home/u/b*k.xls/00005*Chart", true));
}

QTEST_MAIN(tst_PageSetupBatch)
#include "tst_pagesetupbatch.moc"
