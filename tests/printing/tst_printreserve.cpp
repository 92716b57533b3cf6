#include "BookImport.h"
#include "BookList.h"
#include "BookViewHarness.h"
#include "IsolatedStore.h"
#include "PrintReserve.h"
#include "SettingsStore.h"
#include "SheetList.h"
#include "cListView.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QStandardItemModel>
#include <QUrl>

static IsolatedStore g_store;

// Reserving sheets of several books for a later print run, through the real
// window's menu items, on real books.
class tst_PrintReserve : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_window = BookViewHarness::Window();
        QVERIFY(m_window);
    }

    void init()
    {
        BookViewHarness::Script();
        SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "SheetVisible", "0000");
    }

    void cleanup()
    {
        BookViewHarness::RemoveAllBooks(*m_window);
        m_window->Reserve.Reset();
    }

    void reservingSkipsHiddenProtectedSheetsAndMarksTheLastQualifyingOne()
    {
        const QString book = Open("hidden_and_protected_sheets.xls");
        QVERIFY(!Enabled("tbReservPrint"));

        // The last selected sheet is hidden and protected: not reserved, no mark.
        Select({"Instructions", "Formulated"});
        Trigger("mnuReservSet");
        QCOMPARE(m_window->Reserve.Entries.size(), 1);
        const ReserveBookEntry &entry = m_window->Reserve.Entries.at(0);
        QCOMPARE(entry.Path, book);
        QVERIFY(entry.Reserved);
        QCOMPARE(Names(entry), QStringList({"Instructions"}));
        QVERIFY(m_window->Title(2)->text().isEmpty());
        QVERIFY(Enabled("tbReservPrint"));
        QVERIFY(Enabled("mnuReservePrint"));

        // The same sheet again, through the popup twin: still one element; marked.
        Select({"Instructions", "RM1"});
        Trigger("PrintReserveSet");
        QCOMPARE(Names(m_window->Reserve.Entries.at(0)), QStringList({"Instructions", "RM1"}));
        QCOMPARE(m_window->Reserve.Entries.at(0).Sheets.size(), 2);
        QCOMPARE(m_window->Title(2)->text(), QString("印刷予約"));
        Select({"Instructions"});
        QCOMPARE(m_window->Title(2)->palette().color(QPalette::Window), QColor(0, 0, 255));

        // A single marked sheet can be released, not reserved again.
        MenuState();
        QVERIFY(!Enabled("mnuReservSet") && !Enabled("PrintReserveSet"));
        QVERIFY(Enabled("mnuReservReset") && Enabled("PrintReserveReset"));
        QVERIFY(Enabled("mnuReservAllReset") && Enabled("PrintReserveAllReset"));

        // A hidden protected sheet alone: nothing can be done with it but release all.
        Select({"Formulated"});
        MenuState();
        QVERIFY(!Enabled("mnuReservSet") && !Enabled("mnuReservReset"));
        QVERIFY(Enabled("mnuReservAllReset"));
    }

    void menuStateForSeveralSelectedSheets()
    {
        Open("hidden_third_sheet.xls");
        Select({"Sheet1", "Sheet2"});
        MenuState(); // no entry for the book
        QVERIFY(Enabled("mnuReservSet") && !Enabled("mnuReservReset") && !Enabled("mnuReservAllReset"));

        Select({"Sheet1"});
        Trigger("mnuReservSet");
        Select({"Sheet1", "Sheet2"});
        MenuState(); // some reserved
        QVERIFY(Enabled("mnuReservSet") && Enabled("mnuReservReset"));
        Trigger("mnuReservSet");
        MenuState(); // all reserved
        QVERIFY(!Enabled("mnuReservSet") && Enabled("mnuReservReset") && Enabled("mnuReservAllReset"));
    }

    void releasingKeepsOtherBooksReserved()
    {
        const QString first = Open("hidden_third_sheet.xls");
        Select({"Sheet1", "Sheet2"});
        Trigger("mnuReservSet");
        const QString second = Open("vba_module1.xls", "second");
        Select({"Sheet3"});
        Trigger("mnuReservSet");
        QCOMPARE(m_window->Reserve.CountReservedBooks(), 2);

        // Releasing the second book's only sheet clears its flag; the first stays.
        Trigger("mnuReservReset");
        QVERIFY(m_window->Title(2)->text().isEmpty());
        const int entry = m_window->Reserve.FindReserveBook(second);
        QVERIFY(!m_window->Reserve.Entries.at(entry).Reserved);
        QCOMPARE(m_window->Reserve.CountReservedBooks(), 1);
        QVERIFY(Enabled("tbReservPrint"));

        // Releasing where the book has no entry changes nothing, not even the mark.
        const QList<ReserveBookEntry> before = m_window->Reserve.Entries;
        m_window->Reserve.Entries.removeAt(entry);
        m_window->Reservations().ShowMark(true);
        Trigger("mnuReservReset");
        QCOMPARE(m_window->Title(2)->text(), QString("印刷予約"));
        QCOMPARE(m_window->Reserve.Entries.size(), before.size() - 1);

        Trigger("PrintReserveAllReset");
        QCOMPARE(m_window->Reserve.CountReservedBooks(), 0);
        QCOMPARE(m_window->Reserve.Entries.size(), 1);
        QVERIFY(m_window->Reserve.Entries.at(0).Path.isEmpty());
        QVERIFY(!Enabled("tbReservPrint"));
        QVERIFY(m_window->Title(2)->text().isEmpty());
        Q_UNUSED(first);
    }

    void aBookRemovedAndReservedAgainGetsANewEntry()
    {
        const QString first = Open("hidden_third_sheet.xls");
        Select({"Sheet1"});
        Trigger("mnuReservSet");
        const QString second = Open("vba_module1.xls");
        Select({"Sheet2"});
        Trigger("mnuReservSet");

        // Removing the first book blanks its entry, which stays in its place.
        m_window->Books().DeselectAll();
        m_window->Books().Select(m_window->Books().FindItem(first));
        m_window->Import().RemoveBooks();
        QCOMPARE(m_window->Reserve.Entries.size(), 2);
        QVERIFY(m_window->Reserve.Entries.at(0).Path.isEmpty());

        const QString again = Open("hidden_third_sheet.xls");
        Select({"Sheet4"});
        Trigger("mnuReservSet");
        QCOMPARE(m_window->Reserve.Entries.size(), 3);
        QVERIFY(m_window->Reserve.Entries.at(0).Path.isEmpty());
        QCOMPARE(m_window->Reserve.Entries.at(2).Path, again);
        QCOMPARE(Names(m_window->Reserve.Entries.at(2)), QStringList({"Sheet4"}));
        Q_UNUSED(second);
    }

private:
    QString Open(const QString &fixture, const QString &folder = QString())
    {
        const QString path = BookViewHarness::Copy(m_dir.filePath(folder.isEmpty() ? "books" : folder), fixture);
        BookViewHarness::Drop(*m_window, {path}, QPoint());
        return m_window->ActiveBookPath == path ? path : QString();
    }

    // Selects the sheets; the mark shows for the last, as the sheet view shows it.
    void Select(const QStringList &names)
    {
        QItemSelectionModel *selection = m_window->SheetView()->selectionModel();
        selection->clearSelection();
        for (int row = 0; row < m_window->Sheets().Count(); ++row) {
            if (names.contains(m_window->Sheets().Text(row)))
                selection->select(m_window->SheetView()->model()->index(row, 0), QItemSelectionModel::Select);
        }
        m_window->Reservations().ShowMark(m_window->Reserve.IsSheetReserved(m_window->ActiveBookPath, names.last()));
    }

    bool Enabled(const char *name) const { return m_window->Action(QString::fromLatin1(name))->isEnabled(); }
    // As the user does it: the menu opens (and sets its items), then the item.
    void Trigger(const char *name)
    {
        MenuState();
        QAction *action = m_window->Action(QString::fromLatin1(name));
        QVERIFY2(action->isEnabled(), name);
        action->trigger();
    }
    void MenuState() { emit m_window->Popup("PrintReserve")->aboutToShow(); }

    static QStringList Names(const ReserveBookEntry &entry)
    {
        QStringList names;
        for (const ReserveSheetEntry &sheet : entry.Sheets) {
            if (sheet.Reserved)
                names << sheet.Name;
        }
        return names;
    }

    std::unique_ptr<frmMain> m_window;
    QTemporaryDir m_dir;
};

QTEST_MAIN(tst_PrintReserve)
#include "tst_printreserve.moc"
