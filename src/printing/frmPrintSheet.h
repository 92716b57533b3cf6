#pragma once

#include <QDialog>
#include <QStringList>
#include <QVariant>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QTimer;

// The print confirmation dialog "ｼｰﾄの印刷": what will print, the number of
// copies and the page range (an empty box is no limit; the two option
// buttons beside the boxes decide nothing), OK, Cancel, writing the run to a
// PDF file instead, and whether a run over several books goes to the printer
// as one job. A printer at work is animated while it is open.
//
// Tests script it: in scripted mode no modal loop runs; each Show() builds
// the real dialog, fills it, and runs the next queued script on it, which
// sets the controls and clicks a button. Nothing queued, or no button
// clicked, answers Cancel.
class frmPrintSheet : public QDialog
{
    Q_OBJECT

public:
    using Script = std::function<void(frmPrintSheet &)>;
    enum Answer { OK = 1, Cancel = 2, SaveAsPdf = 3 };

    explicit frmPrintSheet(QWidget *parent = nullptr);

    // Lists the objects and runs the dialog; returns Button.
    int Show(const QStringList &objects);

    // Set by the caller before Show: the number of listed objects.
    int ObjectCount = 0;
    // Set by the buttons: OK 1, Cancel 2, PDF 3; the trimmed box texts.
    qint32 Button = Cancel;
    QVariant FromPage;
    QVariant ToPage;
    QVariant Copies;
    // The chosen PDF file (Button 3).
    QString PdfPath;
    // "1つの印刷ｼﾞｮﾌﾞにまとめる" as it was left (stored under "PrintOneJob").
    bool OneJob = false;

    // The animation: which of the four pictures is in front.
    int FrontPicture() const { return m_front; }

    static void setScripted(bool scripted);
    static void queueScript(const Script &script);
    static void resetScript();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Command1Click(int index);
    void SavePdfClick();
    void Timer1Timer();
    bool TakeValues();
    void Finish(qint32 button);

    QLabel *m_printer = nullptr;
    QLabel *m_label = nullptr;
    QListWidget *m_list = nullptr;
    QLineEdit *m_copies = nullptr;
    QLineEdit *m_range[2] = {};
    QCheckBox *m_oneJob = nullptr;
    QLabel *m_pictures[4] = {};
    QTimer *m_timer = nullptr;
    int m_front = 0;
};
