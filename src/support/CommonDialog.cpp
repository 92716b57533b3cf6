#include "CommonDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QQueue>

namespace {

struct DialogState
{
    QString initialDirectory; // persists between calls, like the dialog record
    bool scripted = false;
    QQueue<QString> answers;
    QList<CommonDialog::Shown> shown;
};

DialogState &state()
{
    static DialogState dialog;
    return dialog;
}

} // namespace

QString CommonDialog::qtNameFilters(const QString &filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString patterns = i + 1 < parts.size() ? parts[i + 1].split(u';', Qt::SkipEmptyParts).join(u' ') : QString();
        if (description.isEmpty() && patterns.isEmpty())
            continue;
        const QString inParentheses = u'(' + patterns + u')';
        if (patterns.isEmpty() || description.endsWith(inParentheses))
            filters << description;
        else if (description.isEmpty())
            filters << inParentheses;
        else
            filters << description + u' ' + inParentheses;
    }
    return filters.join(QStringLiteral(";;"));
}

QString CommonDialog::ShowOpenFileDialog(QWidget *owner, const QString &title, const QString &filter,
                                         const QString &initial, bool existingOnly)
{
    DialogState &dialog = state();
    Shown shown;
    shown.title = title;
    shown.filter = qtNameFilters(filter);
    shown.existingOnly = existingOnly;
    if (initial.contains(QStringLiteral(".XLS"), Qt::CaseInsensitive)) {
        // A book's file name: propose it; a path with a folder opens there.
        const qsizetype lastSep = initial.lastIndexOf(u'/');
        shown.fileName = initial.mid(lastSep + 1);
        shown.directory = lastSep < 0 ? dialog.initialDirectory : initial.left(qMax<qsizetype>(lastSep, 1));
    } else {
        dialog.initialDirectory = initial;
        shown.directory = initial;
    }

    if (!dialog.scripted)
        return runDialog(owner, shown);
    shown.answered = !dialog.answers.isEmpty();
    dialog.shown << shown;
    return shown.answered ? dialog.answers.dequeue() : QString();
}

QString CommonDialog::runDialog(QWidget *owner, const Shown &shown)
{
    QFileDialog fileDialog(owner, shown.title, shown.directory, shown.filter);
    fileDialog.setObjectName(QStringLiteral("CommonDialog"));
    fileDialog.setFileMode(shown.existingOnly ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    fileDialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (!shown.fileName.isEmpty())
        fileDialog.selectFile(shown.fileName);
    if (fileDialog.exec() != QDialog::Accepted)
        return QString();
    const QStringList chosen = fileDialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

void CommonDialog::setScripted(bool scripted)
{
    state().scripted = scripted;
}

void CommonDialog::queueAnswer(const QString &path)
{
    state().answers.enqueue(path);
}

QList<CommonDialog::Shown> CommonDialog::shownDialogs()
{
    return state().shown;
}

void CommonDialog::resetScript()
{
    DialogState &dialog = state();
    dialog.answers.clear();
    dialog.shown.clear();
    dialog.initialDirectory.clear();
}
