#include "BookSaveDialog.h"

#include "NormalPointer.h"

#include <QApplication>
#include <QFileDialog>
#include <QQueue>

namespace {

struct Script
{
    bool scripted = false;
    QQueue<QString> answers;
    QList<BookSaveDialog::Shown> shown;
};

Script &script()
{
    static Script s;
    return s;
}

} // namespace

QString BookSaveDialog::Show(const QString &title, const QString &proposedPath, QWidget *owner)
{
    // The caller's hourglass stays off while the user chooses.
    const NormalPointer pointer;
    Script &s = script();
    if (s.scripted) {
        Shown shown{title, proposedPath, !s.answers.isEmpty(), NormalPointer::Shape()};
        s.shown.append(shown);
        const QString answer = s.answers.isEmpty() ? QString() : s.answers.dequeue();
        return answer.isEmpty() ? QString() : withBookSuffix(answer);
    }
    QFileDialog dialog(owner ? owner : QApplication::activeWindow(), title, proposedPath,
                       QStringLiteral("Microsoft Excel ブック (*.xls)"));
    dialog.setObjectName(QStringLiteral("dlgBookSave"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("xls"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return withBookSuffix(dialog.selectedFiles().constFirst());
}

QString BookSaveDialog::withBookSuffix(const QString &path)
{
    if (path.endsWith(QStringLiteral(".xls"), Qt::CaseInsensitive))
        return path;
    return path + QStringLiteral(".xls");
}

void BookSaveDialog::setScripted(bool scripted)
{
    script().scripted = scripted;
}

void BookSaveDialog::queueAnswer(const QString &path)
{
    script().answers.enqueue(path);
}

QList<BookSaveDialog::Shown> BookSaveDialog::shownDialogs()
{
    return script().shown;
}

void BookSaveDialog::resetScript()
{
    script().answers.clear();
    script().shown.clear();
}
