#include "cReg.h"

#include <QApplication>
#include <QMessageBox>
#include <QSettings>

namespace {

const QString Organisation = QStringLiteral("Oakmere");
const QString Application = QStringLiteral("1465340056");

QSettings::Scope scopeOf(qint32 rootKey)
{
    return rootKey == cReg::HKeyCurrentUser ? QSettings::UserScope : QSettings::SystemScope;
}

void showErrorBox(const QString &text)
{
    QApplication::beep();
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text, QMessageBox::Ok);
    box.setObjectName(QStringLiteral("cRegError"));
    box.exec();
}

cReg::ErrorReporter &errorReporter()
{
    static cReg::ErrorReporter reporter = showErrorBox;
    return reporter;
}

QString describe(QSettings::Status status)
{
    switch (status) {
    case QSettings::AccessError: return QStringLiteral("Path/File access error");
    case QSettings::FormatError: return QStringLiteral("File format error");
    case QSettings::NoError: break;
    }
    return QString();
}

} // namespace

QString cReg::settingsKey(const QString &subKey, const QString &valueName)
{
    QString group = subKey;
    group.replace(u'\\', u'/');
    return group + u'/' + (valueName.isEmpty() ? QStringLiteral("@") : valueName);
}

QString cReg::RegGetString(qint32 lnghInKey, QString strSubKey, QString strValName)
{
    const QSettings store(QSettings::NativeFormat, scopeOf(lnghInKey), Organisation, Application);
    const QVariant value = store.value(settingsKey(strSubKey, strValName));
    if (value.typeId() != QMetaType::QString)
        return QString();
    QString text = value.toString();
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        text.truncate(nul);
    return text;
}

bool cReg::RegSetString(qint32 lnghKey, const QString &strSubKey, QString strSetValue, QString strValue)
{
    QSettings store(QSettings::NativeFormat, scopeOf(lnghKey), Organisation, Application);
    store.setValue(settingsKey(strSubKey, strSetValue), strValue);
    store.sync();
    if (store.status() == QSettings::NoError)
        return true;
    const int number = int(store.status());
    errorReporter()(QStringLiteral("ERROR #%1 : %2").arg(number).arg(describe(store.status())));
    return false;
}

void cReg::setErrorReporter(ErrorReporter reporter)
{
    errorReporter() = reporter ? std::move(reporter) : ErrorReporter(showErrorBox);
}
