#include "PageSetupBatch.h"

#include "BookList.h"
#include "BookPageSetup.h"
#include "ExcelError.h"
#include "MessageBox.h"
#include "SheetKey.h"
#include "SheetList.h"
#include "cExcel.h"
#include "cFile.h"
#include "frmMain.h"

#include <QApplication>
#include <QCoreApplication>

namespace {

constexpr unsigned QuestionYesNo = 0x24;
constexpr unsigned Information = 0x40;
constexpr unsigned Exclamation = 0x30;
constexpr unsigned Critical = 0x10;

enum Saving { Stop = -1, DoNotSave = 0, Save = 1 };

class DisabledWindow
{
public:
    explicit DisabledWindow(QWidget &window) : m_window(window) { m_window.setEnabled(false); }
    ~DisabledWindow() { m_window.setEnabled(true); }

private:
    QWidget &m_window;
};

// The hourglass while the batch runs, and status panel 1 as it was before.
class BusyStatus
{
public:
    explicit BusyStatus(frmMain &form) : m_form(form), m_text(form.PanelText(1))
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_form.SetPanelText(1, QStringLiteral("ﾍﾟｰｼﾞ設定を行っています。"));
    }
    ~BusyStatus()
    {
        QApplication::restoreOverrideCursor();
        m_form.SetPanelText(1, m_text);
    }

private:
    frmMain &m_form;
    QString m_text;
};

bool Hidden(const QString &key)
{
    return SheetKey::TestSheetKeyBit(key, SheetKey::Visible, false);
}

bool Protected(const QString &key)
{
    return SheetKey::TestSheetKeyBit(key, SheetKey::Protected, true);
}

} // namespace

PageSetupBatch::PageSetupBatch(frmMain &form)
    : m_form(form)
{
}

void PageSetupBatch::Run()
{
    if (m_form.ActiveBookPath.isEmpty()) {
        MessageBox::Show(QStringLiteral("Excel Book が選択されていません。"), Exclamation, QString(), &m_form);
        return;
    }
    QList<PageSetupTarget> targets = CollectTargets();
    m_form.Sheets().ReopenExcelIfNeeded();
    targets[0].Sheets = CurrentBookSheets();
    if (targets[0].Sheets.isEmpty() || !Capture(targets[0].Sheets.first()))
        return;
    const int saving = AskAboutSaving(static_cast<int>(targets.size()));
    if (saving == Stop)
        return;

    cExcel &excel = m_form.Excel();
    // A current book that cannot be written (a template used as the model)
    // only lends its setup to the other books.
    const bool modelOnly = targets.size() > 1 && CurrentBookReadOnly();
    const bool changedBefore = m_form.SheetsChanged;
    int failures = 0;
    int attempted = 0;
    bool currentFailed = false;
    {
        BusyStatus busy(m_form);
        bool opened = true;
        bool awayFromCurrent = false;
        try {
            for (qsizetype k = 0; k < targets.size(); ++k) {
                const QString &path = targets.at(k).Path;
                bool saveFailed = false;
                const bool setUp = opened && !(modelOnly && k == 0);
                if (setUp) {
                    ++attempted;
                    ApplyPageSetup(targets.at(k));
                    if (saving == Save && excel.SaveExcel(path) != 0) {
                        saveFailed = true;
                        ++failures;
                        ReportFailedBook(path);
                        currentFailed = currentFailed || k == 0;
                        if (k == 0 && targets.size() > 1) {
                            // Closing the book to go on would drop its changes:
                            // it stays open, unsaved, and the batch ends here.
                            m_form.SheetsChanged = true;
                            return;
                        }
                    }
                }
                if (k == targets.size() - 1)
                    break;
                // A book whose save failed (and was reported) is let go unsaved.
                excel.CloseExcel(setUp && !saveFailed ? QVariant(path) : QVariant());
                awayFromCurrent = true;
                opened = OpenNextBook(targets[k + 1]);
                if (!opened) {
                    ++attempted;
                    ++failures;
                    ReportFailedBook(targets.at(k + 1).Path);
                }
            }
        } catch (...) {
            // The window lists the current book: the engine must hold it again.
            if (awayFromCurrent)
                ReturnToCurrentBook(QString());
            throw;
        }
        if (targets.size() > 1)
            ReturnToCurrentBook(targets.last().Path);
        m_form.SheetsChanged = modelOnly ? changedBefore : true;
    }

    if (saving == DoNotSave) {
        MessageBox::Show(QStringLiteral("指定のｼｰﾄのﾍﾟｰｼﾞ設定が完了しました。"), Information, QString(), &m_form);
    } else if (failures == 0) {
        MessageBox::Show(QStringLiteral("指定のｼｰﾄのﾍﾟｰｼﾞ設定は全て正常に保存されました。"), Information, QString(),
                         &m_form);
        m_form.SheetsChanged = modelOnly ? changedBefore : false;
    } else if (failures < attempted) {
        MessageBox::Show(QStringLiteral("指定のｼｰﾄのﾍﾟｰｼﾞ設定は一部を除き保存されました。"), Information,
                         QString(), &m_form);
        m_form.SheetsChanged = modelOnly ? changedBefore : currentFailed;
    }
    // Every book failed: each was told, and nothing was saved to sum up.
}

bool PageSetupBatch::CurrentBookReadOnly() const
{
    return m_form.BookRestriction == 3 || cFile::AttribString(m_form.ActiveBookPath).startsWith(u'r');
}

// The current book first, then the other selected books that may be written.
QList<PageSetupTarget> PageSetupBatch::CollectTargets()
{
    QList<PageSetupTarget> targets{{m_form.ActiveBookPath, {}}};
    BookList &books = m_form.Books();
    int dropped = 0;
    for (int row : books.SelectedRows()) {
        const QString key = books.Key(row);
        if (key.compare(m_form.ActiveBookPath, Qt::CaseInsensitive) == 0)
            continue;
        if (cFile::AttribString(key).startsWith(u'r')) {
            books.Deselect(row);
            ++dropped;
            continue;
        }
        targets.append({key, {}});
    }
    m_form.SetPanelText(1, QStringLiteral("%1/%2 個のｵﾌﾞｼﾞｪｸﾄが選択されています").arg(targets.size()).arg(books.Count()));
    if (dropped > 0) {
        MessageBox::Show(QStringLiteral("選択したﾌﾞｯｸには、読み込み専用ﾌﾞｯｸが含まれています。") + QStringLiteral("\r\n")
                             + QStringLiteral("読み込み専用ﾌﾞｯｸのﾍﾟｰｼﾞ設定は行うことができません。"),
                         Exclamation, QString(), &m_form);
    }
    return targets;
}

// The sheets of the current book: those selected in the sheet view when it is
// in use, otherwise every sheet listed.
QStringList PageSetupBatch::CurrentBookSheets() const
{
    QStringList keys;
    if (m_form.ActivePane == 1) {
        for (int row : m_form.Sheets().SelectedRows())
            keys << m_form.Sheets().Key(row);
    } else {
        for (const SheetTableEntry &entry : m_form.SheetTable)
            if (!entry.Name.isEmpty())
                keys << entry.Key;
    }
    const bool restricted = (m_form.BookRestriction & 1) != 0;
    QStringList sheets;
    for (const QString &key : keys)
        if (!BookPageSetup::LeftOut(key, restricted))
            sheets << key;
    return sheets;
}

// Shows the page setup dialog for the model sheet (shown for the dialog when
// it is hidden); true when the user pressed OK.
bool PageSetupBatch::Capture(const QString &modelKey)
{
    cExcel &excel = m_form.Excel();
    const QString bookName = cFile::GetFileName(m_form.ActiveBookPath);
    const QString name = SheetKey::NameOf(modelKey);
    const bool show = Hidden(modelKey) && !Protected(modelKey);
    if (show)
        excel.SetSheetAttribute(bookName, name, SheetKey::Visible);
    qint32 rc = 0;
    try {
        DisabledWindow disabled(m_form);
        rc = excel.DspExcelPageSetupDialog(bookName, name);
    } catch (...) {
        if (show)
            excel.SetSheetAttribute(bookName, name, 0);
        throw;
    }
    m_form.raise();
    m_form.activateWindow();
    if (show)
        excel.SetSheetAttribute(bookName, name, 0);
    return rc == -1;
}

int PageSetupBatch::AskAboutSaving(int targets) const
{
    if (targets > 1) {
        const int answer = MessageBox::Show(
            QStringLiteral("複数のﾌﾞｯｸの一括ﾍﾟｰｼﾞ設定は、1ﾌﾞｯｸ毎に設定内容が保存されます。よろしいですか"),
            QuestionYesNo, QString(), &m_form);
        return answer == MessageBox::IDYES ? Save : Stop;
    }
    const int answer = MessageBox::Show(QStringLiteral("ﾍﾟｰｼﾞ設定を \"") + m_form.ActiveBookPath
                                            + QStringLiteral("\" に保存しますか？"),
                                        QuestionYesNo, QString(), &m_form);
    return answer == MessageBox::IDYES ? Save : DoNotSave;
}

void PageSetupBatch::ApplyPageSetup(const PageSetupTarget &target)
{
    m_form.StartProgress(0, target.Sheets.size() + 1);
    BookPageSetup::Apply(m_form.Excel(), target.Path, target.Sheets,
                         [this](int done) { m_form.StepProgress(static_cast<double>(done)); });
    m_form.EndProgress();
}

// Opens the next book in the engine and lists its sheets; false when the book
// cannot be opened.
bool PageSetupBatch::OpenNextBook(PageSetupTarget &target)
{
    cExcel &excel = m_form.Excel();
    try {
        DisabledWindow disabled(m_form);
        excel.ReOpenExcel(target.Path);
    } catch (const ExcelError &) {
        excel.CloseExcel();
        return false;
    }
    target.Sheets = BookPageSetup::SheetsOf(excel, target.Path);
    return true;
}

void PageSetupBatch::ReportFailedBook(const QString &path) const
{
    MessageBox::Show(u'"' + path + QStringLiteral("\" のﾍﾟｰｼﾞ設定は失敗しました。"), Critical, QString(), &m_form);
}

void PageSetupBatch::ReturnToCurrentBook(const QString &lastPath)
{
    cExcel &excel = m_form.Excel();
    // A failed save keeps the book open; that failure was reported already.
    if (excel.CloseExcel(lastPath) != 0)
        excel.CloseExcel();
    DisabledWindow disabled(m_form);
    excel.ReOpenExcel(m_form.ActiveBookPath);
}
