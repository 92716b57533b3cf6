#include "frmWarninng1.h"

#include "NormalPointer.h"
#include "WarningDialogLayout.h"
#include "WarningSeam.h"
#include "WarningSetting.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmWarninng1::frmWarninng1(const QString &message, const QString &checkCaption, QWidget *parent)
    : QDialog(parent)
    , m_label(new QLabel(message, this))
    , m_check(new QCheckBox(checkCaption, this))
    , m_ok(new QPushButton(QStringLiteral("OK"), this))
{
    setObjectName(QStringLiteral("frmWarninng1"));
    setWindowTitle(QStringLiteral("Quirn"));
    m_label->setObjectName(QStringLiteral("Label1"));
    m_check->setObjectName(QStringLiteral("Check1"));
    m_ok->setObjectName(QStringLiteral("Command1"));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_check);
    layout->addWidget(m_ok, 0, Qt::AlignHCenter);
    WarningDialogLayout::Place(*this, m_label->sizeHint().width());
}

bool frmWarninng1::ShowBookWarning(const QString &message, int mode, QWidget *parent)
{
    const QString caption = WarningSetting::CheckCaption(static_cast<WarningSetting::Mode>(mode));
    QApplication::beep();
    bool ticked = false;
    const NormalPointer pointer;
    if (WarningSeam::TestMode()) {
        ticked = WarningSeam::Record({QStringLiteral("frmWarninng1"), message, caption, {}, NormalPointer::Shape()});
    } else {
        frmWarninng1 dialog(message, caption, parent);
        dialog.exec();
        ticked = dialog.m_check->isChecked();
    }
    QCoreApplication::processEvents();
    return ticked;
}
