#include "PrintOutput.h"

#include "ExcelError.h"
#include "PdfMerge.h"
#include "cExcel.h"

#include <QFile>
#include <QSaveFile>

#include <utility>

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
    if (rendersOnPool())
        return QueueSheets(jobs, copies, fromPage, toPage, title);
    // One job or one file: the page range still applies to each job the
    // sheets would have been.
    int handed = 0;
    for (const QStringList &job : jobs) {
        Part part;
        part.file = NextPartPath();
        const QVariant jobCopies = m_mode == Mode::PdfFile ? QVariant() : copies;
        if (m_excel.ExportExcelSheet(job, part.file, fromPage, toPage, jobCopies, &part.job) == 0)
            continue; // nothing on the pages asked for
        handed += int(job.size());
        if (keepsPages()) {
            part.kept = m_keptBooks;
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
    if (keepsPages() && handed > 0)
        ++m_keptBooks;
    return handed;
}

void PrintOutput::RenderOnPool(int processes)
{
    m_poolProcesses = processes;
}

// Queues the jobs of the engine's active book for the pool. A book the engine
// holds changed renders here and now, in its place among the parts.
int PrintOutput::QueueSheets(const QList<QStringList> &jobs, const QVariant &copies, const QVariant &fromPage,
                             const QVariant &toPage, const QString &title)
{
    int handed = 0;
    for (const QStringList &job : jobs) {
        Part part;
        part.file = NextPartPath();
        part.book = m_queuedBooks;
        part.title = title;
        part.sheets = int(job.size());
        const QVariant jobCopies = m_mode == Mode::PdfFile ? QVariant() : copies;
        RenderPool::Job render;
        const qint32 made = m_excel.RenderJobOf(job, part.file, fromPage, toPage, jobCopies, render, part.job);
        if (made == 0)
            continue; // an empty page range
        if (made > 0) {
            part.render = render;
        } else {
            part.pages = m_excel.ExportExcelSheet(job, part.file, fromPage, toPage, jobCopies, &part.job);
            if (part.pages == 0)
                continue;
        }
        handed += part.sheets;
        m_parts << part;
    }
    if (handed > 0)
        ++m_queuedBooks;
    return handed;
}

QList<PrintOutput::BookOutcome> PrintOutput::RenderPending()
{
    QList<RenderPool::Job> jobs;
    QList<qsizetype> partOfJob;
    for (qsizetype i = 0; i < m_parts.size(); ++i) {
        if (m_parts.at(i).render) {
            jobs << *m_parts.at(i).render;
            partOfJob << i;
        }
    }
    const QList<RenderPool::Result> results = RenderPool(*m_poolProcesses).render(jobs);
    for (qsizetype k = 0; k < results.size(); ++k) {
        Part &part = m_parts[partOfJob.at(k)];
        part.render.reset();
        part.pages = results.at(k).pages;
        part.error = results.at(k).error;
    }
    QList<BookOutcome> outcomes(m_queuedBooks);
    for (const Part &part : std::as_const(m_parts)) {
        BookOutcome &outcome = outcomes[part.book];
        if (!part.error.isEmpty() && outcome.error.isEmpty())
            outcome.error = part.error;
        else if (part.pages != 0)
            outcome.handed += part.sheets;
    }
    QList<Part> parts = std::exchange(m_parts, {});
    m_queuedBooks = 0;
    SendOrKeep(parts, outcomes);
    return outcomes;
}

// A book that failed in any part prints nothing; the others' parts with
// pages go to the printer now or wait for Finish().
void PrintOutput::SendOrKeep(QList<Part> &parts, QList<BookOutcome> &outcomes)
{
    QList<int> keptAs(outcomes.size(), -1);
    for (qsizetype book = 0; keepsPages() && book < outcomes.size(); ++book)
        if (outcomes.at(book).error.isEmpty() && outcomes.at(book).handed > 0)
            keptAs[book] = m_keptBooks++;
    for (Part &part : parts) {
        BookOutcome &outcome = outcomes[part.book];
        if (!outcome.error.isEmpty() || part.pages == 0) {
            QFile::remove(part.file);
            continue;
        }
        if (keepsPages()) {
            part.kept = keptAs.at(part.book);
            m_parts << part;
            continue;
        }
        ++m_sent;
        try {
            SheetPrintJob::printFileTo(Printer(), part.file, part.title, part.job);
        } catch (const ExcelError &error) {
            outcome.error = error.description();
        }
        QFile::remove(part.file);
    }
}

void PrintOutput::DropBook()
{
    while (m_parts.size() > m_bookStart)
        QFile::remove(m_parts.takeLast().file);
}

QList<int> PrintOutput::Finish(const QVariant &copies, const QString &title, int fromPage, int toPage)
{
    if (m_parts.isEmpty())
        return {};
    QStringList files;
    for (const Part &part : std::as_const(m_parts))
        files << part.file;
    const bool whole = fromPage <= 1 && toPage <= 0;
    QList<int> taken;
    const QByteArray joined = files.size() == 1 && whole ? [&] {
        QFile part(files.first());
        return part.open(QIODevice::ReadOnly) ? part.readAll() : QByteArray();
    }()
                                                         : PdfMerge::Join(files, fromPage, toPage, &taken);
    if (joined.isEmpty() && !whole)
        return {}; // no page in the range
    if (joined.isEmpty())
        throw ExcelError::refused(QStringLiteral("PDF を作成できませんでした。"));
    QList<int> books;
    for (qsizetype i = 0; i < m_parts.size(); ++i)
        if ((whole || taken.value(i) > 0) && !books.contains(m_parts.at(i).kept))
            books << m_parts.at(i).kept;

    if (m_mode == Mode::PdfFile) {
        // Nothing half-written is ever left under the chosen name.
        QSaveFile file(m_pdfPath);
        if (!file.open(QIODevice::WriteOnly) || file.write(joined) != joined.size() || !file.commit())
            throw ExcelError::refused(file.errorString());
        return books;
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
    return books;
}
