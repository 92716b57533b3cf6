// Sheet view benchmarks, medians of several runs:
//  - sorting the sheets of a 300-sheet book (list, table and book) and saving
//    the book;
//  - opening the sheet popup with its information submenu for a sheet of a
//    50-sheet book, the office already holding the book (its page count is
//    the office's render of the sheet).
// Medians against their budgets (see BenchReport.h for the output and the
// exit status); a run that did not do what it measures fails to measure.
// Settings and the user's folders are redirected to a temporary folder.

#include "BenchHome.h"
#include "BenchReport.h"
#include "BookFile.h"
#include "BookList.h"
#include "BookSelection.h"
#include "MessageBox.h"
#include "SettingsMigration.h"
#include "SheetList.h"
#include "TextCollation.h"
#include "WarningSeam.h"
#include "cExcel.h"
#include "frmMain.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <vector>

namespace {

constexpr double SortBudgetMs = 30;
constexpr double PopupBudgetMs = 150;

// A book of `sheets` sheets in no particular order of names, made from a real
// one by copying its first sheet.
QString MakeBook(const QString &folder, const QString &fileName, int sheets)
{
    const QString path = folder + u'/' + fileName;
    QFile::copy(BenchFixtures::Path(QStringLiteral("hidden_third_sheet.xls")), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    quirn::BookFile book;
    if (book.open(path))
        return QString();
    QRandomGenerator random(1234);
    const QString syllables[] = {"ka", "Mi", "so", "TE", "ru", "売上", "集計", "ｼｰﾄ", "データ", "ne"};
    for (int i = book.sheetCount(); i < sheets; ++i) {
        QString name;
        for (int k = 0; k < 3; ++k)
            name += syllables[random.bounded(10)];
        book.duplicateSheet(0, name + QString::number(i), book.sheetCount());
    }
    if (book.save() || book.sheetCount() != sheets)
        return QString();
    return path;
}

void OpenBook(frmMain &window, const QString &path)
{
    window.Books().AddBookItem(path);
    const int row = window.Books().FindItem(path);
    window.Books().DeselectAll();
    window.Books().Select(row);
    window.Selection().OpenSelectedBook(row);
    QCoreApplication::processEvents();
}

bool SortedInBook(frmMain &window, bool descending)
{
    cExcel &excel = window.Excel();
    const qint16 count = excel.GetSheetCount();
    QStringList names;
    for (qint16 i = 1; i <= count; ++i)
        names << excel.GetSheetName(i);
    for (int row = 0; row < window.Sheets().Count(); ++row) {
        if (window.Sheets().Text(row) != names.value(row))
            return false;
    }
    return count > 1 && (TextCollation::Compare(names.first(), names.last()) < 0) != descending;
}

} // namespace

int main(int argc, char *argv[])
{
    const BenchHome home;
    QApplication app(argc, argv);
    BenchHome::ScriptTheWindow();
    BenchReport report;
    const QString sorting = QStringLiteral("sort a 300-sheet book and save (15 runs)");
    const QString opening = QStringLiteral("open the sheet popup with information on a 50-sheet book, warm (15 runs)");

    const QString big = MakeBook(home.path(), "sheets300.xls", 300);
    const QString fifty = MakeBook(home.path(), "sheets50.xls", 50);
    if (big.isEmpty() || fifty.isEmpty()) {
        report.Failed(sorting, QStringLiteral("could not make the books"));
        return report.ExitCode();
    }

    frmMain window;
    if (!window.Load()) {
        report.Failed(sorting, QStringLiteral("the window did not load"));
        return report.ExitCode();
    }
    window.show();

    OpenBook(window, big);
    if (window.Sheets().Count() != 300) {
        report.Failed(sorting, QStringLiteral("listed %1 sheets of 300").arg(window.Sheets().Count()));
        return report.ExitCode();
    }
    bool sorted = true;
    QAction *ascending = window.Action("mnuAsc");
    QAction *descending = window.Action("mnuDesc");
    ascending->setEnabled(true);
    descending->setEnabled(true);
    std::vector<double> sorts;
    std::vector<double> sortsOnly;
    for (int run = 0; run < 15; ++run) {
        const bool down = run % 2 == 1;
        QElapsedTimer timer;
        timer.start();
        (down ? descending : ascending)->trigger();
        sortsOnly.push_back(timer.nsecsElapsed() / 1e6);
        const qint32 saved = window.Excel().SaveExcel(big);
        sorts.push_back(timer.nsecsElapsed() / 1e6);
        if (saved != 0 || !SortedInBook(window, down))
            sorted = false;
    }
    if (sorted) {
        report.Within(sorting, BenchReport::Median(sorts), SortBudgetMs);
        report.Info(QStringLiteral("  of which the sort"), BenchReport::Median(sortsOnly));
    } else {
        report.Failed(sorting, QStringLiteral("a run did not sort the sheets in the book or did not save it"));
    }

    OpenBook(window, fifty);
    QMenu *popup = window.Popup("menuSheetPopup");
    QAction *information = window.Action("SheetPopPropaty");
    information->setEnabled(true);
    std::vector<double> popups;
    bool counted = true;
    for (int run = 0; run < 16; ++run) {
        const QString name = window.Sheets().Text((run * 7) % window.Sheets().Count());
        window.Title(1)->setText(name);
        QElapsedTimer timer;
        timer.start();
        popup->popup(window.mapToGlobal(QPoint(40, 40)));
        QCoreApplication::processEvents();
        const double ms = timer.nsecsElapsed() / 1e6;
        popup->hide();
        if (!window.Action("SheetPopPage")->text().contains(QRegularExpression(QStringLiteral("： [1-9]"))))
            counted = false;
        if (run > 0) // the first opening loads the book into the office
            popups.push_back(ms);
    }
    if (counted)
        report.Within(opening, BenchReport::Median(popups), PopupBudgetMs);
    else
        report.Failed(opening, QStringLiteral("a popup did not show the sheet's page count"));
    return report.ExitCode();
}
