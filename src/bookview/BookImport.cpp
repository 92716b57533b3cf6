#include "BookImport.h"

#include "BookFileNames.h"
#include "BookList.h"
#include "BookSelection.h"
#include "Globals.h"
#include "MessageBox.h"
#include "ExcelError.h"
#include "SettingsStore.h"
#include "SheetList.h"
#include "WaitCursor.h"
#include "cExcel.h"
#include "cFile.h"
#include "cListView.h"
#include "CommonDialog.h"
#include "MenuState.h"
#include "frmMain.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QLabel>
#include <QMimeData>
#include <QStandardItemModel>
#include <QUrl>

namespace {

const QString BookFilter = QStringLiteral("Microsoft Excel ﾌﾞｯｸ (*.xls;*.xlsx;*.xlsm;*.xltx;*.xltm)|")
    + quirn::BookFileNames::nameFilters().join(u';');

// One file, one book: a book reached through a link, "..", or another
// spelling of its path is listed under the path of the file itself.
QString BookPath(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

QStringList LocalPaths(const QMimeData &data)
{
    QStringList paths;
    for (const QUrl &url : data.urls()) {
        if (url.isLocalFile())
            paths << QDir::cleanPath(url.toLocalFile());
    }
    return paths;
}

} // namespace

BookImport::BookImport(frmMain &form)
    : m_form(form)
{
}

bool BookImport::IsBookFile(const QString &path)
{
    return quirn::BookFileNames::isBookName(path);
}

QString BookImport::WithBookExtension(const QString &path)
{
    if (quirn::BookFileNames::isBookName(path))
        return path;
    return path + QStringLiteral(".xls");
}

// ---------------------------------------------------------------- file dialog

void BookImport::FileOpen()
{
    if (!m_form.Selection().OfferToSaveChanges())
        return;
    QCoreApplication::processEvents();
    QString initial = SettingsStore::GetSetting(SettingsStore::AppKey, QStringLiteral("Settings"),
                                                QStringLiteral("LastLoadFile"));
    // The first time: the user's documents, where books are kept.
    if (initial.isEmpty())
        initial = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (initial.isEmpty() || !QFileInfo(initial).isDir())
        initial = QDir::homePath();
    const QStringList chosen =
        CommonDialog::ShowOpenFilesDialog(&m_form, QStringLiteral("ｴｸｾﾙﾌﾞｯｸ選択"), BookFilter, initial);
    if (chosen.isEmpty())
        return;
    // Several books, or folders of them, come in as a drop of them would.
    if (chosen.size() > 1 || QFileInfo(chosen.first()).isDir()) {
        SettingsStore::SaveSetting(SettingsStore::AppKey, QStringLiteral("Settings"), QStringLiteral("LastLoadFile"),
                                   QFileInfo(chosen.first()).absolutePath());
        ImportPaths(chosen);
        return;
    }
    QString path = WithBookExtension(chosen.first());
    if (QFileInfo(path).isFile())
        path = BookPath(path);
    if (!QFileInfo(path).isFile()) {
        MessageBox::Show(QStringLiteral("ﾌｧｲﾙ\"") + path + QStringLiteral("\"はありません。"), 0x10, QString(),
                         &m_form);
        return;
    }
    SettingsStore::SaveSetting(SettingsStore::AppKey, QStringLiteral("Settings"), QStringLiteral("LastLoadFile"),
                               path);
    m_form.Books().DeselectAll();
    m_form.repaint();
    m_form.Books().AddBookItem(path);
    m_form.Books().AutoSizeBookColumns();
    m_form.setWindowTitle(path + QStringLiteral(" - ") + Globals::AppTitle);
    m_form.Title(0)->setText(path);
    OpenImported(path);
}

// Selects the imported book's item and opens it.
void BookImport::OpenImported(const QString &path)
{
    const int row = m_form.Books().FindItem(path);
    m_form.Books().Select(row);
    m_form.Selection().OpenSelectedBook(row);
    m_form.SetPanelText(1, BookSelection::SelectionCountText(1, m_form.Books().Count()));
}

// ---------------------------------------------------------------- drag and drop

int BookImport::RowAt(const QPoint &pos) const
{
    return m_form.BookView()->currentView()->indexAt(pos).row();
}

Qt::DropAction BookImport::DragOver(const QMimeData &data, Qt::KeyboardModifiers modifiers, const QPoint &pos)
{
    if (m_form.BookLoading)
        return Qt::IgnoreAction;
    if (data.hasUrls()) {
        for (const QString &path : LocalPaths(data)) {
            if (IsBookFile(path) || QFileInfo(path).isDir())
                return Qt::CopyAction;
        }
        return Qt::IgnoreAction;
    }
    if (!data.hasFormat(SheetList::DragFormat))
        return Qt::IgnoreAction;
    const int row = RowAt(pos);
    if (row < 0 || (m_form.BookRestriction & 1))
        return Qt::IgnoreAction;
    const Qt::DropAction effect =
        (modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) == Qt::ShiftModifier
            ? Qt::MoveAction
            : Qt::CopyAction;
    // The selection follows the pointer.
    m_form.Books().DeselectAll();
    m_form.Books().Select(row);
    return effect;
}

void BookImport::Drop(const QMimeData &data, const QPoint &pos, Qt::KeyboardModifiers modifiers)
{
    if (m_form.BookLoading)
        return;
    m_form.activateWindow();
    m_form.raise();
    if (!data.hasUrls()) {
        if (data.hasFormat(SheetList::DragFormat))
            DropSheets(data, pos, modifiers);
        return;
    }
    ImportPaths(LocalPaths(data));
}

// Books and folders of books, as dropped or chosen together: each is listed,
// and the last one found is opened.
void BookImport::ImportPaths(const QStringList &paths)
{
    WaitCursor wait;
    int count = 0;
    QString last;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            m_folderChain.clear();
            last = ImportFolder(path, count);
        } else if (IsBookFile(path)) {
            last = BookPath(path);
            m_form.Books().AddBookItem(last);
            ++count;
        }
    }
    m_form.setFocus();
    if (count == 0)
        return;
    m_form.Books().DeselectAll();
    m_form.Books().AutoSizeBookColumns();
    const int row = m_form.Books().FindItem(last);
    if (row < 0)
        return;
    // The active book dropped again stays as it is, its restriction marker too.
    if (m_form.ActiveBookPath.compare(m_form.Books().Key(row), Qt::CaseInsensitive) != 0) {
        m_form.setWindowTitle(last + QStringLiteral(" - ") + Globals::AppTitle);
        m_form.Title(0)->setText(m_form.Books().Key(row));
        m_form.Selection().SetRestrictionTitle(QString());
    }
    OpenImported(last);
    m_form.Action(QStringLiteral("mnuExcelOpen"))->setEnabled(true);
    m_form.Action(QStringLiteral("BookPopExcelOpen"))->setEnabled(true);
}

void BookImport::DropSheets(const QMimeData &data, const QPoint &pos, Qt::KeyboardModifiers modifiers)
{
    if (RowAt(pos) < 0)
        return;
    const QList<int> selected = m_form.Books().SelectedRows();
    if (selected.isEmpty())
        return;
    if (BookPath(m_form.Books().Key(selected.first())) == BookPath(m_form.ActiveBookPath)) {
        MessageBox::Show(QStringLiteral("同一のﾌﾞｯｸ内のｼｰﾄの移動／ｺﾋﾟｰはｼｰﾄﾋﾞｭｰで行ってください。"), 0x30, QString(),
                         &m_form);
        return;
    }
    // Moving or copying sheets onto another book is the sheet transfer's work.
    if (m_form.SheetDropOnBook)
        m_form.SheetDropOnBook(data, modifiers);
}

QString BookImport::ImportFolder(const QString &folder, int &count)
{
    QString last;
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    // A link back to a folder being imported would never end: skip it.
    if (canonical.isEmpty() || m_folderChain.contains(canonical))
        return last;
    m_folderChain << canonical;
    try {
        const QFileInfoList entries =
            QDir(folder).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
        if (entries.size() > FolderLimit)
            throw std::length_error("folder listing");
        for (const QFileInfo &entry : entries) {
            const QString path = folder + u'/' + entry.fileName();
            if (entry.isDir()) {
                const QString found = ImportFolder(path, count);
                if (!found.isEmpty())
                    last = found;
            } else if (IsBookFile(path)) {
                last = BookPath(path);
                m_form.Books().AddBookItem(last);
                ++count;
            }
        }
    } catch (...) {
        m_folderChain.removeLast();
        MessageBox::Show(QStringLiteral("指定ﾎﾙﾀﾞ内のﾌｧｲﾙ数が多すぎます。"), 0x10, QString(), &m_form);
        QCoreApplication::processEvents();
        return QString();
    }
    m_folderChain.removeLast();
    return last;
}

// ---------------------------------------------------------------- new book

// The new book is saved where the user chooses before it is added: a book
// in the view is always a file on disk.
void BookImport::NewBook()
{
    cExcel &excel = m_form.Excel();
    if (!m_form.ActiveBookPath.isEmpty())
        m_form.Sheets().ReopenExcelIfNeeded();
    excel.CreateExcel();
    const QString fileName = cFile::GetFileName(m_form.ActiveBookPath);
    QString name;
    m_form.setEnabled(false);
    try {
        name = excel.DspExcelNewBookDialog(fileName);
    } catch (const ExcelError &error) {
        m_form.setEnabled(true);
        MessageBox::Show(QStringLiteral("新規ﾌﾞｯｸを保存できませんでした。") + QStringLiteral("\r\n")
                             + error.description(),
                         0x10, QString(), &m_form);
        return;
    }
    m_form.setEnabled(true);
    if (name.isEmpty())
        return;
    // The active book stays the engine's active book.
    excel.CloseBook(name);
    if (!m_form.ActiveBookPath.isEmpty())
        excel.BookActive(fileName);
    m_form.Books().AddBookItem(excel.NewBookPath());
    m_form.Books().AutoSizeBookColumns();
}

// ---------------------------------------------------------------- removal

void BookImport::RemoveBooks()
{
    if (!m_form.ActiveBookPath.trimmed().isEmpty() && m_form.SheetsChanged && (m_form.BookRestriction & 1) == 0) {
        const QString question = QStringLiteral("ｼｰﾄ構成の変更を ") + u'"' + m_form.ActiveBookPath + u'"'
                                 + QStringLiteral(" に保存しますか？");
        if (MessageBox::Show(question, 0x24, QString(), &m_form) == MessageBox::IDYES) {
            WaitCursor wait;
            QCoreApplication::processEvents();
            // Saved first and closed after: a failed save keeps the book and its changes.
            if (m_form.Excel().SaveExcel(m_form.ActiveBookPath) != 0) {
                MessageBox::Show(QStringLiteral("ｼｰﾄ構成の変更を保存できませんでした。") + QStringLiteral("\r\n")
                                     + m_form.Excel().LastSaveError(),
                                 0x10, QString(), &m_form);
                return;
            }
            m_form.Excel().CloseExcel();
        }
    }
    for (int row : m_form.Books().SelectedRows())
        m_form.Reserve.Blank(m_form.Reserve.FindReserveBook(m_form.Books().Key(row)));
    if (m_form.Reserve.CountReservedBooks() == 0) {
        m_form.Action(QStringLiteral("mnuReservePrint"))->setEnabled(false);
        m_form.Action(QStringLiteral("tbReservPrint"))->setEnabled(false);
    }
    const int position = RemoveSelectedBooks();
    m_form.SheetsChanged = false;
    if (m_form.Books().Count() == 0) {
        ClearWindowState();
    } else {
        const int row = std::min(position, m_form.Books().Count() - 1);
        m_form.Books().Select(row);
        m_form.Selection().OpenSelectedBook(row);
        m_form.SetPanelText(1, BookSelection::SelectionCountText(1, m_form.Books().Count()));
    }
    if (m_form.ActiveBookPath.isEmpty()) {
        m_form.Action(QStringLiteral("mnuExcelOpen"))->setEnabled(false);
        m_form.Action(QStringLiteral("BookPopExcelOpen"))->setEnabled(false);
    }
}

// Removes the selected items; returns the row of the last item left.
int BookImport::RemoveSelectedBooks()
{
    BookList &books = m_form.Books();
    for (int row = books.Count() - 1; row >= 0; --row) {
        if (books.IsSelected(row))
            books.RemoveRow(row);
    }
    return books.Count() - 1;
}

void BookImport::ClearWindowState()
{
    m_form.Sheets().Clear();
    m_form.SheetTable.clear();
    for (int i = 0; i < 4; ++i)
        m_form.Title(i)->clear();
    m_form.Selection().SetRestrictionTitle(QString());
    QPalette face = m_form.Title(2)->palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    m_form.Title(2)->setPalette(face);
    m_form.ActiveBookPath.clear();
    m_form.BookRestriction = 0;
    m_form.setWindowTitle(QStringLiteral("Quirn"));
    m_form.SetPanelText(1, QString());
    m_form.SetPanelText(3, QString());
    m_form.SheetHeader()->setText(QStringLiteral("  ｼｰﾄ"));
    m_form.Excel().CloseExcel();
    for (const char *name : {"mnuFileSave", "mnuFileNewSave", "mnuFileDelete", "mnuFileProperties", "mnuExcelOpen",
                             "mnuSelAllBook", "mnuSelAllSheet", "mnuBookCopy", "mnuSheetInf"})
        m_form.Action(QString::fromLatin1(name))->setEnabled(false);
    m_form.Menus().SetToolbarState({}, false, false, false, false, false, false, false, false, false, false, false, false,
                           false);
}
