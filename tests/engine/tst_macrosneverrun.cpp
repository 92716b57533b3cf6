#include "AutoRunBook.h"
#include "BookFile.h"
#include "CompoundFile.h"
#include "CupsTestQueue.h"
#include "MessageBox.h"
#include "OfficeDocument.h"
#include "OfficeProcess.h"
#include "OfficeTestEnvironment.h"
#include "SheetPrintJob.h"
#include "cExcel.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

constexpr const char *Template = QUIRN_FIXTURES_DIR "/vba_module1.xls";

// An office of its own, set to run every macro without asking, opening
// `book`: what a user's office with macros allowed would do. Returns the
// `markers` written once all exist or the office has had a minute and a half.
QStringList markersWrittenByAnOfficeRunningMacros(const QString &book, const QStringList &markers,
                                                  const QString &profile)
{
    QDir().mkpath(profile + QStringLiteral("/user"));
    QFile settings(profile + QStringLiteral("/user/registrymodifications.xcu"));
    if (!settings.open(QIODevice::WriteOnly))
        return {};
    const QByteArray item = "<item oor:path=\"/org.openoffice.Office.%1\"><prop oor:name=\"%2\" oor:op=\"fuse\">"
                            "<value>%3</value></prop></item>\n";
    auto setting = [&item](const char *path, const char *name, const char *value) {
        return QString::fromLatin1(item).arg(QLatin1String(path), QLatin1String(name), QLatin1String(value)).toLatin1();
    };
    settings.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                   "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
                   "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
                   "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n");
    settings.write(setting("Common/Security/Scripting", "MacroSecurityLevel", "0"));
    settings.write(setting("Calc/Filter/Import/VBA", "Load", "true"));
    settings.write(setting("Calc/Filter/Import/VBA", "Executable", "true"));
    settings.write("</oor:items>\n");
    settings.close();
    // The launcher starts the office proper as its child: both get a
    // process group of their own, ended as a whole.
    QProcess office;
    office.setChildProcessModifier([] {
        ::setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
    office.start(QStringLiteral(QUIRN_LO_PROGRAM "/soffice"),
                 {QStringLiteral("--headless"), QStringLiteral("--norestore"), QStringLiteral("--nolockcheck"),
                  QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile).toString(), book});
    if (!office.waitForStarted(30000))
        return {};
    auto written = [&markers] {
        QStringList out;
        for (const QString &marker : markers)
            if (QFileInfo::exists(marker))
                out << marker;
        return out;
    };
    for (int waited = 0; waited < 90000 && written().size() < markers.size(); waited += 250)
        QThread::msleep(250);
    ::kill(-pid_t(office.processId()), SIGKILL);
    office.waitForFinished(30000);
    return written();
}

// The streams of the book's VBA project, by path.
QMap<QString, QByteArray> vbaProject(const QString &book)
{
    QMap<QString, QByteArray> out;
    QFile file(book);
    if (!file.open(QIODevice::ReadOnly))
        return out;
    const auto container = quirn::CompoundFile::open(file.readAll());
    if (!container)
        return out;
    for (const QString &path : container->streamPaths()) {
        if (!path.startsWith(QStringLiteral("_VBA_PROJECT_CUR/")))
            continue;
        QByteArray bytes;
        container->readStream(path, &bytes);
        out.insert(path, bytes);
    }
    return out;
}

} // namespace

// A book whose VBA code runs on open (Workbook_Open and Auto_Open writing
// marker files) is made by the test; an office allowed to run macros shows
// that the code does run, and every way the program loads a book shows that
// it never does.
class tst_MacrosNeverRun : public QObject
{
    Q_OBJECT

private:
    OfficeTestEnvironment m_environment;
    QTemporaryDir m_work;
    std::unique_ptr<cExcel> m_excel;
    QString m_markerBase;

    QStringList markers() const
    {
        return {AutoRunBook::workbookOpenMarker(m_markerBase), AutoRunBook::autoOpenMarker(m_markerBase)};
    }

    QString autoRunBook(const QString &name)
    {
        const QString path = m_work.filePath(name);
        QString error;
        if (!AutoRunBook::write(path, m_markerBase, QString::fromLatin1(Template), &error))
            QTest::qFail(qPrintable(error), __FILE__, __LINE__);
        return path;
    }

    void verifyNoMarker() const
    {
        for (const QString &marker : markers())
            QVERIFY2(!QFileInfo::exists(marker), qPrintable(marker + QStringLiteral(" was written")));
    }

private slots:
    void initTestCase()
    {
        MessageBox::SetTestMode(true);
        SheetPrintJob::setPreviewRecorded(true);
        m_markerBase = m_work.filePath(QStringLiteral("ran"));
        m_excel = std::make_unique<cExcel>();
    }

    void cleanupTestCase()
    {
        for (const QString &preview : SheetPrintJob::recordedPreviews())
            QFile::remove(preview);
        m_excel.reset();
    }

    void init()
    {
        for (const QString &marker : markers())
            QFile::remove(marker);
    }

    // The control: the book's code does run where macros are allowed.
    void anOfficeThatRunsMacrosRunsTheBooksCode()
    {
        const QString book = autoRunBook(QStringLiteral("control.xls"));
        quirn::BookFile records;
        QVERIFY(!records.open(book));
        QVERIFY(records.hasVbaProject());
        const QStringList written =
            markersWrittenByAnOfficeRunningMacros(book, markers(), m_work.filePath(QStringLiteral("macro-profile")));
        QCOMPARE(written, markers());
    }

    void listingRenderingAndExportRunNothing()
    {
        const QString book = autoRunBook(QStringLiteral("listed.xls"));
        m_excel->OpenExcel(book);
        QCOMPARE(m_excel->GetSheetCount(), qint16(3));
        QStringList modules;
        QList<int> types;
        m_excel->CheckMacroObject(modules, types);
        QVERIFY(modules.contains(QStringLiteral("Module1")));
        // Rendering and export load the book into the office, and render it.
        MessageBox::TakeShown();
        QVERIFY(m_excel->GetPageOFSheet(QStringLiteral("Sheet1")) > 0);
        const QString pdf = m_work.filePath(QStringLiteral("out.pdf"));
        QVERIFY(m_excel->ExportExcelSheet({QStringLiteral("Sheet1")}, pdf) > 0);
        QVERIFY(SheetPrintJob::pdfPageCount(pdf) > 0);
        m_excel->PreviewExcelSheet({QStringLiteral("Sheet1")});
        QVERIFY(!SheetPrintJob::recordedPreviews().isEmpty());
        QVERIFY(SheetPrintJob::pdfPageCount(SheetPrintJob::recordedPreviews().last()) > 0);
        QVERIFY(MessageBox::TakeShown().isEmpty());
        m_excel->CloseExcel();
        verifyNoMarker();
    }

    void printingRunsNothing()
    {
        CupsTestQueue cups;
        QVERIFY(cups.isRunning());
        const QString book = autoRunBook(QStringLiteral("printed.xls"));
        m_excel->OpenExcel(book);
        const int jobs = cups.completedJobs();
        m_excel->PrintExcelSheet({QStringLiteral("Sheet1"), QStringLiteral("Sheet2")});
        QCOMPARE(cups.completedJobs(), jobs + 1);
        m_excel->CloseExcel();
        verifyNoMarker();
    }

    // Copies between books that only the office can carry, and the office's
    // save of a book with a VBA project, which writes the project back as it
    // was, byte for byte (the office never makes the code runnable).
    void copiesAndOfficeSavesRunNothingAndKeepTheCode()
    {
        const QString book = autoRunBook(QStringLiteral("copied.xls"));
        const QMap<QString, QByteArray> project = vbaProject(book);
        QVERIFY(project.contains(QStringLiteral("_VBA_PROJECT_CUR/VBA/Module1")));
        const QString pivot = m_work.filePath(QStringLiteral("pivot.xls"));
        QFile::copy(QStringLiteral(QUIRN_FIXTURES_DIR "/pivot_cache_extra_sheet.xls"), pivot);
        QFile::setPermissions(pivot, QFile::ReadOwner | QFile::WriteOwner);
        m_excel->OpenExcel(QStringList{book, pivot});
        m_excel->CopySheet(QStringLiteral("pivot.xls"), {QStringLiteral("Pivot")}, QStringLiteral("copied.xls"),
                           QStringLiteral("Sheet1"));
        m_excel->CopySheet(QStringLiteral("copied.xls"), {QStringLiteral("Sheet2")}, QStringLiteral("pivot.xls"),
                           QStringLiteral("Pivot"));
        QCOMPARE(m_excel->SaveLosses(QStringLiteral("copied.xls")), QStringList());
        m_excel->BookActive(QStringLiteral("copied.xls"));
        QCOMPARE(m_excel->SaveBook(book), 0);
        m_excel->CloseExcel();
        verifyNoMarker();

        quirn::BookFile saved;
        QVERIFY(!saved.open(book));
        QVERIFY(saved.indexOf(QStringLiteral("Pivot")) >= 0);
        QStringList names;
        for (const quirn::VbaModuleFacts &module : saved.vbaModules())
            names << module.name;
        QVERIFY2(names.contains(QStringLiteral("Module1")) && names.contains(QStringLiteral("ThisWorkbook")),
                 qPrintable(names.join(QLatin1Char(','))));
        QCOMPARE(vbaProject(book), project);
        // The saved book still holds the code: it runs where macros are allowed.
        QVERIFY(!markersWrittenByAnOfficeRunningMacros(book, markers(), m_work.filePath(QStringLiteral("macro-profile-2")))
                     .isEmpty());
    }
};

QTEST_MAIN(tst_MacrosNeverRun)
#include "tst_macrosneverrun.moc"
