#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <QWidget>

// Shows window, makes it the active window and waits until it is, so that focus and key
// events reach its widgets as they would a user's.
inline bool showActive(QWidget &window)
{
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    return QTest::qWaitForWindowActive(&window);
}

// Runs action as soon as the next modal dialog is up, with that dialog; gives up after a
// few seconds so that a test that opened no dialog does not hang.
template<class Action> void whenModal(Action action)
{
    auto *poll = new QTimer(qApp);
    auto *elapsed = new int(0);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, elapsed, action] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible()) {
            poll->stop();
            poll->deleteLater();
            delete elapsed;
            action(modal);
        } else if ((*elapsed += 10) > 5000) {
            poll->stop();
            poll->deleteLater();
            delete elapsed;
        }
    });
    poll->start(10);
}

// Types text into widget one character at a time, as key presses carrying the character
// (QTest's own helpers take ASCII only).
inline void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x80 && c.isPrint()) {
            QTest::keyClick(widget, c.toLatin1());
        } else {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(widget, &press);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(widget, &release);
        }
    }
}
