#include "SheetInformation.h"

#include "ExcelAccess.h"
#include "SettingsStore.h"
#include "SheetKey.h"
#include "SheetList.h"
#include "WaitCursor.h"
#include "WindowState.h"
#include "cExcel.h"
#include "cListView.h"
#include "cNum.h"

#include <QAbstractItemView>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QStandardItemModel>

#include <utility>

namespace {

// A menu caption shows text as it is: "&" would otherwise mark a mnemonic.
QString Caption(const QString &text)
{
    QString caption = text;
    return caption.replace(u'&', QStringLiteral("&&"));
}

} // namespace

SheetInformation::SheetInformation(const WindowState &state, SheetList &sheets, cListView &view,
                                   const QLabel &title, ExcelAccess &excel, QMenu &infoMenu, QList<QAction *> lines)
    : m_state(state)
    , m_sheets(sheets)
    , m_view(view)
    , m_title(title)
    , m_excel(excel)
    , m_infoMenu(infoMenu)
    , m_lines(std::move(lines))
{
}

void SheetInformation::FillSheetInfoMenu(const QString &name)
{
    WaitCursor wait;
    m_sheets.ReopenExcelIfNeeded();
    m_lines.at(0)->setText(Caption(QStringLiteral("ｼｰﾄ名 ： ") + name));
    QVariant row;
    QVariant column;
    const qint32 pages = m_excel.Excel().GetPageOFSheet(name, &row, &column);
    QString pageText = QStringLiteral("?");
    QString rowText = QStringLiteral("?");
    QString columnText = QStringLiteral("?");
    if (pages != 0) {
        pageText = QString::number(pages);
        rowText = QString::number(row.toInt());
        columnText = QString::number(column.toInt()) + u'(' + cNum::ExchgNumtoAlph(column.toInt()) + u')';
    }
    m_lines.at(1)->setText(QStringLiteral("印刷ﾍﾟｰｼﾞ数 ： ") + pageText);
    m_lines.at(2)->setText(QStringLiteral("最大行番号 ： ") + rowText);
    m_lines.at(3)->setText(QStringLiteral("最大桁番号 ： ") + columnText);
    for (int i = 0; i < m_lines.size(); ++i) {
        const QString shown = SettingsStore::GetSetting(SettingsStore::AppKey, QStringLiteral("Option"),
                                                        QStringLiteral("SheetInf%1").arg(i), QStringLiteral("1"));
        if (shown == QLatin1String("1") || shown == QLatin1String("0"))
            m_lines.at(i)->setVisible(shown == QLatin1String("1"));
    }
}

void SheetInformation::PopupOpening()
{
    const QAction *info = m_infoMenu.menuAction();
    const QString name = m_title.text();
    if (info->isVisible() && info->isEnabled() && !m_state.ActiveBookPath.isEmpty() && !name.isEmpty())
        FillSheetInfoMenu(name);
}

void SheetInformation::ShowSheetInfo()
{
    const QList<int> selected = m_sheets.SelectedRows();
    if (selected.size() != 1 || m_state.ActiveBookPath.isEmpty())
        return;
    // The sheet whose item the submenu opens under.
    FillSheetInfoMenu(m_sheets.Name(selected.first()));
    QAbstractItemView *view = m_view.currentView();
    const QModelIndex index = m_view.model()->index(selected.first(), 0);
    view->scrollTo(index);
    const QPoint at = view->viewport()->mapToGlobal(view->visualRect(index).bottomLeft());
    m_infoMenu.popup(at);
}
