#include "BookCopy.h"

#include "BookCopyPasses.h"
#include "BookList.h"
#include "BookSave.h"
#include "BookSelection.h"
#include "CommonDialog.h"
#include "ExcelApplication.h"
#include "ExcelError.h"
#include "ExcelWorkbook.h"
#include "Globals.h"
#include "MessageBox.h"
#include "ReportSystemError.h"
#include "SaveLossConsent.h"
#include "WaitCursor.h"
#include "cExcel.h"
#include "cFile.h"
#include "frmMain.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>

namespace {

const QString OpenFailedText = QStringLiteral("を開けませんでした。");
const QString MacroSheetSkip = QStringLiteral("(Excel 4.0 マクロ シート)");

void TellNotOpened(frmMain &form, const QString &path)
{
    MessageBox::Show(QStringLiteral("ﾌｧｲﾙ\"") + path + u'"' + OpenFailedText + u'\n'
                         + QStringLiteral("Excel ﾌﾞｯｸではないか、壊れているか、ﾊﾟｽﾜｰﾄﾞで保護されています。"),
                     0x30, QString(), &form);
}

// Paths compare as the files they name: "/a/./b.xls" is "/a/b.xls".
QString SamePathForm(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

class DisabledWindow
{
public:
    explicit DisabledWindow(QWidget &window) : m_window(window) { m_window.setEnabled(false); }
    ~DisabledWindow() { m_window.setEnabled(true); }

private:
    QWidget &m_window;
};

} // namespace

BookCopy::BookCopy(frmMain &form)
    : m_form(form)
{
}

QString BookCopy::TemporarySheetName()
{
    return Globals::AppTitle + QString::number(QUIRN_VERSION_MAJOR) + QString::number(QUIRN_VERSION_MINOR)
           + QStringLiteral(" TEMP SHEET ");
}

void BookCopy::CopyToNewBook()
{
    if (m_form.ActiveBookPath.isEmpty()) {
        BookSave::WarnNoBook(m_form);
        return;
    }
    {
        WaitCursor wait;
        if (!m_form.Selection().OfferToSaveChanges())
            return;
        m_form.Excel().CloseExcel();
    }
    const QString target = ChooseTarget();
    if (target.isEmpty())
        return;
    QStringList sources;
    for (int row : m_form.Books().SelectedRows())
        sources << m_form.Books().Key(row);
    if (!ConfirmTarget(sources, target))
        return;

    bool macroSkipped = false;
    {
        m_form.StartProgress(0, sources.size());
        WaitCursor wait;
        const QString status = m_form.PanelText(1);
        int done = 0;
        macroSkipped = CopyBooksIntoBook(sources, target, done);
        if (m_completed && !m_namesKept.isEmpty()) {
            MessageBox::Show(QStringLiteral("次の名前はｺﾋﾟｰ元とｺﾋﾟｰ先で定義が異なるため、ｺﾋﾟｰ先の定義を使いました。")
                                 + QStringLiteral("\r\n") + m_namesKept.join(QStringLiteral("\r\n")),
                             0x40, QString(), &m_form);
            QCoreApplication::processEvents();
        }
        if (m_completed && macroSkipped) {
            MessageBox::Show(QStringLiteral("ｺﾋﾟｰ元ﾌﾞｯｸ内のﾏｸﾛｼｰﾄはｺﾋﾟｰされませんでした。"), 0x40, QString(),
                             &m_form);
            QCoreApplication::processEvents();
        }
        m_form.SetPanelText(1, status);
        m_form.EndProgress();
    }
    if (m_completed && m_nothingCopied) {
        MessageBox::Show(u'"' + target + u'"' + QStringLiteral(" にｺﾋﾟｰされたｼｰﾄはありません。"), 0x40, QString(),
                         &m_form);
        return;
    }
    // Only a copy that reached the file is reported as done.
    if (!m_completed || !QFileInfo::exists(target))
        return;
    const int answer = MessageBox::Show(u'"' + target + u'"'
                                            + QStringLiteral(" へのｺﾋﾟｰが完了しました。ｺﾋﾟｰしたﾌﾞｯｸを開きますか？"),
                                        0x44, QString(), &m_form);
    QCoreApplication::processEvents();
    if (answer == MessageBox::IDYES)
        OpenCopiedBook(target);
}

QString BookCopy::ChooseTarget()
{
    QString target = CommonDialog::ShowOpenFileDialog(&m_form, QStringLiteral("ｺﾋﾟｰ先ｴｸｾﾙﾌﾞｯｸの選択"),
                                                      QStringLiteral("Microsoft Excel ﾌﾞｯｸ (*.xls)|*.xls"),
                                                      m_form.ActiveBookPath, false);
    if (!target.isEmpty()
        && target.right(4).normalized(QString::NormalizationForm_KC).toLower() != QStringLiteral(".xls"))
        target += QStringLiteral(".xls");
    return target.isEmpty() ? QString() : QFileInfo(target).absoluteFilePath();
}

// Refuses a target that is one of the sources and asks before adding to an
// existing book.
bool BookCopy::ConfirmTarget(const QStringList &sources, const QString &target)
{
    const QString targetForm = SamePathForm(target);
    for (const QString &source : sources) {
        if (source == target || SamePathForm(source) == targetForm) {
            MessageBox::Show(QStringLiteral("ｺﾋﾟｰ元ﾌﾞｯｸにｺﾋﾟｰすることはできません。"), 0x10, QString(), &m_form);
            return false;
        }
    }
    if (!QFileInfo::exists(target))
        return true;
    return MessageBox::Show(u'"' + target + u'"' + QStringLiteral(" は既に存在します。上書きしますか？"), 0x24,
                            QString(), &m_form)
           == MessageBox::IDYES;
}

bool BookCopy::CopyBooksIntoBook(const QStringList &sources, const QString &target, int &done)
{
    m_completed = false;
    m_nothingCopied = false;
    m_lossAsked = false;
    m_namesKept.clear();
    bool macroSkipped = false;
    const bool copied = TrapErrors([&] { m_completed = CopyAll(BookCopyPasses::Order(sources), target, done, macroSkipped); });
    if (!copied || !m_completed)
        m_form.Excel().CloseExcel(); // nothing half-done stays in the engine
    return macroSkipped;
}

// Copies through the books' records in one step; the sheets only the office
// can carry then join that copy in their places, before anything reaches the
// target. False when the copy stopped (the user was told why).
bool BookCopy::CopyAll(const QStringList &order, const QString &target, int &done, bool &macroSkipped)
{
    cExcel &excel = m_form.Excel();
    m_form.EndProgress();
    m_form.SetPanelText(1, QStringLiteral("ｴｸｾﾙﾌﾞｯｸを開いています。"));
    if (QFileInfo::exists(target) && !CheckTarget(target))
        return false;
    m_form.SetPanelText(1, QStringLiteral("ｼｰﾄをｺﾋﾟｰしています。"));
    m_form.ResumeProgress();

    QList<std::pair<QString, QStringList>> list;
    for (const QString &source : order)
        list.append({source, QStringList()});
    const QString officePath = ScratchPath(cFile::GetFileName(target));
    cExcel::CombineOutcome combined;
    try {
        combined = excel.CombineBooks(target, list, officePath);
    } catch (const ExcelError &error) {
        TellNotSaved(error.description());
        return false;
    }
    // A name both books define differently keeps the target's definition.
    for (const auto &conflict : excel.LastNameConflicts())
        m_namesKept << u'"' + conflict.first + u'"';
    for (const QString &line : combined.skipped)
        if (line.endsWith(MacroSheetSkip))
            macroSkipped = true;
    m_nothingCopied = combined.savedTo.isEmpty() && combined.left.isEmpty();
    QList<bool> viaOffice(order.size(), false);
    for (const cExcel::CombineOutcome::Left &sheet : combined.left)
        viaOffice[sheet.source] = true;
    for (qsizetype i = 0; i < order.size(); ++i) {
        if (combined.unreadable.contains(int(i)))
            TellNotOpened(m_form, order.at(i));
        if (!viaOffice.at(i))
            m_form.StepProgress(++done);
    }
    if (!combined.left.isEmpty()) {
        const bool saved = CopyThroughOffice(order, combined, target, done);
        QFile::remove(officePath);
        if (!saved)
            return false;
    }
    TellNotCopied(combined.failed);
    return true;
}

// The target must be a readable book whose structure may change.
bool BookCopy::CheckTarget(const QString &target)
{
    cExcel &excel = m_form.Excel();
    try {
        excel.OpenBook(target);
    } catch (const ExcelError &) {
        excel.CloseExcel();
        TellNotOpened(m_form, target);
        return false;
    }
    const bool protectedBook = excel.GetActiveWorkBookProtect() != 0;
    excel.CloseExcel();
    if (protectedBook) {
        MessageBox::Show(u'"' + target + u'"' + QStringLiteral(" はﾌﾞｯｸ全体が保護されているため、ｼｰﾄをｺﾋﾟｰできません。"),
                         0x10, QString(), &m_form);
        return false;
    }
    return true;
}

// The office brings the sheets the records left, each source's in one step,
// into the records' copy (or, when the records copied nothing, the target
// itself or a new book), and saves it as the target once the user agreed to
// what that save loses.
bool BookCopy::CopyThroughOffice(const QStringList &order, const cExcel::CombineOutcome &combined,
                                 const QString &target, int &done)
{
    cExcel &excel = m_form.Excel();
    bool temporary = false;
    QString targetName;
    if (combined.savedTo.isEmpty()) {
        targetName = OpenTarget(target, temporary);
    } else {
        excel.OpenBook(combined.savedTo);
        targetName = cFile::GetFileName(combined.savedTo);
    }
    if (targetName.isEmpty())
        return false;
    int placed = temporary ? 1 : 0; // sheets ahead of the records' places
    for (qsizetype first = 0; first < combined.left.size();) {
        const int source = combined.left.at(first).source;
        qsizetype last = first;
        while (last + 1 < combined.left.size() && combined.left.at(last + 1).source == source)
            ++last;
        CopyBookSheets(order.at(source), combined.left.mid(first, last - first + 1), targetName, placed);
        m_form.StepProgress(++done);
        first = last + 1;
    }
    excel.BookActive(targetName);
    if (temporary)
        excel.DeleteSheet(TemporarySheetName());
    if (!SaveTarget(target, targetName))
        return false;
    excel.CloseExcel();
    return true;
}

// Copies the listed sheets of one source into the open book `targetName`,
// each at its place; sheets next to each other there come in one step, so
// that references among them stay among them. `placed` counts the sheets the
// target holds ahead of the places the records gave.
void BookCopy::CopyBookSheets(const QString &source, const QList<cExcel::CombineOutcome::Left> &sheets,
                              const QString &targetName, int &placed)
{
    cExcel &excel = m_form.Excel();
    // The engine holds one book of a file name: a source named like the
    // target is read from a copy under another name.
    const QString opened = cFile::GetFileName(source).compare(targetName, Qt::CaseInsensitive) == 0
                               ? RenamedCopy(source)
                               : source;
    {
        DisabledWindow disabled(m_form);
        excel.OpenBook(opened);
    }
    const QString sourceName = cFile::GetFileName(opened);
    ExcelWorkbook &from = excel.xlApp->Workbook(sourceName);
    ExcelWorkbook &into = excel.xlApp->Workbook(targetName);
    for (qsizetype first = 0; first < sheets.size();) {
        qsizetype last = first;
        while (last + 1 < sheets.size() && sheets.at(last + 1).position == sheets.at(first).position)
            ++last;
        QStringList names;
        for (qsizetype i = first; i <= last; ++i)
            names << sheets.at(i).sheet;
        into.importSheets(from, names, sheets.at(first).position + placed + 1);
        placed += int(names.size());
        first = last + 1;
    }
    excel.BookActive(sourceName);
    excel.CloseBook(sourceName);
}

// A path in the copy's own folder, under the file name given.
QString BookCopy::ScratchPath(const QString &fileName)
{
    if (!m_scratch)
        m_scratch = std::make_unique<QTemporaryDir>();
    return m_scratch->filePath(fileName);
}

// A copy of the book under a file name no other book of the copy has.
QString BookCopy::RenamedCopy(const QString &source)
{
    const QString copy = ScratchPath(QStringLiteral("%1-%2").arg(++m_copies).arg(cFile::GetFileName(source)));
    if (!QFile::copy(source, copy))
        return source; // then it fails to open, and the user is told
    return copy;
}

// Opens an existing target (already checked) or makes a new one; its name in
// the engine, empty when it cannot be opened.
QString BookCopy::OpenTarget(const QString &target, bool &temporary)
{
    cExcel &excel = m_form.Excel();
    temporary = !QFileInfo::exists(target);
    if (temporary) {
        excel.CreateExcel();
        const QString name = excel.AddNewBook(1).toString();
        const QString refused = excel.RenameSheet(excel.GetSheetName(1), TemporarySheetName());
        if (!refused.isEmpty())
            throw ExcelError::refused(refused);
        return name;
    }
    try {
        excel.OpenBook(target);
    } catch (const ExcelError &) {
        TellNotOpened(m_form, target);
        return QString();
    }
    return cFile::GetFileName(target);
}

// Saves the target under its path. A save that would lose something asks
// once for the whole copy; false when refused or failed.
bool BookCopy::SaveTarget(const QString &target, const QString &targetName)
{
    cExcel &excel = m_form.Excel();
    if (!excel.SaveLosses(targetName).isEmpty()) {
        if (m_lossAsked) {
            excel.AllowLossySave(targetName);
        } else {
            if (!SaveLossConsent::Ask(&m_form, excel, targetName, target))
                return false;
            m_lossAsked = true;
        }
    }
    if (excel.SaveBook(target) != 0) {
        TellNotSaved(excel.LastSaveError());
        return false;
    }
    return true;
}

void BookCopy::TellNotSaved(const QString &why)
{
    MessageBox::Show(QStringLiteral("ﾌﾞｯｸを保存できませんでした。") + QStringLiteral("\r\n") + why, 0x10, QString(),
                     &m_form);
}

// Sheets that could not be copied at all (a book whose structure is
// protected gives none away), one line each.
void BookCopy::TellNotCopied(const QStringList &lines)
{
    if (lines.isEmpty())
        return;
    MessageBox::Show(QStringLiteral("次のｼｰﾄはｺﾋﾟｰできませんでした。") + QStringLiteral("\r\n")
                         + lines.join(QStringLiteral("\r\n")),
                     0x30, QString(), &m_form);
}

void BookCopy::OpenCopiedBook(const QString &target)
{
    BookList &books = m_form.Books();
    books.DeselectAll();
    m_form.repaint();
    books.AddBookItem(target);
    books.AutoSizeBookColumns();
    m_form.setWindowTitle(target + QStringLiteral(" - ") + Globals::AppTitle);
    m_form.Title(0)->setText(target);
    const int row = books.FindItem(target);
    books.Select(row);
    // The copy may have gone into the active book itself: open it again.
    if (m_form.ActiveBookPath.compare(target, Qt::CaseInsensitive) == 0)
        m_form.ActiveBookPath.clear();
    m_form.Selection().OpenSelectedBook(row);
    m_form.SetPanelText(1, BookSelection::SelectionCountText(1, books.Count()));
}
