#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class cExcel;

// The per-book part of a batch page setup, shared by the window and
// quirn-batch: which sheets of a book take the captured setup, and applying
// it to them. Sheets are named by their keys without a book path
// (SheetKey::Make with an empty path).
class BookPageSetup
{
public:
    // Whether a sheet stays out of the batch: hidden and protected, hidden in
    // a book that allows no change, or an Excel 4 macro sheet (no page setup).
    static bool LeftOut(const QString &key, bool bookRestricted);

    // Whether the active book allows no change to its structure or windows.
    static bool Restricted(cExcel &excel);
    // The key of one sheet of the active book.
    static QString KeyOf(cExcel &excel, const QString &bookPath, const QString &name);
    // The keys of the active book's sheets that take a page setup, in order.
    static QStringList SheetsOf(cExcel &excel, const QString &bookPath);

    // Applies the captured setup to the listed sheets of the active book at
    // `bookPath`: a hidden sheet is shown for it and hidden again (very hidden
    // stays very hidden). The engine says so for a sheet that refuses.
    // `step` is called with 1, 2, ... as each sheet is taken.
    static void Apply(cExcel &excel, const QString &bookPath, const QStringList &keys,
                      const std::function<void(int)> &step = {});
};
