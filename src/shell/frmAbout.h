#pragma once

#include <QDialog>

// The About box: the program's version and the engine's version.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    frmAbout(const QString &engineVersion, QWidget *parent = nullptr);

    // "Version " + major + "." + minor formatted "0#".
    static QString VersionText(int major, int minor);
    static QString EngineVersionText(const QString &engineVersion);
};
