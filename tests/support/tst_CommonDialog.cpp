#include "CommonDialog.h"
#include "ModalAnswer.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileSystemModel>
#include <QPushButton>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class tst_CommonDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void filters_data();
    void filters();
    void scriptedAnswers();
    void initialFolderPersists();
    void realDialog();
    void realDialogTakesFilesAndFolders();
};

void tst_CommonDialog::init()
{
    CommonDialog::resetScript();
    CommonDialog::setScripted(true);
}

void tst_CommonDialog::filters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("qtForm");
    QTest::newRow("the book filter") << u"Microsoft Excel ﾌﾞｯｸ (*.xls)|*.xls"_qs << u"Microsoft Excel ﾌﾞｯｸ (*.xls)"_qs;
    QTest::newRow("patterns added") << "Books|*.xls;*.xlt" << "Books (*.xls *.xlt)";
    QTest::newRow("patterns named once") << "Books (*.xls;*.xlt)|*.xls;*.xlt" << "Books (*.xls *.xlt)";
    QTest::newRow("two entries") << "A (*.a)|*.a|B|*.b" << "A (*.a);;B (*.b)";
    QTest::newRow("trailing bar") << "All files|*.*|" << "All files (*.*)";
    QTest::newRow("no pattern") << "Anything" << "Anything";
    QTest::newRow("empty") << "" << "";
}

void tst_CommonDialog::filters()
{
    QFETCH(QString, filter);
    QFETCH(QString, qtForm);
    QCOMPARE(CommonDialog::qtNameFilters(filter), qtForm);
}

void tst_CommonDialog::scriptedAnswers()
{
    CommonDialog::queueAnswer(u"/books/a.xls"_qs);
    CommonDialog::queueAnswer(QString());
    const QString filter = u"Microsoft Excel ﾌﾞｯｸ (*.xls)|*.xls"_qs;
    QCOMPARE(CommonDialog::ShowOpenFileDialog(nullptr, u"ﾌﾞｯｸを開く"_qs, filter, u"/books"_qs), u"/books/a.xls"_qs);
    QCOMPARE(CommonDialog::ShowOpenFileDialog(nullptr, u"second"_qs, filter, u"/books"_qs), QString());
    // Nothing queued: Cancel, and the call is marked unanswered.
    QCOMPARE(CommonDialog::ShowOpenFileDialog(nullptr, u"third"_qs, filter, u"/books"_qs), QString());

    const QList<CommonDialog::Shown> shown = CommonDialog::shownDialogs();
    QCOMPARE(shown.size(), 3);
    QCOMPARE(shown[0].title, u"ﾌﾞｯｸを開く"_qs);
    QCOMPARE(shown[0].filter, u"Microsoft Excel ﾌﾞｯｸ (*.xls)"_qs);
    QCOMPARE(shown[0].directory, u"/books"_qs);
    QCOMPARE(shown[0].fileName, QString());
    QVERIFY(shown[0].answered);
    QVERIFY(shown[1].answered);
    QVERIFY(!shown[2].answered);
}

void tst_CommonDialog::initialFolderPersists()
{
    const QString filter = u"Microsoft Excel ﾌﾞｯｸ (*.xls)|*.xls"_qs;
    CommonDialog::ShowOpenFileDialog(nullptr, u"t"_qs, filter, u"/home/user/books"_qs);
    CommonDialog::ShowOpenFileDialog(nullptr, u"t"_qs, filter, u"Book1.XLS"_qs);
    CommonDialog::ShowOpenFileDialog(nullptr, u"t"_qs, filter, u"/other/place/Book2.xls"_qs);
    CommonDialog::ShowOpenFileDialog(nullptr, u"t"_qs, filter, u"Book3.xls"_qs);
    CommonDialog::ShowOpenFileDialog(nullptr, u"t"_qs, filter, u"/Book4.xls"_qs);

    const QList<CommonDialog::Shown> shown = CommonDialog::shownDialogs();
    QCOMPARE(shown.size(), 5);
    QCOMPARE(shown[1].directory, u"/home/user/books"_qs);
    QCOMPARE(shown[1].fileName, u"Book1.XLS"_qs);
    QCOMPARE(shown[2].directory, u"/other/place"_qs);
    QCOMPARE(shown[2].fileName, u"Book2.xls"_qs);
    // A file's own folder does not replace the folder given last.
    QCOMPARE(shown[3].directory, u"/home/user/books"_qs);
    QCOMPARE(shown[4].directory, u"/"_qs);
    QCOMPARE(shown[4].fileName, u"Book4.xls"_qs);
}

void tst_CommonDialog::realDialog()
{
    // The real dialog, driven the way a person would: it opens in the folder,
    // offers the filter, and hands back the file chosen.
    CommonDialog::setScripted(false);
    QTemporaryDir dir;
    const QString book = dir.filePath(u"Book1.xls"_qs);
    QFile file(book);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    QString seenTitle;
    QStringList seenFilters;
    QString seenDirectory;
    QString seenName;
    answerModal<QFileDialog>(this, [&](QFileDialog &dialog) {
        seenName = dialog.objectName();
        seenTitle = dialog.windowTitle();
        seenFilters = dialog.nameFilters();
        seenDirectory = dialog.directory().absolutePath();
        dialog.selectFile(book);
        static_cast<QDialog &>(dialog).accept();
    }, "the open-file dialog");
    const QString chosen = CommonDialog::ShowOpenFileDialog(nullptr, u"ﾌﾞｯｸを開く"_qs,
                                                            u"Microsoft Excel ﾌﾞｯｸ (*.xls)|*.xls"_qs, dir.path());
    QCOMPARE(chosen, book);
    QCOMPARE(seenName, u"CommonDialog"_qs);
    QCOMPARE(seenTitle, u"ﾌﾞｯｸを開く"_qs);
    QCOMPARE(seenFilters, QStringList{u"Microsoft Excel ﾌﾞｯｸ (*.xls)"_qs});
    QCOMPARE(seenDirectory, QDir(dir.path()).absolutePath());
    QVERIFY(CommonDialog::shownDialogs().isEmpty());

    answerModal<QDialog>(this, [](QDialog &dialog) { dialog.reject(); }, "the open-file dialog");
    QCOMPARE(CommonDialog::ShowOpenFileDialog(nullptr, u"t"_qs, u"All|*.*"_qs, dir.path()), QString());
}

// Several entries selected in the dialog's list, a folder among them, and
// Open: every one of them comes back, the folder as it is (not entered).
void tst_CommonDialog::realDialogTakesFilesAndFolders()
{
    CommonDialog::setScripted(false);
    QTemporaryDir dir;
    QFile book(dir.filePath(u"Book1.xls"_qs));
    QVERIFY(book.open(QIODevice::WriteOnly));
    book.close();
    QVERIFY(QDir(dir.path()).mkdir(u"第3四半期"_qs));
    const QStringList picked{dir.filePath(u"Book1.xls"_qs), dir.filePath(u"第3四半期"_qs)};

    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            qFatal("the open-file dialog is not showing");
        auto *list = dialog->findChild<QAbstractItemView *>(u"listView"_qs);
        auto *model = qobject_cast<QFileSystemModel *>(list->model());
        for (int wait = 0; wait < 1000 && model->rowCount(list->rootIndex()) < 2; ++wait)
            QTest::qWait(10);
        for (const QString &path : picked)
            list->selectionModel()->select(model->index(path), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Open)->click();
    });
    QStringList chosen = CommonDialog::ShowOpenFilesDialog(nullptr, u"ｴｸｾﾙﾌﾞｯｸ選択"_qs, u"Books|*.xls"_qs, dir.path());
    chosen.sort();
    QStringList expected = picked;
    expected.sort();
    QCOMPARE(chosen, expected);
}

QTEST_MAIN(tst_CommonDialog)
#include "tst_CommonDialog.moc"
