#pragma once

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

    // Copies the sheets of `sources`, in order, after the sheets `target`
    // already has (a new target holds only the copies) and saves it. `done`
    // counts the sources copied, for the progress display. True when a macro
    // sheet was skipped. Completed() tells whether the target was saved.
    bool CopyBooksIntoBook(const QStringList &sources, const QString &target, int &done);
    // Copies the sheets of one open source after the last sheet of the open
    // book `targetName`; true when a macro sheet was skipped.
    bool CopyBookSheets(const QString &source, const QString &targetName);

    bool Completed() const { return m_completed; }

    // The name of the sheet a new target starts with; it never reaches the file.
    static QString TemporarySheetName();

private:
    QString ChooseTarget();
    bool ConfirmTarget(const QStringList &sources, const QString &target);
    bool CopyPass(const QStringList &pass, const QString &target, int &done, bool &macroSkipped);
    QString RenamedCopy(const QString &source);
    QString OpenTarget(const QString &target, bool &temporary);
    bool SaveTarget(const QString &target, const QString &targetName);
    void OpenCopiedBook(const QString &target);

    frmMain &m_form;
    bool m_completed = false;
    bool m_lossAsked = false;
    std::unique_ptr<QTemporaryDir> m_scratch;
    int m_copies = 0;
};
