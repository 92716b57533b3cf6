#include "BookFile.h"
#include "ExcelApplication.h"
#include "ExcelError.h"
#include "ExcelWorkbook.h"
#include "MessageBox.h"
#include "OfficeDocument.h"
#include "OfficeProcess.h"
#include "OfficeRecord.h"
#include "OfficeTestEnvironment.h"
#include "cExcel.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <csignal>

// Handing the active book to the user with changes not saved yet: the window
// shows the book as the program holds it, the file stays as it was until the
// user saves, and what the office's own save would lose is known beforehand.
// Runs on a virtual X display of its own.
class tst_HandOverUnsaved : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void aCopyLoadedForTheBookStandsForIt();
    void unsavedChangesGoAlongToTheUsersWindow();
    void lossesOfTheOfficesOwnSave();
    void cleanupTestCase();

private:
    QString copyOf(const QString &fixture, const QString &folder = QString());
    static QByteArray digest(const QString &path);
    static bool windowNamed(const QString &part);
    static bool acceptsClients(int display);

    OfficeTestEnvironment m_environment;
    QTemporaryDir m_work;
    QProcess m_xvfb;
    std::unique_ptr<cExcel> m_excel;
};

void tst_HandOverUnsaved::initTestCase()
{
    MessageBox::SetTestMode(true);
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    QVERIFY2(!xvfb.isEmpty() && !QStandardPaths::findExecutable(QStringLiteral("xwininfo")).isEmpty(),
             "Xvfb and xwininfo are installed by scripts/setup.sh");
    // The first display number no other server holds.
    QByteArray display;
    for (int number = 40; display.isEmpty(); ++number) {
        m_xvfb.start(xvfb, {QStringLiteral(":%1").arg(number), QStringLiteral("-screen"), QStringLiteral("0"),
                            QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                            QStringLiteral("-noreset")});
        QVERIFY(m_xvfb.waitForStarted());
        while (m_xvfb.state() == QProcess::Running && !acceptsClients(number))
            QTest::qWait(20);
        if (m_xvfb.state() == QProcess::Running)
            display = QByteArray::number(number);
        else
            m_xvfb.waitForFinished(-1);
    }
    qputenv("DISPLAY", ":" + display);
    qunsetenv("QT_QPA_PLATFORM");
    qunsetenv("WAYLAND_DISPLAY");
    m_excel = std::make_unique<cExcel>();
}

void tst_HandOverUnsaved::cleanupTestCase()
{
    m_excel.reset();
    for (const OfficeRecord &user : OfficeProcess::findUserProcess())
        ::kill(-pid_t(user.pgid), SIGKILL);
    if (m_xvfb.state() != QProcess::NotRunning) {
        m_xvfb.terminate();
        m_xvfb.waitForFinished(-1);
    }
}

bool tst_HandOverUnsaved::acceptsClients(int display)
{
    QProcess probe;
    probe.start(QStringLiteral("xwininfo"),
                {QStringLiteral("-display"), QStringLiteral(":%1").arg(display), QStringLiteral("-root")});
    return probe.waitForFinished(-1) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0;
}

bool tst_HandOverUnsaved::windowNamed(const QString &part)
{
    QProcess tree;
    tree.start(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
    return tree.waitForFinished(-1) && QString::fromUtf8(tree.readAllStandardOutput()).contains(part);
}

QString tst_HandOverUnsaved::copyOf(const QString &fixture, const QString &folder)
{
    const QString dir = m_work.filePath(folder);
    QDir().mkpath(dir);
    const QString target = dir + u'/' + fixture;
    QFile::remove(target);
    QFile::copy(QStringLiteral(QUIRN_FIXTURES_DIR "/") + fixture, target);
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

QByteArray tst_HandOverUnsaved::digest(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
                                          : QByteArray();
}

void tst_HandOverUnsaved::aCopyLoadedForTheBookStandsForIt()
{
    const QString book = copyOf(QStringLiteral("hidden_third_sheet.xls"), QStringLiteral("book"));
    const QString copy = copyOf(QStringLiteral("hidden_third_sheet.xls"), QStringLiteral("copy"));
    {
        quirn::BookFile edited;
        QVERIFY(!edited.open(copy));
        QVERIFY(!edited.renameSheet(0, QStringLiteral("Changed")));
        QVERIFY(!edited.save());
    }
    m_excel->OpenExcel(book);
    OfficeDocument::LoadOptions options;
    options.presentedAs = book;
    auto shown = OfficeDocument::load(m_excel->xlApp->office(), copy, options);
    QCOMPARE(shown->sheetName(0), QStringLiteral("Changed"));
    QCOMPARE(shown->location(), book);
    QCOMPARE(shown->path(), book);
    QVERIFY(shown->isModified());
}

void tst_HandOverUnsaved::unsavedChangesGoAlongToTheUsersWindow()
{
    const QString book = copyOf(QStringLiteral("hidden_third_sheet.xls"), QStringLiteral("unsaved"));
    m_excel->CloseExcel();
    m_excel->OpenExcel(book);
    QVERIFY(m_excel->xlApp->office().runsWithDisplay());
    QCOMPARE(m_excel->RenameSheet(QStringLiteral("Sheet2"), QStringLiteral("Renamed")), QString());
    m_excel->SelectedSheet(QStringLiteral("Renamed"));
    const QByteArray before = digest(book);

    m_excel->xlApp->setVisible(true);
    QVERIFY(m_excel->xlApp->Visible());
    m_excel->xlApp.reset();
    QCOMPARE(OfficeProcess::findUserProcess().size(), 1);
    QTRY_VERIFY(windowNamed(QStringLiteral("hidden_third_sheet")));
    // Nothing is written until the user saves in that window.
    QCOMPARE(digest(book), before);
    QVERIFY(MessageBox::TakeShown().isEmpty());
}

void tst_HandOverUnsaved::lossesOfTheOfficesOwnSave()
{
    m_excel->CloseExcel();
    m_excel->OpenExcel(copyOf(QStringLiteral("kinds_ws_chart_xlm_dialog_vba.xls")));
    const QStringList kinds = m_excel->xlApp->ActiveWorkbook().officeExportLosses();
    QVERIFY(kinds.join(u'|').contains(QStringLiteral("グラフ シート")));
    QVERIFY(kinds.join(u'|').contains(QStringLiteral("マクロ シート")));
    QVERIFY(kinds.join(u'|').contains(QStringLiteral("ダイアログ シート")));
    // Kept by the program's own save through the office, lost by the office's.
    m_excel->OpenExcel(copyOf(QStringLiteral("visible_hidden_veryhidden.xls")));
    QCOMPARE(m_excel->xlApp->ActiveWorkbook().officeExportLosses().size(), 1);
    QVERIFY(m_excel->SaveLosses(QStringLiteral("visible_hidden_veryhidden.xls")).isEmpty());
    m_excel->OpenExcel(copyOf(QStringLiteral("hidden_third_sheet.xls")));
    QVERIFY(m_excel->xlApp->ActiveWorkbook().officeExportLosses().isEmpty());
}

QTEST_GUILESS_MAIN(tst_HandOverUnsaved)
#include "tst_handoverunsaved.moc"
