#include "frmAbout.h"

#include "Globals.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmAbout::frmAbout(const QString &engineVersion, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(Globals::AppTitle + QStringLiteral("のﾊﾞｰｼﾞｮﾝ情報"));

    auto *icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("picIcon"));
    icon->setPixmap(QIcon(QStringLiteral(":/icons/Quirn.svg")).pixmap(48, 48));

    auto *title = new QLabel(Globals::AppTitle, this);
    title->setObjectName(QStringLiteral("lblTitle"));
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    title->setFont(big);

    auto *version = new QLabel(VersionText(QUIRN_VERSION_MAJOR, QUIRN_VERSION_MINOR), this);
    version->setObjectName(QStringLiteral("lblVersion"));
    auto *engine = new QLabel(EngineVersionText(engineVersion), this);
    engine->setObjectName(QStringLiteral("lblExcelVersion"));

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto *texts = new QVBoxLayout;
    texts->addWidget(title);
    texts->addWidget(version);
    texts->addSpacing(8);
    texts->addWidget(engine);
    auto *top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(texts, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(360, 0)));
}

QString frmAbout::VersionText(int major, int minor)
{
    return QStringLiteral("Version ") + QString::number(major) + u'.'
           + QStringLiteral("%1").arg(minor, 2, 10, QLatin1Char('0'));
}

QString frmAbout::EngineVersionText(const QString &engineVersion)
{
    // The books are read and written by the program itself; the office renders,
    // prints and converts them: its version is the one that matters.
    return QStringLiteral("LibreOffice Version : ") + engineVersion;
}
