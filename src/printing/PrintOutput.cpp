#include "PrintOutput.h"

#include "ExcelError.h"
#include "PdfMerge.h"
#include "cExcel.h"

#include <QFile>
#include <QSaveFile>

PrintOutput::PrintOutput(cExcel &excel, Mode mode, const QString &pdfPath, const QString &printer)
    : m_excel(excel)
    , m_mode(mode)
    , m_pdfPath(pdfPath)
    , m_printer(printer)
{
}

void PrintOutput::CheckDestination()
{
    if (m_mode != Mode::PdfFile)
        Printer();
}

// The run's printer, asked of the print service the first time only.
QString PrintOutput::Printer()
{
    if (!m_printerChecked) {
        m_printer = SheetPrintJob::checkPrinter(m_printer);
        m_printerChecked = true;
    }
    return m_printer;
}

QString PrintOutput::NextPartPath() const
{
    if (!m_folder.isValid())
        throw ExcelError::refused(QStringLiteral("一時ﾌｧｲﾙを作成できません。") + m_folder.errorString());
    return m_folder.filePath(QStringLiteral("%1.pdf").arg(m_parts.size() + m_sent, 5, 10, QLatin1Char('0')));
}

int PrintOutput::PrintSheets(const QStringList &sheets, const QVariant &copies, const QVariant &fromPage,
                              const QVariant &toPage, bool perSheet, const QString &title)
{
    m_bookStart = m_parts.size();
    QList<QStringList> jobs;
    if (perSheet) {
        for (const QString &sheet : sheets)
            jobs << QStringList{sheet};
    } else {
        jobs << sheets;
    }
    // One job or one file: the page range still applies to each job the
    // sheets would have been.
    int handed = 0;
    for (const QStringList &job : jobs) {
        Part part{NextPartPath(), {}};
        const QVariant jobCopies = m_mode == Mode::PdfFile ? QVariant() : copies;
        if (m_excel.ExportExcelSheet(job, part.file, fromPage, toPage, jobCopies, &part.job) == 0)
            continue; // nothing on the pages asked for
        handed += int(job.size());
        if (keepsPages()) {
            m_parts << part;
            continue;
        }
        ++m_sent;
        try {
            SheetPrintJob::printFileTo(Printer(), part.file, title, part.job);
        } catch (const ExcelError &) {
            QFile::remove(part.file);
            throw;
        }
        QFile::remove(part.file);
    }
    return handed;
}

void PrintOutput::DropBook()
{
    while (m_parts.size() > m_bookStart)
        QFile::remove(m_parts.takeLast().file);
}

bool PrintOutput::Finish(const QVariant &copies, const QString &title)
{
    if (m_parts.isEmpty())
        return false;
    QStringList files;
    for (const Part &part : std::as_const(m_parts))
        files << part.file;
    const QByteArray joined = files.size() == 1 ? [&] {
        QFile part(files.first());
        return part.open(QIODevice::ReadOnly) ? part.readAll() : QByteArray();
    }()
                                                : PdfMerge::Join(files);
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
    // The one job asks for black and white or draft when every sheet in it does.
    SheetPrintJob::Options options;
    options.blackAndWhite = options.draft = true;
    for (const Part &part : std::as_const(m_parts)) {
        options.blackAndWhite &= part.job.blackAndWhite;
        options.draft &= part.job.draft;
    }
    bool ok = false;
    options.copies = copies.toString().trimmed().isEmpty() ? 1 : copies.toInt(&ok);
    if (!copies.toString().trimmed().isEmpty() && (!ok || options.copies < 1))
        throw ExcelError::refused(QStringLiteral("PrintOut メソッドが失敗しました。印刷部数が正しくありません。"));
    SheetPrintJob::printFileTo(Printer(), job, title, options);
    return true;
}
