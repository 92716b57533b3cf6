#include "frmMoveCopySheets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

frmMoveCopySheets::Script &ScriptSlot()
{
    static frmMoveCopySheets::Script script;
    return script;
}

} // namespace

const QString frmMoveCopySheets::AtEndText = QStringLiteral("(末尾へ移動)");

frmMoveCopySheets::frmMoveCopySheets(const QStringList &books, SheetsOf sheetsOf, QWidget *parent)
    : QDialog(parent)
    , m_books(books)
    , m_sheetsOf(std::move(sheetsOf))
{
    setObjectName(QStringLiteral("frmMoveCopySheets"));
    setWindowTitle(QStringLiteral("ｼｰﾄの移動またはｺﾋﾟｰ"));

    auto *intro = new QLabel(QStringLiteral("選択したｼｰﾄを移動します。"), this);
    auto *bookLabel = new QLabel(QStringLiteral("移動先ﾌﾞｯｸ名(&T):"), this);
    m_book = new QComboBox(this);
    m_book->setObjectName(QStringLiteral("cboBook"));
    for (const QString &book : books) {
        // The file name, and the whole path where the names are alike.
        m_book->addItem(QFileInfo(book).fileName(), book);
        m_book->setItemData(m_book->count() - 1, book, Qt::ToolTipRole);
    }
    bookLabel->setBuddy(m_book);
    auto *sheetLabel = new QLabel(QStringLiteral("挿入先(&B):"), this);
    m_sheets = new QListWidget(this);
    m_sheets->setObjectName(QStringLiteral("lstBeforeSheet"));
    sheetLabel->setBuddy(m_sheets);
    m_copy = new QCheckBox(QStringLiteral("ｺﾋﾟｰを作成する(&C)"), this);
    m_copy->setObjectName(QStringLiteral("chkCopy"));

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    QPushButton *cancel = buttons->addButton(QStringLiteral("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addSpacing(6);
    layout->addWidget(bookLabel);
    layout->addWidget(m_book);
    layout->addWidget(sheetLabel);
    layout->addWidget(m_sheets, 1);
    layout->addWidget(m_copy);
    layout->addWidget(buttons);

    connect(m_book, &QComboBox::currentIndexChanged, this, &frmMoveCopySheets::ListSheets);
    ListSheets();
    resize(sizeHint().expandedTo(QSize(320, 360)));
}

void frmMoveCopySheets::ListSheets()
{
    m_sheets->clear();
    const QString book = m_book->currentData().toString();
    if (!book.isEmpty())
        m_sheets->addItems(m_sheetsOf(book));
    m_sheets->addItem(AtEndText);
    m_sheets->setCurrentRow(0);
}

frmMoveCopySheets::Choice frmMoveCopySheets::Chosen() const
{
    Choice choice;
    choice.book = m_book->currentData().toString();
    const int row = m_sheets->currentRow();
    choice.beforeSheet = row < 0 || row == m_sheets->count() - 1 ? 0 : row + 1;
    choice.copy = m_copy->isChecked();
    return choice;
}

void frmMoveCopySheets::SetScript(Script script)
{
    ScriptSlot() = std::move(script);
}

std::optional<frmMoveCopySheets::Choice> frmMoveCopySheets::Ask(const QStringList &books, SheetsOf sheetsOf,
                                                                QWidget *parent)
{
    frmMoveCopySheets dialog(books, std::move(sheetsOf), parent);
    const bool accepted = ScriptSlot() ? ScriptSlot()(dialog) : dialog.exec() == QDialog::Accepted;
    if (!accepted || dialog.Chosen().book.isEmpty())
        return std::nullopt;
    return dialog.Chosen();
}
