#include "frmNameConflict.h"

#include "MessageBox.h"
#include "NormalPointer.h"
#include "cExcel.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QQueue>
#include <QVBoxLayout>

namespace {

constexpr unsigned QuestionYesNo = 0x24;

struct ScriptState
{
    bool scripted = false;
    QQueue<frmNameConflict::Script> scripts;
};

ScriptState &state()
{
    static ScriptState s;
    return s;
}

} // namespace

frmNameConflict::frmNameConflict(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmNameConflict"));
    setWindowTitle(QStringLiteral("名前の重複"));
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(this);
    label->setObjectName(QStringLiteral("lblNameConflict"));
    label->setWordWrap(true);
    layout->addWidget(label);
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("txtNewName"));
    m_name->setMaxLength(255);
    layout->addWidget(m_name);
    auto *buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    m_ok->setObjectName(QStringLiteral("cmdOK"));
    QPushButton *cancel = buttons->addButton(QStringLiteral("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    layout->addWidget(buttons);
    connect(m_name, &QLineEdit::textChanged, this, &frmNameConflict::UpdateOk);
    connect(m_ok, &QPushButton::clicked, this, [this] {
        m_chosen = m_name->text();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, [this] {
        m_chosen.clear();
        reject();
    });
}

QString frmNameConflict::Ask(QWidget *parent, const QString &name, const QString &free)
{
    const QString question =
        QStringLiteral("移動またはｺﾋﾟｰするｼｰﾄで使われている名前 \"%1\" は、移動先またはｺﾋﾟｰ先のﾌﾞｯｸに既にあり、"
                       "定義が異なります。この名前は移動先またはｺﾋﾟｰ先の定義を使いますか?\n\n"
                       "・移動先またはｺﾋﾟｰ先の定義を使うには [はい] をｸﾘｯｸして下さい。\n"
                       "・移動またはｺﾋﾟｰするｼｰﾄの定義を別の名前で持ってくるには [いいえ] をｸﾘｯｸして下さい。")
            .arg(name);
    if (MessageBox::Show(question, QuestionYesNo, QString(), parent) != MessageBox::IDNO)
        return QString();
    frmNameConflict dialog(parent);
    return dialog.Show(name, free);
}

QString frmNameConflict::Show(const QString &name, const QString &proposed)
{
    findChild<QLabel *>(QStringLiteral("lblNameConflict"))
        ->setText(QStringLiteral("名前 \"%1\" は既にあります。移動またはｺﾋﾟｰするｼｰﾄの定義に付ける新しい名前を入力して下さい。")
                      .arg(name));
    m_name->setText(proposed);
    m_name->selectAll();
    m_chosen.clear();
    UpdateOk();
    if (state().scripted) {
        if (!state().scripts.isEmpty())
            state().scripts.dequeue()(*this);
        return m_chosen;
    }
    NormalPointer pointer;
    exec();
    return m_chosen;
}

// OK only for a name Excel would take: a letter, "_" or "\" first, no spaces,
// not a cell's address.
void frmNameConflict::UpdateOk()
{
    m_ok->setEnabled(cExcel::IsValidDefinedName(m_name->text()));
}

void frmNameConflict::setScripted(bool scripted)
{
    state().scripted = scripted;
}

void frmNameConflict::queueScript(const Script &script)
{
    state().scripts.enqueue(script);
}

void frmNameConflict::resetScript()
{
    state().scripts.clear();
}
