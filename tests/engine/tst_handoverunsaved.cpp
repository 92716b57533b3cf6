#include "BookFile.h"
#include "ExcelApplication.h"
#include "ExcelError.h"
#include "ExcelWorkbook.h"
#include "MessageBox.h"
#include "OfficeDocument.h"
#include "OfficeProcess.h"
#include "OfficeRecord.h"
#include "OfficeTestEnvironment.h"
#include "TestBooks.h"
#include "TestTool.h"
#include "VirtualDisplay.h"
#include "cExcel.h"

#include <QtTest>

#include <csignal>

// Handing the active book to the user with changes not saved yet: the window
// shows the book as the program holds it, the file stays as it was until the
// user saves, and what the office's own save would lose is known beforehand.
// Runs on an X display of its own with a window manager; without one it fails.
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
    static bool windowNamed(const QString &part);

    OfficeTestEnvironment m_environment;
    QTemporaryDir m_work;
    VirtualDisplay m_display;
    std::unique_ptr<cExcel> m_excel;
};

void tst_HandOverUnsaved::initTestCase()
{
    MessageBox::SetTestMode(true);
    const QString failure = m_display.start();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    qputenv("DISPLAY", m_display.name().toLocal8Bit());
    qunsetenv("QT_QPA_PLATFORM");
    qunsetenv("WAYLAND_DISPLAY");
    m_excel = std::make_unique<cExcel>();
}

void tst_HandOverUnsaved::cleanupTestCase()
{
    m_excel.reset();
    for (const OfficeRecord &user : OfficeProcess::findUserProcess())
        ::kill(-pid_t(user.pgid), SIGKILL);
    m_display.stop();
}

bool tst_HandOverUnsaved::windowNamed(const QString &part)
{
    QByteArray tree;
    return TestTool::Succeeds(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")}, 30, &tree)
           && QString::fromUtf8(tree).contains(part);
}

QString tst_HandOverUnsaved::copyOf(const QString &fixture, const QString &folder)
{
    return TestBooks::Copy(folder.isEmpty() ? m_work.path() : m_work.filePath(folder), fixture);
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
    const QByteArray before = TestBooks::Digest(book);

    m_excel->xlApp->setVisible(true);
    QVERIFY(m_excel->xlApp->Visible());
    m_excel->xlApp.reset();
    QCOMPARE(OfficeProcess::findUserProcess().size(), 1);
    QTRY_VERIFY2_WITH_TIMEOUT(windowNamed(QStringLiteral("hidden_third_sheet")),
                              "the user's office window never showed the book", 60000);
    // Nothing is written until the user saves in that window.
    QCOMPARE(TestBooks::Digest(book), before);
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
