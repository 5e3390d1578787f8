#include "qvscript.h"

QString TrimControl(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size() - 1;
    while (first <= last && text.at(first).unicode() <= 0x20)
        ++first;
    while (last >= first && text.at(last).unicode() <= 0x20)
        --last;
    return text.mid(first, last - first + 1);
}

QStringList SplitScriptStatements(const QStringList &lines)
{
    QStringList statements;
    QString buffer;
    const auto flush = [&statements, &buffer] {
        if (!TrimControl(buffer).isEmpty())
            statements << buffer;
        buffer.clear();
    };
    for (const QString &line : lines) {
        if (TrimControl(line) == QLatin1String(";")) {
            flush();
        } else {
            buffer += line;
            buffer += QLatin1String("\r\n");
        }
    }
    flush();
    return statements;
}
