#pragma once

#include <QString>

class QWidget;
class cExcel;

// The question before a save through the office that would lose something the
// book holds.
class SaveLossConsent
{
public:
    // True when saving the open book `bookPath` (its path or its file name)
    // loses nothing, or when the user agreed to the losses listed (the gateway
    // is then told so); false when the user said No.
    static bool Ask(QWidget *parent, cExcel &excel, const QString &bookPath);
    // The same for a book the question names otherwise: a new book, known to
    // the engine by its caption, shown as the path it is about to be saved to.
    static bool Ask(QWidget *parent, cExcel &excel, const QString &bookPath, const QString &shownAs);
};
