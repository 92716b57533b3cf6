#pragma once

#include <QByteArray>

#include <optional>

namespace quirn {

// An OBJ record standing for an ActiveX control whose data the book keeps in
// its Ctls stream (a command button, a check box from the control toolbox):
// the picture object's FtPioGrbit says so (fCtl and fPrstm), and its
// FtPictFmla gives the control's class, then the place of its data in that
// stream (lPosInCtlStm, cbBufInCtlStm) and a key with the formulas of a
// linked cell and a list fill range.
class ControlObject
{
public:
    struct Link
    {
        qsizetype positionAt = 0; // of lPosInCtlStm, in the OBJ record's data
        quint32 position = 0;     // of the control's data in the Ctls stream
        quint32 size = 0;
        bool linksCells = false;  // a linked cell or list fill range is given
    };

    // The link of the OBJ record's data `obj`; none when it is no ActiveX
    // control kept in the Ctls stream, or its subrecords do not add up.
    static std::optional<Link> read(const QByteArray &obj);
};

} // namespace quirn
