#pragma once

#include <QLabel>

// A one-line label for a path: when the text is wider than the label, the
// middle is left out ("/home/user/…/book.xls") and the tool tip gives the
// whole text. text() is always the whole text.
class ElidedLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget *parent = nullptr);

    // The text as it is drawn in the label's present width.
    QString ShownText() const;

    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};
