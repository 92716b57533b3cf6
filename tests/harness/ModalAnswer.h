#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <functional>

// Acts on the next modal dialog of type T as soon as it is up, as a person
// would. When none comes up within the limit, or the one that does is not a
// T, the test fails with a message and that dialog is closed: a test never
// waits for CTest's timeout.
template <class T>
void answerModal(QObject *context, std::function<void(T &)> act, const char *what, int limitMs = 30000)
{
    auto *poll = new QTimer(context);
    auto *clock = new QElapsedTimer;
    clock->start();
    QObject::connect(poll, &QTimer::timeout, context, [poll, clock, act, what, limitMs] {
        QWidget *modal = QApplication::activeModalWidget();
        if (T *dialog = qobject_cast<T *>(modal)) {
            poll->stop();
            poll->deleteLater();
            delete clock;
            act(*dialog);
            return;
        }
        if (clock->elapsed() < limitMs)
            return;
        poll->stop();
        poll->deleteLater();
        delete clock;
        QTest::qFail(qPrintable(QStringLiteral("%1 did not come up").arg(QLatin1String(what))), __FILE__, __LINE__);
        if (auto *other = qobject_cast<QDialog *>(modal))
            other->reject();
    });
    poll->start(20);
}
