#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class frmMain;

// One book of a batch page setup and the keys of its sheets to set up.
struct PageSetupTarget
{
    QString Path;
    QStringList Sheets;
};

// Batch page setup: the user sets up the page of one sheet in the page setup
// dialog, and the same setup goes to the other chosen sheets of the active
// book and to the sheets of the other selected books, each book saved in turn.
// The per-book work is BookPageSetup's, which quirn-batch uses too.
class PageSetupBatch
{
public:
    explicit PageSetupBatch(frmMain &form);

    // The page setup command.
    void Run();
    // Applies the captured setup to the target's sheets (its book is active
    // in the engine), with the progress display.
    void ApplyPageSetup(const PageSetupTarget &target);

private:
    QList<PageSetupTarget> CollectTargets();
    QStringList CurrentBookSheets() const;
    bool Capture(const QString &modelKey);
    int AskAboutSaving(int targets) const;
    bool OpenNextBook(PageSetupTarget &target);
    void ReportFailedBook(const QString &path) const;
    void ReturnToCurrentBook(const QString &lastPath);
    bool CurrentBookReadOnly() const;

    frmMain &m_form;
};
