#include "PictureBar.h"

#include <QImage>
#include <QPainter>

#include <cmath>

namespace {

// A stored colour (0xBBGGRR) as a Qt colour.
QColor FromStoredColour(unsigned value)
{
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

} // namespace

PictureBar::PictureBar(QWidget *parent)
    : QWidget(parent)
    , m_foreColor(FromStoredColour(0x800000))
    , m_backColor(FromStoredColour(0xFFFFFF))
{
}

void PictureBar::setScaleWidth(double scaleWidth)
{
    m_scaleWidth = scaleWidth;
    update();
}

void PictureBar::setValue(double value)
{
    m_value = value;
    update();
}

QString PictureBar::percentText() const
{
    if (m_scaleWidth <= 0)
        return QStringLiteral("0%");
    return QString::number(static_cast<long long>(std::floor(m_value / m_scaleWidth * 100))) + u'%';
}

QImage PictureBar::render() const
{
    QImage image(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.fill(m_backColor);
    QPainter p(&image);
    p.setFont(font());
    p.setPen(m_foreColor);
    p.drawText(image.rect(), Qt::AlignCenter, percentText());
    if (m_scaleWidth > 0 && m_value > 0) {
        const double share = std::min(m_value / m_scaleWidth, 1.0);
        const int filled = static_cast<int>(std::lround(share * image.width()));
        p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
        // not(pen xor destination) paints the fore colour on the back colour.
        p.fillRect(QRect(0, 0, filled, image.height()), m_foreColor);
    }
    return image;
}

void PictureBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawImage(0, 0, render());
}
