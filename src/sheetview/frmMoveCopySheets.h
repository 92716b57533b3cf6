#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QListWidget;

// "ｼｰﾄの移動またはｺﾋﾟｰ": the book to move or copy the selected sheets to,
// the sheet of that book to put them before (or the end), and whether to
// copy. The books are those of the book view other than the current one.
//
// Tests script it: with a script set no modal loop runs; the script fills
// the controls and answers OK (true) or Cancel (false).
class frmMoveCopySheets : public QDialog
{
    Q_OBJECT

public:
    struct Choice
    {
        QString book;
        // 1-based: the sheet to put them before; 0: after the last sheet.
        int beforeSheet = 0;
        bool copy = false;
    };
    using SheetsOf = std::function<QStringList(const QString &book)>;
    using Script = std::function<bool(frmMoveCopySheets &)>;

    frmMoveCopySheets(const QStringList &books, SheetsOf sheetsOf, QWidget *parent = nullptr);

    // The user's choice; nothing when cancelled.
    static std::optional<Choice> Ask(const QStringList &books, SheetsOf sheetsOf, QWidget *parent);
    static void SetScript(Script script);

    Choice Chosen() const;

    // The caption that ends the list of sheets.
    static const QString AtEndText;

private:
    void ListSheets();

    QStringList m_books;
    SheetsOf m_sheetsOf;
    QComboBox *m_book = nullptr;
    QListWidget *m_sheets = nullptr;
    QCheckBox *m_copy = nullptr;
};
