#include "PrintSession.h"

#include "ExcelError.h"
#include "PrintOutput.h"
#include "SheetKey.h"
#include "cExcel.h"
#include "cFile.h"

#include <utility>

PrintSession::PrintSession(cExcel &excel, std::unique_ptr<PrintOutput> output, const Settings &settings)
    : m_excel(excel)
    , m_output(std::move(output))
    , m_settings(settings)
{
}

PrintSession::~PrintSession() = default;

bool PrintSession::SheetPassesPrintOptions(const QString &options, qint32 attr)
{
    const auto excluded = [&options](int position) { return options.mid(position, 1) == QLatin1String("0"); };
    // A protected sheet is decided by the third character alone (a hidden
    // protected sheet never prints at all).
    if (attr & SheetKey::Protected)
        return !excluded(2);
    if (attr & SheetKey::Visible)
        return !excluded(0);
    return !excluded(1);
}

QStringList PrintSession::QualifyingSheets(const QString &bookName, const QStringList *names) const
{
    QStringList chosen;
    const int count = m_excel.GetSheetCount();
    for (int i = 1; i <= count; ++i) {
        const QString name = m_excel.GetSheetName(qint16(i));
        if (names && !names->contains(name, Qt::CaseSensitive))
            continue;
        const qint32 attr = m_excel.GetSheetAttribute(bookName, name);
        const bool hiddenAndProtected = !(attr & SheetKey::Visible) && (attr & SheetKey::Protected);
        if (attr < 0 || (attr & SheetKey::MacroSheet) || hiddenAndProtected)
            continue;
        if (names
            || SheetPassesPrintOptions((attr & SheetKey::Chart) ? m_settings.graphSheets : m_settings.workSheets,
                                       attr))
            chosen << name;
    }
    return chosen;
}

bool PrintSession::PrintBook(const QString &path, const QStringList *names)
{
    const QString bookName = cFile::GetFileName(path);
    QStringList chosen;
    try {
        m_excel.BookActive(bookName);
        chosen = QualifyingSheets(bookName, names);
    } catch (const ExcelError &error) {
        AddFailure(path, error.description());
        return false;
    }
    return !chosen.isEmpty() && PrintSheets(path, chosen);
}

bool PrintSession::PrintSheets(const QString &path, const QStringList &sheets)
{
    int handed = 0;
    try {
        m_excel.BookActive(cFile::GetFileName(path));
        const bool range = !m_settings.rangeOverRun;
        handed = m_output->PrintSheets(sheets, m_settings.copies, range ? m_settings.fromPage : QVariant(),
                                       range ? m_settings.toPage : QVariant(), m_settings.perSheet,
                                       cFile::GetFileName(path));
    } catch (const ExcelError &error) {
        m_output->DropBook();
        AddFailure(path, error.description());
        return false;
    }
    // A book with nothing on the pages asked for did not print: it is not
    // counted as printed, and the user is told.
    if (handed == 0) {
        AddFailure(path, NoPagesInRange());
        return false;
    }
    if (m_output->rendersOnPool())
        m_queuedBooks << path;
    else
        Handed(path, handed);
    return true;
}

void PrintSession::Handed(const QString &path, int sheets)
{
    if (m_output->keepsPages()) {
        m_keptBooks << path;
        m_keptSheets << sheets;
    } else {
        m_printedSheets += sheets;
        m_printedBooks << path;
    }
}

// The books queued for the output's pool render now, side by side; each
// then counts as PrintSheets() would have counted it.
void PrintSession::SettleQueuedBooks()
{
    const QStringList books = std::exchange(m_queuedBooks, {});
    QList<PrintOutput::BookOutcome> outcomes;
    try {
        outcomes = m_output->RenderPending();
    } catch (const ExcelError &error) {
        for (const QString &book : books)
            AddFailure(book, error.description());
        return;
    }
    for (qsizetype i = 0; i < books.size(); ++i) {
        const PrintOutput::BookOutcome outcome = outcomes.value(i);
        if (!outcome.error.isEmpty())
            AddFailure(books.at(i), outcome.error);
        else if (outcome.handed == 0)
            AddFailure(books.at(i), NoPagesInRange());
        else
            Handed(books.at(i), outcome.handed);
    }
}

QString PrintSession::NoPagesInRange()
{
    return QStringLiteral("指定されたﾍﾟｰｼﾞがありません。");
}

void PrintSession::AddFailure(const QString &book, const QString &reason)
{
    m_failures.append({book, reason});
}

bool PrintSession::Finish()
{
    if (m_output->rendersOnPool())
        SettleQueuedBooks();
    if (!m_output->keepsPages())
        return true;
    const QStringList kept = std::exchange(m_keptBooks, {});
    const QList<int> sheets = std::exchange(m_keptSheets, {});
    const QString title = kept.size() == 1 ? cFile::GetFileName(kept.first()) : QStringLiteral("Quirn");
    const bool overRun = m_settings.rangeOverRun;
    QList<int> sent;
    try {
        sent = m_output->Finish(m_settings.copies, title, overRun ? m_settings.fromPage.toInt() : 0,
                                overRun ? m_settings.toPage.toInt() : 0);
    } catch (const ExcelError &error) {
        // Nothing the run kept reached its destination.
        for (const QString &book : kept)
            m_failures.append({book, error.description()});
        if (kept.isEmpty())
            m_failures.append({QString(), error.description()});
        return false;
    }
    if (sent.isEmpty() && overRun && !kept.isEmpty()) {
        m_failures.append({QString(), NoPagesInRange()});
        return false;
    }
    for (qsizetype i = 0; i < kept.size(); ++i) {
        if (!sent.contains(int(i)))
            continue; // its pages were all outside the run's range
        m_printedSheets += sheets.at(i);
        m_printedBooks << kept.at(i);
    }
    return true;
}
