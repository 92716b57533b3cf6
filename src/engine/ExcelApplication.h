#pragma once

#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <utility>

class ExcelWorkbook;
class OfficeProcess;

// The engine as the program sees Excel's application object: the open
// workbooks, the active one, and the settings the gateway changes. Books are
// read and edited through their own records; the office process behind it is
// started only when something must be rendered or converted.
class ExcelApplication
{
public:
    // `office` is the process this application renders and converts with; it
    // is started on first use and outlives the application, so that a new
    // application after Quit() finds it warm.
    explicit ExcelApplication(std::shared_ptr<OfficeProcess> office);
    ~ExcelApplication(); // closes every book without saving
    ExcelApplication(const ExcelApplication &) = delete;
    ExcelApplication &operator=(const ExcelApplication &) = delete;

    // The application's default property; empty once it has quit.
    QString Name() const;
    // The engine's version; starts the office. Throws ExcelError.
    QString Version();
    // Closes every book without saving; the application answers no more.
    void Quit();
    bool hasQuit() const { return m_quit; }

    // Making the application visible shows the active book, with its unsaved
    // changes, in a window of the office process and hands that process to
    // the user; the next use of the office starts a new one. Throws
    // ExcelError (no display, another book with unsaved changes the office
    // alone holds).
    bool Visible() const { return m_visible; }
    void setVisible(bool visible);

    int SheetsInNewWorkbook = 1;
    bool DisplayAlerts = true;
    // Settles a workbook name that both books define, differently, when
    // sheets come into another book through the records: an empty answer
    // keeps the destination's definition, another name brings the incoming
    // one under it (`free` is a name neither book has). None: the
    // destination's is kept.
    std::function<QString(const QString &name, const QString &free)> NameConflictResolver;
    // Each such name met since the caller last cleared it, with the name the
    // incoming definition took (empty when the destination's was kept).
    QList<std::pair<QString, QString>> NameConflicts;

    // Opens a book and makes it active. A book already open under the same
    // path is only activated; another book with the same file name is refused,
    // as Excel refuses it. Throws ExcelError.
    ExcelWorkbook &Open(const QString &path);
    // A new book of SheetsInNewWorkbook sheets, made active.
    ExcelWorkbook &Add();
    QList<ExcelWorkbook *> Workbooks() const;
    // The book whose caption (file name) is `name`, ignoring case; throws 9.
    ExcelWorkbook &Workbook(const QString &name) const;
    ExcelWorkbook &ActiveWorkbook() const; // throws 91 when none
    bool hasActiveWorkbook() const { return m_active != nullptr; }
    void Activate(ExcelWorkbook &book);
    void Close(ExcelWorkbook &book);
    void CloseAll();

    // The office process, started on first use. Throws ExcelError.
    OfficeProcess &office();
    // True when the office is not started yet or still answers.
    bool officeAnswers();
    // A path, in a folder of this application's own, for a copy of a book's
    // current state under its own file name.
    QString snapshotPath(const QString &fileName);

private:
    QList<ExcelWorkbook *> m_books;
    ExcelWorkbook *m_active = nullptr;
    std::shared_ptr<OfficeProcess> m_office;
    std::unique_ptr<QTemporaryDir> m_snapshots;
    int m_snapshotCount = 0;
    int m_newBookCount = 0;
    bool m_quit = false;
    bool m_visible = false;
};
