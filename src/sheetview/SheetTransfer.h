#pragma once

#include <QObject>
#include <QString>
#include <Qt>

class QMimeData;
class ExcelWorkbook;
class SheetClipboard;
class frmMain;

// Moving and copying sheets onto another book of the book view: the user drops
// sheets on a book and chooses "before its first sheet" or "after its last".
// The engine does the transfer; the target then becomes the current book.
class SheetTransfer : public QObject
{
    Q_OBJECT

public:
    SheetTransfer(frmMain &form, SheetClipboard &clipboard);

    // Sheets dropped on the book view's selected book (not the current one).
    void DropOnBook(const QMimeData &data, Qt::KeyboardModifiers modifiers);
    // PopBookBefore and PopBookAfter.
    void PasteToBook(bool before);

    bool CopySheetsToBook(bool before);
    bool MoveSheetsToBook(bool before);
    // Whether a listed visible sheet stays behind when the clipboard's sheets go.
    bool VisibleSheetRemains() const;

    // The book the sheets were dropped on.
    QString TargetPath;
    // 0: before the target's first sheet or after its last, as chosen; n: before
    // its n-th sheet (the move-or-copy dialog).
    int BeforeSheet = 0;

private:
    bool TransferSheets(bool move, bool before);
    bool OpenTarget(bool &openedHere);
    bool SaveBeforeTransfer();
    bool Transfer(bool move, bool before, bool openedHere);
    void SayOfficeCarries(bool move, const QStringList &names, const QString &sourceFile, const QString &targetFile);
    void PutBack(bool targetClean, bool openedHere, bool moveAtOnce);
    void Discard(const QString &path, bool reopen);
    void BecomeCurrentBook();
    void AfterBookPopup();
    ExcelWorkbook *HeldBook(const QString &path) const;

    frmMain &m_form;
    SheetClipboard &m_clipboard;
    QString m_officeNote; // which sheets the office carried in the last transfer
};
