#pragma once

#include <QString>
#include <QValidator>

#include <optional>

// Numbers as the number boxes hold them. The text always uses "." as its decimal point and
// no thousands separator, whatever the user's locale: the same text goes into SQL, and a
// comma-decimal locale must not read "1.5" as fifteen.

// Keeps the digits 0-9 and the last "." of text; with allowMinus a "-" anywhere in text puts
// one "-" in front. Idempotent. When cursor is given it is moved to the same place in the
// filtered text.
QString FilterNumericText(const QString &text, bool allowMinus, int *cursor = nullptr);

// The number in text ("1.5", " -2 ", "1e3", ".5"), else defaultValue. Infinite and NaN texts
// are not numbers.
double StrToFloatDefault(const QString &text, double defaultValue);

// value in the general format with up to 15 significant digits ("0" for zero, "1.5E20" for
// large ones).
QString FloatToText(double value);

// value with up to 15 significant digits and never an exponent ("100000000000000000000",
// "0.000001"): the form a number box shows, since its filter would take an exponent apart.
QString FloatToDecimalText(double value);

// value rounded to the nearest integer, a half to the even neighbour; nothing when the result
// leaves the 32-bit range or value is not finite.
std::optional<qint32> RoundToInt32(double value);

// Applies FilterNumericText to every edit of a line edit, typed, pasted or set by the program,
// so that no one connected to the edit ever sees an unfiltered text.
class NumericTextValidator : public QValidator
{
    Q_OBJECT
public:
    explicit NumericTextValidator(QObject *parent = nullptr);

    bool allowMinus() const { return m_allowMinus; }
    void setAllowMinus(bool allow) { m_allowMinus = allow; }

    State validate(QString &input, int &pos) const override;

private:
    bool m_allowMinus = false;
};
