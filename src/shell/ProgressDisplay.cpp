#include "ProgressDisplay.h"

#include "PictureBar.h"
#include "cListView.h"
#include "frmMain.h"

#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>

ProgressDisplay::ProgressDisplay(frmMain &form, QWidget *client, QLabel *firstPanel)
    : m_form(form)
    , m_firstPanel(firstPanel)
{
    m_progressBar = new QProgressBar(client);
    m_progressBar->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar->setTextVisible(false);
    m_progressBar->hide();
    m_pictureBar = new PictureBar(client);
    m_pictureBar->setObjectName(QStringLiteral("PictureBar"));
    m_pictureBar->hide();
}

void ProgressDisplay::Start(double min, double max)
{
    m_onStatusBar = !m_form.StatusBar()->isHidden();
    if (m_onStatusBar) {
        const QRect panel = m_firstPanel->geometry();
        const QRect bar = m_form.StatusBar()->geometry();
        const int inset = m_form.ToPixels(50);
        m_progressBar->setGeometry(bar.x(), bar.y() + inset, panel.width(), bar.height() - inset);
        m_progressBar->setRange(qRound(min), qRound(max));
        m_progressBar->setValue(qRound(min));
        m_progressBar->show();
        m_progressBar->raise();
        return;
    }
    const QRect book = m_form.BookView()->geometry();
    const int height = m_form.ToPixels(255);
    const int inset = m_form.ToPixels(50);
    m_pictureBar->setGeometry(book.x() + inset, book.y() + book.height() - (height + m_form.ToPixels(20)),
                              book.width() - inset, height);
    m_pictureBar->setScaleWidth(max);
    m_pictureBar->setValue(0);
    m_pictureBar->show();
    m_pictureBar->raise();
}

void ProgressDisplay::Step(double value)
{
    if (m_onStatusBar)
        m_progressBar->setValue(qRound(value));
    else
        m_pictureBar->setValue(value);
}

void ProgressDisplay::End()
{
    m_progressBar->hide();
    m_pictureBar->hide();
}

void ProgressDisplay::Resume()
{
    if (m_onStatusBar)
        m_progressBar->show();
    else
        m_pictureBar->show();
}
