#include "frmPageSetup.h"

#include "ExcelError.h"
#include "MessageBox.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QQueue>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using quirn::PageSetupFacts;

namespace {

constexpr unsigned ExclamationOk = 0x30;
constexpr int Automatic = -4105;
constexpr int NoComments = -4142;
constexpr int CommentsAtEnd = 1;
constexpr int CommentsInPlace = 16;
constexpr double PointsPerCentimetre = 72.0 / 2.54;

struct Paper
{
    int code;
    const char *caption;
};

// The paper sizes offered, by xlPaper code.
const Paper Papers[] = {
    {9, "A4 210 x 297 mm"},
    {8, "A3 297 x 420 mm"},
    {11, "A5 148 x 210 mm"},
    {12, "B4 (JIS) 257 x 364 mm"},
    {13, "B5 (JIS) 182 x 257 mm"},
    {33, "B4 (ISO) 250 x 353 mm"},
    {34, "B5 (ISO) 176 x 250 mm"},
    {43, "はがき 100 x 148 mm"},
    {1, "レター 8 1/2 x 11 インチ"},
    {5, "リーガル 8 1/2 x 14 インチ"},
    {7, "エグゼクティブ 7 1/4 x 10 1/2 インチ"},
    {3, "タブロイド 11 x 17 インチ"},
};

const int Qualities[] = {1200, 600, 300, 150};

struct State
{
    bool scripted = false;
    QQueue<frmPageSetup::Script> scripts;
};

State &state()
{
    static State s;
    return s;
}

QRadioButton *radio(const QString &name, const QString &text, QButtonGroup *group, int id)
{
    auto *button = new QRadioButton(text);
    button->setObjectName(name);
    group->addButton(button, id);
    return button;
}

QCheckBox *check(const QString &name, const QString &text, bool on)
{
    auto *box = new QCheckBox(text);
    box->setObjectName(name);
    box->setChecked(on);
    return box;
}

QLineEdit *line(const QString &name, const QString &text)
{
    auto *edit = new QLineEdit(text);
    edit->setObjectName(name);
    return edit;
}

QDoubleSpinBox *centimetres(const QString &name, double points)
{
    auto *box = new QDoubleSpinBox;
    box->setObjectName(name);
    box->setDecimals(1);
    box->setRange(0, 100);
    box->setSingleStep(0.1);
    box->setValue(points / PointsPerCentimetre);
    return box;
}

QSpinBox *number(const QString &name, int minimum, int maximum, int value)
{
    auto *box = new QSpinBox;
    box->setObjectName(name);
    box->setRange(minimum, maximum);
    box->setValue(value);
    return box;
}

QComboBox *combo(const QString &name)
{
    auto *box = new QComboBox;
    box->setObjectName(name);
    return box;
}

QVariant qualityData(int horizontal, int vertical)
{
    return QVariantList{horizontal, vertical};
}

QString qualityCaption(int horizontal, int vertical)
{
    return horizontal == vertical ? QStringLiteral("%1 dpi").arg(horizontal)
                                  : QStringLiteral("%1 x %2 dpi").arg(horizontal).arg(vertical);
}

} // namespace

frmPageSetup::frmPageSetup(const PageSetupFacts &setup, bool chart, const QString &sheetName,
                           QWidget *parent)
    : QDialog(parent), m_original(setup), m_chart(chart), m_sheetName(sheetName)
{
    setObjectName(QStringLiteral("frmPageSetup"));
    setWindowTitle(QStringLiteral("ページ設定"));
    setModal(true);

    m_tabs = new QTabWidget;
    m_tabs->setObjectName(QStringLiteral("tabPageSetup"));
    m_tabs->addTab(buildPageTab(), QStringLiteral("ページ"));
    m_tabs->addTab(buildMarginsTab(), QStringLiteral("余白"));
    m_tabs->addTab(buildHeaderFooterTab(), QStringLiteral("ヘッダー/フッター"));
    if (chart)
        m_tabs->addTab(buildChartTab(), QStringLiteral("グラフ"));
    else
        m_tabs->addTab(buildSheetTab(), QStringLiteral("シート"));

    auto *ok = new QPushButton(QStringLiteral("OK"));
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("キャンセル"));
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(ok, &QPushButton::clicked, this, &frmPageSetup::accept);
    connect(cancel, &QPushButton::clicked, this, &frmPageSetup::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addLayout(buttons);

    m_lastSection = m_centerHeader;
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        for (QLineEdit *section : {m_leftHeader, m_centerHeader, m_rightHeader, m_leftFooter,
                                   m_centerFooter, m_rightFooter}) {
            if (now == section)
                m_lastSection = section;
        }
    });
}

QWidget *frmPageSetup::buildPageTab()
{
    const PageSetupFacts &s = m_original;
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("fraPage"));

    auto *orientationBox = new QGroupBox(QStringLiteral("印刷の向き"));
    m_orientation = new QButtonGroup(this);
    auto *orientationLayout = new QHBoxLayout(orientationBox);
    orientationLayout->addWidget(radio(QStringLiteral("optPortrait"), QStringLiteral("縦(&T)"), m_orientation, 1));
    orientationLayout->addWidget(radio(QStringLiteral("optLandscape"), QStringLiteral("横(&L)"), m_orientation, 2));
    orientationLayout->addStretch();
    m_orientation->button(s.orientation == 2 ? 2 : 1)->setChecked(true);

    auto *scalingBox = new QGroupBox(QStringLiteral("拡大縮小印刷"));
    m_scaling = new QButtonGroup(this);
    m_zoom = number(QStringLiteral("txtZoom"), 10, 400, qBound(10, s.zoom, 400));
    m_zoom->setSuffix(QStringLiteral(" %"));
    m_fitWide = number(QStringLiteral("txtFitToPagesWide"), 0, 32767, s.fitToPagesWide);
    m_fitTall = number(QStringLiteral("txtFitToPagesTall"), 0, 32767, s.fitToPagesTall);
    m_fitWide->setSpecialValueText(QStringLiteral(" "));
    m_fitTall->setSpecialValueText(QStringLiteral(" "));
    auto *scalingLayout = new QGridLayout(scalingBox);
    scalingLayout->addWidget(radio(QStringLiteral("optZoom"), QStringLiteral("拡大/縮小(&A):"), m_scaling, 0), 0, 0);
    scalingLayout->addWidget(m_zoom, 0, 1);
    scalingLayout->addWidget(new QLabel(QStringLiteral("標準サイズ")), 0, 2);
    QRadioButton *fit = radio(QStringLiteral("optFitToPages"), QStringLiteral("次のページ数に合わせて印刷(&F):"), m_scaling, 1);
    scalingLayout->addWidget(fit, 1, 0);
    scalingLayout->addWidget(new QLabel(QStringLiteral("横")), 1, 1);
    scalingLayout->addWidget(m_fitWide, 1, 2);
    scalingLayout->addWidget(new QLabel(QStringLiteral("x 縦")), 1, 3);
    scalingLayout->addWidget(m_fitTall, 1, 4);
    const bool fitted = s.fitToPage && !m_chart;
    m_scaling->button(fitted ? 1 : 0)->setChecked(true);
    if (m_chart) {
        // A chart sheet is scaled by its zoom only.
        fit->setEnabled(false);
        m_fitWide->setEnabled(false);
        m_fitTall->setEnabled(false);
    }

    m_paperSize = combo(QStringLiteral("cboPaperSize"));
    for (const Paper &paper : Papers)
        m_paperSize->addItem(QString::fromUtf8(paper.caption), paper.code);
    if (m_paperSize->findData(s.paperSize) < 0)
        m_paperSize->addItem(QStringLiteral("用紙 (コード %1)").arg(s.paperSize), s.paperSize);
    m_paperSize->setCurrentIndex(m_paperSize->findData(s.paperSize));

    m_printQuality = combo(QStringLiteral("cboPrintQuality"));
    for (int dpi : Qualities)
        m_printQuality->addItem(qualityCaption(dpi, dpi), qualityData(dpi, dpi));
    const int horizontal = s.printQuality.value(0, 600);
    const int vertical = s.printQuality.value(1, horizontal);
    const QVariant current = qualityData(horizontal, vertical);
    if (m_printQuality->findData(current) < 0)
        m_printQuality->addItem(qualityCaption(horizontal, vertical), current);
    m_printQuality->setCurrentIndex(m_printQuality->findData(current));

    m_firstPageNumber = line(QStringLiteral("txtFirstPageNumber"),
                             s.firstPageNumber == Automatic ? QStringLiteral("自動")
                                                            : QString::number(s.firstPageNumber));

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("用紙サイズ(&Z):"), m_paperSize);
    form->addRow(QStringLiteral("印刷品質(&Q):"), m_printQuality);
    form->addRow(QStringLiteral("先頭ページ番号(&R):"), m_firstPageNumber);

    auto *layout = new QVBoxLayout(page);
    layout->addWidget(orientationBox);
    layout->addWidget(scalingBox);
    layout->addLayout(form);
    layout->addStretch();
    return page;
}

QWidget *frmPageSetup::buildMarginsTab()
{
    const PageSetupFacts &s = m_original;
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("fraMargins"));
    m_top = centimetres(QStringLiteral("txtTopMargin"), s.topMargin);
    m_bottom = centimetres(QStringLiteral("txtBottomMargin"), s.bottomMargin);
    m_left = centimetres(QStringLiteral("txtLeftMargin"), s.leftMargin);
    m_right = centimetres(QStringLiteral("txtRightMargin"), s.rightMargin);
    m_header = centimetres(QStringLiteral("txtHeaderMargin"), s.headerMargin);
    m_footer = centimetres(QStringLiteral("txtFooterMargin"), s.footerMargin);

    auto labelled = [](const QString &text, QWidget *box) {
        auto *column = new QVBoxLayout;
        auto *label = new QLabel(text);
        label->setBuddy(box);
        column->addStretch();
        column->addWidget(label);
        column->addWidget(box);
        column->addStretch();
        return column;
    };
    auto *grid = new QGridLayout;
    grid->addLayout(labelled(QStringLiteral("上(&T):"), m_top), 0, 1);
    grid->addLayout(labelled(QStringLiteral("ヘッダー(&A):"), m_header), 0, 2);
    grid->addLayout(labelled(QStringLiteral("左(&L):"), m_left), 1, 0);
    auto *paper = new QLabel;
    paper->setFrameShape(QFrame::Box);
    paper->setMinimumSize(90, 120);
    grid->addWidget(paper, 1, 1);
    grid->addLayout(labelled(QStringLiteral("右(&R):"), m_right), 1, 2);
    grid->addLayout(labelled(QStringLiteral("下(&B):"), m_bottom), 2, 1);
    grid->addLayout(labelled(QStringLiteral("フッター(&F):"), m_footer), 2, 2);
    grid->addWidget(new QLabel(QStringLiteral("単位: cm")), 3, 0, 1, 3);

    auto *centre = new QGroupBox(QStringLiteral("ページ中央"));
    m_centerHorizontally = check(QStringLiteral("chkCenterHorizontally"), QStringLiteral("水平(&Z)"), s.centerHorizontally);
    m_centerVertically = check(QStringLiteral("chkCenterVertically"), QStringLiteral("垂直(&V)"), s.centerVertically);
    auto *centreLayout = new QHBoxLayout(centre);
    centreLayout->addWidget(m_centerHorizontally);
    centreLayout->addWidget(m_centerVertically);
    centreLayout->addStretch();

    auto *layout = new QVBoxLayout(page);
    layout->addLayout(grid);
    layout->addWidget(centre);
    layout->addStretch();
    return page;
}

QStringList frmPageSetup::headerFooterPresets()
{
    return {QStringLiteral("(指定しない)"), QStringLiteral("&P ページ"),
            QStringLiteral("&P / &N ページ"), QStringLiteral("&A"), QStringLiteral("&F"),
            QStringLiteral("&A, &P ページ"), QStringLiteral("&F, &P ページ")};
}

QWidget *frmPageSetup::buildHeaderFooterTab()
{
    const PageSetupFacts &s = m_original;
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("fraHeaderFooter"));

    auto section = [](const QString &title, const QString &presetName, QComboBox **presets,
                      const QStringList &names, const QStringList &texts, QLineEdit **edits[3]) {
        auto *box = new QGroupBox(title);
        *presets = combo(presetName);
        const QStringList captions = headerFooterPresets();
        (*presets)->addItems(captions);
        (*presets)->setCurrentIndex(-1);
        if (texts[0].isEmpty() && texts[2].isEmpty()) {
            const int preset = texts[1].isEmpty() ? 0 : captions.indexOf(texts[1]);
            (*presets)->setCurrentIndex(preset);
        }
        auto *form = new QFormLayout(box);
        form->addRow(QStringLiteral("定型(&S):"), *presets);
        const QString labels[3] = {QStringLiteral("左側(&L):"), QStringLiteral("中央部(&C):"),
                                   QStringLiteral("右側(&R):")};
        for (int i = 0; i < 3; ++i) {
            *edits[i] = line(names[i], texts[i]);
            // Excel's limit for a whole header or footer; a longer text the
            // book already holds is shown whole.
            (*edits[i])->setMaxLength(std::max<int>(255, int(texts[i].size())));
            form->addRow(labels[i], *edits[i]);
        }
        return box;
    };
    QLineEdit **headers[3] = {&m_leftHeader, &m_centerHeader, &m_rightHeader};
    QLineEdit **footers[3] = {&m_leftFooter, &m_centerFooter, &m_rightFooter};
    QGroupBox *headerBox = section(
        QStringLiteral("ヘッダー"), QStringLiteral("cboHeader"), &m_headerPresets,
        {QStringLiteral("txtLeftHeader"), QStringLiteral("txtCenterHeader"), QStringLiteral("txtRightHeader")},
        {s.leftHeader, s.centerHeader, s.rightHeader}, headers);
    QGroupBox *footerBox = section(
        QStringLiteral("フッター"), QStringLiteral("cboFooter"), &m_footerPresets,
        {QStringLiteral("txtLeftFooter"), QStringLiteral("txtCenterFooter"), QStringLiteral("txtRightFooter")},
        {s.leftFooter, s.centerFooter, s.rightFooter}, footers);
    connect(m_headerPresets, &QComboBox::activated, this, [this] {
        applyPreset(m_headerPresets, m_leftHeader, m_centerHeader, m_rightHeader);
    });
    connect(m_footerPresets, &QComboBox::activated, this, [this] {
        applyPreset(m_footerPresets, m_leftFooter, m_centerFooter, m_rightFooter);
    });

    struct Code
    {
        const char *name;
        const char *caption;
        const char *code;
    };
    const Code codes[] = {
        {"cmdInsertPage", "ページ番号", "&P"}, {"cmdInsertPages", "総ページ数", "&N"},
        {"cmdInsertDate", "日付", "&D"},       {"cmdInsertTime", "時刻", "&T"},
        {"cmdInsertFile", "ファイル名", "&F"}, {"cmdInsertSheet", "シート名", "&A"},
    };
    auto *codeRow = new QHBoxLayout;
    for (const Code &code : codes) {
        auto *button = new QPushButton(QString::fromUtf8(code.caption));
        button->setObjectName(QLatin1String(code.name));
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::NoFocus); // the section being edited keeps the focus
        const QString text = QLatin1String(code.code);
        connect(button, &QPushButton::clicked, this, [this, text] { insertCode(text); });
        codeRow->addWidget(button);
    }

    auto *layout = new QVBoxLayout(page);
    layout->addWidget(headerBox);
    layout->addWidget(footerBox);
    layout->addWidget(new QLabel(QStringLiteral("カーソルのある位置に挿入:")));
    layout->addLayout(codeRow);
    layout->addStretch();
    return page;
}

QWidget *frmPageSetup::buildSheetTab()
{
    const PageSetupFacts &s = m_original;
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("fraSheet"));
    m_printArea = line(QStringLiteral("txtPrintArea"), s.printArea);
    m_titleRows = line(QStringLiteral("txtPrintTitleRows"), s.printTitleRows);
    m_titleColumns = line(QStringLiteral("txtPrintTitleColumns"), s.printTitleColumns);

    auto *area = new QFormLayout;
    area->addRow(QStringLiteral("印刷範囲(&A):"), m_printArea);
    auto *titles = new QGroupBox(QStringLiteral("印刷タイトル"));
    auto *titleForm = new QFormLayout(titles);
    titleForm->addRow(QStringLiteral("行のタイトル(&R):"), m_titleRows);
    titleForm->addRow(QStringLiteral("列のタイトル(&C):"), m_titleColumns);

    auto *print = new QGroupBox(QStringLiteral("印刷"));
    m_gridlines = check(QStringLiteral("chkPrintGridlines"), QStringLiteral("枠線(&G)"), s.printGridlines);
    m_blackAndWhite = check(QStringLiteral("chkBlackAndWhite"), QStringLiteral("白黒印刷(&B)"), s.blackAndWhite);
    m_draft = check(QStringLiteral("chkDraft"), QStringLiteral("簡易印刷(&Q)"), s.draft);
    m_headings = check(QStringLiteral("chkPrintHeadings"), QStringLiteral("行列番号(&L)"), s.printHeadings);
    m_comments = combo(QStringLiteral("cboPrintComments"));
    m_comments->addItem(QStringLiteral("(なし)"), NoComments);
    m_comments->addItem(QStringLiteral("シートの末尾"), CommentsAtEnd);
    m_comments->addItem(QStringLiteral("画面表示イメージ"), CommentsInPlace);
    m_comments->setCurrentIndex(qMax(0, m_comments->findData(s.printComments)));
    auto *printGrid = new QGridLayout(print);
    printGrid->addWidget(m_gridlines, 0, 0);
    printGrid->addWidget(m_headings, 0, 1);
    printGrid->addWidget(m_blackAndWhite, 1, 0);
    auto *commentsLabel = new QLabel(QStringLiteral("コメント(&M):"));
    commentsLabel->setBuddy(m_comments);
    printGrid->addWidget(commentsLabel, 1, 1);
    printGrid->addWidget(m_comments, 1, 2);
    printGrid->addWidget(m_draft, 2, 0);

    auto *orderBox = new QGroupBox(QStringLiteral("ページの方向"));
    m_order = new QButtonGroup(this);
    auto *orderLayout = new QVBoxLayout(orderBox);
    orderLayout->addWidget(radio(QStringLiteral("optDownThenOver"), QStringLiteral("上から下へ(&D)"), m_order, 1));
    orderLayout->addWidget(radio(QStringLiteral("optOverThenDown"), QStringLiteral("左から右へ(&V)"), m_order, 2));
    m_order->button(s.order == 2 ? 2 : 1)->setChecked(true);

    auto *layout = new QVBoxLayout(page);
    layout->addLayout(area);
    layout->addWidget(titles);
    layout->addWidget(print);
    layout->addWidget(orderBox);
    layout->addStretch();
    return page;
}

QWidget *frmPageSetup::buildChartTab()
{
    const PageSetupFacts &s = m_original;
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("fraChart"));
    auto *quality = new QGroupBox(QStringLiteral("印刷品質"));
    m_draft = check(QStringLiteral("chkDraft"), QStringLiteral("簡易印刷(&Q)"), s.draft);
    m_blackAndWhite = check(QStringLiteral("chkBlackAndWhite"), QStringLiteral("白黒印刷(&B)"), s.blackAndWhite);
    auto *qualityLayout = new QVBoxLayout(quality);
    qualityLayout->addWidget(m_draft);
    qualityLayout->addWidget(m_blackAndWhite);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(quality);
    layout->addStretch();
    return page;
}

void frmPageSetup::applyPreset(QComboBox *presets, QLineEdit *left, QLineEdit *center,
                               QLineEdit *right)
{
    left->clear();
    right->clear();
    center->setText(presets->currentIndex() <= 0 ? QString() : presets->currentText());
}

void frmPageSetup::insertCode(const QString &code)
{
    m_lastSection->insert(code);
}

bool frmPageSetup::readFirstPageNumber(int *number) const
{
    const QString text = m_firstPageNumber->text().trimmed();
    if (text.isEmpty() || text == QStringLiteral("自動")) {
        *number = Automatic;
        return true;
    }
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < -32767 || value > 32767)
        return false;
    *number = value;
    return true;
}

// The margin in points; a margin the user left as shown keeps its exact value.
double frmPageSetup::marginPoints(const QDoubleSpinBox *box, double original) const
{
    const double shown = std::round(original / PointsPerCentimetre * 10.0) / 10.0;
    if (qAbs(box->value() - shown) < 0.001)
        return original;
    return box->value() * PointsPerCentimetre;
}

PageSetupFacts frmPageSetup::setup() const
{
    PageSetupFacts s = m_original;
    s.orientation = m_orientation->checkedId() == 2 ? 2 : 1;
    s.fitToPage = !m_chart && m_scaling->checkedId() == 1;
    if (!s.fitToPage)
        s.zoom = m_zoom->value();
    if (!m_chart) {
        s.fitToPagesWide = m_fitWide->value();
        s.fitToPagesTall = m_fitTall->value();
    }
    s.paperSize = m_paperSize->currentData().toInt();
    const QVariantList quality = m_printQuality->currentData().toList();
    s.printQuality = {quality.value(0).toInt(), quality.value(1).toInt()};
    readFirstPageNumber(&s.firstPageNumber);

    s.topMargin = marginPoints(m_top, m_original.topMargin);
    s.bottomMargin = marginPoints(m_bottom, m_original.bottomMargin);
    s.leftMargin = marginPoints(m_left, m_original.leftMargin);
    s.rightMargin = marginPoints(m_right, m_original.rightMargin);
    s.headerMargin = marginPoints(m_header, m_original.headerMargin);
    s.footerMargin = marginPoints(m_footer, m_original.footerMargin);
    s.centerHorizontally = m_centerHorizontally->isChecked();
    s.centerVertically = m_centerVertically->isChecked();

    s.leftHeader = m_leftHeader->text();
    s.centerHeader = m_centerHeader->text();
    s.rightHeader = m_rightHeader->text();
    s.leftFooter = m_leftFooter->text();
    s.centerFooter = m_centerFooter->text();
    s.rightFooter = m_rightFooter->text();

    s.draft = m_draft->isChecked();
    s.blackAndWhite = m_blackAndWhite->isChecked();
    if (!m_chart) {
        s.printArea = m_printArea->text().trimmed();
        s.printTitleRows = m_titleRows->text().trimmed();
        s.printTitleColumns = m_titleColumns->text().trimmed();
        s.printGridlines = m_gridlines->isChecked();
        s.printHeadings = m_headings->isChecked();
        s.printComments = m_comments->currentData().toInt();
        s.order = m_order->checkedId() == 2 ? 2 : 1;
    }

    // Paper, orientation, zoom and quality are the printer settings: once
    // one of them is chosen the sheet keeps settings of its own.
    const PageSetupFacts &o = m_original;
    const bool printerChosen = s.paperSize != o.paperSize || s.orientation != o.orientation
        || (!s.fitToPage && s.zoom != o.zoom)
        || (!o.printQuality.isEmpty() ? s.printQuality != o.printQuality
                                      : s.printQuality != QList<int>{600, 600});
    if (printerChosen)
        s.hasPrinterSettings = true;
    else
        s.printQuality = o.printQuality;
    return s;
}

void frmPageSetup::accept()
{
    int firstPage = 0;
    if (!readFirstPageNumber(&firstPage)) {
        m_tabs->setCurrentIndex(0);
        MessageBox::Show(QStringLiteral("先頭ページ番号には、数値または「自動」を入力してください。"),
                         ExclamationOk, QString(), this);
        m_firstPageNumber->setFocus();
        return;
    }
    if (m_write) {
        try {
            m_write(setup());
        } catch (const ExcelError &error) {
            MessageBox::Show(error.description(), ExclamationOk, QString(), this);
            return;
        }
    }
    QDialog::accept();
}

int frmPageSetup::Show(const PageSetupFacts &setup, bool chart, const QString &sheetName,
                       const Writer &write, QWidget *parent)
{
    frmPageSetup dialog(setup, chart, sheetName, parent ? parent : QApplication::activeWindow());
    dialog.m_write = write;
    if (!state().scripted)
        return dialog.exec() == QDialog::Accepted ? -1 : 0;
    if (state().scripts.isEmpty())
        return 0;
    const Script script = state().scripts.dequeue();
    if (!script(dialog))
        return 0;
    dialog.findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
    return dialog.result() == QDialog::Accepted ? -1 : 0;
}

void frmPageSetup::setScripted(bool scripted)
{
    state().scripted = scripted;
}

void frmPageSetup::queueScript(const Script &script)
{
    state().scripts.enqueue(script);
}

void frmPageSetup::resetScript()
{
    state().scripts.clear();
}
