#include "PrintReserve.h"

#include "SheetKey.h"
#include "SheetList.h"
#include "WindowState.h"

#include <QAction>
#include <QLabel>

#include <algorithm>
#include <utility>

namespace {

bool HiddenAndProtected(const QString &key)
{
    return SheetKey::TestSheetKeyBit(key, SheetKey::Visible, false)
           && SheetKey::TestSheetKeyBit(key, SheetKey::Protected, true);
}

} // namespace

const QString PrintReserve::MarkText = QStringLiteral("印刷予約");

PrintReserve::PrintReserve(WindowState &state, SheetList &sheets, QLabel &mark, Items items)
    : m_state(state)
    , m_sheets(sheets)
    , m_mark(mark)
    , m_items(std::move(items))
{
}

void PrintReserve::PrintReserveSet()
{
    ReserveTable &table = m_state.Reserve;
    int book = table.FindReserveBook(m_state.ActiveBookPath);
    if (book == -1) {
        // An empty last entry is reused; blank entries elsewhere are not.
        book = int(table.Entries.size()) - 1;
        if (!table.Entries.at(book).Path.isEmpty()) {
            table.Entries.append(ReserveBookEntry());
            ++book;
        }
        table.Entries[book] = ReserveBookEntry();
        table.Entries[book].Path = m_state.ActiveBookPath;
    }
    ReserveBookEntry &entry = table.Entries[book];
    entry.Reserved = true;

    bool lastQualified = false;
    SheetList &sheets = m_sheets;
    for (int row : sheets.SelectedRows()) {
        const QString key = sheets.Key(row);
        lastQualified = !HiddenAndProtected(key);
        if (!lastQualified)
            continue;
        const QString name = SheetKey::NameOf(key);
        int sheet = ReserveTable::FindReserveSheet(entry.Sheets, name);
        if (sheet == -1) {
            sheet = int(entry.Sheets.size()) - 1;
            if (!entry.Sheets.at(sheet).Name.isEmpty()) {
                entry.Sheets.append(ReserveSheetEntry());
                ++sheet;
            }
            entry.Sheets[sheet].Name = name;
        }
        entry.Sheets[sheet].Reserved = true;
    }
    ShowMark(lastQualified);
    UpdateReservePrintCommands();
}

void PrintReserve::PrintReserveReset()
{
    ReserveTable &table = m_state.Reserve;
    const int book = table.FindReserveBook(m_state.ActiveBookPath);
    if (book == -1)
        return;
    ReserveBookEntry &entry = table.Entries[book];
    SheetList &sheets = m_sheets;
    for (int row : sheets.SelectedRows()) {
        const int sheet = ReserveTable::FindReserveSheet(entry.Sheets, sheets.Name(row));
        if (sheet != -1)
            entry.Sheets[sheet].Reserved = false;
    }
    if (std::none_of(entry.Sheets.cbegin(), entry.Sheets.cend(),
                     [](const ReserveSheetEntry &sheet) { return sheet.Reserved; }))
        entry.Reserved = false;
    ShowMark(false);
    UpdateReservePrintCommands();
}

void PrintReserve::PrintReserveAllReset()
{
    m_state.Reserve.Reset();
    ShowMark(false);
    UpdateReservePrintCommands();
}

void PrintReserve::SetReserveMenuState()
{
    bool set = true;
    bool reset = false;
    SheetList &sheets = m_sheets;
    if (sheets.MultipleSheetsSelected()) {
        const int book = m_state.Reserve.FindActiveReserveBook(m_state.ActiveBookPath);
        int selected = 0;
        int reserved = 0;
        if (book != -1) {
            const QList<ReserveSheetEntry> &list = m_state.Reserve.Entries.at(book).Sheets;
            for (int row : sheets.SelectedRows()) {
                ++selected;
                const int sheet = ReserveTable::FindReserveSheet(list, sheets.Name(row));
                if (sheet != -1 && list.at(sheet).Reserved)
                    ++reserved;
            }
        }
        if (book != -1 && reserved == selected) {
            set = false;
            reset = true;
        } else if (book != -1) {
            reset = true;
        }
    } else {
        const QList<int> rows = sheets.SelectedRows();
        const QString key = rows.isEmpty() ? QString() : sheets.Key(rows.first());
        if (HiddenAndProtected(key)) {
            set = false;
        } else if (m_mark.text().trimmed() == MarkText) {
            set = false;
            reset = true;
        }
    }
    for (QAction *item : std::as_const(m_items.set))
        item->setEnabled(set);
    for (QAction *item : std::as_const(m_items.reset))
        item->setEnabled(reset);
    for (QAction *item : std::as_const(m_items.allReset))
        item->setEnabled(AnyReserved());
}

bool PrintReserve::AnyReserved() const
{
    return m_state.Reserve.CountReservedBooks() > 0;
}

void PrintReserve::ShowMark(bool marked)
{
    QLabel *mark = &m_mark;
    mark->setText(marked ? MarkText : QString());
    mark->setAutoFillBackground(true);
    // The window's colours, which the label's parent carries unchanged.
    QPalette palette = mark->parentWidget() ? mark->parentWidget()->palette() : QPalette();
    if (marked) {
        palette.setColor(QPalette::WindowText, palette.color(QPalette::Base));
        palette.setColor(QPalette::Window, QColor(0, 0, 255));
    } else {
        palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    }
    mark->setPalette(palette);
}

void PrintReserve::UpdateReservePrintCommands()
{
    const bool any = AnyReserved();
    for (QAction *item : std::as_const(m_items.reservedPrint))
        item->setEnabled(any);
}
