#include "RecentBooks.h"

#include "BookList.h"
#include "BookSelection.h"
#include "MessageBox.h"
#include "frmMain.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>

namespace {

constexpr int Slots = 5;

} // namespace

RecentBooks::RecentBooks(frmMain &form)
    : m_form(form)
{
}

void RecentBooks::SetCaption(int slot, int number)
{
    m_form.Action(QStringLiteral("mnuFileMRU_%1").arg(slot + 1))
        ->setText(QStringLiteral("&%1 %2").arg(number).arg(m_form.MruFiles.at(slot)));
}

void RecentBooks::ShowLoaded()
{
    int count = 0;
    for (int i = 0; i < Slots; ++i) {
        QAction *item = m_form.Action(QStringLiteral("mnuFileMRU_%1").arg(i + 1));
        if (m_form.MruFiles.at(i).isEmpty()) {
            item->setVisible(false);
            continue;
        }
        item->setVisible(true);
        SetCaption(i, ++count);
    }
    m_form.Action(QStringLiteral("mnuFileBar4"))->setVisible(count > 0);
}

void RecentBooks::RecordRecentBook(const QString &path)
{
    for (int i = 0; i < Slots; ++i) {
        if (m_form.MruFiles.at(i) == path)
            return;
    }
    for (int i = 0; i < Slots - 1; ++i)
        m_form.MruFiles[i] = m_form.MruFiles.at(i + 1);
    m_form.MruFiles[Slots - 1] = path;
    for (int i = 0; i < Slots; ++i) {
        if (!m_form.MruFiles.at(i).isEmpty()) {
            m_form.Action(QStringLiteral("mnuFileBar4"))->setVisible(true);
            m_form.Action(QStringLiteral("mnuFileMRU_%1").arg(i + 1))->setVisible(true);
        }
        SetCaption(i, i + 1);
    }
}

void RecentBooks::OpenRecent(int k)
{
    if (m_form.BookLoading || k < 1 || k > Slots)
        return;
    const QString path = m_form.MruFiles.at(k - 1);
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        MessageBox::Show(u'"' + path + u'"' + QStringLiteral(" が見つかりません。"), 0x10, QString(), &m_form);
        QCoreApplication::processEvents();
        return;
    }
    m_form.Selection().OpenBookByPath(path);
}
