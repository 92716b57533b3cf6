#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>
#include <Qt>

class QMimeData;
class frmMain;

// Getting books into the book view (the file dialog, drops of files and
// folders, a new book) and out of it (removal, which never touches a file).
class BookImport
{
public:
    // A folder with more entries than this is refused.
    static constexpr int FolderLimit = 1025;

    explicit BookImport(frmMain &form);

    // The import dialog: one book, or several books and folders at once.
    void FileOpen();
    // The effect of a drag over the book view at `pos` (the view's viewport).
    Qt::DropAction DragOver(const QMimeData &data, Qt::KeyboardModifiers modifiers, const QPoint &pos);
    void Drop(const QMimeData &data, const QPoint &pos, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Imports the books below a folder, depth first; returns the last one
    // found (empty when none). `count` grows by one per book.
    QString ImportFolder(const QString &folder, int &count);
    void NewBook();
    void RemoveBooks();

    // Whether a path names a workbook by its extension.
    static bool IsBookFile(const QString &path);
    // A chosen name keeps a book's ending (.xls, .xlsx, .xlsm, .xltx, .xltm) in any letter
    // case or width; else ".xls" is added.
    static QString WithBookExtension(const QString &path);

private:
    int RowAt(const QPoint &pos) const;
    void ImportPaths(const QStringList &paths);
    void DropSheets(const QMimeData &data, const QPoint &pos, Qt::KeyboardModifiers modifiers);
    void OpenImported(const QString &path);
    int RemoveSelectedBooks();
    void ClearWindowState();

    frmMain &m_form;
    QStringList m_folderChain; // the folders being imported, outermost first (canonical)
};
