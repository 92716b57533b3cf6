#include "PrintOutput.h"

#include "ExcelError.h"
#include "PdfMerge.h"
#include "SheetPrintJob.h"
#include "cExcel.h"

#include <QFile>
#include <QSaveFile>

PrintOutput::PrintOutput(cExcel &excel, Mode mode, const QString &pdfPath)
    : m_excel(excel)
    , m_mode(mode)
    , m_pdfPath(pdfPath)
{
}

void PrintOutput::CheckDestination() const
{
    if (m_mode != Mode::PdfFile)
        SheetPrintJob::checkPrinter();
}

void PrintOutput::PrintSheets(const QStringList &sheets, const QVariant &copies, const QVariant &fromPage,
                              const QVariant &toPage, bool perSheet)
{
    m_bookStart = int(m_parts.size());
    if (m_mode == Mode::Printer) {
        if (!perSheet) {
            m_excel.PrintSheetsAsShown(sheets, copies, fromPage, toPage);
            return;
        }
        for (const QString &sheet : sheets)
            m_excel.PrintSheetsAsShown({sheet}, copies, fromPage, toPage);
        return;
    }
    if (!m_folder.isValid())
        throw ExcelError::refused(QStringLiteral("一時ﾌｧｲﾙを作成できません。") + m_folder.errorString());
    // One job or one file: the page range still applies to each job the
    // sheets would have been.
    const QList<QStringList> jobs = perSheet ? [&] {
        QList<QStringList> each;
        for (const QString &sheet : sheets)
            each << QStringList{sheet};
        return each;
    }()
                                             : QList<QStringList>{sheets};
    for (const QStringList &job : jobs) {
        const QString part = m_folder.filePath(QStringLiteral("%1.pdf").arg(m_parts.size(), 5, 10, QLatin1Char('0')));
        if (m_excel.ExportExcelSheet(job, part, fromPage, toPage) != 0)
            m_parts << part;
    }
}

void PrintOutput::DropBook()
{
    while (m_parts.size() > m_bookStart)
        QFile::remove(m_parts.takeLast());
}

bool PrintOutput::Finish(const QVariant &copies, const QString &title)
{
    if (m_parts.isEmpty())
        return false;
    const QByteArray joined = m_parts.size() == 1 ? [&] {
        QFile part(m_parts.first());
        return part.open(QIODevice::ReadOnly) ? part.readAll() : QByteArray();
    }()
                                                   : PdfMerge::Join(m_parts);
    if (joined.isEmpty())
        throw ExcelError::refused(QStringLiteral("PDF を作成できませんでした。"));

    if (m_mode == Mode::PdfFile) {
        // Nothing half-written is ever left under the chosen name.
        QSaveFile file(m_pdfPath);
        if (!file.open(QIODevice::WriteOnly) || file.write(joined) != joined.size() || !file.commit())
            throw ExcelError::refused(file.errorString());
        return true;
    }
    const QString job = m_folder.filePath(QStringLiteral("job.pdf"));
    QFile file(job);
    if (!file.open(QIODevice::WriteOnly) || file.write(joined) != joined.size())
        throw ExcelError::refused(QStringLiteral("一時ﾌｧｲﾙを作成できません。") + file.errorString());
    file.close();
    SheetPrintJob::Options options;
    bool ok = false;
    options.copies = copies.toString().trimmed().isEmpty() ? 1 : copies.toInt(&ok);
    if (!copies.toString().trimmed().isEmpty() && (!ok || options.copies < 1))
        throw ExcelError::refused(QStringLiteral("PrintOut メソッドが失敗しました。印刷部数が正しくありません。"));
    SheetPrintJob::printFile(job, title, options);
    return true;
}
