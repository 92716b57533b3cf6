#include "SheetInformation.h"

#include "SettingsStore.h"
#include "SheetKey.h"
#include "SheetList.h"
#include "WaitCursor.h"
#include "cExcel.h"
#include "cListView.h"
#include "cNum.h"
#include "frmMain.h"

#include <QAbstractItemView>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QStandardItemModel>

namespace {

const char *const kItems[] = {"SheetPopName", "SheetPopPage", "SheetPopRows", "SheetPopColumns"};

// A menu caption shows text as it is: "&" would otherwise mark a mnemonic.
QString Caption(const QString &text)
{
    QString caption = text;
    return caption.replace(u'&', QStringLiteral("&&"));
}

} // namespace

SheetInformation::SheetInformation(frmMain &form)
    : m_form(form)
{
}

void SheetInformation::FillSheetInfoMenu(const QString &name)
{
    WaitCursor wait;
    m_form.Sheets().ReopenExcelIfNeeded();
    m_form.Action(QStringLiteral("SheetPopName"))->setText(Caption(QStringLiteral("ｼｰﾄ名 ： ") + name));
    QVariant row;
    QVariant column;
    const qint32 pages = m_form.Excel().GetPageOFSheet(name, &row, &column);
    QString pageText = QStringLiteral("?");
    QString rowText = QStringLiteral("?");
    QString columnText = QStringLiteral("?");
    if (pages != 0) {
        pageText = QString::number(pages);
        rowText = QString::number(row.toInt());
        columnText = QString::number(column.toInt()) + u'(' + cNum::ExchgNumtoAlph(column.toInt()) + u')';
    }
    m_form.Action(QStringLiteral("SheetPopPage"))->setText(QStringLiteral("印刷ﾍﾟｰｼﾞ数 ： ") + pageText);
    m_form.Action(QStringLiteral("SheetPopRows"))->setText(QStringLiteral("最大行番号 ： ") + rowText);
    m_form.Action(QStringLiteral("SheetPopColumns"))->setText(QStringLiteral("最大桁番号 ： ") + columnText);
    for (int i = 0; i < 4; ++i) {
        const QString shown = SettingsStore::GetSetting(SettingsStore::AppKey, QStringLiteral("Option"),
                                                        QStringLiteral("SheetInf%1").arg(i), QStringLiteral("1"));
        if (shown == QLatin1String("1") || shown == QLatin1String("0"))
            m_form.Action(QString::fromLatin1(kItems[i]))->setVisible(shown == QLatin1String("1"));
    }
}

void SheetInformation::PopupOpening()
{
    QAction *info = m_form.Action(QStringLiteral("SheetPopPropaty"));
    const QString name = m_form.Title(1)->text();
    if (info->isVisible() && info->isEnabled() && !m_form.ActiveBookPath.isEmpty() && !name.isEmpty())
        FillSheetInfoMenu(name);
}

void SheetInformation::ShowSheetInfo()
{
    const QList<int> selected = m_form.Sheets().SelectedRows();
    if (selected.size() != 1 || m_form.ActiveBookPath.isEmpty())
        return;
    // The sheet whose item the submenu opens under.
    FillSheetInfoMenu(m_form.Sheets().Name(selected.first()));
    QAbstractItemView *view = m_form.SheetView()->currentView();
    const QModelIndex index = m_form.SheetView()->model()->index(selected.first(), 0);
    view->scrollTo(index);
    const QPoint at = view->viewport()->mapToGlobal(view->visualRect(index).bottomLeft());
    m_form.Popup(QStringLiteral("SheetPopPropaty"))->popup(at);
}
