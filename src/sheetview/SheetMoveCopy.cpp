#include "SheetMoveCopy.h"

#include "BookFile.h"
#include "BookList.h"
#include "MessageBox.h"
#include "SheetClipboard.h"
#include "SheetList.h"
#include "SheetTransfer.h"
#include "frmMoveCopySheets.h"

#include <QMimeData>

#include <memory>

SheetMoveCopy::SheetMoveCopy(const BookList &books, const SheetList &sheets, SheetClipboard &clipboard,
                             SheetTransfer &transfer, QWidget *parent)
    : m_books(books)
    , m_sheets(sheets)
    , m_clipboard(clipboard)
    , m_transfer(transfer)
    , m_parent(parent)
{
}

QStringList SheetMoveCopy::SheetNamesOf(const QString &path)
{
    QStringList names;
    quirn::BookFile book;
    if (book.open(path))
        return names;
    for (const quirn::SheetFacts &facts : book.sheets())
        names << facts.name;
    return names;
}

void SheetMoveCopy::Run(const QString &activeBook)
{
    const std::unique_ptr<QMimeData> dragged(m_sheets.DragData());
    if (activeBook.isEmpty() || !dragged)
        return;
    QStringList targets;
    for (int row = 0; row < m_books.Count(); ++row) {
        if (m_books.Key(row).compare(activeBook, Qt::CaseInsensitive) != 0)
            targets << m_books.Key(row);
    }
    if (targets.isEmpty()) {
        MessageBox::Show(QStringLiteral("移動先のﾌﾞｯｸがありません。") + u'\n'
                             + QStringLiteral("移動先のﾌﾞｯｸをﾌﾞｯｸﾋﾞｭｰに取り込んでください。"),
                         0x30, QString(), m_parent);
        return;
    }
    const std::optional<frmMoveCopySheets::Choice> choice =
        frmMoveCopySheets::Ask(targets, &SheetMoveCopy::SheetNamesOf, m_parent);
    if (!choice || m_clipboard.TakeDraggedSheets(*dragged) == 0)
        return;
    m_transfer.TargetPath = choice->book;
    m_transfer.BeforeSheet = choice->beforeSheet;
    m_clipboard.SheetDropIsCopy = choice->copy ? 1 : 0;
    struct Reset
    {
        SheetTransfer &transfer;
        ~Reset() { transfer.BeforeSheet = 0; }
    } reset{m_transfer};
    m_transfer.PasteToBook(choice->beforeSheet > 0);
}
