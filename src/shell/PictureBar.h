#pragma once

#include <QColor>
#include <QWidget>

// The drawing surface of the progress display used while the status bar is
// hidden: the percentage centred, and a box filled from the left edge to the
// current value, drawn with a not-XOR pen so that the text inverts under it.
class PictureBar : public QWidget
{
    Q_OBJECT

public:
    explicit PictureBar(QWidget *parent = nullptr);

    void setScaleWidth(double scaleWidth);
    double scaleWidth() const { return m_scaleWidth; }
    void setValue(double value);
    double value() const { return m_value; }
    // The text shown: Int(value / scale width * 100) followed by "%".
    QString percentText() const;
    // The picture as drawn at the widget's size.
    QImage render() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    double m_scaleWidth = 100;
    double m_value = 0;
    QColor m_foreColor;   // 0x800000 as stored: blue in the high byte
    QColor m_backColor;   // 0xFFFFFF
};
