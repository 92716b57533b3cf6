#include "BookImport.h"
#include "BookList.h"
#include "BookSelection.h"
#include "BookViewHarness.h"
#include "CupsTestQueue.h"
#include "IsolatedStore.h"
#include "PdfSaveDialog.h"
#include "PrintReserve.h"
#include "PrintRun.h"
#include "SettingsStore.h"
#include "SheetKey.h"
#include "SheetList.h"
#include "TestTool.h"
#include "cExcel.h"
#include "cListView.h"
#include "frmPageSetup.h"
#include "frmPrintSheet.h"

#include <QAction>
#include <QCheckBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>

static IsolatedStore g_store;

// Print runs through the real window, a real office and a CUPS server of the
// test's own whose queue writes files. Every page of the prepared books
// carries "[tag sheet name]" in its header, so the printed text tells which
// sheet of which book each page is.
class tst_PrintRun : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_cups = std::make_unique<CupsTestQueue>();
        QVERIFY(m_cups->isRunning());
        m_window = BookViewHarness::Window();
        QVERIFY(m_window);
        frmPageSetup::setScripted(true);
        frmPrintSheet::setScripted(true);
        PdfSaveDialog::setScripted(true);
        m_japanese = Prepare("japanese_sheet_names.xls", "j", "J");
        m_hidden = Prepare("hidden_third_sheet.xls", "a", "A");
        // The engine holds one book of a file name, whatever its case.
        m_hiddenTwin = Prepare("hidden_third_sheet.xls", "b", "B", "Hidden_Third_Sheet.xls");
        m_module = Prepare("vba_module1.xls", "m", "M");
        QVERIFY(!m_japanese.isEmpty() && !m_hidden.isEmpty() && !m_hiddenTwin.isEmpty() && !m_module.isEmpty());
        MessageBox::TakeShown();
    }

    void init()
    {
        BookViewHarness::Script();
        PdfSaveDialog::resetScript();
        frmPrintSheet::resetScript();
        for (const char *key : {"PrintGuide", "PrintWorkSheet", "PrintGraphSheet", "PrintPage", "PrintOneJob"}) {
            try {
                SettingsStore::DeleteSetting(SettingsStore::AppKey, "Option", QString::fromLatin1(key));
            } catch (const SettingsStore::NotFound &) {
            }
        }
        SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "SheetVisible", "0000");
        for (const char *key : {"Warninng1", "Warninng2", "Warninng3"})
            SettingsStore::SaveSetting(SettingsStore::AppKey, "Settings", QString::fromLatin1(key), "00");
        // The dialog's values stay between runs: each case starts without any.
        m_window->Printing().PrintCopies = m_window->Printing().PrintFromPage = m_window->Printing().PrintToPage =
            QVariant();
        m_cups->waitForJobs();
        NewJobs();
        m_sums.clear();
        for (const QString &book : {m_japanese, m_hidden, m_hiddenTwin, m_module})
            m_sums[book] = TestBooks::Digest(book);
    }

    void cleanup()
    {
        // No run may change a book.
        for (auto it = m_sums.cbegin(); it != m_sums.cend(); ++it)
            QCOMPARE(TestBooks::Digest(it.key()), it.value());
        BookViewHarness::RemoveAllBooks(*m_window);
        m_window->Reserve.Reset();
    }

    void theDialogListsWhatWillPrintAndAnimates()
    {
        Open({m_japanese});
        SelectSheets({"日本語のみ", "sheet日本語sheet"});
        m_window->ActivePane = 1;
        QStringList listed;
        QString label;
        QString printer;
        int interval = 0;
        int front = -1;
        frmPrintSheet::queueScript([&](frmPrintSheet &dialog) {
            listed = Listed(dialog);
            label = dialog.findChild<QLabel *>("Label1")->text();
            printer = dialog.findChild<QLabel *>("lblPrinter")->text();
            auto *timer = dialog.findChild<QTimer *>("Timer1");
            interval = timer->isActive() ? timer->interval() : -1;
            QMetaObject::invokeMethod(timer, "timeout");
            QMetaObject::invokeMethod(timer, "timeout");
            front = dialog.FrontPicture();
            dialog.findChild<QPushButton *>("Command1_1")->click();
        });
        m_window->Action("mnuPrint")->trigger();
        QCOMPARE(listed, QStringList({"日本語のみ", "sheet日本語sheet"}));
        QCOMPARE(label, QString("次のｴｸｾﾙﾌﾞｯｸ又は、ｴｸｾﾙのｼｰﾄを印刷します。\n( 2個のｵﾌﾞｼﾞｪｸﾄが選択されています。)"));
        QCOMPARE(printer, QString("ﾌﾟﾘﾝﾀ : ") + CupsTestQueue::QueueName);
        QCOMPARE(interval, 800);
        QCOMPARE(front, 2);
        m_cups->waitForJobs();
        QVERIFY(NewJobs().isEmpty()); // cancelled

        // Bad copies or a range that ends before it starts keep the dialog
        // open with a message.
        const struct
        {
            QString copies, from, to, said;
        } bad[] = {{"0", "", "", "印刷部数には 1 以上の数値を入力して下さい。"},
                   {"1", "3", "2", "印刷範囲の終了ﾍﾟｰｼﾞには開始ﾍﾟｰｼﾞ以上の数値を入力して下さい。"}};
        for (const auto &values : bad) {
            frmPrintSheet::queueScript([&values](frmPrintSheet &dialog) {
                dialog.findChild<QLineEdit *>("Text2")->setText(values.copies);
                dialog.findChild<QLineEdit *>("Text1_0")->setText(values.from);
                dialog.findChild<QLineEdit *>("Text1_1")->setText(values.to);
                dialog.findChild<QPushButton *>("Command1_0")->click();
                QCOMPARE(dialog.Button, qint32(frmPrintSheet::Cancel));
                dialog.findChild<QPushButton *>("Command1_1")->click();
            });
            m_window->Action("mnuPrint")->trigger();
            const auto shown = MessageBox::TakeShown();
            QCOMPARE(shown.size(), 1);
            QCOMPARE(shown.first().text, values.said);
        }
        m_cups->waitForJobs();
        QVERIFY(NewJobs().isEmpty());
    }

    void sheetViewSelectionOrWholeBook()
    {
        Open({m_japanese});
        SelectSheets({"日本語のみ", "sheet日本語sheet"});
        m_window->ActivePane = 1;
        Answer("Command1_0");
        m_window->Action("mnuPrint")->trigger();
        QCOMPARE(NewJobs(), QList<QStringList>({{"J 日本語のみ", "J sheet日本語sheet"}}));
        QVERIFY(!m_window->Excel().ExcelStatus()); // let go after printing

        // The book view active: every qualifying sheet, one job per book.
        m_window->ActivePane = 0;
        SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "PrintGuide", "0");
        m_window->Action("mnuPrint")->trigger();
        QCOMPARE(NewJobs(), QList<QStringList>({{"J NoContainsJapanese", "J 日本語のみ", "J sheet日本語",
                                                 "J 日本語sheet", "J sheet日本語sheet"}}));

        // "PrintPage" other than "0": a job per sheet.
        SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "PrintPage", "1");
        m_window->ActivePane = 1;
        m_window->Action("mnuPrint")->trigger();
        QCOMPARE(NewJobs(), QList<QStringList>({{"J 日本語のみ"}, {"J sheet日本語sheet"}}));
        QVERIFY(MessageBox::TakeShown().isEmpty());
    }

    void optionsDecideWhichSheetsQualify()
    {
        QVERIFY(!Open({Copy("hidden_and_protected_sheets.xls")}).isEmpty());
        m_window->ActivePane = 0;
        // Hidden and protected never; hidden when the options allow.
        QCOMPARE(ListedForCurrentBook(), QStringList({"Instructions", "RM1", "Enabling Macros", "ListData"}));
        SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "PrintWorkSheet", "101");
        QCOMPARE(ListedForCurrentBook(), QStringList({"Instructions", "RM1", "Enabling Macros"}));
        SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "PrintWorkSheet", "110");
        QCOMPARE(ListedForCurrentBook(), QStringList({"ListData"}));
        // The third character alone decides for visible protected sheets.
        SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "PrintWorkSheet", "001");
        QCOMPARE(ListedForCurrentBook(), QStringList({"Instructions", "RM1", "Enabling Macros"}));

        // Worksheets with embedded charts follow the chart option.
        Open({Copy("chartsheets_mixed_embedded_lost.xls")});
        SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "PrintWorkSheet", "011");
        QCOMPARE(ListedForCurrentBook(), QStringList({"Sheet1", "Chart1", "Chart2", "Pareto", "Chart3", "Chart4",
                                                      "Pareto (2)"}));
        SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "PrintWorkSheet", "111");
        SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "PrintGraphSheet", "011");
        QCOMPARE(ListedForCurrentBook(), QStringList({"Sheet2", "Sheet3"}));

        // Nothing qualifies: said, nothing printed.
        SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "PrintWorkSheet", "000");
        SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "PrintGraphSheet", "000");
        m_window->Action("mnuPrint")->trigger();
        const auto shown = MessageBox::TakeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().text, QString("印刷可能なｼｰﾄがありません。印刷ｵﾌﾟｼｮﾝを確認して下さい。"));
        QCOMPARE(shown.first().style, 0x10u);

        // No book at all.
        cleanup();
        m_window->Action("mnuPrint")->trigger();
        QCOMPARE(MessageBox::TakeShown().first().text, QString("Excel Book が選択されていません。"));
    }

    void hiddenSheetsPrintAsShownAndStayHidden()
    {
        Open({m_hidden});
        m_window->ActivePane = 0;
        // Copies and a range: the boxes count, whichever option is chosen.
        frmPrintSheet::queueScript([](frmPrintSheet &dialog) {
            dialog.findChild<QRadioButton *>("Option1_1")->setChecked(true);
            dialog.findChild<QLineEdit *>("Text2")->setText(" 2 ");
            dialog.findChild<QLineEdit *>("Text1_0")->setText("2");
            dialog.findChild<QLineEdit *>("Text1_1")->setText("3");
            dialog.findChild<QPushButton *>("Command1_0")->click();
        });
        m_window->Action("mnuPrint")->trigger();
        QCOMPARE(NewJobs(), QList<QStringList>({{"A Sheet2"}}));
        QCOMPARE(Headers(PdfText(m_cups->takeOutput())), QStringList(4, "A Sheet2"));
        QCOMPARE(m_window->Printing().PrintCopies.toString(), QString("2"));

        // Cancel keeps the values of the last run.
        frmPrintSheet::queueScript([](frmPrintSheet &dialog) {
            dialog.findChild<QLineEdit *>("Text2")->setText("7");
            dialog.findChild<QLineEdit *>("Text1_0")->setText("9");
            dialog.findChild<QPushButton *>("Command1_1")->click();
        });
        m_window->Action("mnuPrint")->trigger();
        QCOMPARE(m_window->Printing().PrintCopies.toString(), QString("2"));
        QCOMPARE(m_window->Printing().PrintFromPage.toString(), QString("2"));

        // Empty boxes print everything, even with "ﾍﾟｰｼﾞ指定" chosen.
        frmPrintSheet::queueScript([](frmPrintSheet &dialog) {
            dialog.findChild<QRadioButton *>("Option1_0")->setChecked(true);
            dialog.findChild<QPushButton *>("Command1_0")->click();
        });
        m_window->Action("mnuPrint")->trigger();
        QCOMPARE(NewJobs(), QList<QStringList>({{"A Sheet1", "A Sheet2", "A Sheet3", "A Sheet4"}}));

        m_window->Sheets().ReopenExcelIfNeeded();
        QCOMPARE(m_window->Excel().GetSheetAttribute("hidden_third_sheet.xls", "Sheet3") & SheetKey::Visible, 0);
    }

    void booksOfTheSameNamePrintInPassesTheLaterFirst()
    {
        Open({m_hidden, m_module, m_hiddenTwin});
        SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "PrintGuide", "0");
        SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "PrintWorkSheet", "101");
        m_window->Action("mnuPrint")->trigger();
        QCOMPARE(NewJobs(), QList<QStringList>({{"M Sheet1"},
                                                {"B Sheet1", "B Sheet2", "B Sheet4"},
                                                {"A Sheet1", "A Sheet2", "A Sheet4"}}));
        QVERIFY(MessageBox::TakeShown().isEmpty());
        QVERIFY(!m_window->Excel().ExcelStatus());
    }

    void oneJobForManyBooksAndThePdfFile()
    {
        Open({m_hidden, m_japanese});
        frmPrintSheet::queueScript([](frmPrintSheet &dialog) {
            dialog.findChild<QCheckBox *>("Check1")->setChecked(true);
            dialog.findChild<QPushButton *>("Command1_0")->click();
        });
        m_window->Action("mnuPrint")->trigger();
        QCOMPARE(NewJobs(), QList<QStringList>({{"A Sheet1", "A Sheet2", "A Sheet3", "A Sheet4", "J NoContainsJapanese",
                                                 "J 日本語のみ", "J sheet日本語", "J 日本語sheet", "J sheet日本語sheet"}}));
        QCOMPARE(SettingsStore::GetSetting(SettingsStore::AppKey, "Option", "PrintOneJob"), QString("1"));
        QCOMPARE(m_window->PanelText(1), QString("9 ｼｰﾄを印刷しました。"));

        // The same run into a PDF file: ".pdf" added; an existing file is
        // asked about, and No goes back to the dialog.
        const QString taken = m_dir.filePath("taken.pdf");
        QFile file(taken);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("mine");
        file.close();
        const QString target = m_dir.filePath("run");
        PdfSaveDialog::queueAnswer(taken);
        PdfSaveDialog::queueAnswer(target);
        MessageBox::QueueAnswer(MessageBox::IDNO);
        frmPrintSheet::queueScript([](frmPrintSheet &dialog) {
            dialog.findChild<QPushButton *>("Command2")->click();
            QCOMPARE(dialog.Button, qint32(frmPrintSheet::Cancel));
            dialog.findChild<QPushButton *>("Command2")->click();
        });
        m_window->Action("mnuPrint")->trigger();
        QCOMPARE(MessageBox::TakeShown().size(), 1);
        QCOMPARE(TestBooks::Bytes(taken), QByteArray("mine"));
        m_cups->waitForJobs();
        QVERIFY(NewJobs().isEmpty());
        const QString pdf = target + ".pdf";
        QCOMPARE(Tool("pdfinfo", {pdf}).contains(QRegularExpression("Pages:\\s+11\\b")), true);
        QCOMPARE(Sheets(Headers(Tool("pdftotext", {"-layout", pdf, "-"}))),
                 QStringList({"A Sheet1", "A Sheet2", "A Sheet3", "A Sheet4", "J NoContainsJapanese", "J 日本語のみ",
                              "J sheet日本語", "J 日本語sheet", "J sheet日本語sheet"}));
        QCOMPARE(m_window->PanelText(1), "9 ｼｰﾄを PDF ﾌｧｲﾙ \"" + pdf + "\" に保存しました。");
    }

    void reservedRunPrintsWhatIsStillReservedAndClearsIt()
    {
        Open({m_hidden, m_japanese, m_module});
        Activate(m_hidden);
        SelectSheets({"Sheet2", "Sheet4"});
        m_window->Reservations().PrintReserveSet();
        Activate(m_japanese);
        SelectSheets({"日本語sheet"});
        m_window->Reservations().PrintReserveSet();
        Activate(m_module);
        SelectSheets({"Sheet1"});
        m_window->Reservations().PrintReserveSet();
        m_window->Reservations().PrintReserveReset(); // all of this book released
        QStringList listed;
        frmPrintSheet::queueScript([&listed](frmPrintSheet &dialog) {
            listed = Listed(dialog);
            dialog.findChild<QPushButton *>("Command1_0")->click();
        });
        m_window->Action("tbReservPrint")->trigger();
        QCOMPARE(listed.size(), 3);
        QVERIFY(listed.first().endsWith("/a/hidden_third_sheet.xls ! Sheet2"));
        QCOMPARE(NewJobs(), QList<QStringList>({{"A Sheet2", "A Sheet4"}, {"J 日本語sheet"}}));
        QCOMPARE(m_window->Reserve.CountReservedBooks(), 0);
        QVERIFY(!m_window->Action("tbReservPrint")->isEnabled());
        QCOMPARE(m_window->PanelText(1), QString("3 ｼｰﾄを印刷しました。"));
        // Nothing reserved: said plainly, no empty dialog.
        m_window->Printing().mnuReservePrint();
        const auto shown = MessageBox::TakeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().text, QString("印刷予約されているｼｰﾄがありません。"));
    }

    void aBookWithNothingInTheRangeIsToldAndKeepsItsReservation()
    {
        Open({m_hidden, m_japanese});
        Activate(m_hidden);
        SelectSheets({"Sheet2"});
        m_window->Reservations().PrintReserveSet();
        Activate(m_japanese);
        SelectSheets({"日本語sheet"});
        m_window->Reservations().PrintReserveSet();
        frmPrintSheet::queueScript([](frmPrintSheet &dialog) {
            dialog.findChild<QLineEdit *>("Text1_0")->setText("2");
            dialog.findChild<QLineEdit *>("Text1_1")->setText("2");
            dialog.findChild<QPushButton *>("Command1_0")->click();
        });
        m_window->Action("tbReservPrint")->trigger();
        QCOMPARE(NewJobs(), QList<QStringList>({{"A Sheet2"}}));
        const auto shown = MessageBox::TakeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().text, "次のﾌﾞｯｸは印刷できませんでした。\n\n\"" + m_japanese
                                         + "\"\n  指定されたﾍﾟｰｼﾞがありません。\n\nほかの 1 個のﾌﾞｯｸ (1 ｼｰﾄ) は印刷しました。");
        QCOMPARE(m_window->Reserve.CountReservedBooks(), 1);
        QVERIFY(m_window->Reserve.IsSheetReserved(m_japanese, "日本語sheet"));
    }

    void failuresAreToldAndTheRestPrints()
    {
        const QString broken = Copy("hidden_third_sheet.xls", "broken.xls");
        Open({m_japanese, broken, m_module});
        SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "PrintGuide", "0");
        // A book that went bad after it was listed.
        QFile::resize(broken, 700);
        m_window->Action("mnuPrint")->trigger();
        QCOMPARE(NewJobs().size(), 2);
        auto shown = MessageBox::TakeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown.first().text.startsWith("次のﾌﾞｯｸは印刷できませんでした。\n\n\"" + broken + "\"\n"));
        QVERIFY(shown.first().text.endsWith("ほかの 2 個のﾌﾞｯｸ (8 ｼｰﾄ) は印刷しました。"));

        // No printer: nothing is opened, the reservations stay.
        QFile::remove(broken);
        m_window->Books().SelectAll();
        m_window->Import().RemoveBooks();
        Open({m_module});
        SelectSheets({"Sheet1"});
        m_window->Reservations().PrintReserveSet();
        m_cups->removeQueue();
        m_window->Action("mnuReservePrint")->trigger();
        m_cups->addQueue();
        shown = MessageBox::TakeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown.first().text.startsWith("通常使うプリンタが設定されていないため"));
        QCOMPARE(m_window->Reserve.CountReservedBooks(), 1);

        // A PDF destination that cannot take the file (its folder is a file)
        // is named in the save dialog, which asks again; a folder gone after
        // the choice fails the run: told, nothing left behind, the
        // reservations kept.
        const QString blocked = m_dir.filePath("notafolder");
        QFile blocker(blocked);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString gone = m_dir.filePath("gone");
        QVERIFY(QDir().mkdir(gone));
        PdfSaveDialog::queueAnswer(blocked + "/out.pdf");
        PdfSaveDialog::queueAnswer(gone + "/out.pdf");
        SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "PrintGuide", "1");
        frmPrintSheet::queueScript([gone](frmPrintSheet &dialog) {
            dialog.findChild<QPushButton *>("Command2")->click();
            QDir(gone).removeRecursively();
        });
        m_window->Action("mnuReservePrint")->trigger();
        shown = MessageBox::TakeShown();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown.first().text, "ﾌｫﾙﾀﾞ \"" + blocked + "\" が見つかりません。\n別の保存先を選んでください。");
        QVERIFY(shown.last().text.startsWith("次のﾌﾞｯｸは PDF ﾌｧｲﾙに保存できませんでした。"));
        QVERIFY(QDir(m_dir.path()).entryList({"out*"}, QDir::Files | QDir::Hidden).isEmpty());
        QVERIFY(!QFileInfo::exists(gone));
        QCOMPARE(m_window->Reserve.CountReservedBooks(), 1);
    }

    void unsavedChangesOfTheActiveBookSurviveARun()
    {
        const QString changed = Copy("vba_module1.xls", "changed.xls");
        const QByteArray before = TestBooks::Digest(changed);
        Open({m_japanese, changed});
        m_window->Sheets().ReopenExcelIfNeeded();
        QVERIFY(m_window->Excel().RenameSheet("Sheet2", "Renamed").isEmpty());
        m_window->SheetsChanged = true;
        SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "PrintGuide", "0");
        m_window->Books().SelectAll();
        MessageBox::QueueAnswer(MessageBox::IDNO);
        m_window->Action("mnuPrint")->trigger();
        const auto shown = MessageBox::TakeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().text, "ｼｰﾄ構成の変更を \"" + changed + "\" に保存しますか？");
        QCOMPARE(NewJobs().size(), 2);
        QCOMPARE(TestBooks::Digest(changed), before);
        QVERIFY(m_window->SheetsChanged);
        QCOMPARE(m_window->Excel().GetSheetName(2), QString("Renamed"));
    }

private:
    // A copy of the fixture in its own folder, every sheet's header "[tag name]".
    QString Prepare(const QString &fixture, const QString &folder, const QString &tag, const QString &as = QString())
    {
        const QString path = BookViewHarness::Copy(m_dir.filePath(folder), fixture, as);
        cExcel &excel = m_window->Excel();
        excel.OpenExcel(path);
        frmPageSetup::queueScript([tag](frmPageSetup &dialog) {
            dialog.findChild<QLineEdit *>("txtCenterHeader")->setText("[" + tag + " &A]");
            return true;
        });
        if (excel.DspExcelPageSetupDialog(QString(), QString()) != -1)
            return QString();
        const QString name = QFileInfo(path).fileName();
        for (qint16 i = 1; i <= excel.GetSheetCount(); ++i) {
            const QString sheet = excel.GetSheetName(i);
            const bool hidden = !(excel.GetSheetAttribute(name, sheet) & SheetKey::Visible);
            if (hidden)
                excel.SetSheetAttribute(name, sheet, 1);
            excel.PageSetUp(sheet);
            if (hidden)
                excel.SetSheetAttribute(name, sheet, 0);
        }
        const bool saved = excel.SaveExcel(path) == 0;
        excel.CloseExcel();
        return saved ? path : QString();
    }

    QString Copy(const QString &fixture, const QString &as = QString())
    {
        return BookViewHarness::Copy(m_dir.filePath("plain"), fixture, as);
    }

    // Lists the books (the last one active) and selects them all.
    QString Open(const QStringList &paths)
    {
        BookViewHarness::Drop(*m_window, paths, QPoint());
        m_window->Books().SelectAll();
        return m_window->ActiveBookPath;
    }

    void Activate(const QString &path)
    {
        const int row = m_window->Books().FindItem(path);
        m_window->Books().DeselectAll();
        m_window->Books().Select(row);
        m_window->Selection().OpenSelectedBook(row);
    }

    void SelectSheets(const QStringList &names)
    {
        QItemSelectionModel *selection = m_window->SheetView()->selectionModel();
        selection->clearSelection();
        for (int row = 0; row < m_window->Sheets().Count(); ++row) {
            if (names.contains(m_window->Sheets().Text(row)))
                selection->select(m_window->SheetView()->model()->index(row, 0), QItemSelectionModel::Select);
        }
        m_window->Books().DeselectAll();
        m_window->Books().Select(m_window->Books().FindItem(m_window->ActiveBookPath));
    }

    void Answer(const char *button)
    {
        frmPrintSheet::queueScript([button](frmPrintSheet &dialog) {
            dialog.findChild<QPushButton *>(QString::fromLatin1(button))->click();
        });
    }

    static QStringList Listed(frmPrintSheet &dialog)
    {
        QStringList texts;
        auto *list = dialog.findChild<QListWidget *>("List1");
        for (int i = 0; i < list->count(); ++i)
            texts << list->item(i)->text();
        return texts;
    }

    // What the dialog lists for the active book (then cancelled).
    QStringList ListedForCurrentBook()
    {
        SelectSheets({});
        QStringList listed;
        frmPrintSheet::queueScript([&listed](frmPrintSheet &dialog) {
            listed = Listed(dialog);
            dialog.findChild<QPushButton *>("Command1_1")->click();
        });
        m_window->Action("mnuPrint")->trigger();
        return listed;
    }

    // A helper program's output; one that fails or hangs fails the test.
    static QString Tool(const QString &program, const QStringList &arguments,
                        std::source_location where = std::source_location::current())
    {
        return QString::fromUtf8(TestTool::Output(program, arguments, 60, where));
    }

    QString PdfText(const QByteArray &pdf)
    {
        const QString path = m_dir.filePath("job.pdf");
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(pdf);
        file.close();
        return Tool("pdftotext", {"-layout", path, "-"});
    }

    // Each page's "[...]" header.
    static QStringList Headers(const QString &text)
    {
        static const QRegularExpression header("\\[([^\\]]+)\\]");
        QStringList pages = text.split(QLatin1Char('\f'));
        pages.removeLast();
        QStringList headers;
        for (const QString &page : pages)
            headers << header.match(page).captured(1);
        return headers;
    }

    // The headers of a run of pages, a sheet's pages counted once.
    static QStringList Sheets(const QStringList &headers)
    {
        QStringList sheets;
        for (const QString &header : headers) {
            if (sheets.isEmpty() || sheets.last() != header)
                sheets << header;
        }
        return sheets;
    }

    // The sheets of each job sent since the last call, in page order;
    // the server keeps every job's document in its spool.
    QList<QStringList> NewJobs()
    {
        m_cups->waitForJobs();
        const QDir spool(QFileInfo(m_cups->socket()).dir().filePath("spool"));
        QList<QStringList> jobs;
        for (const QString &name : spool.entryList({"d*"}, QDir::Files, QDir::Name)) {
            if (m_seen.contains(name))
                continue;
            m_seen << name;
            jobs << Sheets(Headers(Tool("pdftotext", {"-layout", spool.filePath(name), "-"})));
        }
        return jobs;
    }

    std::unique_ptr<CupsTestQueue> m_cups;
    std::unique_ptr<frmMain> m_window;
    QTemporaryDir m_dir;
    QString m_japanese;
    QString m_hidden;
    QString m_hiddenTwin;
    QString m_module;
    QStringList m_seen;
    QHash<QString, QByteArray> m_sums;
};

QTEST_MAIN(tst_PrintRun)
#include "tst_printrun.moc"
