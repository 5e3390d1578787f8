#include "qvwaitcursor.h"

#include <QCursor>
#include <QGuiApplication>

SQLWaitCursor::SQLWaitCursor()
    : m_active(qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr)
{
    if (m_active)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

SQLWaitCursor::~SQLWaitCursor()
{
    if (m_active)
        QGuiApplication::restoreOverrideCursor();
}
