#pragma once

#include <QString>
#include <QStringList>

#include <ostream>

// Readable failure messages for texts.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}
