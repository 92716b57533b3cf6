#pragma once

#include <QApplication>

// The normal pointer for as long as the object lives, over any hourglass the
// caller shows: a box or dialog that waits for the user never shows a busy
// pointer. Does nothing without a widget application.
class NormalPointer
{
public:
    NormalPointer()
        : m_on(qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr)
    {
        if (m_on)
            QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~NormalPointer()
    {
        if (m_on)
            QApplication::restoreOverrideCursor();
    }
    NormalPointer(const NormalPointer &) = delete;
    NormalPointer &operator=(const NormalPointer &) = delete;

    // The shape the user sees now.
    static Qt::CursorShape Shape()
    {
        if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
            return Qt::ArrowCursor;
        const QCursor *cursor = QGuiApplication::overrideCursor();
        return cursor ? cursor->shape() : Qt::ArrowCursor;
    }

private:
    bool m_on;
};
