#pragma once

#include <QString>
#include <QStringList>

class ExcelWorkbook;
class OfficeDocument;

// Sheets copied within a workbook and brought from another one: through the
// books' own records when they carry every sheet, which keeps everything;
// through the office otherwise, whose copy is then the book until it is saved.
class WorkbookSheetCopies
{
public:
    explicit WorkbookSheetCopies(ExcelWorkbook &book) : m_book(book) {}

    // Copies land next to `target` in the order listed, named as Excel names copies.
    void copy(const QStringList &names, const QString &target, bool before);
    // Copies sheets of `source` in front of the sheet at `beforePosition`
    // (1-based; one past the last for the end); returns the copies' names.
    QStringList import(ExcelWorkbook &source, const QStringList &names, int beforePosition);
    // Moves them: through both books' records when they allow it, otherwise
    // an import followed by their deletion from `source`.
    QStringList moveFrom(ExcelWorkbook &source, const QStringList &names, int beforePosition);
    // The sheets an import or move of `names` from `source` would bring
    // through the office, each as "name (why)"; empty when the records
    // carry them all.
    QStringList throughOffice(const ExcelWorkbook &source, const QStringList &names) const;

private:
    bool copyInRecords(const QStringList &names, const QString &target, bool before);
    bool importInRecords(ExcelWorkbook &source, const QStringList &names, int before, bool move,
                         QStringList *copies);
    void checkOfficeCopies(const OfficeDocument &from, const QStringList &names, const QStringList &copies);
    void takeBack(const QStringList &copies, bool wasOwned);

    ExcelWorkbook &m_book;
};
