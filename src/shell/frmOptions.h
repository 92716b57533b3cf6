#pragma once

#include <QDialog>
#include <QString>

class QAbstractButton;
class QCheckBox;
class QGroupBox;
class QLabel;
class QRadioButton;
class QTabBar;
class QWidget;

// The options dialog: four panes under a tab strip that edit the "Option"
// section of the settings store and the three warning switches of
// "Settings". Every value is read when the dialog opens and written when OK
// is pressed; Cancel and the close box write nothing.
class frmOptions : public QDialog
{
    Q_OBJECT

public:
    explicit frmOptions(QWidget *parent = nullptr);

    // Set by OK when a book column switch or the sheet filter was changed,
    // cleared when the dialog opens and by Cancel: the caller rebuilds what
    // they concern after the dialog has closed.
    static inline bool ColumnsChanged = false;
    static inline bool SheetFilterChanged = false;

    // The working copy of the sheet filter (one "0"/"1" per sheet kind).
    QString SheetVisibleDraft;

    // Tab index 0..3 of the pane shown.
    int SelectedTab() const;
    void SelectTab(int index);

    void accept() override;
    void reject() override;

private:
    void BuildViewPane(QWidget *pane);
    void BuildWarningPane(QWidget *pane);
    void BuildPrintPane(QWidget *pane);
    void BuildSheetInfoPane(QWidget *pane);
    QGroupBox *AddFrame(QWidget *parent, const QString &name, const QString &caption, int left, int top,
                        int width, int height);
    QCheckBox *AddCheck(QWidget *parent, const QString &name, const QString &caption, int left, int top,
                        int width);
    QRadioButton *AddOption(QWidget *parent, const QString &name, const QString &caption, int left, int top,
                            int width);
    QLabel *AddLabel(QWidget *parent, const QString &name, const QString &caption, int left, int top, int width,
                     int height);
    int ToPixels(double twips) const;
    void Place(QWidget *widget, int left, int top, int width, int height) const;

    void LoadValues();
    void LoadWarning(int frame, const QString &key);
    void PaneSwitch();
    void NextTab();
    void SheetFilterClick(int index);
    void WarningOptionClick(int frame, int index);
    void SheetInfClick(int index);
    void SaveValues();

    // Controls by name, as the tables of this dialog name them.
    QCheckBox *Check(const QString &name) const;
    QRadioButton *Option(const QString &name) const;
    static QString Value(const QAbstractButton *box);

    QTabBar *m_tabs = nullptr;
    QWidget *m_panes[4] = {};
    int m_paneTop = 0; // below the tab strip, in pixels
};
