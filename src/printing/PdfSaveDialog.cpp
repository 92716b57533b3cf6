#include "PdfSaveDialog.h"

#include "MessageBox.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QQueue>
#include <QTemporaryFile>

namespace {

struct Script
{
    bool scripted = false;
    QQueue<QString> answers;
    QStringList proposed;
};

Script &script()
{
    static Script s;
    return s;
}

QString ask(const QString &proposedPath, QWidget *owner)
{
    Script &s = script();
    if (s.scripted) {
        s.proposed << proposedPath;
        return s.answers.isEmpty() ? QString() : s.answers.dequeue();
    }
    QFileDialog dialog(owner ? owner : QApplication::activeWindow(), QStringLiteral("PDF ﾌｧｲﾙに保存"),
                       proposedPath, QStringLiteral("PDF ファイル (*.pdf)"));
    dialog.setObjectName(QStringLiteral("dlgPdfSave"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The replace question is asked once, after ".pdf" is added.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

// Why the PDF file cannot be written there, in the user's words; empty when
// it can. The folder is tried with a file of its own, which also tells a
// read-only disk and a folder the user may not write.
QString unwritableReason(const QString &path)
{
    const QFileInfo file(path);
    const QString folder = QDir::toNativeSeparators(file.absolutePath());
    if (!file.absoluteDir().exists())
        return QStringLiteral("ﾌｫﾙﾀﾞ \"%1\" が見つかりません。").arg(folder);
    if (file.isDir())
        return QStringLiteral("\"%1\" はﾌｫﾙﾀﾞです。").arg(QDir::toNativeSeparators(path));
    QTemporaryFile probe(file.absoluteDir().filePath(QStringLiteral(".quirn-XXXXXX")));
    if (!probe.open())
        return QStringLiteral("ﾌｫﾙﾀﾞ \"%1\" に書き込めません。").arg(folder);
    if (file.exists() && !file.isWritable())
        return QStringLiteral("\"%1\" は読み取り専用です。").arg(QDir::toNativeSeparators(path));
    return QString();
}

} // namespace

QString PdfSaveDialog::Show(const QString &proposedPath, QWidget *owner)
{
    QString proposed = proposedPath;
    for (;;) {
        const QString answer = ask(proposed, owner);
        if (answer.trimmed().isEmpty())
            return QString();
        const QString path = QFileInfo(withPdfSuffix(answer)).absoluteFilePath();
        // A destination that cannot take the file is named here, and the
        // user chooses again, rather than every book failing afterwards.
        const QString reason = unwritableReason(path);
        if (!reason.isEmpty()) {
            MessageBox::Show(reason + u'\n' + QStringLiteral("別の保存先を選んでください。"), 0x30, QString(), owner);
            proposed = path;
            continue;
        }
        if (QFileInfo::exists(path)
            && MessageBox::Show(u'"' + path + QStringLiteral("\" は既に存在します。") + u'\n'
                                    + QStringLiteral("置き換えますか？"),
                                0x134, QString(), owner)
                   != MessageBox::IDYES)
            return QString();
        return path;
    }
}

QString PdfSaveDialog::withPdfSuffix(const QString &path)
{
    if (path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        return path;
    return path + QStringLiteral(".pdf");
}

void PdfSaveDialog::setScripted(bool scripted)
{
    script().scripted = scripted;
}

void PdfSaveDialog::queueAnswer(const QString &path)
{
    script().answers.enqueue(path);
}

QStringList PdfSaveDialog::proposedPaths()
{
    return script().proposed;
}

void PdfSaveDialog::resetScript()
{
    script().answers.clear();
    script().proposed.clear();
}
