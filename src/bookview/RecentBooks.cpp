#include "RecentBooks.h"

#include "BookList.h"
#include "BookSelection.h"
#include "MessageBox.h"
#include "WindowState.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>

#include <utility>

namespace {

constexpr int Slots = 5;

} // namespace

RecentBooks::RecentBooks(WindowState &state, BookSelection &selection, QList<QAction *> items, QAction *bar,
                         QWidget *owner)
    : m_state(state)
    , m_selection(selection)
    , m_items(std::move(items))
    , m_bar(bar)
    , m_owner(owner)
{
}

void RecentBooks::SetCaption(int slot, int number)
{
    m_items.at(slot)
        ->setText(QStringLiteral("&%1 %2").arg(number).arg(m_state.MruFiles.at(slot)));
}

void RecentBooks::ShowLoaded()
{
    int count = 0;
    for (int i = 0; i < Slots; ++i) {
        QAction *item = m_items.at(i);
        if (m_state.MruFiles.at(i).isEmpty()) {
            item->setVisible(false);
            continue;
        }
        item->setVisible(true);
        SetCaption(i, ++count);
    }
    m_bar->setVisible(count > 0);
}

void RecentBooks::RecordRecentBook(const QString &path)
{
    for (int i = 0; i < Slots; ++i) {
        if (m_state.MruFiles.at(i) == path)
            return;
    }
    for (int i = 0; i < Slots - 1; ++i)
        m_state.MruFiles[i] = m_state.MruFiles.at(i + 1);
    m_state.MruFiles[Slots - 1] = path;
    for (int i = 0; i < Slots; ++i) {
        if (!m_state.MruFiles.at(i).isEmpty()) {
            m_bar->setVisible(true);
            m_items.at(i)->setVisible(true);
        }
        SetCaption(i, i + 1);
    }
}

void RecentBooks::OpenRecent(int k)
{
    if (m_state.BookLoading || k < 1 || k > Slots)
        return;
    const QString path = m_state.MruFiles.at(k - 1);
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        MessageBox::Show(u'"' + path + u'"' + QStringLiteral(" が見つかりません。"), 0x10, QString(), m_owner);
        QCoreApplication::processEvents();
        return;
    }
    m_selection.OpenBookByPath(path);
}
