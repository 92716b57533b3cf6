#include "MessageBox.h"

#include "Globals.h"
#include "NormalPointer.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace {

bool g_testMode = false;
QList<int> g_answers;
QList<MessageBox::Shown> g_shown;

// The answer codes of the buttons of a style word, in the order shown.
QList<int> ButtonsOf(unsigned style)
{
    switch (style & 0xF) {
    case 1: return {MessageBox::IDOK, MessageBox::IDCANCEL};
    case 2: return {MessageBox::IDABORT, MessageBox::IDRETRY, MessageBox::IDIGNORE};
    case 3: return {MessageBox::IDYES, MessageBox::IDNO, MessageBox::IDCANCEL};
    case 4: return {MessageBox::IDYES, MessageBox::IDNO};
    case 5: return {MessageBox::IDRETRY, MessageBox::IDCANCEL};
    default: return {MessageBox::IDOK};
    }
}

QMessageBox::StandardButton StandardButtonOf(int answer)
{
    switch (answer) {
    case MessageBox::IDCANCEL: return QMessageBox::Cancel;
    case MessageBox::IDABORT: return QMessageBox::Abort;
    case MessageBox::IDRETRY: return QMessageBox::Retry;
    case MessageBox::IDIGNORE: return QMessageBox::Ignore;
    case MessageBox::IDYES: return QMessageBox::Yes;
    case MessageBox::IDNO: return QMessageBox::No;
    default: return QMessageBox::Ok;
    }
}

QMessageBox::Icon IconOf(unsigned style)
{
    switch (style & 0xF0) {
    case 0x10: return QMessageBox::Critical;
    case 0x20: return QMessageBox::Question;
    case 0x30: return QMessageBox::Warning;
    case 0x40: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

// Where a line may be broken without splitting a word: after Japanese and
// Latin punctuation, a space or a path separator, and before a quotation.
bool BreaksAfter(const QString &line, qsizetype at)
{
    static const QString after = QStringLiteral("、。，．？！：；）」』 /");
    if (after.contains(line.at(at)))
        return true;
    return at + 1 < line.size() && (line.at(at + 1) == u'"' || line.at(at + 1) == u'「' || line.at(at + 1) == u'（');
}

// The line cut into pieces that fit `limit`, each cut at the last place that
// may be broken; a piece with no such place is left whole for the label.
QStringList FitLine(const QString &line, const QFontMetrics &metrics, int limit)
{
    QStringList pieces;
    QString rest = line;
    while (metrics.horizontalAdvance(rest) > limit) {
        qsizetype cut = -1;
        for (qsizetype at = 0; at + 1 < rest.size(); ++at) {
            if (metrics.horizontalAdvance(rest.left(at + 1)) > limit)
                break;
            if (BreaksAfter(rest, at))
                cut = at + 1;
        }
        if (cut <= 0)
            break;
        pieces << rest.left(cut);
        rest = rest.mid(cut);
    }
    pieces << rest;
    return pieces;
}

// Japanese may be broken between almost any two characters, and a box of
// the toolkit's narrow width breaks it in the middle of words. The box is
// made as wide as its longest line, up to what the screen allows; a longer
// line is broken where a reader expects it.
void FitText(QMessageBox &box, const QString &text, QWidget *parent)
{
    auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    if (!label)
        return;
    const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const int screenWidth = screen ? screen->availableGeometry().width() : 1024;
    // What the toolkit lets a box grow to, less its icon and margins.
    const int boxLimit = screenWidth <= 1024 ? screenWidth : std::min(screenWidth - 480, 1000);
    const int limit = std::max(240, boxLimit - 140);
    const QFontMetrics metrics(label->font());
    QStringList lines;
    int widest = 0;
    for (const QString &line : text.split(u'\n')) {
        for (const QString &piece : FitLine(line, metrics, limit)) {
            lines << piece;
            widest = std::max(widest, metrics.horizontalAdvance(piece));
        }
    }
    box.setText(lines.join(u'\n'));
    label->setMinimumWidth(std::min(widest + 2, limit));
}

} // namespace

int MessageBox::DefaultAnswer(unsigned style)
{
    const QList<int> buttons = ButtonsOf(style);
    const qsizetype index = (style >> 8) & 0x3;
    return buttons.at(index < buttons.size() ? index : 0);
}

int MessageBox::Show(const QString &text, unsigned style, const QString &title, QWidget *parent)
{
    if (qobject_cast<QApplication *>(QCoreApplication::instance()))
        QApplication::beep();
    const QString caption = title.isEmpty() ? Globals::AppTitle : title;
    const NormalPointer pointer;
    if (g_testMode) {
        g_shown.append({text, style, caption, NormalPointer::Shape()});
        return g_answers.isEmpty() ? DefaultAnswer(style) : g_answers.takeFirst();
    }
    return ShowDialog(text, style, caption, parent);
}

int MessageBox::ShowDialog(const QString &text, unsigned style, const QString &title, QWidget *parent)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(IconOf(style), title, shown, QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("MessageBox"));
    box.setTextFormat(Qt::PlainText);
    FitText(box, shown, parent);
    if (style & 0x1000)
        box.setWindowModality(Qt::ApplicationModal);
    const QList<int> answers = ButtonsOf(style);
    for (const int answer : answers)
        box.addButton(StandardButtonOf(answer));
    box.setDefaultButton(StandardButtonOf(DefaultAnswer(style)));
    // Closing the box answers like its cancelling button, or "No", or the only button.
    if (answers.contains(IDCANCEL))
        box.setEscapeButton(StandardButtonOf(IDCANCEL));
    else if (answers.contains(IDNO))
        box.setEscapeButton(StandardButtonOf(IDNO));
    else if (answers.size() == 1)
        box.setEscapeButton(StandardButtonOf(answers.first()));
    box.exec();
    QAbstractButton *clicked = box.clickedButton();
    for (const int answer : answers) {
        if (clicked == box.button(StandardButtonOf(answer)))
            return answer;
    }
    return answers.contains(IDCANCEL) ? int(IDCANCEL) : answers.last();
}

void MessageBox::SetTestMode(bool on)
{
    g_testMode = on;
    g_answers.clear();
    g_shown.clear();
}

bool MessageBox::TestMode()
{
    return g_testMode;
}

void MessageBox::QueueAnswer(int answer)
{
    g_answers.append(answer);
}

QList<MessageBox::Shown> MessageBox::TakeShown()
{
    QList<Shown> shown;
    shown.swap(g_shown);
    return shown;
}
