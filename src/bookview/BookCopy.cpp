#include "BookCopy.h"

#include "BookCopyPasses.h"
#include "BookList.h"
#include "BookSave.h"
#include "BookSelection.h"
#include "CommonDialog.h"
#include "ExcelApplication.h"
#include "ExcelError.h"
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
        if (m_completed && macroSkipped) {
            MessageBox::Show(QStringLiteral("ｺﾋﾟｰ元ﾌﾞｯｸ内のﾏｸﾛｼｰﾄはｺﾋﾟｰされませんでした。"), 0x40, QString(),
                             &m_form);
            QCoreApplication::processEvents();
        }
        m_form.SetPanelText(1, status);
        m_form.EndProgress();
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
    m_lossAsked = false;
    bool macroSkipped = false;
    const bool copied = TrapErrors([&] {
        for (const QStringList &pass : BookCopyPasses::Split(sources)) {
            if (!CopyPass(pass, target, done, macroSkipped))
                return;
        }
        m_completed = true;
    });
    if (!copied || !m_completed)
        m_form.Excel().CloseExcel(); // nothing half-done stays in the engine
    return macroSkipped;
}

// One pass: opens the sources, copies their sheets into the target and saves
// it; false when the copy stopped (the user was told why).
bool BookCopy::CopyPass(const QStringList &pass, const QString &target, int &done, bool &macroSkipped)
{
    cExcel &excel = m_form.Excel();
    m_form.EndProgress();
    m_form.SetPanelText(1, QStringLiteral("ｴｸｾﾙﾌﾞｯｸを開いています。"));
    // The target's file name is taken once the target is open: a source of
    // that name is read from a copy under another name.
    QStringList opened = pass;
    for (QString &source : opened)
        if (cFile::GetFileName(source).compare(cFile::GetFileName(target), Qt::CaseInsensitive) == 0)
            source = RenamedCopy(source);
    {
        DisabledWindow disabled(m_form);
        excel.OpenExcel(QVariant(opened));
    }
    bool temporary = false;
    const QString targetName = OpenTarget(target, temporary);
    if (targetName.isEmpty())
        return false;
    m_form.SetPanelText(1, QStringLiteral("ｼｰﾄをｺﾋﾟｰしています。"));
    m_form.ResumeProgress();
    for (qsizetype i = 0; i < pass.size(); ++i) {
        const QString &source = opened.at(i);
        try {
            excel.xlApp->Workbook(cFile::GetFileName(source));
        } catch (const ExcelError &) {
            TellNotOpened(m_form, pass.at(i));
            m_form.StepProgress(++done);
            continue;
        }
        if (CopyBookSheets(source, targetName))
            macroSkipped = true;
        m_form.StepProgress(++done);
    }
    excel.BookActive(targetName);
    if (temporary) {
        if (excel.GetSheetCount() <= 1) {
            excel.CloseExcel(); // nothing was copied: no book to make
            return true;
        }
        excel.DeleteSheet(TemporarySheetName());
    }
    if (!SaveTarget(target, targetName))
        return false;
    excel.CloseExcel();
    return true;
}

// A copy of the book under a file name no other book of the copy has.
QString BookCopy::RenamedCopy(const QString &source)
{
    if (!m_scratch)
        m_scratch = std::make_unique<QTemporaryDir>();
    const QString copy = m_scratch->filePath(QStringLiteral("%1-%2").arg(++m_copies).arg(cFile::GetFileName(source)));
    if (!QFile::copy(source, copy))
        return source; // then it fails to open, and the user is told
    return copy;
}

// Opens an existing target or makes a new one; its name in the engine, empty
// when it cannot take the copies.
QString BookCopy::OpenTarget(const QString &target, bool &temporary)
{
    cExcel &excel = m_form.Excel();
    temporary = !QFileInfo::exists(target);
    if (temporary) {
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
    if (excel.GetActiveWorkBookProtect() != 0) {
        MessageBox::Show(u'"' + target + u'"' + QStringLiteral(" はﾌﾞｯｸ全体が保護されているため、ｼｰﾄをｺﾋﾟｰできません。"),
                         0x10, QString(), &m_form);
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
        MessageBox::Show(QStringLiteral("ﾌﾞｯｸを保存できませんでした。") + QStringLiteral("\r\n")
                             + excel.LastSaveError(),
                         0x10, QString(), &m_form);
        return false;
    }
    return true;
}

bool BookCopy::CopyBookSheets(const QString &source, const QString &targetName)
{
    cExcel &excel = m_form.Excel();
    const QString sourceName = cFile::GetFileName(source);
    excel.BookActive(sourceName);
    const qint16 count = excel.GetSheetCount();
    QStringList list;
    bool macroSkipped = false;
    for (qint16 i = 1; i <= count; ++i) {
        const QString name = excel.GetSheetName(i);
        if (excel.GetSheetAttribute(sourceName, name) == 2)
            macroSkipped = true;
        else
            list << name;
    }
    if (list.isEmpty())
        return macroSkipped;
    excel.BookActive(targetName);
    const qint16 before = excel.GetSheetCount();
    const QString last = excel.GetSheetName(before);
    excel.CopySheet(sourceName, list, targetName, last, 0);
    // The gateway's copy reports nothing: the target's sheets tell.
    excel.BookActive(targetName);
    if (excel.GetSheetCount() != before + list.size())
        throw ExcelError::refused(u'"' + source + u'"' + QStringLiteral(" のｼｰﾄをｺﾋﾟｰできませんでした。"));
    return macroSkipped;
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
