#include "frmPrintSheet.h"

#include "MessageBox.h"
#include "PdfSaveDialog.h"
#include "SettingsStore.h"
#include "SheetPrintJob.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QQueue>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

struct State
{
    bool scripted = false;
    QQueue<frmPrintSheet::Script> scripts;
};

State &state()
{
    static State s;
    return s;
}

const QString OneJobKey = QStringLiteral("PrintOneJob");

// One frame of a printer at work: the sheet moves out of the printer and
// the lamp blinks.
QPixmap PrinterPicture(int frame)
{
    QPixmap picture(48, 48);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    // The sheet, further out at each frame.
    const int out = 4 + frame * 5;
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(14, 24 + out - 12, 20, 16));
    p.setPen(QPen(QColor(150, 150, 150), 1));
    for (int line = 0; line < frame + 1 && line < 3; ++line)
        p.drawLine(QPointF(17, 17 + out + line * 3), QPointF(31, 17 + out + line * 3));
    // The paper in the tray behind.
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(15, 4, 18, 12));
    // The body.
    p.setBrush(QColor(200, 200, 210));
    p.drawRoundedRect(QRectF(4, 14, 40, 16), 3, 3);
    p.setBrush(QColor(120, 120, 135));
    p.drawRect(QRectF(10, 26, 28, 3));
    // The lamp.
    p.setPen(Qt::NoPen);
    p.setBrush(frame % 2 == 0 ? QColor(40, 200, 60) : QColor(20, 90, 30));
    p.drawEllipse(QPointF(38, 19), 2.2, 2.2);
    return picture;
}

QVariant Trimmed(const QLineEdit *box)
{
    return QVariant(box->text().trimmed());
}

// Empty, or a whole number of at least 1.
bool WholeOrEmpty(const QString &text, bool mayBeEmpty)
{
    if (text.isEmpty())
        return mayBeEmpty;
    bool ok = false;
    const int number = text.toInt(&ok);
    return ok && number >= 1;
}

} // namespace

frmPrintSheet::frmPrintSheet(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPrintSheet"));
    setWindowTitle(QStringLiteral("ｼｰﾄの印刷"));
    setModal(true);

    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("Label1"));
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("List1"));
    m_list->setSelectionMode(QAbstractItemView::NoSelection);

    auto *pictures = new QWidget(this);
    pictures->setFixedSize(48, 48);
    for (int i = 0; i < 4; ++i) {
        m_pictures[i] = new QLabel(pictures);
        m_pictures[i]->setObjectName(QStringLiteral("Image1_%1").arg(i));
        m_pictures[i]->setPixmap(PrinterPicture(i));
        m_pictures[i]->setGeometry(0, 0, 48, 48);
    }

    auto *copiesFrame = new QGroupBox(QStringLiteral("印刷部数"), this);
    copiesFrame->setObjectName(QStringLiteral("Frame1"));
    m_copies = new QLineEdit(QStringLiteral("1"), copiesFrame);
    m_copies->setObjectName(QStringLiteral("Text2"));
    m_copies->setMaximumWidth(60);
    auto *copiesLabel = new QLabel(QStringLiteral("部数"), copiesFrame);
    copiesLabel->setObjectName(QStringLiteral("Label2"));
    auto *copiesLayout = new QHBoxLayout(copiesFrame);
    copiesLayout->addWidget(m_copies);
    copiesLayout->addWidget(copiesLabel);
    copiesLayout->addStretch();

    auto *rangeFrame = new QGroupBox(QStringLiteral("印刷範囲"), this);
    rangeFrame->setObjectName(QStringLiteral("Frame2"));
    auto *pages = new QRadioButton(QStringLiteral("ﾍﾟｰｼﾞ指定(&G)"), rangeFrame);
    pages->setObjectName(QStringLiteral("Option1_0"));
    auto *all = new QRadioButton(QStringLiteral("すべて(&A)"), rangeFrame);
    all->setObjectName(QStringLiteral("Option1_1"));
    all->setChecked(true);
    auto *rangeLayout = new QGridLayout(rangeFrame);
    rangeLayout->addWidget(all, 0, 0);
    rangeLayout->addWidget(pages, 1, 0);
    const QString rangeTexts[2] = {QStringLiteral("ﾍﾟｰｼﾞから"), QStringLiteral("ﾍﾟｰｼﾞまで")};
    for (int i = 0; i < 2; ++i) {
        m_range[i] = new QLineEdit(rangeFrame);
        m_range[i]->setObjectName(QStringLiteral("Text1_%1").arg(i));
        m_range[i]->setMaximumWidth(60);
        auto *label = new QLabel(rangeTexts[i], rangeFrame);
        label->setObjectName(QStringLiteral("Label3_%1").arg(i));
        rangeLayout->addWidget(m_range[i], 1, 1 + 2 * i);
        rangeLayout->addWidget(label, 1, 2 + 2 * i);
    }

    m_oneJob = new QCheckBox(QStringLiteral("1つの印刷ｼﾞｮﾌﾞにまとめる(&J)"), this);
    m_oneJob->setObjectName(QStringLiteral("Check1"));
    m_oneJob->setChecked(SettingsStore::GetSetting(SettingsStore::AppKey, QStringLiteral("Option"), OneJobKey,
                                                   QStringLiteral("0"))
                         == QLatin1String("1"));

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Command1_0"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    cancel->setObjectName(QStringLiteral("Command1_1"));
    auto *pdf = new QPushButton(QStringLiteral("PDF ﾌｧｲﾙに保存(&F)..."), this);
    pdf->setObjectName(QStringLiteral("Command2"));
    connect(ok, &QPushButton::clicked, this, [this] { Command1Click(0); });
    connect(cancel, &QPushButton::clicked, this, [this] { Command1Click(1); });
    connect(pdf, &QPushButton::clicked, this, [this] { SavePdfClick(); });

    auto *top = new QHBoxLayout;
    top->addWidget(pictures, 0, Qt::AlignTop);
    top->addWidget(m_label, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(pdf);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_list, 1);
    m_printer = new QLabel(this);
    m_printer->setObjectName(QStringLiteral("lblPrinter"));
    layout->addWidget(m_printer);
    auto *frames = new QHBoxLayout;
    frames->addWidget(copiesFrame);
    frames->addWidget(rangeFrame, 1);
    layout->addLayout(frames);
    layout->addWidget(m_oneJob);
    layout->addLayout(buttons);
    resize(460, 360);

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(800);
    connect(m_timer, &QTimer::timeout, this, [this] { Timer1Timer(); });
}

int frmPrintSheet::Show(const QStringList &objects)
{
    m_list->clear();
    m_list->addItems(objects);
    m_label->setText(QStringLiteral("次のｴｸｾﾙﾌﾞｯｸ又は、ｴｸｾﾙのｼｰﾄを印刷します。") + u'\n' + QStringLiteral("( ")
                     + QString::number(ObjectCount) + QStringLiteral("個のｵﾌﾞｼﾞｪｸﾄが選択されています。)"));
    // The printer the run will use.
    const QString printer = SheetPrintJob::defaultPrinter();
    m_printer->setText(QStringLiteral("ﾌﾟﾘﾝﾀ : ")
                       + (printer.isEmpty() ? QStringLiteral("(既定のﾌﾟﾘﾝﾀが設定されていません)") : printer));
    Button = Cancel;
    m_front = 0;
    m_pictures[0]->raise();
    m_timer->start();
    if (state().scripted) {
        if (!state().scripts.isEmpty())
            state().scripts.dequeue()(*this);
        if (m_timer->isActive())
            Finish(Cancel);
    } else {
        exec();
        m_timer->stop();
    }
    return Button;
}

void frmPrintSheet::Timer1Timer()
{
    m_front = (m_front + 1) % 4;
    m_pictures[m_front]->raise();
}

bool frmPrintSheet::TakeValues()
{
    const QString copies = m_copies->text().trimmed();
    const QString from = m_range[0]->text().trimmed();
    const QString to = m_range[1]->text().trimmed();
    if (!WholeOrEmpty(copies, false)) {
        MessageBox::Show(QStringLiteral("印刷部数には 1 以上の数値を入力して下さい。"), 0x30, QString(), this);
        m_copies->setFocus();
        return false;
    }
    if (!WholeOrEmpty(from, true) || !WholeOrEmpty(to, true)) {
        MessageBox::Show(QStringLiteral("印刷範囲には 1 以上の数値を入力して下さい。"), 0x30, QString(), this);
        m_range[WholeOrEmpty(from, true) ? 1 : 0]->setFocus();
        return false;
    }
    if (!from.isEmpty() && !to.isEmpty() && from.toInt() > to.toInt()) {
        MessageBox::Show(QStringLiteral("印刷範囲の終了ﾍﾟｰｼﾞには開始ﾍﾟｰｼﾞ以上の数値を入力して下さい。"), 0x30, QString(),
                         this);
        m_range[1]->setFocus();
        return false;
    }
    FromPage = Trimmed(m_range[0]);
    ToPage = Trimmed(m_range[1]);
    Copies = Trimmed(m_copies);
    OneJob = m_oneJob->isChecked();
    SettingsStore::SaveSetting(SettingsStore::AppKey, QStringLiteral("Option"), OneJobKey,
                               OneJob ? QStringLiteral("1") : QStringLiteral("0"));
    return true;
}

void frmPrintSheet::Command1Click(int index)
{
    if (index == 0 && !TakeValues())
        return;
    if (index != 0) {
        FromPage = Trimmed(m_range[0]);
        ToPage = Trimmed(m_range[1]);
        Copies = Trimmed(m_copies);
    }
    Finish(index == 0 ? OK : Cancel);
}

void frmPrintSheet::SavePdfClick()
{
    if (!TakeValues())
        return;
    const QString path = PdfSaveDialog::Show(QDir::home().filePath(QStringLiteral("印刷.pdf")), this);
    if (path.isEmpty())
        return; // back in the dialog
    PdfPath = path;
    Finish(SaveAsPdf);
}

void frmPrintSheet::Finish(qint32 button)
{
    Button = button;
    m_timer->stop();
    if (state().scripted)
        return;
    done(button);
}

void frmPrintSheet::closeEvent(QCloseEvent *event)
{
    m_timer->stop();
    QDialog::closeEvent(event);
}

void frmPrintSheet::setScripted(bool scripted)
{
    state().scripted = scripted;
}

void frmPrintSheet::queueScript(const Script &script)
{
    state().scripts.enqueue(script);
}

void frmPrintSheet::resetScript()
{
    state().scripts.clear();
}
