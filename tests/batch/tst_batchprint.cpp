// quirn-batch print and pdf run as a user runs them: a separate process with
// no display, real books, the tests' own CUPS server whose queue writes files.
// Every page of the prepared books carries "[tag sheet name]" in its header,
// so the printed text tells which sheet of which book each page is.

#include "CupsTestQueue.h"
#include "IsolatedStore.h"
#include "MessageBox.h"
#include "SheetKey.h"
#include "cExcel.h"
#include "frmPageSetup.h"

#include <QCheckBox>
#include <QCryptographicHash>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "BatchProcess.h"

static IsolatedStore g_store;

namespace {

using Run = BatchRun;

QString tool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(120000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Each page's "[...]" header, in page order.
QStringList headers(const QString &pdf)
{
    static const QRegularExpression header(QStringLiteral("\\[([^\\]]+)\\]"));
    QStringList pages = tool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
                            .split(QLatin1Char('\f'));
    pages.removeLast();
    QStringList found;
    for (const QString &page : pages)
        found << header.match(page).captured(1);
    return found;
}

// The headers of a run of pages, a sheet's pages counted once.
QStringList sheets(const QStringList &pageHeaders)
{
    QStringList found;
    for (const QString &header : pageHeaders)
        if (found.isEmpty() || found.last() != header)
            found << header;
    return found;
}

int pageCount(const QString &pdf)
{
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                                              .match(tool(QStringLiteral("pdfinfo"), {pdf}));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

} // namespace

class tst_BatchPrint : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        MessageBox::SetTestMode(true);
        frmPageSetup::setScripted(true);
        m_cups = std::make_unique<CupsTestQueue>();
        QVERIFY(m_cups->isRunning());
        m_hidden = prepare(QStringLiteral("hidden_third_sheet.xls"), QStringLiteral("A"));
        m_japanese = prepare(QStringLiteral("japanese_sheet_names.xls"), QStringLiteral("J"));
        m_kinds = prepare(QStringLiteral("kinds_ws_chart_xlm_dialog_vba.xls"), QStringLiteral("K"));
        m_mono = prepare(QStringLiteral("japanese_sheet_names.xls"), QStringLiteral("M"), true);
        QVERIFY(!m_hidden.isEmpty() && !m_japanese.isEmpty() && !m_kinds.isEmpty() && !m_mono.isEmpty());
        m_damaged = m_dir.filePath(QStringLiteral("corrupt_fuzz_msat.xls"));
        QVERIFY(QFile::copy(QStringLiteral(QUIRN_FIXTURES_DIR "/corrupt_fuzz_msat.xls"), m_damaged));
    }

    void init()
    {
        newJobs();
        m_sums.clear();
        for (const QString &book : {m_hidden, m_japanese, m_kinds, m_mono, m_damaged})
            m_sums[book] = sum(book);
    }

    void cleanup()
    {
        // Printing only reads a book.
        for (auto it = m_sums.cbegin(); it != m_sums.cend(); ++it)
            QVERIFY2(sum(it.key()) == it.value(), qPrintable(it.key()));
    }

    void badUsageExitsTwoAndPrintsNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no book") << QStringList{QStringLiteral("print")};
        QTest::newRow("copies 0") << QStringList{QStringLiteral("print"), QStringLiteral("--copies"), QStringLiteral("0"), QStringLiteral("a.xls")};
        QTest::newRow("copies text") << QStringList{QStringLiteral("print"), QStringLiteral("--copies=two"), QStringLiteral("a.xls")};
        QTest::newRow("pages backwards") << QStringList{QStringLiteral("print"), QStringLiteral("--pages"), QStringLiteral("5-2"), QStringLiteral("a.xls")};
        QTest::newRow("pages zero") << QStringList{QStringLiteral("print"), QStringLiteral("--pages"), QStringLiteral("0-2"), QStringLiteral("a.xls")};
        QTest::newRow("pages text") << QStringList{QStringLiteral("print"), QStringLiteral("--pages"), QStringLiteral("all"), QStringLiteral("a.xls")};
        QTest::newRow("sheet rule") << QStringList{QStringLiteral("print"), QStringLiteral("--worksheets"), QStringLiteral("12"), QStringLiteral("a.xls")};
        QTest::newRow("empty sheet list") << QStringList{QStringLiteral("print"), QStringLiteral("a.xls:")};
        QTest::newRow("empty sheet name") << QStringList{QStringLiteral("pdf"), QStringLiteral("--out"), QStringLiteral("x.pdf"), QStringLiteral("a.xls:S1,,S2")};
        QTest::newRow("sheets of a folder") << QStringList{QStringLiteral("print"), QDir::tempPath() + QStringLiteral(":Sheet1")};
        QTest::newRow("pdf without out") << QStringList{QStringLiteral("pdf"), QStringLiteral("a.xls")};
        QTest::newRow("pdf with one-job") << QStringList{QStringLiteral("pdf"), QStringLiteral("--out"), QStringLiteral("x.pdf"), QStringLiteral("--one-job"), QStringLiteral("a.xls")};
        QTest::newRow("pdf with copies") << QStringList{QStringLiteral("pdf"), QStringLiteral("--out"), QStringLiteral("x.pdf"), QStringLiteral("--copies"), QStringLiteral("2"), QStringLiteral("a.xls")};
    }

    void badUsageExitsTwoAndPrintsNothing()
    {
        QFETCH(QStringList, arguments);
        const Run run = runBatch(arguments);
        QCOMPARE(run.status, 2);
        QVERIFY(run.out.isEmpty());
        QVERIFY2(run.err.startsWith(QStringLiteral("quirn-batch: ")), qPrintable(run.err));
        QVERIFY(newJobs().isEmpty());
    }

    void helpNamesTheOptions()
    {
        Run run = runBatch({QStringLiteral("print"), QStringLiteral("--help")});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.startsWith("usage: quirn-batch print"));
        QVERIFY(run.out.contains("--one-job") && run.out.contains("--worksheets"));
        run = runBatch({QStringLiteral("pdf"), QStringLiteral("--help")});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.startsWith("usage: quirn-batch pdf --out FILE"));
    }

    void printsChosenSheetsOneJobPerBook()
    {
        // A hidden sheet prints as if shown; the sheets come in the book's order.
        const Run run = runBatch({QStringLiteral("print"), m_hidden + QStringLiteral(":Sheet3,Sheet1"), m_japanese});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
        QCOMPARE(newJobs(), (QList<QStringList>{{QStringLiteral("A Sheet1"), QStringLiteral("A Sheet3")},
                                                {QStringLiteral("J NoContainsJapanese"), QStringLiteral("J 日本語のみ"),
                                                 QStringLiteral("J sheet日本語"), QStringLiteral("J 日本語sheet"),
                                                 QStringLiteral("J sheet日本語sheet")}}));
    }

    void copiesPagesAndOneJob()
    {
        Run run = runBatch({QStringLiteral("print"), QStringLiteral("--copies"), QStringLiteral("2"),
                            QStringLiteral("--pages"), QStringLiteral("2-3"), m_hidden + QStringLiteral(":Sheet2")});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(newJobs().size(), 1);
        QCOMPARE(pageHeaders(m_cups->takeOutput()), QStringList(4, QStringLiteral("A Sheet2")));

        // Two books, one job; the sheet rules leave hidden worksheets out.
        run = runBatch({QStringLiteral("print"), QStringLiteral("--one-job"), QStringLiteral("--worksheets"),
                        QStringLiteral("101"), m_hidden, m_japanese + QStringLiteral(":日本語のみ")});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(newJobs(), (QList<QStringList>{{QStringLiteral("A Sheet1"), QStringLiteral("A Sheet2"),
                                                 QStringLiteral("A Sheet4"), QStringLiteral("J 日本語のみ")}}));

        // With one job the range counts that job's pages, across the books:
        // a book left wholly outside it is skipped, a range past its end fails.
        const QStringList books{m_japanese + QStringLiteral(":日本語のみ"), m_hidden + QStringLiteral(":Sheet2")};
        const QString whole = m_dir.filePath(QStringLiteral("whole.pdf"));
        QCOMPARE(runBatch(QStringList{QStringLiteral("pdf"), QStringLiteral("--out"), whole} + books).status, 0);
        const QStringList all = headers(whole);
        QVERIFY(all.size() >= 3 && all.first() == QStringLiteral("J 日本語のみ") && all.at(1) == QStringLiteral("A Sheet2"));
        const QStringList oneJob{QStringLiteral("print"), QStringLiteral("--one-job"), QStringLiteral("--json"), QStringLiteral("--pages")};
        run = runBatch(oneJob + QStringList{QStringLiteral("2-3")} + books);
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(newJobs().size(), 1);
        QCOMPARE(pageHeaders(m_cups->takeOutput()), all.mid(1, 2));
        QVERIFY2(run.out.contains("\"out-of-range\""), run.out.constData());
        run = runBatch(oneJob + QStringList{QStringLiteral("%1-").arg(all.size() + 1)} + books);
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QStringLiteral("指定されたﾍﾟｰｼﾞがありません。")), qPrintable(run.err));
        QVERIFY(newJobs().isEmpty());
    }

    void oneJobAsksForBlackAndWhiteOnlyWhenEverySheetDoes()
    {
        // The colour printer is named, not the default: its jobs show the colour mode asked for.
        m_cups->useColourPrinter(true);
        m_cups->useColourPrinter(false);
        const QStringList colour{QStringLiteral("print"), QStringLiteral("--printer"),
                                 QLatin1String(CupsTestQueue::ColourQueueName), QStringLiteral("--one-job")};
        Run run = runBatch(colour + QStringList{m_mono, m_mono + QStringLiteral(":日本語のみ")});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        m_cups->waitForJobs();
        QByteArray attributes = m_cups->lastJobAttributes();
        QVERIFY(attributes.contains("monochrome"));
        QVERIFY(attributes.contains("print-quality"));

        run = runBatch(colour + QStringList{m_mono, m_hidden + QStringLiteral(":Sheet1")});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        m_cups->waitForJobs();
        attributes = m_cups->lastJobAttributes();
        QVERIFY(attributes.contains("print-color-mode"));
        QVERIFY(!attributes.contains("monochrome"));
        QVERIFY(!attributes.contains("print-quality"));
        newJobs();
    }

    void pdfHoldsEveryPageInTheRunsOrder()
    {
        const QString pdf = m_dir.filePath(QStringLiteral("run.pdf"));
        QFile old(pdf);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an older file");
        old.close();
        // Two office processes render the books side by side.
        const Run run = runBatch({QStringLiteral("pdf"), QStringLiteral("--processes"), QStringLiteral("2"),
                                  QStringLiteral("--out"), pdf, m_japanese + QStringLiteral(":sheet日本語sheet"),
                                  QFileInfo(m_hidden).path()});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        const QStringList pages = headers(pdf);
        QCOMPARE(pageCount(pdf), int(pages.size()));
        QCOMPARE(sheets(pages), (QStringList{QStringLiteral("J sheet日本語sheet"), QStringLiteral("A Sheet1"),
                                             QStringLiteral("A Sheet2"), QStringLiteral("A Sheet3"),
                                             QStringLiteral("A Sheet4")}));
        QVERIFY(newJobs().isEmpty());
    }

    // Scripts start many runs at once on the same books: each run has an
    // office of its own, and every one writes the same pages.
    void runsStartedTogetherAllSucceed()
    {
        for (const int together : {2, 4}) {
            QList<QStringList> runs;
            for (int i = 0; i < together; ++i)
                runs << QStringList{QStringLiteral("pdf"), QStringLiteral("--out"),
                                    m_dir.filePath(QStringLiteral("together-%1.pdf").arg(i)), m_japanese, m_hidden};
            const QList<Run> results = runBatchesAtOnce(runs);
            for (int i = 0; i < together; ++i) {
                QVERIFY2(results.at(i).status == 0, qPrintable(results.at(i).err));
                QCOMPARE(sheets(headers(runs.at(i).at(2))).size(), 9);
                QCOMPARE(headers(runs.at(i).at(2)), headers(runs.at(0).at(2)));
            }
        }
    }

    void chartsFollowTheirRuleAndMacroSheetsNeverPrint()
    {
        const QString pdf = m_dir.filePath(QStringLiteral("kinds.pdf"));
        Run run = runBatch({QStringLiteral("pdf"), QStringLiteral("--out"), pdf, QStringLiteral("--charts"),
                            QStringLiteral("000"), m_kinds});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        const QStringList withoutCharts = sheets(headers(pdf));
        QVERIFY(!withoutCharts.isEmpty());
        QVERIFY2(!withoutCharts.contains(QStringLiteral("K Chart1")) && !withoutCharts.contains(QStringLiteral("K Macro1")),
                 qPrintable(withoutCharts.join(u'|')));
        run = runBatch({QStringLiteral("pdf"), QStringLiteral("--out"), pdf, m_kinds});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QVERIFY(sheets(headers(pdf)).contains(QStringLiteral("K Chart1")));

        // A macro sheet asked for by name is refused, naming it; nothing is written.
        QFile::remove(pdf);
        run = runBatch({QStringLiteral("pdf"), QStringLiteral("--out"), pdf, m_kinds + QStringLiteral(":Macro1")});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QStringLiteral("kinds_ws_chart_xlm_dialog_vba.xls: Macro1: ")), qPrintable(run.err));
        QVERIFY(!QFile::exists(pdf));
    }

    void aDamagedBookOrMissingSheetLeavesTheOthersDone()
    {
        const QString pdf = m_dir.filePath(QStringLiteral("partly.pdf"));
        Run run = runBatch({QStringLiteral("pdf"), QStringLiteral("--out"), pdf, m_hidden + QStringLiteral(":Sheet1"),
                            m_damaged, m_japanese + QStringLiteral(":日本語のみ,Nope"),
                            m_japanese + QStringLiteral(":sheet日本語")});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QStringLiteral("/corrupt_fuzz_msat.xls: ")), qPrintable(run.err));
        QVERIFY2(run.err.contains(QStringLiteral("japanese_sheet_names.xls: Nope: ")), qPrintable(run.err));
        QCOMPARE(sheets(headers(pdf)), (QStringList{QStringLiteral("A Sheet1"), QStringLiteral("J sheet日本語")}));

        run = runBatch({QStringLiteral("print"), m_damaged, m_hidden + QStringLiteral(":Sheet4")});
        QCOMPARE(run.status, 1);
        QCOMPARE(newJobs(), (QList<QStringList>{{QStringLiteral("A Sheet4")}}));
    }

    void nothingPrintedLeavesAnExistingPdfAsItWas()
    {
        Run run = runBatch({QStringLiteral("print"), QStringLiteral("--printer"), QStringLiteral("no-such-queue"), m_hidden});
        QCOMPARE(run.status, 3); // the environment, not the book
        QVERIFY2(run.err.contains(QStringLiteral("no-such-queue")), qPrintable(run.err));

        // A run that prints nothing leaves an existing file as it was.
        const QString pdf = m_dir.filePath(QStringLiteral("nothing.pdf"));
        QFile old(pdf);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an older file");
        old.close();
        const struct
        {
            QStringList arguments;
            QString said;
        } failing[] = {
            {{QStringLiteral("--worksheets"), QStringLiteral("000"), m_hidden}, QStringLiteral("印刷可能なｼｰﾄがありません。")},
            {{m_damaged}, QStringLiteral("corrupt_fuzz_msat.xls: ")},
            {{QStringLiteral("--pages"), QStringLiteral("90-99"), m_hidden}, QStringLiteral("指定されたﾍﾟｰｼﾞがありません。")},
        };
        for (const auto &failed : failing) {
            run = runBatch(QStringList{QStringLiteral("pdf"), QStringLiteral("--out"), pdf} + failed.arguments);
            QCOMPARE(run.status, 1);
            QVERIFY2(run.err.contains(failed.said), qPrintable(run.err));
            QCOMPARE(readAll(pdf), QByteArray("an older file"));
        }

        // A dry run says what would print and sends nothing.
        run = runBatch({QStringLiteral("print"), QStringLiteral("-n"), QStringLiteral("--json"), m_hidden + QStringLiteral(":Sheet1")});
        QJsonObject document;
        QVERIFY2(run.status == 0 && jsonRunProblem(run, &document).isEmpty(), qPrintable(run.err));
        QCOMPARE(document.value(QStringLiteral("books")).toArray().first().toObject().value(QStringLiteral("changed"))
                     .toArray().first().toObject().value(QStringLiteral("action")).toString(), QStringLiteral("printed"));
        QVERIFY(newJobs().isEmpty());
    }

private:
    // A copy of the fixture whose every sheet prints "[tag sheet name]" in its header.
    QString prepare(const QString &fixture, const QString &tag, bool blackAndWhiteDraft = false)
    {
        QDir().mkpath(m_dir.filePath(tag));
        const QString path = m_dir.filePath(tag + u'/' + fixture);
        QFile::remove(path);
        if (!QFile::copy(QStringLiteral(QUIRN_FIXTURES_DIR "/") + fixture, path))
            return QString();
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        cExcel excel;
        excel.OpenExcel(path);
        frmPageSetup::queueScript([tag, blackAndWhiteDraft](frmPageSetup &dialog) {
            dialog.findChild<QLineEdit *>(QStringLiteral("txtCenterHeader"))->setText(u'[' + tag + QStringLiteral(" &A]"));
            dialog.findChild<QCheckBox *>(QStringLiteral("chkBlackAndWhite"))->setChecked(blackAndWhiteDraft);
            dialog.findChild<QCheckBox *>(QStringLiteral("chkDraft"))->setChecked(blackAndWhiteDraft);
            return true;
        });
        if (excel.DspExcelPageSetupDialog(QString(), QString()) != -1)
            return QString();
        const QString name = QFileInfo(path).fileName();
        for (qint16 i = 1; i <= excel.GetSheetCount(); ++i) {
            const QString sheet = excel.GetSheetName(i);
            const qint32 attr = excel.GetSheetAttribute(name, sheet);
            if (attr & SheetKey::MacroSheet)
                continue;
            const bool hidden = !(attr & SheetKey::Visible);
            if (hidden)
                excel.SetSheetAttribute(name, sheet, 1);
            excel.PageSetUp(sheet);
            if (hidden)
                excel.SetSheetAttribute(name, sheet, 0);
        }
        const bool saved = excel.SaveExcel(path) == 0;
        excel.CloseExcel();
        MessageBox::TakeShown();
        return saved ? path : QString();
    }

    QStringList pageHeaders(const QByteArray &pdf)
    {
        const QString path = m_dir.filePath(QStringLiteral("job.pdf"));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(pdf);
        file.close();
        return headers(path);
    }

    // The sheets of each job sent since the last call, in page order; the
    // server keeps every job's document in its spool.
    QList<QStringList> newJobs()
    {
        m_cups->waitForJobs();
        const QDir spool(QFileInfo(m_cups->socket()).dir().filePath(QStringLiteral("spool")));
        QList<QStringList> jobs;
        for (const QString &name : spool.entryList({QStringLiteral("d*")}, QDir::Files, QDir::Name)) {
            if (m_seen.contains(name))
                continue;
            m_seen << name;
            jobs << sheets(headers(spool.filePath(name)));
        }
        return jobs;
    }

    static QByteArray sum(const QString &path)
    {
        return QCryptographicHash::hash(readAll(path), QCryptographicHash::Sha256);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<CupsTestQueue> m_cups;
    QString m_hidden;
    QString m_japanese;
    QString m_kinds;
    QString m_mono;
    QString m_damaged;
    QHash<QString, QByteArray> m_sums;
    QStringList m_seen;
};

QTEST_MAIN(tst_BatchPrint)
#include "tst_batchprint.moc"
