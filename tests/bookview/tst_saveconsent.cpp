#include "MessageBox.h"
#include "OfficeTestEnvironment.h"
#include "SaveLossConsent.h"
#include "TestBooks.h"
#include "cExcel.h"

#include <QtTest>

// The question before a save that would lose something, against a real
// engine: a sheet with a pivot table goes to another book through the office,
// and that book holds a chart sheet, which an office save turns into a
// worksheet.
class tst_SaveConsent : public QObject
{
    Q_OBJECT

private:
    OfficeTestEnvironment m_environment;
    QTemporaryDir m_work;
    std::unique_ptr<cExcel> m_excel;
    const QString m_targetName = QStringLiteral("chartsheet_data_chart.xls");
    QString m_target;

    QString copyOf(const QString &fixture)
    {
        return TestBooks::Copy(m_work.path(), fixture);
    }

    // Opens the target and a source and brings the source's sheet over.
    void bringSheetOver()
    {
        m_target = copyOf(m_targetName);
        const QString source = copyOf(QStringLiteral("pivot_cache_extra_sheet.xls"));
        m_excel->OpenExcel(QStringList{m_target, source});
        m_excel->CopySheet(QStringLiteral("pivot_cache_extra_sheet.xls"), {"Pivot"}, m_targetName,
                           QStringLiteral("Data"));
        m_excel->BookActive(m_targetName);
    }

private slots:
    void initTestCase()
    {
        MessageBox::SetTestMode(true);
        m_excel = std::make_unique<cExcel>();
    }

    void cleanupTestCase() { m_excel.reset(); }

    void init() { MessageBox::TakeShown(); }

    void aBookThatLosesNothingIsNotAsked()
    {
        const QString path = copyOf(QStringLiteral("hidden_third_sheet.xls"));
        m_excel->OpenExcel(path);
        QVERIFY(SaveLossConsent::Ask(nullptr, *m_excel, path));
        QVERIFY(MessageBox::TakeShown().isEmpty());
    }

    void noKeepsTheSaveRefusedAndYesAllowsIt()
    {
        bringSheetOver();
        const QStringList losses = m_excel->SaveLosses(m_targetName);
        QVERIFY(!losses.isEmpty());
        const QByteArray before = TestBooks::Digest(m_target);

        MessageBox::QueueAnswer(MessageBox::IDNO);
        QVERIFY(!SaveLossConsent::Ask(nullptr, *m_excel, m_target));
        const QList<MessageBox::Shown> shown = MessageBox::TakeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown.first().text.startsWith("\"chartsheet_data_chart.xls\" を保存すると、次の内容が失われます。"));
        for (const QString &loss : losses)
            QVERIFY(shown.first().text.contains("・" + loss));
        QCOMPARE(shown.first().style & 0xFFu, 0x34u);
        QVERIFY(shown.first().title.isEmpty() || shown.first().title == "Quirn");
        // No: the engine still refuses the save, and the file is untouched.
        QVERIFY(m_excel->SaveBook(m_target) != 0);
        QCOMPARE(TestBooks::Digest(m_target), before);

        MessageBox::QueueAnswer(MessageBox::IDYES);
        QVERIFY(SaveLossConsent::Ask(nullptr, *m_excel, m_target));
        QCOMPARE(MessageBox::TakeShown().size(), 1);
        QCOMPARE(m_excel->SaveBook(m_target), 0);
        QVERIFY(TestBooks::Digest(m_target) != before);
    }

    void anUnansweredQuestionRefuses()
    {
        // Nothing queued: the default button answers, and that is No.
        bringSheetOver();
        QVERIFY(!SaveLossConsent::Ask(nullptr, *m_excel, m_targetName));
        QVERIFY(m_excel->SaveBook(m_target) != 0);
    }
};

QTEST_MAIN(tst_SaveConsent)
#include "tst_saveconsent.moc"
