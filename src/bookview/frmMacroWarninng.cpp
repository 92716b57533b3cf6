#include "frmMacroWarninng.h"

#include "NormalPointer.h"
#include "WarningDialogLayout.h"
#include "WarningSeam.h"
#include "WarningSetting.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The picture of a component kind: standard module, class module, user form.
QIcon ModuleIcon(int type)
{
    QStyle *style = QApplication::style();
    switch (type) {
    case 2:
        return style->standardIcon(QStyle::SP_FileDialogDetailedView);
    case 3:
        return style->standardIcon(QStyle::SP_DesktopIcon);
    default:
        return style->standardIcon(QStyle::SP_FileIcon);
    }
}

} // namespace

QStringList frmMacroWarninng::LabelTexts(const QString &fileName)
{
    return {u'"' + fileName + u'"' + QStringLiteral(" には"),
            QStringLiteral("次のﾌﾟﾛｼﾞｪｸﾄｺﾝﾎﾟｰﾈﾝﾄが含まれています｡ "),
            QStringLiteral("これらのﾌﾟﾛｼﾞｪｸﾄｺﾝﾎﾟｰﾈﾝﾄは処理対象になりません。")};
}

frmMacroWarninng::frmMacroWarninng(const QString &fileName, const QStringList &modules, const QList<int> &types,
                                   const QString &checkCaption, QWidget *parent)
    : QDialog(parent)
    , m_modules(new QTreeWidget(this))
    , m_check(new QCheckBox(checkCaption, this))
    , m_ok(new QPushButton(QStringLiteral("OK"), this))
{
    setObjectName(QStringLiteral("frmMacroWarninng"));
    setWindowTitle(QStringLiteral("Quirn"));
    const QStringList texts = LabelTexts(fileName);
    auto *layout = new QVBoxLayout(this);
    for (int i = 0; i < 3; ++i) {
        m_label[i] = new QLabel(texts.at(i), this);
        m_label[i]->setObjectName(QStringLiteral("Label1_%1").arg(i));
    }
    layout->addWidget(m_label[0]);
    layout->addWidget(m_label[1]);
    m_modules->setObjectName(QStringLiteral("lvModuleView"));
    m_modules->setHeaderLabels({QStringLiteral("名前")});
    m_modules->setHeaderHidden(true);
    m_modules->setRootIsDecorated(false);
    m_modules->setSelectionMode(QAbstractItemView::NoSelection);
    m_modules->setIconSize(QSize(16, 16));
    AddModuleViewItem(modules, types);
    layout->addWidget(m_modules);
    layout->addWidget(m_label[2]);
    m_check->setObjectName(QStringLiteral("Check1"));
    layout->addWidget(m_check);
    m_ok->setObjectName(QStringLiteral("Command1"));
    m_ok->setDefault(true);
    layout->addWidget(m_ok, 0, Qt::AlignHCenter);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    const int w = std::max(m_label[0]->sizeHint().width(), m_label[2]->sizeHint().width());
    m_modules->setFixedWidth(w);
    WarningDialogLayout::Place(*this, w);
}

void frmMacroWarninng::AddModuleViewItem(const QStringList &modules, const QList<int> &types)
{
    for (qsizetype i = 0; i < modules.size(); ++i) {
        auto *item = new QTreeWidgetItem(m_modules, {modules.at(i)});
        item->setIcon(0, ModuleIcon(types.value(i, 1)));
    }
    m_modules->resizeColumnToContents(0);
}

void frmMacroWarninng::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_ok->setFocus();
}

bool frmMacroWarninng::ShowMacroWarning(const QString &fileName, const QStringList &modules,
                                        const QList<int> &types, int mode, QWidget *parent)
{
    const QString caption = WarningSetting::CheckCaption(static_cast<WarningSetting::Mode>(mode));
    QApplication::beep();
    bool ticked = false;
    const NormalPointer pointer;
    if (WarningSeam::TestMode()) {
        ticked = WarningSeam::Record({QStringLiteral("frmMacroWarninng"), LabelTexts(fileName).join(u'\n'), caption,
                                      modules, NormalPointer::Shape()});
    } else {
        frmMacroWarninng dialog(fileName, modules, types, caption, parent);
        dialog.exec();
        ticked = dialog.m_check->isChecked();
    }
    QCoreApplication::processEvents();
    return ticked;
}
