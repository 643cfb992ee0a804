#pragma once

#include <QString>

#include <optional>

// Numbers written as text, as the settings store and the start-up code read them: optional
// blanks around an optional sign, decimal digits with an optional fraction and exponent
// ("12", "-0.5", "2.5e3", " 7 "). Hexadecimal, thousands separators, "inf" and "nan" are not
// numbers. The decimal point is always '.', whatever the user's locale, so stored values mean
// the same everywhere.
std::optional<double> numberFromText(const QString &text);

// Rounds to the nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
// Empty when the result does not fit a signed 32-bit number, or the value is not finite.
std::optional<qint32> roundToInt32(double value);

// Converts text to a 16-bit signed whole number, rounding a fraction half-to-even. On failure
// returns nothing and, when asked, describes why: "Type mismatch" for text that is not a
// number, "Overflow" for a number outside -32768..32767.
std::optional<qint16> toInt16(const QString &text, QString *failureDescription = nullptr);
