#include "EntryProcedure.h"
#include "FindArrayIndex.h"
#include "MessageBox.h"
#include "cListView.h"
#include "frmAbout.h"
#include "ModalAnswer.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QFontMetrics>
#include <QPushButton>
#include <QTimer>
#include <QListView>
#include <QStandardItemModel>
#include <QTreeView>
#include <QTest>

class tst_ShellHelpers : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void messageBoxDefaultButtons();
    void messageBoxSeamRecordsAndAnswersInOrder();
    void findArrayIndexSearchesFromTheMiddle();
    void aboutBoxTexts();
    void engineVersionChecks();
    void listViewModes();
    void realBoxMapsStyleWord();
    void realBoxKeepsJapaneseWordsWhole();
};

void tst_ShellHelpers::init()
{
    MessageBox::SetTestMode(true);
}

void tst_ShellHelpers::messageBoxDefaultButtons()
{
    QCOMPARE(MessageBox::DefaultAnswer(0x10), int(MessageBox::IDOK));
    QCOMPARE(MessageBox::DefaultAnswer(0x110), int(MessageBox::IDOK)); // one button: the flag has no second
    QCOMPARE(MessageBox::DefaultAnswer(0x24), int(MessageBox::IDYES));
    QCOMPARE(MessageBox::DefaultAnswer(0x124), int(MessageBox::IDNO));
    QCOMPARE(MessageBox::DefaultAnswer(0x1014), int(MessageBox::IDYES));
    QCOMPARE(MessageBox::DefaultAnswer(0x23), int(MessageBox::IDYES));
    QCOMPARE(MessageBox::DefaultAnswer(0x223), int(MessageBox::IDCANCEL));
    QCOMPARE(MessageBox::DefaultAnswer(0x101), int(MessageBox::IDCANCEL));
    QCOMPARE(MessageBox::DefaultAnswer(0x5), int(MessageBox::IDRETRY));
}

void tst_ShellHelpers::messageBoxSeamRecordsAndAnswersInOrder()
{
    MessageBox::QueueAnswer(MessageBox::IDNO);
    MessageBox::QueueAnswer(MessageBox::IDCANCEL);
    QCOMPARE(MessageBox::Show("一つ目", 0x24), int(MessageBox::IDNO));
    QCOMPARE(MessageBox::Show("二つ目", 0x23, "題"), int(MessageBox::IDCANCEL));
    QCOMPARE(MessageBox::Show("三つ目", 0x124), int(MessageBox::IDNO)); // nothing queued: the default
    const auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 3);
    QCOMPARE(shown.at(0).text, QString("一つ目"));
    QCOMPARE(shown.at(0).title, QString("Quirn"));
    QCOMPARE(shown.at(1).title, QString("題"));
    QCOMPARE(shown.at(1).style, 0x23u);
    QVERIFY(MessageBox::TakeShown().isEmpty());
}

void tst_ShellHelpers::findArrayIndexSearchesFromTheMiddle()
{
    const QVariantList letters = {"a", "b", "c", "d", "e"};
    QCOMPARE(FindArrayIndex(letters, "c"), 2L);
    QCOMPARE(FindArrayIndex(letters, "a"), 0L);
    QCOMPARE(FindArrayIndex(letters, "e"), 4L);
    QCOMPARE(FindArrayIndex(letters, "E"), -1L);
    QCOMPARE(FindArrayIndex(letters, "b", 2), -1L);
    QCOMPARE(FindArrayIndex(letters, "e", 4), 4L);
    QCOMPARE(FindArrayIndex(letters, "a", 5), -1L);
    QCOMPARE(FindArrayIndex({}, "a"), -1L);
    // Duplicates: the middle-out order decides (m, m + 1, m - 1, ...).
    const QVariantList twice = {"x", "y", "x", "q", "x", "y", "z"};
    QCOMPARE(FindArrayIndex(twice, "x"), 4L);   // m = 3: 3, 4 → 4
    QCOMPARE(FindArrayIndex(twice, "y"), 5L);   // 3, 4, 2, 5 → 5
    QCOMPARE(FindArrayIndex(twice, "y", 0), 5L);
    QCOMPARE(FindArrayIndex(twice, "x", 5), -1L);
    const QVariantList even = {"p", "q", "p", "q"};
    QCOMPARE(FindArrayIndex(even, "q"), 1L);    // m = 1
    QCOMPARE(FindArrayIndex(even, "p"), 2L);    // 1, 2 → 2
}

void tst_ShellHelpers::aboutBoxTexts()
{
    QCOMPARE(frmAbout::VersionText(1, 0), QString("Version 1.00"));
    QCOMPARE(frmAbout::VersionText(2, 5), QString("Version 2.05"));
    QCOMPARE(frmAbout::VersionText(3, 12), QString("Version 3.12"));
    QCOMPARE(frmAbout::EngineVersionText("7.4"), QString("LibreOffice Version : 7.4"));
    frmAbout about("7.4");
    QCOMPARE(about.objectName(), QString("frmAbout"));
    QVERIFY(about.findChild<QLabel *>("lblVersion")->text().startsWith("Version "));
    QCOMPARE(about.findChild<QLabel *>("lblExcelVersion")->text(), QString("LibreOffice Version : 7.4"));
    QVERIFY(about.findChild<QWidget *>("cmdOK"));
}

void tst_ShellHelpers::engineVersionChecks()
{
    QVERIFY(EntryProcedure::OSVersion() >= 400);
    QVERIFY(EntryProcedure::CheckEngineVersion("8.0"));
    QVERIFY(MessageBox::TakeShown().isEmpty());
    QVERIFY(!EntryProcedure::CheckEngineVersion(""));
    auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, QString("Microsoft Excel がインストールされていません。"));
    QCOMPARE(shown.first().style, 0x10u);

    EntryProcedure::WarnOldEngineVersion("8.0");
    EntryProcedure::WarnOldEngineVersion("10.0");
    EntryProcedure::WarnOldEngineVersion("7.4.7.2");
    QVERIFY(MessageBox::TakeShown().isEmpty());
    EntryProcedure::WarnOldEngineVersion("6.4.7");
    QCOMPARE(MessageBox::TakeShown().size(), 1);
    EntryProcedure::WarnOldEngineVersion("7.0");
    shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, QString("Ver 8.x (Microsoft Office97) 以前の Excel での動作は保証されません。"
                                         "< ｲﾝｽﾄｰﾙされている Excel のﾊﾞｰｼﾞｮﾝ ： Ver7.0 >"));
    QCOMPARE(shown.first().style, 0x130u);
}

void tst_ShellHelpers::listViewModes()
{
    cListView view;
    view.model()->appendRow(new QStandardItem("a.xls"));
    view.model()->appendRow(new QStandardItem("b.xls"));
    QCOMPARE(view.viewMode(), int(cListView::Report));
    QCOMPARE(view.currentView(), static_cast<QAbstractItemView *>(view.reportView()));
    view.setViewMode(cListView::LargeIcon);
    QCOMPARE(view.currentView(), static_cast<QAbstractItemView *>(view.listView()));
    QCOMPARE(view.listView()->viewMode(), QListView::IconMode);
    QCOMPARE(view.listView()->iconSize(), QSize(32, 32));
    view.setViewMode(cListView::List);
    QCOMPARE(view.listView()->viewMode(), QListView::ListMode);
    QCOMPARE(view.listView()->flow(), QListView::TopToBottom);
    view.setViewMode(7);
    QCOMPARE(view.viewMode(), int(cListView::List));
    // One selection, whichever presentation shows it.
    view.selectionModel()->select(view.model()->index(1, 0), QItemSelectionModel::Select);
    view.setViewMode(cListView::Report);
    QVERIFY(view.reportView()->selectionModel()->isSelected(view.model()->index(1, 0)));

    // Small icons in a wide view: a long name keeps to its cell of the grid,
    // clear of the item beside it.
    view.model()->insertRow(0, new QStandardItem("2026年度第3四半期_各部門から提出された月次報告のとりまとめ.xls"));
    view.resize(800, 300);
    view.setViewMode(cListView::SmallIcon);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QRect longName = view.listView()->visualRect(view.model()->index(0, 0));
    const QRect next = view.listView()->visualRect(view.model()->index(1, 0));
    QCOMPARE(next.top(), longName.top());
    QVERIFY2(longName.right() < next.left(), qPrintable(QString("%1 %2").arg(longName.right()).arg(next.left())));
}

void tst_ShellHelpers::realBoxMapsStyleWord()
{
    MessageBox::SetTestMode(false);
    QString seenText;
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    QStringList seenButtons;
    QString seenDefault;
    // Once the box is up, read it and press its "No" button.
    answerModal<QMessageBox>(this, [&](QMessageBox &box) {
        seenText = box.text();
        seenIcon = box.icon();
        for (QAbstractButton *b : box.buttons())
            seenButtons << QString::number(box.standardButton(b), 16);
        seenDefault = QString::number(box.standardButton(box.defaultButton()), 16);
        box.button(QMessageBox::No)->click();
    }, "the message box");
    const int answer = MessageBox::Show("一行目\r\n二行目", 0x134);
    MessageBox::SetTestMode(true);
    QCOMPARE(answer, int(MessageBox::IDNO));
    QCOMPARE(seenText, QString("一行目\n二行目"));
    QCOMPARE(seenIcon, QMessageBox::Warning);
    seenButtons.sort();
    QStringList expected = {QString::number(QMessageBox::Yes, 16), QString::number(QMessageBox::No, 16)};
    expected.sort();
    QCOMPARE(seenButtons, expected);
    QCOMPARE(seenDefault, QString::number(QMessageBox::No, 16));
}

// The delete question about a book deep in a shared folder: every line of
// the box fits its width, and a line too long for the screen is broken at a
// path separator or after punctuation, never inside a word.
void tst_ShellHelpers::realBoxKeepsJapaneseWordsWhole()
{
    MessageBox::SetTestMode(false);
    const QString path = "/home/user/共有/経理部/2026年度/月次報告/各部門から提出されたブック/第3四半期/66シートのブック.xls";
    const QString text = path + " から 選択された ｼｰﾄ を削除します。よろしいですか。\r\nこの操作は元に戻せません。";
    QStringList lines;
    int labelWidth = 0;
    QFontMetrics metrics(QApplication::font());
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        auto *label = box->findChild<QLabel *>("qt_msgbox_label");
        lines = box->text().split(u'\n');
        labelWidth = label->width();
        metrics = QFontMetrics(label->font());
        box->button(QMessageBox::Cancel)->click();
    });
    MessageBox::Show(text, 0x21);
    MessageBox::SetTestMode(true);
    QVERIFY(lines.size() > 2);
    QCOMPARE(lines.join(QString()).remove(u' '), QString(text).remove("\r\n").remove(u' '));
    for (const QString &line : lines)
        QVERIFY2(metrics.horizontalAdvance(line) <= labelWidth, qPrintable(line));
    QVERIFY(lines.join(u'|').contains("よろしいですか。"));
    for (qsizetype i = 0; i + 1 < lines.size(); ++i)
        QVERIFY2(QString("/、。 ").contains(lines.at(i).back()) || lines.at(i + 1).front() == u'"', qPrintable(lines.at(i)));
}

QTEST_MAIN(tst_ShellHelpers)
#include "tst_shellhelpers.moc"
