#pragma once

#include "PageSetupFacts.h"

#include <QDialog>

#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QSpinBox;
class QTabWidget;

// The page setup dialog: one sheet's page, margins, header and footer and
// sheet settings, as the book's records hold them. A chart sheet gets the
// fields that apply to charts.
//
// OK hands the edited setup to the writer given to Show(); when the writer
// refuses it (an ExcelError), the dialog shows the refusal and stays open.
//
// Tests script it: in scripted mode no modal loop runs; each call builds the
// real dialog, runs the next queued script on it (which fills the controls
// and answers OK with true, Cancel with false) and, for OK, clicks cmdOK.
// With nothing queued the dialog answers Cancel.
class frmPageSetup : public QDialog
{
    Q_OBJECT

public:
    using Writer = std::function<void(const quirn::PageSetupFacts &)>;
    using Script = std::function<bool(frmPageSetup &)>;

    frmPageSetup(const quirn::PageSetupFacts &setup, bool chart, const QString &sheetName,
                 QWidget *parent = nullptr);

    // -1 when the user pressed OK (and the setup was written), 0 on Cancel.
    static int Show(const quirn::PageSetupFacts &setup, bool chart, const QString &sheetName,
                    const Writer &write, QWidget *parent = nullptr);

    // The setup as the controls show it.
    quirn::PageSetupFacts setup() const;

    static void setScripted(bool scripted);
    static void queueScript(const Script &script);
    static void resetScript();

    // Excel's preset texts for the header and footer lists.
    static QStringList headerFooterPresets();

private:
    void accept() override;
    QWidget *buildPageTab();
    QWidget *buildMarginsTab();
    QWidget *buildHeaderFooterTab();
    QWidget *buildSheetTab();
    QWidget *buildChartTab();
    void insertCode(const QString &code);
    void applyPreset(QComboBox *presets, QLineEdit *left, QLineEdit *center, QLineEdit *right);
    bool readFirstPageNumber(int *number) const;
    double marginPoints(const QDoubleSpinBox *box, double original) const;

    quirn::PageSetupFacts m_original;
    bool m_chart;
    QString m_sheetName;
    Writer m_write;

    QTabWidget *m_tabs = nullptr;
    QButtonGroup *m_orientation = nullptr;
    QButtonGroup *m_scaling = nullptr;
    QSpinBox *m_zoom = nullptr;
    QSpinBox *m_fitWide = nullptr;
    QSpinBox *m_fitTall = nullptr;
    QComboBox *m_paperSize = nullptr;
    QComboBox *m_printQuality = nullptr;
    QLineEdit *m_firstPageNumber = nullptr;
    QDoubleSpinBox *m_top = nullptr;
    QDoubleSpinBox *m_bottom = nullptr;
    QDoubleSpinBox *m_left = nullptr;
    QDoubleSpinBox *m_right = nullptr;
    QDoubleSpinBox *m_header = nullptr;
    QDoubleSpinBox *m_footer = nullptr;
    QCheckBox *m_centerHorizontally = nullptr;
    QCheckBox *m_centerVertically = nullptr;
    QComboBox *m_headerPresets = nullptr;
    QComboBox *m_footerPresets = nullptr;
    QLineEdit *m_leftHeader = nullptr;
    QLineEdit *m_centerHeader = nullptr;
    QLineEdit *m_rightHeader = nullptr;
    QLineEdit *m_leftFooter = nullptr;
    QLineEdit *m_centerFooter = nullptr;
    QLineEdit *m_rightFooter = nullptr;
    QLineEdit *m_lastSection = nullptr;
    QLineEdit *m_printArea = nullptr;
    QLineEdit *m_titleRows = nullptr;
    QLineEdit *m_titleColumns = nullptr;
    QCheckBox *m_gridlines = nullptr;
    QCheckBox *m_blackAndWhite = nullptr;
    QCheckBox *m_draft = nullptr;
    QCheckBox *m_headings = nullptr;
    QComboBox *m_comments = nullptr;
    QButtonGroup *m_order = nullptr;
};
