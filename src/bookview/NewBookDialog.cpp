#include "NewBookDialog.h"

#include <QFileDialog>
#include <QQueue>

namespace {

bool g_scripted = false;
QQueue<QString> g_answers;
int g_asked = 0;

} // namespace

QString NewBookDialog::Ask(QWidget *owner, const QString &folder)
{
    ++g_asked;
    if (g_scripted)
        return g_answers.isEmpty() ? QString() : g_answers.dequeue();
    QFileDialog dialog(owner, QStringLiteral("新規ﾌﾞｯｸの保存先"), folder,
                       QStringLiteral("Microsoft Excel ﾌﾞｯｸ (*.xls)"));
    dialog.setObjectName(QStringLiteral("dlgNewBook"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("xls"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

void NewBookDialog::SetScripted(bool scripted)
{
    g_scripted = scripted;
    g_answers.clear();
    g_asked = 0;
}

void NewBookDialog::QueueAnswer(const QString &path)
{
    g_answers.enqueue(path);
}

int NewBookDialog::Asked()
{
    return g_asked;
}
