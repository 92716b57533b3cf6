#pragma once

#include <QString>

namespace quirn {

// A header or footer as Excel stores it: one text where "&L", "&C" and "&R"
// open the left, centre and right sections ("&&" is a literal ampersand).
struct HeaderFooterText
{
    QString left;
    QString center;
    QString right;

    static HeaderFooterText split(const QString &stored);
    QString join() const;
};

} // namespace quirn
