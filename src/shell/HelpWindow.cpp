#include "HelpWindow.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QScreen>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

const QString HelpWindow::Title = QStringLiteral("Quirnのヘルプ");

namespace {

const QString kIndex = QStringLiteral("index.html");

} // namespace

HelpWindow::HelpWindow()
{
    setObjectName(QStringLiteral("frmHelp"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(Title);
    setWindowIcon(QIcon(QStringLiteral(":/icons/Quirn.svg")));
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("txtHelp"));
    // Links to other sites are opened by the desktop, never fetched here.
    m_browser->setOpenExternalLinks(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);

    const QString folder = HelpFolder();
    if (folder.isEmpty()) {
        m_browser->setHtml(QStringLiteral("<p>ヘルプのファイルが見つかりません。Quirn をインストールし直してください。</p>"));
    } else {
        m_browser->setSearchPaths({folder});
        m_browser->setSource(QUrl::fromLocalFile(QDir(folder).filePath(kIndex)));
    }
    const QRect screen = QApplication::primaryScreen() ? QApplication::primaryScreen()->availableGeometry()
                                                        : QRect(0, 0, 1024, 768);
    resize(std::min(760, screen.width()), std::min(680, screen.height()));
}

HelpWindow *HelpWindow::Find()
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (auto *help = qobject_cast<HelpWindow *>(window); help && help->windowTitle() == Title)
            return help;
    }
    return nullptr;
}

void HelpWindow::Show()
{
    HelpWindow *help = Find();
    if (!help) {
        help = new HelpWindow;
        help->show();
    }
    help->raise();
    help->activateWindow();
}

QString HelpWindow::HelpFolder()
{
    const QString program = ProgramFolder.isEmpty() ? QCoreApplication::applicationDirPath() : ProgramFolder;
    const QString candidates[] = {
        QDir(program).filePath(QStringLiteral("help")),
        QDir(program).filePath(QStringLiteral("../share/quirn/help")),
    };
    for (const QString &folder : candidates) {
        if (QFileInfo::exists(QDir(folder).filePath(kIndex)))
            return QDir::cleanPath(folder);
    }
    return QString();
}
