#pragma once

#include "BookFile.h"
#include "BookImport.h"
#include "BookList.h"
#include "BookViewHarness.h"
#include "ExcelApplication.h"
#include "OfficeDocument.h"
#include "SettingsStore.h"
#include "SheetList.h"
#include "WarningSetting.h"
#include "cExcel.h"
#include "cListView.h"

#include <QAction>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QStandardItemModel>
#include <QTest>
#include <QUrl>

// Driving the sheet commands of a real main window, and reading a saved book
// back both through its own records and through the office.
class SheetCommandHarness
{
public:
    struct Sheet
    {
        QString name;
        bool visible = true;
        bool operator==(const Sheet &other) const = default;
    };

    explicit SheetCommandHarness(frmMain &window) : m_window(window) {}

    // Adds copies of the fixtures to the book view; the last one is the current book.
    QStringList Open(const QString &folder, const QStringList &fixtures)
    {
        QStringList paths;
        for (const QString &fixture : fixtures)
            paths << BookViewHarness::Copy(folder, fixture);
        BookViewHarness::Drop(m_window, paths, QPoint());
        return paths;
    }

    int Row(const QString &name) const
    {
        for (int row = 0; row < m_window.Sheets().Count(); ++row) {
            if (m_window.Sheets().Text(row) == name)
                return row;
        }
        return -1;
    }

    QStringList Listed() const
    {
        QStringList names;
        for (int row = 0; row < m_window.Sheets().Count(); ++row)
            names << m_window.Sheets().Text(row);
        return names;
    }

    // The code in front of the name, whatever the name holds.
    QString Code(const QString &name) const
    {
        const QString key = m_window.Sheets().Key(Row(name));
        return key.endsWith(u'*' + name) ? SheetKeyCode(key.chopped(name.size())) : QString();
    }

    // Selects exactly these sheets, the first one current, with the sheet view active.
    void Select(const QStringList &names)
    {
        QItemSelectionModel *selection = m_window.SheetView()->selectionModel();
        selection->clearSelection();
        bool first = true;
        for (const QString &name : names) {
            const QModelIndex index = m_window.SheetView()->model()->index(Row(name), 0);
            if (first)
                selection->setCurrentIndex(index, QItemSelectionModel::Select);
            else
                selection->select(index, QItemSelectionModel::Select);
            first = false;
        }
        m_window.SheetView()->currentView()->setFocus();
        m_window.ActivePane = 1;
    }

    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(m_window.SheetView()->currentView(), Qt::Key(key), modifiers);
        QCoreApplication::processEvents();
    }

    QMenu *Popup(const QString &name) const { return m_window.Popup(name); }

    // Chooses an item of a shown popup as the user does, and lets the popup's
    // closing run.
    void Choose(const QString &popup, const QString &item)
    {
        QMenu *menu = m_window.Popup(popup);
        menu->setActiveAction(m_window.Action(item));
        QTest::keyClick(menu, Qt::Key_Return);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

    // A drag of the selected sheets, entering and moving to `pos` of a view's
    // viewport with the modifiers held; the effect the view gave.
    static Qt::DropAction DragTo(QWidget *viewport, const QMimeData &data, const QPoint &pos,
                                 Qt::KeyboardModifiers modifiers, bool drop)
    {
        QDragEnterEvent enter(pos, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(viewport, &enter);
        QDragMoveEvent move(pos, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(viewport, &move);
        const Qt::DropAction effect = move.isAccepted() ? move.dropAction() : Qt::IgnoreAction;
        if (drop) {
            QDropEvent dropEvent(QPointF(pos), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, modifiers);
            QCoreApplication::sendEvent(viewport, &dropEvent);
            QCoreApplication::processEvents();
        }
        return effect;
    }

    QPoint SheetPoint(const QString &name) const
    {
        QListView *view = m_window.SheetView()->listView();
        return view->visualRect(m_window.SheetView()->model()->index(Row(name), 0)).center();
    }

    // The book's sheets as its own records give them after a save.
    static QList<Sheet> Records(const QString &path)
    {
        QList<Sheet> sheets;
        quirn::BookFile book;
        if (book.open(path))
            return sheets;
        for (const quirn::SheetFacts &facts : book.sheets())
            sheets.append({facts.name, facts.visibility == quirn::SheetVisibility::Visible});
        return sheets;
    }

    // The same book as the office reads it.
    QList<Sheet> Office(const QString &path)
    {
        QList<Sheet> sheets;
        std::unique_ptr<OfficeDocument> document = OfficeDocument::load(m_window.Excel().xlApp->office(), path);
        for (const QString &name : document->sheetNames())
            sheets.append({name, document->isSheetVisible(name)});
        return sheets;
    }

    static QString SheetKeyCode(const QString &key)
    {
        const qsizetype star = key.lastIndexOf(u'*');
        return star < 5 ? QString() : key.mid(star - 5, 5);
    }

private:
    frmMain &m_window;
};

inline char *toString(const SheetCommandHarness::Sheet &sheet)
{
    return QTest::toString(sheet.name + (sheet.visible ? "" : " (hidden)"));
}
