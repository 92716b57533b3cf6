#pragma once

#include <QDialog>
#include <QList>
#include <QStringList>

class QCheckBox;
class QLabel;
class QPushButton;
class QTreeWidget;

// The project-component warning: the book's name, the list of its modules
// with their kinds (1 standard, 2 class, 3 form), a don't-show-again box and OK.
class frmMacroWarninng : public QDialog
{
    Q_OBJECT

public:
    frmMacroWarninng(const QString &fileName, const QStringList &modules, const QList<int> &types,
                     const QString &checkCaption, QWidget *parent = nullptr);

    // Shows the dialog modally; returns whether the box was ticked.
    static bool ShowMacroWarning(const QString &fileName, const QStringList &modules, const QList<int> &types,
                                 int mode, QWidget *parent);
    static QStringList LabelTexts(const QString &fileName);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void AddModuleViewItem(const QStringList &modules, const QList<int> &types);

    QLabel *m_label[3];
    QTreeWidget *m_modules;
    QCheckBox *m_check;
    QPushButton *m_ok;
};
