#include "frmOptions.h"

#include "SettingsStore.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTabBar>

#include <algorithm>

namespace {

const QString &Key()
{
    return SettingsStore::AppKey;
}

QString StoredOption(const QString &key, const QString &defaultValue)
{
    return SettingsStore::GetSetting(Key(), QStringLiteral("Option"), key, defaultValue);
}

void SaveOption(const QString &key, const QString &value)
{
    SettingsStore::SaveSetting(Key(), QStringLiteral("Option"), key, value);
}

// Position i (0-based) of a switch string: "1" or "0"; a position that is
// missing or holds anything else reads as the default's.
bool Digit(const QString &value, int i, const QString &defaultValue)
{
    if (i < value.size() && (value.at(i) == u'0' || value.at(i) == u'1'))
        return value.at(i) == u'1';
    return defaultValue.at(i) == u'1';
}

// A switch string read as exactly as many "0"/"1" as its default has.
QString Digits(const QString &value, const QString &defaultValue)
{
    QString digits;
    for (int i = 0; i < defaultValue.size(); ++i)
        digits += Digit(value, i, defaultValue) ? u'1' : u'0';
    return digits;
}

// The three warnings: frame index, settings key, option and box control names.
struct Warning
{
    const char *key;
    const char *option;
    const char *box;
};

const Warning kWarnings[] = {
    {"Warninng1", "Option1", "Check8"},
    {"Warninng2", "Option2", "Check9"},
    {"Warninng3", "Option3", "Check10"},
};

QString Indexed(const char *name, int index)
{
    return QStringLiteral("%1_%2").arg(QString::fromLatin1(name)).arg(index);
}

constexpr int kTabCount = 4;

} // namespace

frmOptions::frmOptions(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("ｵﾌﾟｼｮﾝ"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_tabs = new QTabBar(this);
    m_tabs->setObjectName(QStringLiteral("tbsOptions"));
    m_tabs->setDrawBase(true);
    m_tabs->setExpanding(false);
    const char *captions[kTabCount] = {" ﾋﾞｭｰ ", "警告ﾒｯｾｰｼﾞ", "印刷", "ｼｰﾄ情報"};
    for (int i = 0; i < kTabCount; ++i) {
        m_tabs->addTab(QString::fromUtf8(captions[i]));
        m_tabs->setTabData(i, QStringLiteral("Group%1").arg(i + 1));
    }
    m_tabs->move(ToPixels(120), ToPixels(120));
    // Its height as it will show, in the font and style it will show with.
    m_tabs->ensurePolished();
    m_tabs->resize(ToPixels(5415), m_tabs->sizeHint().height());
    // A tab strip in a Japanese font is taller than the design's: whatever
    // is below it moves down by as much, so that the first control of a
    // pane is not cut by the strip's body.
    m_paneTop = std::max(ToPixels(480), m_tabs->geometry().bottom() + ToPixels(60));
    const int below = m_paneTop - ToPixels(480);
    // The body of the tab strip, framing the panes.
    auto *body = new QFrame(this);
    body->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    body->setGeometry(m_tabs->x(), m_tabs->geometry().bottom(), m_tabs->width(),
                      ToPixels(3600) + below - m_tabs->geometry().bottom());

    for (int i = 0; i < kTabCount; ++i) {
        m_panes[i] = new QWidget(this);
        m_panes[i]->setObjectName(Indexed("picOptions", i));
        Place(m_panes[i], 300, 600, 5205, 3045);
    }
    BuildViewPane(m_panes[0]);
    BuildWarningPane(m_panes[1]);
    BuildPrintPane(m_panes[2]);
    BuildSheetInfoPane(m_panes[3]);

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    Place(ok, 3000, 3720, 1215, 375);
    auto *cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    Place(cancel, 4320, 3720, 1215, 375);
    for (QPushButton *button : {ok, cancel})
        button->move(button->pos() + QPoint(0, below));
    connect(ok, &QPushButton::clicked, this, &frmOptions::accept);
    connect(cancel, &QPushButton::clicked, this, &frmOptions::reject);

    connect(m_tabs, &QTabBar::currentChanged, this, [this] { PaneSwitch(); });
    auto *nextTab = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this);
    connect(nextTab, &QShortcut::activated, this, [this] { NextTab(); });

    // The frame of the window is not counted: the client area is the
    // design size less its borders and caption.
    setFixedSize(ToPixels(5745 - 90), ToPixels(4600 - 420) + below);
    LoadValues();
}

// ---------------------------------------------------------------- building

int frmOptions::ToPixels(double twips) const
{
    return qRound(twips * logicalDpiX() / 1440.0);
}

void frmOptions::Place(QWidget *widget, int left, int top, int width, int height) const
{
    widget->setGeometry(ToPixels(left), ToPixels(top), ToPixels(width), ToPixels(height));
}

QGroupBox *frmOptions::AddFrame(QWidget *parent, const QString &name, const QString &caption, int left, int top,
                                int width, int height)
{
    auto *frame = new QGroupBox(caption, parent);
    frame->setObjectName(name);
    Place(frame, left, top, width, height);
    return frame;
}

QCheckBox *frmOptions::AddCheck(QWidget *parent, const QString &name, const QString &caption, int left, int top,
                                int width)
{
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    Place(box, left, top, width, 255);
    return box;
}

QRadioButton *frmOptions::AddOption(QWidget *parent, const QString &name, const QString &caption, int left,
                                    int top, int width)
{
    auto *option = new QRadioButton(caption, parent);
    option->setObjectName(name);
    Place(option, left, top, width, 255);
    return option;
}

QLabel *frmOptions::AddLabel(QWidget *parent, const QString &name, const QString &caption, int left, int top,
                             int width, int height)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Place(label, left, top, width, height);
    return label;
}

void frmOptions::BuildViewPane(QWidget *pane)
{
    AddCheck(pane, "Check11", "ﾌﾞｯｸﾋﾞｭｰ/ｼｰﾄﾋﾞｭｰのｻｲｽﾞを常に一定の割合に保つ", 60, 0, 5055);
    QGroupBox *columns = AddFrame(pane, "fraSheet3", "ﾌﾞｯｸﾋﾞｭｰ・表示項目(&B)", 60, 240, 5055, 735);
    const char *columnCaptions[] = {"ｻｲｽﾞ", "種類", "更新日時", "属性"};
    for (int i = 0; i < 4; ++i)
        AddCheck(columns, Indexed("chkListViewItem", i), QString::fromUtf8(columnCaptions[i]), 180 + i * 1200, 360,
                 1140);
    QGroupBox *sheets = AddFrame(pane, "fraSample1", "ｼｰﾄﾋﾞｭｰ・表示ｼｰﾄ(&S)", 60, 1200, 5055, 1355);
    const char *filterCaptions[] = {"非表示ｼｰﾄは表示させない", "ｸﾞﾗﾌｼｰﾄは表示させない",
                                    "Excel Ver4 ﾏｸﾛｼｰﾄは表示させない", "保護ｼｰﾄは表示させない"};
    for (int i = 0; i < 4; ++i) {
        QCheckBox *box = AddCheck(sheets, Indexed("Check3", i), QString::fromUtf8(filterCaptions[i]), 180,
                                  300 + i * 255, 4755);
        connect(box, &QCheckBox::clicked, this, [this, i] { SheetFilterClick(i); });
    }
}

void frmOptions::BuildWarningPane(QWidget *pane)
{
    const char *captions[] = {"保護/読み込み専用ﾌﾞｯｸの警告ﾒｯｾｰｼﾞ(&B)", "保護ｼｰﾄの警告ﾒｯｾｰｼﾞ(&S)",
                              "ｺﾝﾎﾟｰﾈﾝﾄを含むﾌﾞｯｸの警告ﾒｯｾｰｼﾞ(&C)"};
    for (int f = 0; f < 3; ++f) {
        QGroupBox *frame = AddFrame(pane, Indexed("Frame4", f), QString::fromUtf8(captions[f]), 60, f * 1000,
                                    5055, 900);
        const Warning &w = kWarnings[f];
        for (int i = 0; i < 2; ++i) {
            QRadioButton *option = AddOption(frame, Indexed(w.option, i), i == 0 ? "表示させる" : "表示させない",
                                             240, 300 + i * 270, 1800);
            connect(option, &QRadioButton::clicked, this, [this, f, i] { WarningOptionClick(f, i); });
        }
        AddCheck(frame, Indexed(w.box, 1), "最初の選択時", 2280, 300, 2655);
        AddCheck(frame, Indexed(w.box, 0), "ﾌﾞｯｸを選択する毎", 2280, 570, 2655);
    }
}

void frmOptions::BuildPrintPane(QWidget *pane)
{
    AddCheck(pane, "Check4_0", "印刷時、確認ﾀﾞｲｱﾛｸﾞを表示させる", 60, 0, 5055);
    QGroupBox *target = AddFrame(pane, "Frame2", "印刷対象ｼｰﾄ(&S)", 60, 300, 5055, 1680);
    QGroupBox *work = AddFrame(target, "Frame3_0", "ﾜｰｸｼｰﾄ(&W)", 120, 270, 2340, 1050);
    QGroupBox *chart = AddFrame(target, "Frame3_1", "ｸﾞﾗﾌｼｰﾄ(&G)", 2595, 270, 2340, 1050);
    const char *workCaptions[] = {"表示ｼｰﾄ", "非表示ｼｰﾄ", "保護(表示)ｼｰﾄ"};
    const char *chartCaptions[] = {"表示ｼｰﾄ", "非表示ｼｰﾄ", "保護（表示）ｼｰﾄ"};
    for (int i = 0; i < 3; ++i) {
        AddCheck(work, Indexed("Check6", i), QString::fromUtf8(workCaptions[i]), 150, 270 + i * 240, 2130);
        AddCheck(chart, Indexed("Check7", i), QString::fromUtf8(chartCaptions[i]), 150, 270 + i * 240, 2130);
    }
    AddLabel(target, "Label1", "（非表示の保護ｼｰﾄを印刷することはできません）", 120, 1365, 4815, 255);
    QGroupBox *pages = AddFrame(pane, "Frame5", "ﾍﾟｰｼﾞ出力(&P)", 60, 2010, 5055, 1035);
    AddOption(pages, "Option4_0", "ﾌﾞｯｸ単位", 240, 255, 1500);
    AddOption(pages, "Option4_1", "ｼｰﾄ毎", 1860, 255, 1500);
    AddLabel(pages, "Label2", QString(), 240, 510, 4695, 510);
}

void frmOptions::BuildSheetInfoPane(QWidget *pane)
{
    QGroupBox *items = AddFrame(pane, "Frame1", "ｼｰﾄ情報表示項目(&S)", 480, 600, 4635, 1635);
    const char *captions[] = {"ｼｰﾄ名", "印刷ﾍﾟｰｼﾞ数", "最大行番号", "最大桁番号"};
    for (int i = 0; i < 4; ++i) {
        QCheckBox *box = AddCheck(items, Indexed("Check5", i), QString::fromUtf8(captions[i]), 360, 330 + i * 300,
                                  4035);
        connect(box, &QCheckBox::clicked, this, [this, i] { SheetInfClick(i); });
    }
    AddCheck(pane, "Check2", "ﾎﾟｯﾌﾟｱｯﾌﾟﾒﾆｭｰでのｼｰﾄ情報表示を行わない", 480, 2400, 4635);
}

QCheckBox *frmOptions::Check(const QString &name) const
{
    return findChild<QCheckBox *>(name);
}

QRadioButton *frmOptions::Option(const QString &name) const
{
    return findChild<QRadioButton *>(name);
}

QString frmOptions::Value(const QAbstractButton *box)
{
    return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

// ---------------------------------------------------------------- open

void frmOptions::LoadValues()
{
    SelectTab(0);
    PaneSwitch();
    SheetVisibleDraft = Digits(StoredOption("SheetVisible", "0000"), QStringLiteral("0000"));
    for (int i = 0; i < 4; ++i)
        Check(Indexed("Check3", i))->setChecked(SheetVisibleDraft.at(i) == u'1');
    for (int f = 0; f < 3; ++f)
        LoadWarning(f, QString::fromLatin1(kWarnings[f].key));
    Check("Check2")->setChecked(StoredOption("SheetPageInf", "0") == QLatin1String("1"));
    Check("Check4_0")->setChecked(StoredOption("PrintGuide", "1") == QLatin1String("1"));
    for (int i = 0; i < 4; ++i)
        Check(Indexed("chkListViewItem", i))
            ->setChecked(SettingsStore::GetBool(Key(), "Option", QStringLiteral("Column(%1)").arg(i + 1), true));
    for (int i = 0; i < 4; ++i)
        Check(Indexed("Check5", i))->setChecked(StoredOption(QStringLiteral("SheetInf%1").arg(i), "1")
                                                == QLatin1String("1"));
    const QString work = StoredOption("PrintWorkSheet", "111");
    const QString chart = StoredOption("PrintGraphSheet", "111");
    for (int i = 0; i < 3; ++i) {
        Check(Indexed("Check6", i))->setChecked(Digit(work, i, QStringLiteral("111")));
        Check(Indexed("Check7", i))->setChecked(Digit(chart, i, QStringLiteral("111")));
    }
    Check("Check11")->setChecked(StoredOption("ViewAdjust", "0") == QLatin1String("1"));
    const bool perSheet = StoredOption("PrintPage", "0") == QLatin1String("1");
    Option(perSheet ? "Option4_1" : "Option4_0")->setChecked(true);
    ColumnsChanged = false;
    SheetFilterChanged = false;
    findChild<QLabel *>("Label2")->setText(
        QStringLiteral("ﾍﾟｰｼﾞ設定でﾍｯﾀﾞ/ﾌｯﾀﾞにﾍﾟｰｼﾞ出力設定を行った場合のみ有効です。"));
}

void frmOptions::LoadWarning(int frame, const QString &key)
{
    const Warning &w = kWarnings[frame];
    const QString value = Digits(SettingsStore::GetSetting(Key(), "Settings", key, "11"), QStringLiteral("11"));
    Option(Indexed(w.option, 0))->setChecked(true);
    Check(Indexed(w.box, 0))->setChecked(value.at(1) == u'1');
    Check(Indexed(w.box, 1))->setChecked(value.at(0) == u'1');
    if (value == QLatin1String("00")) {
        Option(Indexed(w.option, 1))->setChecked(true);
        WarningOptionClick(frame, 1);
    }
}

// ---------------------------------------------------------------- handlers

int frmOptions::SelectedTab() const
{
    return m_tabs->currentIndex();
}

void frmOptions::SelectTab(int index)
{
    m_tabs->setCurrentIndex(index);
}

// The pane of the selected tab is shown and enabled; the others are put out
// of sight and disabled, so that their mnemonics and tab stops are dead.
void frmOptions::PaneSwitch()
{
    for (int i = 0; i < kTabCount; ++i) {
        const bool selected = i == m_tabs->currentIndex();
        m_panes[i]->move(selected ? ToPixels(210) : ToPixels(-20000), m_paneTop);
        m_panes[i]->setEnabled(selected);
        m_panes[i]->setVisible(selected);
    }
}

void frmOptions::NextTab()
{
    SelectTab((m_tabs->currentIndex() + 1) % kTabCount);
}

void frmOptions::SheetFilterClick(int index)
{
    SheetVisibleDraft[index] = Value(Check(Indexed("Check3", index))).at(0);
}

void frmOptions::WarningOptionClick(int frame, int index)
{
    const Warning &w = kWarnings[frame];
    for (int i = 0; i < 2; ++i) {
        QCheckBox *box = Check(Indexed(w.box, i));
        box->setChecked(index == 0);
        box->setEnabled(index == 0);
    }
}

void frmOptions::SheetInfClick(int index)
{
    // The sheet name is always part of the information.
    if (index == 0)
        Check("Check5_0")->setChecked(true);
    for (int i = 0; i < 4; ++i) {
        if (Check(Indexed("Check5", i))->isChecked())
            return;
    }
    Check("Check2")->setChecked(true);
}

// ---------------------------------------------------------------- closing

void frmOptions::accept()
{
    SaveValues();
    QDialog::accept();
}

void frmOptions::reject()
{
    ColumnsChanged = false;
    SheetFilterChanged = false;
    QDialog::reject();
}

void frmOptions::SaveValues()
{
    ColumnsChanged = false;
    for (int i = 0; i < 4; ++i) {
        const QString key = QStringLiteral("Column(%1)").arg(i + 1);
        const bool shown = Check(Indexed("chkListViewItem", i))->isChecked();
        if (SettingsStore::GetBool(Key(), "Option", key, true) != shown) {
            ColumnsChanged = true;
            SaveOption(key, SettingsStore::FromBool(shown));
        }
    }
    if (SheetVisibleDraft != StoredOption("SheetVisible", "0000")) {
        SaveOption(QStringLiteral("SheetVisible"), SheetVisibleDraft);
        SheetFilterChanged = true;
    }
    for (const Warning &w : kWarnings)
        SettingsStore::SaveSetting(Key(), "Settings", QString::fromLatin1(w.key),
                                   Value(Check(Indexed(w.box, 1))) + Value(Check(Indexed(w.box, 0))));
    SaveOption(QStringLiteral("SheetPageInf"), Value(Check("Check2")));
    SaveOption(QStringLiteral("PrintGuide"), Value(Check("Check4_0")));
    QString work;
    QString chart;
    for (int i = 0; i < 3; ++i) {
        work += Value(Check(Indexed("Check6", i)));
        chart += Value(Check(Indexed("Check7", i)));
    }
    SaveOption(QStringLiteral("PrintWorkSheet"), work);
    SaveOption(QStringLiteral("PrintGraphSheet"), chart);
    for (int i = 0; i < 4; ++i)
        SaveOption(QStringLiteral("SheetInf%1").arg(i), Value(Check(Indexed("Check5", i))));
    SaveOption(QStringLiteral("ViewAdjust"), Value(Check("Check11")));
    SaveOption(QStringLiteral("PrintPage"), Option("Option4_0")->isChecked() ? QStringLiteral("0") : QStringLiteral("1"));
}
