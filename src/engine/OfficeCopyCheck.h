#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

class OfficeDocument;

// Sheets the office copied from one book into another, checked against their
// originals by what the office itself reads in both: the office imports
// sheets one at a time, so references among sheets copied together are made
// to point at each other again, and whatever still differs (a reference or a
// link the office dropped, a value, the hidden state) is named, so that the
// save that would keep it asks first.
class OfficeCopyCheck
{
public:
    // (the sheet's name in the source, its copy's name in the target), in order.
    using Copies = QList<std::pair<QString, QString>>;

    OfficeCopyCheck(OfficeDocument &target, const OfficeDocument &source, const Copies &copies);

    // Turns the copies' references to sheets copied with them, which the
    // office made links to the source book, into references within the target.
    void joinGroup();
    // For each copy that differs from its original, a line naming the sheet
    // and what differs; empty when every copy reads as its original.
    QList<std::pair<QString, QString>> differences() const;

private:
    QString sourceLink() const;
    QString normalized(QString formula, bool inCopy) const;

    OfficeDocument &m_target;
    const OfficeDocument &m_source;
    Copies m_copies;
};
