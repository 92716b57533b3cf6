#include "PdfSaveDialog.h"

#include "MessageBox.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QQueue>

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

} // namespace

QString PdfSaveDialog::Show(const QString &proposedPath, QWidget *owner)
{
    const QString answer = ask(proposedPath, owner);
    if (answer.trimmed().isEmpty())
        return QString();
    const QString path = QFileInfo(withPdfSuffix(answer)).absoluteFilePath();
    if (QFileInfo::exists(path)
        && MessageBox::Show(u'"' + path + QStringLiteral("\" は既に存在します。") + u'\n'
                                + QStringLiteral("置き換えますか？"),
                            0x134, QString(), owner)
               != MessageBox::IDYES)
        return QString();
    return path;
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
