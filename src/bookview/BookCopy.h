#pragma once

#include "cExcel.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class frmMain;

// Copying every sheet of the selected books (Excel 4 macro sheets excepted)
// into one target book, new or existing, with the shared progress display.
class BookCopy
{
public:
    explicit BookCopy(frmMain &form);

    // The copy-to-a-new-book command.
    void CopyToNewBook();

    // Copies the sheets of `sources`, in the order of the copy's passes, after
    // the sheets `target` already has (a new target holds only the copies)
    // and saves it. The books' records carry what they can in one step; the
    // office brings the rest into their places, once the user agreed to what
    // its save loses. `done` counts the sources copied, for the progress
    // display. True when a macro sheet was skipped. Completed() tells whether
    // the copy ended as it should (the target saved, or nothing to copy).
    bool CopyBooksIntoBook(const QStringList &sources, const QString &target, int &done);
    bool Completed() const { return m_completed; }

    // The name of the sheet a new target made by the office starts with; it
    // never reaches the file.
    static QString TemporarySheetName();

private:
    QString ChooseTarget();
    bool ConfirmTarget(const QStringList &sources, const QString &target);
    bool CopyAll(const QStringList &order, const QString &target, int &done, bool &macroSkipped);
    bool CheckTarget(const QString &target);
    bool CopyThroughOffice(const QStringList &order, const cExcel::CombineOutcome &combined, const QString &target,
                           int &done);
    void CopyBookSheets(const QString &source, const QList<cExcel::CombineOutcome::Left> &sheets,
                        const QString &targetName, int &placed);
    QString ScratchPath(const QString &fileName);
    QString RenamedCopy(const QString &source);
    QString OpenTarget(const QString &target, bool &temporary);
    bool SaveTarget(const QString &target, const QString &targetName);
    void TellNotSaved(const QString &why);
    void TellNotCopied(const QStringList &lines);
    void OpenCopiedBook(const QString &target);

    frmMain &m_form;
    bool m_completed = false;
    bool m_nothingCopied = false; // the sources gave no sheet
    bool m_lossAsked = false;
    QStringList m_namesKept; // names both books defined differently: the target's kept
    std::unique_ptr<QTemporaryDir> m_scratch;
    int m_copies = 0;
};
