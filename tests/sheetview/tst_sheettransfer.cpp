#include "FlatDocument.h"
#include "IsolatedStore.h"
#include "RecordOracle.h"
#include "SaveLossConsent.h"
#include "SheetClipboard.h"
#include "SheetCommandHarness.h"
#include "SheetTransfer.h"
#include "frmMoveCopySheets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include "frmNameConflict.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

static IsolatedStore g_store;

using Sheet = SheetCommandHarness::Sheet;

// Sheets dropped on another book of the book view, on copies of real books in
// a real window and a real engine; both books are saved and read back.
class tst_SheetTransfer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void ctrlDropCopiesAfterTheLastSheet();
    void shiftDropMovesBeforeAHiddenFirstSheet();
    void refusalsChangeNothing();
    void theSaveQuestionComesFirst();
    void aMoveFromAnUnsavedBookTakesItsSheetsOut();
    void aLossySaveIsAgreedOrNothingChanges();
    void dragsEnteringAnywhereAndTheMoveCopyDialogLand();
    void aNameBothBooksDefineIsTheUsersToSettle();
    void aMoveIsNeverSavedFromTheSourceAlone();
    void aNoUndoesExactlyThatTransfer();
    void oneFileOneBook();

private:
    // Drops the selected sheets on a book of the book view.
    void DropOn(const QString &book, Qt::KeyboardModifiers modifiers);

    std::unique_ptr<frmMain> m_window;
    std::unique_ptr<SheetCommandHarness> m_ui;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_SheetTransfer::initTestCase()
{
    m_window = BookViewHarness::Window();
    QVERIFY(m_window);
    m_ui = std::make_unique<SheetCommandHarness>(*m_window);
}

void tst_SheetTransfer::init()
{
    BookViewHarness::Script();
    frmNameConflict::setScripted(true);
    frmNameConflict::resetScript();
    m_dir = std::make_unique<QTemporaryDir>();
    BookViewHarness::FreshSettings();
}

void tst_SheetTransfer::cleanup()
{
    BookViewHarness::RemoveAllBooks(*m_window);
    for (const char *popup : {"menuSheetMovePopup", "menuBookMovePopup"})
        m_window->Popup(popup)->hide();
    QCoreApplication::processEvents();
    // The next book selection starts a clean engine.
    m_window->Excel().CloseExcel();
}

void tst_SheetTransfer::DropOn(const QString &book, Qt::KeyboardModifiers modifiers)
{
    std::unique_ptr<QMimeData> data(m_window->Sheets().DragData());
    QVERIFY(data);
    QAbstractItemView *view = m_window->BookView()->currentView();
    const int row = m_window->Books().FindItem(book);
    QVERIFY(row >= 0);
    const QPoint at = view->visualRect(m_window->BookView()->model()->index(row, 0)).center();
    SheetCommandHarness::DragTo(view->viewport(), *data, at, modifiers, true);
}

void tst_SheetTransfer::ctrlDropCopiesAfterTheLastSheet()
{
    const QStringList paths = m_ui->Open(m_dir->path(), {"page_breaks_manual.xls", "hidden_third_sheet.xls"});
    const QString target = paths.at(0);
    const QString source = paths.at(1);
    QCOMPARE(m_window->ActiveBookPath, source);
    const QByteArray sourceBefore = TestBooks::Digest(source);

    m_ui->Select({"Sheet2", "Sheet3"});
    DropOn(target, Qt::ControlModifier);
    QVERIFY(m_ui->Popup("menuBookMovePopup")->isVisible());
    QCOMPARE(m_window->Action("PopBookBefore")->text(), QString("先頭ｼｰﾄの前にｺﾋﾟｰ"));
    QCOMPARE(m_window->Action("PopBookAfter")->text(), QString("末尾ｼｰﾄの後にｺﾋﾟｰ"));
    m_ui->Choose("menuBookMovePopup", "PopBookAfter");

    // The target is the current book, listed and selected, named in the titles.
    QCOMPARE(m_window->ActiveBookPath, target);
    QCOMPARE(m_window->Title(0)->text(), target);
    QVERIFY(m_window->windowTitle().startsWith("page_breaks_manual.xls"));
    QCOMPARE(m_ui->Listed(), (QStringList{"Sheet1", "Sheet2", "Sheet3", "Sheet2 (2)", "Sheet3 (2)"}));
    QCOMPARE(m_ui->Code("Sheet3 (2)"), QString("00000"));
    QCOMPARE(m_window->Books().SelectedRows(), QList<int>({m_window->Books().FindItem(target)}));
    QCOMPARE(m_window->Title(1)->text(), QString("Sheet1"));
    QCOMPARE(m_window->SheetClipboardMode, -1);
    QVERIFY(m_window->SheetsChanged);
    QVERIFY(MessageBox::TakeShown().isEmpty());

    QCOMPARE(m_window->Excel().SaveExcel(target), 0);
    const QList<Sheet> expected = {{"Sheet1", true}, {"Sheet2", true}, {"Sheet3", true}, {"Sheet2 (2)", true},
                                   {"Sheet3 (2)", false}};
    QCOMPARE(SheetCommandHarness::Records(target), expected);
    QCOMPARE(m_ui->Office(target), expected);
    QCOMPARE(TestBooks::Digest(source), sourceBefore);
}

void tst_SheetTransfer::shiftDropMovesBeforeAHiddenFirstSheet()
{
    const QString target = BookViewHarness::Copy(m_dir->path(), "fit_to_pages_spaces.xls");
    {
        quirn::BookFile book;
        QVERIFY(!book.open(target));
        QVERIFY(!book.setSheetVisibility(0, quirn::SheetVisibility::Hidden));
        QVERIFY(!book.save());
    }
    QMimeData add;
    add.setUrls({QUrl::fromLocalFile(target)});
    m_window->Import().Drop(add, QPoint());
    const QString source = m_ui->Open(m_dir->path(), {"hidden_third_sheet.xls"}).first();

    m_ui->Select({"Sheet4"});
    DropOn(target, Qt::ShiftModifier);
    QCOMPARE(m_window->Action("PopBookBefore")->text(), QString("先頭ｼｰﾄの前に移動"));
    QCOMPARE(m_window->Action("PopBookAfter")->text(), QString("末尾ｼｰﾄの後に移動"));
    m_ui->Choose("menuBookMovePopup", "PopBookBefore");
    QCOMPARE(m_window->ActiveBookPath, target);
    QCOMPARE(m_ui->Listed(), (QStringList{"Sheet4", "Page 1", "Page 2", "Page 3"}));

    // Both books are saved: the target keeps its hidden first sheet, the source
    // no longer has the moved sheets.
    QCOMPARE(m_window->Excel().SaveExcel(target), 0);
    const QList<Sheet> targetSheets = {{"Sheet4", true}, {"Page 1", false}, {"Page 2", true}, {"Page 3", true}};
    QCOMPARE(SheetCommandHarness::Records(target), targetSheets);
    QCOMPARE(m_ui->Office(target), targetSheets);
    const QList<Sheet> sourceSheets = {{"Sheet1", true}, {"Sheet2", true}, {"Sheet3", false}};
    QCOMPARE(SheetCommandHarness::Records(source), sourceSheets);
    QCOMPARE(m_ui->Office(source), sourceSheets);
}

void tst_SheetTransfer::refusalsChangeNothing()
{
    const QStringList paths = m_ui->Open(m_dir->path(), {"page_breaks_manual.xls", "wb_protected_structure_xxx.xls",
                                                        "hidden_third_sheet.xls"});
    const QString readOnly = paths.at(0);
    const QString protectedBook = paths.at(1);
    const QString source = paths.at(2);
    auto expectOnly = [&](const QString &text) {
        const auto shown = MessageBox::TakeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().text, text);
        QCOMPARE(shown.first().style, 0x30u);
        QCOMPARE(m_window->ActiveBookPath, source);
        QCOMPARE(m_ui->Listed(), (QStringList{"Sheet1", "Sheet2", "Sheet3", "Sheet4"}));
        QVERIFY(!m_window->SheetsChanged);
    };

    // The same book: told to use the sheet view.
    m_ui->Select({"Sheet1"});
    DropOn(source, Qt::NoModifier);
    QVERIFY(!m_ui->Popup("menuBookMovePopup")->isVisible());
    expectOnly("同一のﾌﾞｯｸ内のｼｰﾄの移動／ｺﾋﾟｰはｼｰﾄﾋﾞｭｰで行ってください。");

    // A move that would leave the source without a visible sheet.
    m_ui->Select({"Sheet1", "Sheet2", "Sheet4"});
    DropOn(readOnly, Qt::ShiftModifier);
    m_ui->Choose("menuBookMovePopup", "PopBookAfter");
    expectOnly("ｼｰﾄ移動元のﾌﾞｯｸ内に表示ｼｰﾄがなくなるため移動できません。");
    // Afterwards the book view selects the current book again.
    QCOMPARE(m_window->Books().SelectedRows(), QList<int>({m_window->Books().FindItem(source)}));

    BookViewHarness::MakeReadOnly(readOnly);
    const QByteArray readOnlyBefore = TestBooks::Digest(readOnly);
    m_ui->Select({"Sheet1"});
    DropOn(readOnly, Qt::NoModifier);
    m_ui->Choose("menuBookMovePopup", "PopBookAfter");
    expectOnly("読取専用ﾌﾞｯｸへのｼｰﾄ移動／ｺﾋﾟｰはできません。");
    QCOMPARE(TestBooks::Digest(readOnly), readOnlyBefore);

    const QByteArray protectedBefore = TestBooks::Digest(protectedBook);
    m_ui->Select({"Sheet1"});
    DropOn(protectedBook, Qt::ShiftModifier);
    m_ui->Choose("menuBookMovePopup", "PopBookBefore");
    expectOnly("保護されているﾌﾞｯｸへのｼｰﾄ移動／ｺﾋﾟｰはできません。");
    // The protected book was closed again; the current book is the engine's.
    QCOMPARE(m_window->Excel().xlApp->Workbooks().size(), 1);
    QCOMPARE(m_window->Excel().GetSheetCount(), qint16(4));
    QCOMPARE(TestBooks::Digest(protectedBook), protectedBefore);

    // A restricted current book drops nothing.
    m_window->BookRestriction = 1;
    m_ui->Select({"Sheet1"});
    DropOn(readOnly, Qt::NoModifier);
    QVERIFY(!m_ui->Popup("menuBookMovePopup")->isVisible());
    m_window->BookRestriction = 0;
}

void tst_SheetTransfer::theSaveQuestionComesFirst()
{
    const QStringList paths = m_ui->Open(m_dir->path(), {"page_breaks_manual.xls", "hidden_third_sheet.xls"});
    const QString target = paths.at(0);
    const QString source = paths.at(1);
    m_window->Excel().RenameSheet("Sheet1", "Renamed");
    m_window->SheetsChanged = true;
    const QByteArray sourceBefore = TestBooks::Digest(source);

    // No: the transfer goes on without saving.
    m_ui->Select({"Sheet2"});
    DropOn(target, Qt::NoModifier);
    MessageBox::QueueAnswer(MessageBox::IDNO);
    m_ui->Choose("menuBookMovePopup", "PopBookBefore");
    const auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, "ﾌﾞｯｸ間でｼｰﾄを移動／ｺﾋﾟｰする場合には、変更情報を保存する必要があります。\n"
                                 "ｼｰﾄ構成の変更を \"" + source + "\" に保存しますか？");
    QCOMPARE(shown.first().style, 0x24u);
    QCOMPARE(m_window->ActiveBookPath, target);
    QCOMPARE(m_ui->Listed(), (QStringList{"Sheet2 (2)", "Sheet1", "Sheet2", "Sheet3"}));
    QCOMPARE(TestBooks::Digest(source), sourceBefore);

    // Yes saves the current book before the transfer.
    m_ui->Select({"Sheet1"});
    DropOn(source, Qt::ShiftModifier);
    MessageBox::QueueAnswer(MessageBox::IDYES);
    m_ui->Choose("menuBookMovePopup", "PopBookAfter");
    QCOMPARE(MessageBox::TakeShown().size(), 1);
    QCOMPARE(m_window->ActiveBookPath, source);
    // The source had been saved with its rename; the move came after.
    QCOMPARE(SheetCommandHarness::Records(target).size(), 4);
    QCOMPARE(SheetCommandHarness::Records(source).first().name, QString("Renamed"));
    QCOMPARE(m_ui->Listed(), (QStringList{"Renamed", "Sheet2", "Sheet3", "Sheet4", "Sheet1"}));
}

void tst_SheetTransfer::aMoveFromAnUnsavedBookTakesItsSheetsOut()
{
    const QStringList paths = m_ui->Open(m_dir->path(), {"page_breaks_manual.xls", "hidden_third_sheet.xls"});
    const QString target = paths.at(0);
    const QString source = paths.at(1);
    m_window->Excel().RenameSheet("Sheet4", "Renamed");
    m_window->SheetsChanged = true;
    m_ui->Select({"Sheet1", "Sheet3"});
    DropOn(target, Qt::ShiftModifier);
    MessageBox::QueueAnswer(MessageBox::IDNO);
    m_ui->Choose("menuBookMovePopup", "PopBookAfter");
    QCOMPARE(MessageBox::TakeShown().size(), 1);
    QCOMPARE(m_window->ActiveBookPath, target);
    QCOMPARE(m_ui->Listed(), (QStringList{"Sheet1", "Sheet2", "Sheet3", "Sheet1 (2)", "Sheet3 (2)"}));
    // Both books saved: the source keeps its unsaved rename and loses the moved sheets.
    QCOMPARE(m_window->Excel().SaveExcel(target), 0);
    const QList<Sheet> sourceSheets = {{"Sheet2", true}, {"Renamed", true}};
    QCOMPARE(SheetCommandHarness::Records(source), sourceSheets);
    QCOMPARE(m_ui->Office(source), sourceSheets);
    QCOMPARE(SheetCommandHarness::Records(target).last(), (Sheet{"Sheet3 (2)", false}));
}

void tst_SheetTransfer::aLossySaveIsAgreedOrNothingChanges()
{
    // A sheet with a pivot table goes through the office, and the target's
    // chart sheet would become a worksheet in the office's save.
    const QStringList paths = m_ui->Open(m_dir->path(), {"chartsheet_data_chart.xls", "pivot_cache_extra_sheet.xls"});
    const QString target = paths.at(0);
    const QString source = paths.at(1);
    const QByteArray targetBefore = TestBooks::Digest(target);

    m_ui->Select({"Pivot"});
    DropOn(target, Qt::NoModifier);
    MessageBox::QueueAnswer(MessageBox::IDNO);
    m_ui->Choose("menuBookMovePopup", "PopBookAfter");
    auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QVERIFY(shown.first().text.startsWith("\"chartsheet_data_chart.xls\" を保存すると、次の内容が失われます。"));
    QCOMPARE(shown.first().style & 0xFFu, 0x34u);
    // No: the current book, its list and both engine books are as they were.
    QCOMPARE(m_window->ActiveBookPath, source);
    QVERIFY(!m_window->PanelText(1).startsWith("LibreOffice"));
    QCOMPARE(m_ui->Listed(), QStringList({"Pivot"}));
    QVERIFY(!m_window->SheetsChanged);
    QCOMPARE(m_window->Excel().SaveExcel(source), 0);
    QCOMPARE(TestBooks::Digest(target), targetBefore);
    QCOMPARE(m_window->Excel().GetSheetCount(), qint16(1));

    // Yes: the sheet arrives and the target can be saved.
    m_ui->Select({"Pivot"});
    DropOn(target, Qt::NoModifier);
    MessageBox::QueueAnswer(MessageBox::IDYES);
    m_ui->Choose("menuBookMovePopup", "PopBookAfter");
    QCOMPARE(MessageBox::TakeShown().size(), 1);
    QCOMPARE(m_window->ActiveBookPath, target);
    QVERIFY2(m_window->PanelText(1).startsWith("LibreOffice でｺﾋﾟｰします: Pivot ("), qPrintable(m_window->PanelText(1)));
    QCOMPARE(m_ui->Listed(), (QStringList{"Data", "Chart1", "Pivot"}));
    QCOMPARE(m_window->Excel().SaveExcel(target), 0);
    const QList<Sheet> saved = SheetCommandHarness::Records(target);
    QCOMPARE(saved.size(), 3);
    QCOMPARE(saved.last().name, QString("Pivot"));
    QCOMPARE(m_ui->Office(target).size(), 3);
}

void tst_SheetTransfer::aNameBothBooksDefineIsTheUsersToSettle()
{
    const QStringList books = FlatDocument::Books(m_dir->path(), {{"named", FlatDocument::NamedSource},
                                                                  {"kept", FlatDocument::NamedTarget},
                                                                  {"renamed", FlatDocument::NamedTarget}});
    QCOMPARE(books.size(), 3);
    struct Case
    {
        QString target;
        int answer;      // to "use the destination's version?"
        QString typed;   // the new name, when asked
        QStringList names; // the target's names afterwards, with their formulas
    };
    const QList<Case> cases{
        {books[1], MessageBox::IDYES, QString(), {"Rate=20", "Same=7", "Spot='Data'!$A$1"}},
        {books[2], MessageBox::IDNO, "Rate_src", {"Rate=20", "Same=7", "Rate_src=10", "Spot='Data'!$A$1"}},
    };
    for (const Case &c : cases) {
        BookViewHarness::Drop(*m_window, {c.target, books[0]}, QPoint());
        QCOMPARE(m_window->ActiveBookPath, books[0]);
        MessageBox::QueueAnswer(c.answer);
        if (c.answer == MessageBox::IDNO)
            frmNameConflict::queueScript([&c](frmNameConflict &dialog) {
                auto *box = dialog.findChild<QLineEdit *>("txtNewName");
                QCOMPARE(box->text(), QString("Rate_2")); // a free name is proposed
                box->setText(c.typed);
                dialog.findChild<QPushButton *>("cmdOK")->click();
            });
        m_ui->Select({"Calc", "Data"});
        DropOn(c.target, Qt::ControlModifier);
        m_ui->Choose("menuBookMovePopup", "PopBookAfter");
        QCOMPARE(m_window->ActiveBookPath, c.target);
        const QList<MessageBox::Shown> shown = MessageBox::TakeShown();
        QCOMPARE(shown.size(), 1); // "Same" is alike in both: no question
        QVERIFY(shown.first().text.contains("\"Rate\""));
        QCOMPARE(shown.first().style, 0x24u);
        QCOMPARE(m_window->Excel().SaveExcel(c.target), 0);
        QStringList names;
        for (const QJsonValue &name : RecordOracle::Scan(c.target)["workbook"].toObject()["names"].toArray())
            names << name["name"].toString() + "=" + name["formula"].toString();
        QCOMPARE(names, c.names);
        BookViewHarness::RemoveAllBooks(*m_window);
        m_window->Excel().CloseExcel();
    }
}

void tst_SheetTransfer::aMoveIsNeverSavedFromTheSourceAlone()
{
    // The target sits in a folder nobody may write: its save fails, and the
    // source, written after it, must keep the sheets on disk.
    const QString locked = m_dir->filePath("locked");
    QDir().mkpath(locked);
    const QString target = BookViewHarness::Copy(locked, "page_breaks_manual.xls");
    BookViewHarness::Drop(*m_window, {target}, QPoint());
    const QString source = m_ui->Open(m_dir->path(), {"hidden_third_sheet.xls"}).first();
    const QByteArray targetBefore = TestBooks::Digest(target);
    const QByteArray sourceBefore = TestBooks::Digest(source);
    QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner));

    m_ui->Select({"Sheet1"});
    DropOn(target, Qt::ShiftModifier);
    m_ui->Choose("menuBookMovePopup", "PopBookAfter");
    QCOMPARE(m_window->ActiveBookPath, target);
    QVERIFY(m_window->Excel().SaveExcel(target) != 0);
    const QString error = m_window->Excel().LastSaveError();
    QVERIFY2(error.contains(target) && error.contains(source), qPrintable(error));
    QCOMPARE(TestBooks::Digest(source), sourceBefore);
    QCOMPARE(TestBooks::Digest(target), targetBefore);

    // Writable again: the next save writes both, the target first.
    QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QCOMPARE(m_window->Excel().SaveExcel(target), 0);
    QCOMPARE(SheetCommandHarness::Records(target).size(), 4);
    QCOMPARE(SheetCommandHarness::Records(target).last().name, QString("Sheet1 (2)"));
    QCOMPARE(SheetCommandHarness::Records(source).first().name, QString("Sheet2"));
    MessageBox::TakeShown();
}

void tst_SheetTransfer::aNoUndoesExactlyThatTransfer()
{
    const QStringList paths = m_ui->Open(m_dir->path(), {"pivot_cache_extra_sheet.xls", "chartsheet_data_chart.xls"});
    const QString pivot = paths.at(0);
    const QString charts = paths.at(1);
    // The chart book keeps an unsaved rename while another book is current.
    QCOMPARE(m_window->Excel().RenameSheet("Data", "Renamed"), QString());
    m_window->SheetsChanged = true;
    m_window->Sheets().LoadSheetView(charts);
    m_ui->Select({"Renamed"});
    DropOn(pivot, Qt::NoModifier);
    MessageBox::QueueAnswer(MessageBox::IDNO);
    m_ui->Choose("menuBookMovePopup", "PopBookAfter");
    QCOMPARE(MessageBox::TakeShown().size(), 1);
    QCOMPARE(m_window->ActiveBookPath, pivot);

    // A sheet only the office can bring, into the book with unsaved changes;
    // the loss is refused: that transfer, and only it, is undone.
    m_ui->Select({"Pivot"});
    DropOn(charts, Qt::ShiftModifier);
    MessageBox::QueueAnswer(MessageBox::IDNO); // do not save the current book first
    MessageBox::QueueAnswer(MessageBox::IDNO); // do not lose the chart sheet
    m_ui->Choose("menuBookMovePopup", "PopBookAfter");
    const auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 2);
    QVERIFY(shown.last().text.contains("を保存すると、次の内容が失われます。"));
    QCOMPARE(m_window->ActiveBookPath, pivot);
    QVERIFY(m_ui->Listed().contains("Pivot"));
    cExcel &excel = m_window->Excel();
    excel.BookActive("chartsheet_data_chart.xls");
    QCOMPARE(excel.GetSheetCount(), qint16(2));
    QCOMPARE(excel.GetSheetName(1), QString("Renamed"));
    QVERIFY(excel.SaveLosses("chartsheet_data_chart.xls").isEmpty());
    QCOMPARE(excel.SaveExcel(pivot), 0);
    QCOMPARE(SheetCommandHarness::Records(charts).first().name, QString("Renamed"));
    QCOMPARE(SheetCommandHarness::Records(charts).size(), 2);
}

void tst_SheetTransfer::oneFileOneBook()
{
    const QStringList paths = m_ui->Open(m_dir->path(), {"page_breaks_manual.xls", "hidden_third_sheet.xls"});
    const QString source = paths.at(1);
    // A link to the current book is the current book: listed once, and a
    // drop on it is a transfer within the book.
    const QString link = m_dir->filePath("link.xls");
    QVERIFY(QFile::link(source, link));
    const int listed = m_window->Books().Count();
    QDir().mkpath(m_dir->filePath("sub"));
    BookViewHarness::Drop(*m_window, {link, m_dir->filePath("sub/../link.xls")}, QPoint());
    QCOMPARE(m_window->Books().Count(), listed);
    QCOMPARE(m_window->ActiveBookPath, source);

    // Another book of the same file name in another folder cannot be open
    // beside it: refused with nothing changed.
    const QString other = BookViewHarness::Copy(m_dir->filePath("sub"), "hidden_third_sheet.xls");
    BookViewHarness::Drop(*m_window, {other}, QPoint());
    BookViewHarness::Drop(*m_window, {source}, QPoint());
    MessageBox::TakeShown();
    const QByteArray otherBefore = TestBooks::Digest(other);
    const QByteArray sourceBefore = TestBooks::Digest(source);
    m_ui->Select({"Sheet1"});
    DropOn(other, Qt::ShiftModifier);
    m_ui->Choose("menuBookMovePopup", "PopBookAfter");
    const auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.first().text.contains("同じ名前のブック"), qPrintable(shown.first().text));
    QCOMPARE(m_window->ActiveBookPath, source);
    QCOMPARE(TestBooks::Digest(other), otherBefore);
    QCOMPARE(TestBooks::Digest(source), sourceBefore);
}

// A drag that enters the book list over empty space is followed to the book
// under the pointer; the move-or-copy dialog runs the same transfer, before
// the sheet the user picks.
void tst_SheetTransfer::dragsEnteringAnywhereAndTheMoveCopyDialogLand()
{
    const QStringList paths = m_ui->Open(m_dir->path(), {"page_breaks_manual.xls", "hidden_third_sheet.xls"});
    const QString target = paths.at(0);
    const QString source = paths.at(1);
    m_ui->Select({"Sheet2"});
    std::unique_ptr<QMimeData> data(m_window->Sheets().DragData());
    QWidget *viewport = m_window->BookView()->currentView()->viewport();
    const QPoint empty(viewport->width() - 2, viewport->height() - 2);
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(empty, actions, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &enter);
    QVERIFY(enter.isAccepted());
    QDragMoveEvent overNothing(empty, actions, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &overNothing);
    QVERIFY(!overNothing.isAccepted());
    QAbstractItemView *view = m_window->BookView()->currentView();
    const int row = m_window->Books().FindItem(target);
    const QPoint at = view->visualRect(m_window->BookView()->model()->index(row, 0)).center();
    QCOMPARE(SheetCommandHarness::DragTo(viewport, *data, at, Qt::NoModifier, true), Qt::CopyAction);
    QCOMPARE(m_window->Books().SelectedRows(), QList<int>{row});
    m_ui->Choose("menuBookMovePopup", "PopBookBefore");
    QCOMPARE(m_window->ActiveBookPath, target);
    QCOMPARE(m_ui->Listed(), (QStringList{"Sheet2 (2)", "Sheet1", "Sheet2", "Sheet3"}));

    // The dialog, from the sheet popup: Sheet1 moved into the first book
    // before its second sheet.
    frmMoveCopySheets::SetScript([&](frmMoveCopySheets &dialog) {
        auto *books = dialog.findChild<QComboBox *>("cboBook");
        books->setCurrentIndex(books->findData(source));
        auto *sheets = dialog.findChild<QListWidget *>("lstBeforeSheet");
        if (sheets->item(sheets->count() - 1)->text() != frmMoveCopySheets::AtEndText)
            return false;
        sheets->setCurrentRow(1);
        return !dialog.findChild<QCheckBox *>("chkCopy")->isChecked();
    });
    QWidget *sheetViewport = m_window->SheetView()->listView()->viewport();
    QTest::mouseClick(sheetViewport, Qt::RightButton, {}, m_ui->SheetPoint("Sheet1"));
    QVERIFY(m_window->Action("SheetPopMoveCopy")->isEnabled());
    m_ui->Choose("menuSheetPopup", "SheetPopMoveCopy");
    frmMoveCopySheets::SetScript({});
    QCOMPARE(m_window->ActiveBookPath, source);
    QCOMPARE(m_window->Books().SelectedRows(), QList<int>{m_window->Books().FindItem(source)});
    QCOMPARE(m_window->Excel().SaveExcel(source), 0);
    QCOMPARE(SheetCommandHarness::Records(source),
             (QList<Sheet>{{"Sheet1", true}, {"Sheet1 (2)", true}, {"Sheet2", true}, {"Sheet3", false},
                           {"Sheet4", true}}));
    MessageBox::TakeShown();
}

QTEST_MAIN(tst_SheetTransfer)
#include "tst_sheettransfer.moc"
