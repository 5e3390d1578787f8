#include "qvdbgridtext.h"

QString GridCopyValueText(const QString &value)
{
    bool special = false;
    for (const QChar c : value) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r')
            || c == QLatin1Char('"')) {
            special = true;
            break;
        }
    }
    if (!special)
        return value.isNull() ? QString(QLatin1String("")) : value;
    QString text = value;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

bool IsGridRecordText(const QString &text)
{
    for (const QChar c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            return true;
    }
    return false;
}

QList<TGridPasteRecord> ParseGridRecordText(const QString &text)
{
    enum State {
        FieldStart, // nothing of the field read yet
        Plain, // an unquoted field
        Quoted, // inside quotes
        QuoteSeen, // a quote inside quotes: doubled, or the closing one
        AfterQuote, // after the closing quote, up to the separator (dropped)
    };

    QList<TGridPasteRecord> records;
    TGridPasteRecord record;
    QString field;
    State state = FieldStart;
    int line = 1;
    bool recordOpen = false; // something of the current line has been read
    int quoteLine = 1; // where the open quoted field began

    auto endField = [&] {
        record.values << field;
        field.clear();
        state = FieldStart;
    };
    auto endRecord = [&] {
        endField();
        records << record;
        record = TGridPasteRecord();
        recordOpen = false;
    };

    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        const bool lineEnd = c == QLatin1Char('\n') || c == QLatin1Char('\r');
        // CR LF is one line end, inside quotes as well
        const qsizetype step
            = c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n') ? 2 : 1;
        if (!recordOpen) {
            record.line = line;
            recordOpen = true;
        }
        if (state == FieldStart && c == QLatin1Char('"')) {
            state = Quoted;
            quoteLine = line;
            ++i;
            continue;
        }
        switch (state) {
        case FieldStart:
        case Plain:
            if (c == QLatin1Char('\t')) {
                endField();
            } else if (lineEnd) {
                endRecord();
            } else {
                field += c;
                state = Plain;
            }
            break;
        case Quoted:
            if (c == QLatin1Char('"'))
                state = QuoteSeen;
            else
                field += text.mid(i, lineEnd ? step : 1);
            break;
        case QuoteSeen:
            if (c == QLatin1Char('"')) {
                field += c;
                state = Quoted;
            } else if (c == QLatin1Char('\t')) {
                endField();
            } else if (lineEnd) {
                endRecord();
            } else {
                state = AfterQuote;
            }
            break;
        case AfterQuote:
            if (c == QLatin1Char('\t'))
                endField();
            else if (lineEnd)
                endRecord();
            break;
        }
        if (lineEnd) {
            ++line;
            i += step;
        } else {
            ++i;
        }
    }
    if (state == Quoted) {
        // the quote never closed: the record ends before it, and nothing after it is read
        record.openQuoteLine = quoteLine;
        records << record;
        return records;
    }
    if (recordOpen)
        endRecord();
    return records;
}
