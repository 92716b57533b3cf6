#include "CommonDialog.h"

#include <QAbstractItemView>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QQueue>

namespace {

struct DialogState
{
    QString initialDirectory; // persists between calls, like the dialog record
    bool scripted = false;
    QQueue<QStringList> answers;
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
        // A description that names its patterns as given ("Books (*.a;*.b)")
        // names them once, in the dialog's form.
        const QString asGiven = i + 1 < parts.size() ? u'(' + parts[i + 1].trimmed() + u')' : QString();
        if (patterns.isEmpty() || description.endsWith(inParentheses))
            filters << description;
        else if (description.endsWith(asGiven))
            filters << description.chopped(asGiven.size()) + inParentheses;
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
    Shown shown = Prepare(title, filter, initial);
    shown.existingOnly = existingOnly;
    const QStringList chosen = Answer(owner, shown);
    return chosen.isEmpty() ? QString() : chosen.first();
}

QStringList CommonDialog::ShowOpenFilesDialog(QWidget *owner, const QString &title, const QString &filter,
                                              const QString &initial)
{
    Shown shown = Prepare(title, filter, initial);
    shown.several = true;
    return Answer(owner, shown);
}

CommonDialog::Shown CommonDialog::Prepare(const QString &title, const QString &filter, const QString &initial)
{
    DialogState &dialog = state();
    Shown shown;
    shown.title = title;
    shown.filter = qtNameFilters(filter);
    if (initial.contains(QStringLiteral(".XLS"), Qt::CaseInsensitive)) {
        // A book's file name: propose it; a path with a folder opens there.
        const qsizetype lastSep = initial.lastIndexOf(u'/');
        shown.fileName = initial.mid(lastSep + 1);
        shown.directory = lastSep < 0 ? dialog.initialDirectory : initial.left(qMax<qsizetype>(lastSep, 1));
    } else {
        dialog.initialDirectory = initial;
        shown.directory = initial;
    }
    return shown;
}

QStringList CommonDialog::Answer(QWidget *owner, const Shown &shown)
{
    DialogState &dialog = state();
    if (!dialog.scripted)
        return runDialog(owner, shown);
    Shown recorded = shown;
    recorded.answered = !dialog.answers.isEmpty();
    dialog.shown << recorded;
    QStringList chosen = recorded.answered ? dialog.answers.dequeue() : QStringList();
    chosen.removeAll(QString());
    return chosen;
}

namespace {

// The toolkit's file dialog, whose Open also takes the folders selected in
// its list, together with the files.
class FilesAndFoldersDialog : public QFileDialog
{
public:
    using QFileDialog::QFileDialog;

    bool takeFolders = false;
    QStringList chosen;

    void accept() override
    {
        if (!takeFolders) {
            QFileDialog::accept();
            return;
        }
        QStringList selected;
        bool folder = false;
        if (const auto *view = findChild<QAbstractItemView *>(QStringLiteral("listView"))) {
            if (const auto *model = qobject_cast<const QFileSystemModel *>(view->model())) {
                for (const QModelIndex &index : view->selectionModel()->selectedRows()) {
                    selected << model->filePath(index);
                    folder = folder || model->isDir(index);
                }
            }
        }
        if (!folder) {
            // Files alone, or names typed: the dialog's own checks.
            QFileDialog::accept();
            chosen = selectedFiles();
            return;
        }
        chosen = selected;
        QDialog::accept();
    }
};

} // namespace

QStringList CommonDialog::runDialog(QWidget *owner, const Shown &shown)
{
    FilesAndFoldersDialog fileDialog(owner, shown.title, shown.directory, shown.filter);
    fileDialog.setObjectName(QStringLiteral("CommonDialog"));
    if (shown.several) {
        fileDialog.setOption(QFileDialog::DontUseNativeDialog);
        fileDialog.setFileMode(QFileDialog::ExistingFiles);
        fileDialog.takeFolders = true;
    } else {
        fileDialog.setFileMode(shown.existingOnly ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    }
    fileDialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (!shown.fileName.isEmpty())
        fileDialog.selectFile(shown.fileName);
    if (fileDialog.exec() != QDialog::Accepted)
        return {};
    if (!shown.several) {
        const QStringList chosen = fileDialog.selectedFiles();
        return chosen.isEmpty() ? QStringList() : QStringList{chosen.first()};
    }
    return fileDialog.chosen;
}

void CommonDialog::setScripted(bool scripted)
{
    state().scripted = scripted;
}

void CommonDialog::queueAnswer(const QString &path)
{
    state().answers.enqueue({path});
}

void CommonDialog::queueAnswer(const QStringList &paths)
{
    state().answers.enqueue(paths);
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
