#include "HelpWindow.h"
#include "QtTranslations.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// The program as a citizen of a Japanese desktop: Qt's own texts in
// Japanese, and an installed tree with the program, its manual, its icon and
// a valid desktop entry.
class tst_Desktop : public QObject
{
    Q_OBJECT

private slots:
    void standardButtonsSpeakJapanese();
    void installedTreeHoldsProgramHelpAndDesktopEntry();
};

void tst_Desktop::standardButtonsSpeakJapanese()
{
    QVERIFY(QtTranslations::Install());
    QVERIFY(QtTranslations::Install());
    QMessageBox box(QMessageBox::Question, "Quirn", "?", QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QVERIFY(box.button(QMessageBox::Yes)->text().contains(QStringLiteral("はい")));
    QVERIFY(box.button(QMessageBox::No)->text().contains(QStringLiteral("いいえ")));
    QVERIFY(box.button(QMessageBox::Cancel)->text().contains(QStringLiteral("キャンセル")));
}

void tst_Desktop::installedTreeHoldsProgramHelpAndDesktopEntry()
{
    QTemporaryDir prefix;
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(QUIRN_CMAKE), {"--install", QStringLiteral(QUIRN_BINARY_DIR), "--prefix", prefix.path()});
    QVERIFY(install.waitForFinished(120000));
    QVERIFY2(install.exitCode() == 0, install.readAll().constData());

    const QDir root(prefix.path());
    QVERIFY(QFileInfo(root.filePath("bin/quirn")).isExecutable());
    QVERIFY(QFile::exists(root.filePath("share/quirn/help/index.html")));
    QVERIFY(QFile::exists(root.filePath("share/icons/hicolor/scalable/apps/quirn.svg")));
    // Every picture the manual shows is installed with it.
    QFile index(root.filePath("share/quirn/help/index.html"));
    QVERIFY(index.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(index.readAll());
    static const QRegularExpression image(QStringLiteral("<img[^>]*src=\"([^\"]+)\""));
    for (auto it = image.globalMatch(html); it.hasNext();) {
        const QString file = it.next().captured(1);
        QVERIFY2(QFile::exists(root.filePath("share/quirn/help/" + file)), qPrintable(file));
    }

    // The installed program finds its manual in the share folder.
    HelpWindow::ProgramFolder = root.filePath("bin");
    QCOMPARE(HelpWindow::HelpFolder(), root.filePath("share/quirn/help"));
    HelpWindow::ProgramFolder.clear();

    const QString entry = root.filePath("share/applications/quirn.desktop");
    QVERIFY(QFile::exists(entry));
    QProcess validate;
    validate.setProcessChannelMode(QProcess::MergedChannels);
    validate.start(QStringLiteral("desktop-file-validate"), {entry});
    QVERIFY2(validate.waitForFinished(30000), "desktop-file-validate is not installed");
    const QByteArray report = validate.readAll();
    QVERIFY2(validate.exitCode() == 0 && report.trimmed().isEmpty(), report.constData());
}

QTEST_MAIN(tst_Desktop)
#include "tst_desktop.moc"
