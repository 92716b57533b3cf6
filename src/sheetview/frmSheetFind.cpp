#include "frmSheetFind.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

bool g_scripted = false;
QList<frmSheetFind::Script> g_scripts;

QRadioButton *AddOption(QButtonGroup *group, QLayout *layout, const QString &name, int index,
                        const QString &caption)
{
    auto *button = new QRadioButton(caption);
    button->setObjectName(QStringLiteral("%1_%2").arg(name).arg(index));
    group->addButton(button, index);
    layout->addWidget(button);
    return button;
}

} // namespace

frmSheetFind::frmSheetFind(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSheetFind"));
    setWindowTitle(QStringLiteral("ｼｰﾄ検索"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto *label = new QLabel(QStringLiteral("検索するｼｰﾄ名"));
    label->setObjectName(QStringLiteral("Label1"));
    m_combo = new QComboBox;
    m_combo->setObjectName(QStringLiteral("Combo1"));
    m_combo->setEditable(true);
    m_combo->setInsertPolicy(QComboBox::NoInsert);
    m_combo->setMinimumContentsLength(24);
    label->setBuddy(m_combo);

    auto *frame = new QGroupBox(QStringLiteral("検索開始位置"));
    frame->setObjectName(QStringLiteral("Frame1"));
    auto *frameLayout = new QVBoxLayout(frame);
    m_start = new QButtonGroup(this);
    AddOption(m_start, frameLayout, QStringLiteral("Option1"), 0, QStringLiteral("先頭から(&T)"));
    AddOption(m_start, frameLayout, QStringLiteral("Option1"), 1, QStringLiteral("最終選択位置から(&E)"));

    auto *matchLayout = new QVBoxLayout;
    m_match = new QButtonGroup(this);
    AddOption(m_match, matchLayout, QStringLiteral("Check1"), 0, QStringLiteral("完全に一致するｼｰﾄだけを検索する(&O)"));
    AddOption(m_match, matchLayout, QStringLiteral("Check1"), 1, QStringLiteral("一致する全てのｼｰﾄを検索する(&A)"));
    AddOption(m_match, matchLayout, QStringLiteral("Check1"), 2, QStringLiteral("一致する最初のｼｰﾄを検索する(&H)"));

    m_ok = new QPushButton(QStringLiteral("OK"));
    m_ok->setObjectName(QStringLiteral("Command1_0"));
    m_ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"));
    cancel->setObjectName(QStringLiteral("Command1_1"));

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto *fields = new QVBoxLayout;
    fields->addWidget(label);
    fields->addWidget(m_combo);
    fields->addWidget(frame);
    fields->addLayout(matchLayout);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(fields, 1);
    layout->addLayout(buttons);

    // Load: the options and names of the last opening.
    m_ok->setEnabled(false);
    if (QAbstractButton *start = m_start->button(StartMode))
        start->setChecked(true);
    if (QAbstractButton *match = m_match->button(FindMode))
        match->setChecked(true);
    m_combo->addItems(FindStrings);
    m_combo->setCurrentIndex(-1);
    m_combo->clearEditText();

    connect(m_start, &QButtonGroup::idClicked, this, [](int id) { StartMode = id; });
    connect(m_match, &QButtonGroup::idClicked, this, [](int id) { FindMode = id; });
    connect(m_combo, &QComboBox::editTextChanged, this, &frmSheetFind::TextEdited);
    connect(m_combo, &QComboBox::activated, this, [this] { m_ok->setEnabled(true); });
    connect(m_ok, &QPushButton::clicked, this, [this] { Answer(true); });
    connect(cancel, &QPushButton::clicked, this, [this] { Answer(false); });
}

void frmSheetFind::TextEdited(const QString &text)
{
    m_ok->setEnabled(!text.trimmed().isEmpty());
}

void frmSheetFind::Answer(bool ok)
{
    if (m_answered)
        return;
    m_answered = true;
    if (ok) {
        FindSheetName = m_combo->currentText();
        FindWhole = m_match->checkedId() == 0 ? 0 : 1;
        AllFind = m_match->checkedId() == 1 ? 1 : 0;
        FindStart = m_start->checkedId() == 0 ? 0 : 1;
    } else {
        FindSheetName.clear();
    }
    if (!FindSheetName.isEmpty() && !FindStrings.contains(FindSheetName))
        FindStrings << FindSheetName;
    done(ok ? Accepted : Rejected);
}

// Closing the window or Esc is Cancel.
void frmSheetFind::reject()
{
    Answer(false);
}

void frmSheetFind::Show(QWidget *parent)
{
    frmSheetFind dialog(parent);
    if (!g_scripted) {
        dialog.exec();
        return;
    }
    const bool ok = !g_scripts.isEmpty() && g_scripts.takeFirst()(dialog);
    QPushButton *button = dialog.findChild<QPushButton *>(ok ? QStringLiteral("Command1_0") : QStringLiteral("Command1_1"));
    if (button->isEnabled())
        button->click();
    dialog.Answer(false); // a script whose OK stayed disabled ends as Cancel
}

void frmSheetFind::setScripted(bool scripted)
{
    g_scripted = scripted;
}

void frmSheetFind::queueScript(const Script &script)
{
    g_scripts << script;
}

void frmSheetFind::resetScript()
{
    g_scripts.clear();
}
