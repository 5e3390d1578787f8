#include "qvcmdline.h"

#include <cstring>

namespace qvcmdline {

// The value after the switch when argument starts with it (letters in any case).
bool takeSwitch(const QString &argument, const QString &name, QString &value)
{
    if (!argument.startsWith(name, Qt::CaseInsensitive))
        return false;
    value = argument.mid(name.size());
    return true;
}

} // namespace qvcmdline

TCommandLine ReadCommandLine(int argc, char **argv)
{
    using namespace qvcmdline;
    TCommandLine line;
    for (int i = 1; i < argc && argv && argv[i]; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        QString value;
        // "/PS=" before "/P=", whose three characters it does not share anyway.
        if (takeSwitch(argument, QStringLiteral("/PS="), value)) {
            line.Password = value;
            const std::size_t length = std::strlen(argv[i]);
            if (length > 4)
                std::memset(argv[i] + 4, 0, length - 4);
        } else if (takeSwitch(argument, QStringLiteral("/U="), value)) {
            line.UserID = value;
        } else if (takeSwitch(argument, QStringLiteral("/D="), value)) {
            line.Database = value;
        } else if (takeSwitch(argument, QStringLiteral("/H="), value)) {
            line.Host = value;
        } else if (takeSwitch(argument, QStringLiteral("/P="), value)) {
            line.Port = value;
        } else if (takeSwitch(argument, QStringLiteral("/S="), value)) {
            line.Schema = value;
        }
    }
    return line;
}
