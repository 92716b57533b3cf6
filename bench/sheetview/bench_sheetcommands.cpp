// Sheet command benchmarks in the real main window, medians of several runs:
//  - moving 50 sheets within a 300-sheet book (cut, paste after a sheet) and
//    saving the book: budget 50 ms;
//  - copying 10 sheets to another book of the book view, from the drop to the
//    target listed and selected (the popup's choice made at once), warm:
//    budget 300 ms.
// Medians against their budgets (see BenchReport.h for the output and the
// exit status); a run that did not do what it should fails to measure.
// Settings and the user's folders are redirected to a temporary folder.
//
//   bench_sheetcommands [REPETITIONS]

#include "BenchBooks.h"
#include "BenchHome.h"
#include "BookFile.h"
#include "BookImport.h"
#include "BookList.h"
#include "BookSelection.h"
#include "MessageBox.h"
#include "SettingsMigration.h"
#include "SheetClipboard.h"
#include "SheetList.h"
#include "SheetTransfer.h"
#include "WarningSeam.h"
#include "cExcel.h"
#include "cListView.h"
#include "frmMain.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

void SelectRows(frmMain &window, int first, int count)
{
    QItemSelectionModel *selection = window.SheetView()->selectionModel();
    selection->clearSelection();
    for (int row = first; row < first + count; ++row)
        selection->select(window.SheetView()->model()->index(row, 0), QItemSelectionModel::Select);
    selection->setCurrentIndex(window.SheetView()->model()->index(first, 0), QItemSelectionModel::NoUpdate);
    window.ActivePane = 1;
}

void SelectSheet(frmMain &window, int row)
{
    window.SheetView()->selectionModel()->setCurrentIndex(window.SheetView()->model()->index(row, 0),
                                                         QItemSelectionModel::ClearAndSelect);
}

// Cuts 50 sheets from the front and pastes them after the last; saves.
double MoveOnce(frmMain &window, bool &ok)
{
    SelectRows(window, 0, 50);
    QElapsedTimer timer;
    timer.start();
    window.Clipboard().Cut();
    SelectSheet(window, window.Sheets().Count() - 1);
    window.Clipboard().SheetDropIsCopy = 0;
    window.Clipboard().PasteNextToSelected(false);
    ok = ok && window.Excel().SaveExcel(window.ActiveBookPath) == 0;
    window.SheetsChanged = false;
    const double ms = timer.nsecsElapsed() / 1e6;
    ok = ok && window.Sheets().Count() == 300 && window.Sheets().SelectedRows() == QList<int>({299});
    return ms;
}

// Makes the source the current book again (nothing saved) and drops 10 of its
// sheets on the target.
double CopyOnce(frmMain &window, const QString &source, const QString &target, bool &ok)
{
    window.SheetsChanged = false;
    window.Books().DeselectAll();
    const int sourceRow = window.Books().FindItem(source);
    window.Books().Select(sourceRow);
    window.Selection().OpenSelectedBook(sourceRow);
    SelectRows(window, 5, 10);
    std::unique_ptr<QMimeData> data(window.Sheets().DragData());
    window.Books().DeselectAll();
    window.Books().Select(window.Books().FindItem(target));
    QCoreApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    window.Transfer().DropOnBook(*data, Qt::ControlModifier);
    window.Popup(QStringLiteral("menuBookMovePopup"))->hide();
    window.Transfer().PasteToBook(false);
    QCoreApplication::processEvents();
    const double ms = timer.nsecsElapsed() / 1e6;
    ok = ok && window.ActiveBookPath == target && window.Sheets().Count() == 14
         && window.Books().SelectedRows() == QList<int>({window.Books().FindItem(target)})
         && window.Sheets().SelectedRows() == QList<int>({0});
    return ms;
}

// The engine's part alone, warm: both books opened, the 10 sheets copied.
double EngineCopyOnce(cExcel &excel, const QString &source, const QString &target)
{
    excel.CloseExcel();
    excel.OpenExcel(QStringList{target, source});
    QStringList names;
    for (int i = 5; i < 15; ++i)
        names << excel.GetSheetName(static_cast<qint16>(i + 1));
    QElapsedTimer timer;
    timer.start();
    excel.CopySheet(QStringLiteral("source.xls"), names, QStringLiteral("target.xls"), QStringLiteral("Sheet4"));
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    const BenchHome home;
    QApplication app(argc, argv);
    BenchHome::ScriptTheWindow();
    const int repetitions = argc > 1 ? std::max(3, atoi(argv[1])) : 11;

    BenchReport report;
    const QString moving = QStringLiteral("move 50 sheets within a 300-sheet book and save (%1 runs)").arg(repetitions);
    const QString copying =
        QStringLiteral("copy 10 sheets to another book, drop to target listed and selected, warm (%1 runs)")
            .arg(repetitions);

    frmMain window;
    if (!window.Load()) {
        report.Failed(moving, QStringLiteral("the window did not load"));
        return report.ExitCode();
    }
    window.show();

    const QString big = BenchBooks::OfSheets(home.path() + QStringLiteral("/big.xls"), 300);
    QMimeData add;
    add.setUrls({QUrl::fromLocalFile(big)});
    window.Import().Drop(add, QPoint());
    bool moveOk = window.Sheets().Count() == 300;
    std::vector<double> moves;
    for (int run = 0; run < repetitions; ++run)
        moves.push_back(MoveOnce(window, moveOk));
    if (moveOk)
        report.Within(moving, BenchReport::Median(moves), 50);
    else
        report.Failed(moving, QStringLiteral("a run did not move the sheets or save the book"));

    const QString source = BenchBooks::OfSheets(home.path() + QStringLiteral("/source.xls"), 20);
    const QString target = BenchBooks::OfSheets(home.path() + QStringLiteral("/target.xls"), 3);
    window.Books().AddBookItem(target);
    window.Books().AddBookItem(source);
    bool copyOk = true;
    CopyOnce(window, source, target, copyOk); // warms the engine up
    std::vector<double> copies;
    for (int run = 0; run < repetitions; ++run)
        copies.push_back(CopyOnce(window, source, target, copyOk));
    if (copyOk)
        report.Within(copying, BenchReport::Median(copies), 300);
    else
        report.Failed(copying, QStringLiteral("a run did not copy the sheets into the target"));
    std::vector<double> engine;
    for (int run = 0; run < std::max(3, repetitions / 2); ++run)
        engine.push_back(EngineCopyOnce(window.Excel(), source, target));
    report.Info(QStringLiteral("  of which the engine's copy of the 10 sheets alone"), BenchReport::Median(engine));
    return report.ExitCode();
}
