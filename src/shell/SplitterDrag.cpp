#include "SplitterDrag.h"

#include "PaneLayout.h"
#include "frmMain.h"

#include <QPalette>
#include <QWidget>

#include <algorithm>

SplitterDrag::SplitterDrag(frmMain &form, QWidget *client, QWidget *splitterImage)
    : m_form(form)
    , m_splitterImage(splitterImage)
{
    m_bar = new QWidget(client);
    m_bar->setObjectName(QStringLiteral("picSplitter"));
    m_bar->setAutoFillBackground(true);
    QPalette grey = m_bar->palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    m_bar->setPalette(grey);
    m_bar->hide();
}

void SplitterDrag::Pressed()
{
    const QRect image = m_splitterImage->geometry();
    m_barLeft = m_form.SplitterLeft();
    m_bar->setGeometry(image.x(), image.y(), image.width() / 2, std::max(0, image.height() - m_form.ToPixels(20)));
    m_bar->show();
    m_bar->raise();
    m_moving = true;
}

void SplitterDrag::Moved(int mouseX)
{
    if (!m_moving)
        return;
    m_barLeft = PaneLayout::BarLeft(m_form.SplitterLeft(), m_form.ToTwips(mouseX), m_form.WindowWidthTwips());
    m_bar->move(m_form.ToPixels(m_barLeft), m_bar->y());
}

bool SplitterDrag::Released()
{
    if (!m_moving)
        return false;
    double x = m_barLeft;
    m_form.LayoutPanes(x);
    m_bar->hide();
    m_moving = false;
    return true;
}
