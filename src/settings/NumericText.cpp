#include "settings/NumericText.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace {

double roundHalfToEven(double value)
{
    const double nearest = std::round(value);  // halves away from zero
    if (std::abs(value - std::trunc(value)) == 0.5)
        return 2.0 * std::round(value / 2.0);
    return nearest;
}

} // namespace

std::optional<double> numberFromText(const QString &text)
{
    static const QRegularExpression numberPattern(
        QStringLiteral("^ *([+-]?(?:[0-9]+\\.?[0-9]*|\\.[0-9]+)(?:[eE][+-]?[0-9]+)?) *$"));
    const QRegularExpressionMatch match = numberPattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(match.capturedView(1), &ok);
    // Out of double's range: QLocale gives infinity for an overflow and 0 for an underflow,
    // both still numbers (the overflow then fails any whole-number conversion).
    if (!ok && !std::isinf(value) && value != 0.0)
        return std::nullopt;
    return value;
}

std::optional<qint32> roundToInt32(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double whole = roundHalfToEven(value);
    if (whole < double(std::numeric_limits<qint32>::min())
        || whole > double(std::numeric_limits<qint32>::max()))
        return std::nullopt;
    return qint32(whole);
}

std::optional<qint16> toInt16(const QString &text, QString *failureDescription)
{
    const std::optional<double> number = numberFromText(text);
    if (!number) {
        if (failureDescription)
            *failureDescription = QStringLiteral("Type mismatch");
        return std::nullopt;
    }
    const std::optional<qint32> whole = roundToInt32(*number);
    if (!whole || *whole < std::numeric_limits<qint16>::min()
        || *whole > std::numeric_limits<qint16>::max()) {
        if (failureDescription)
            *failureDescription = QStringLiteral("Overflow");
        return std::nullopt;
    }
    return qint16(*whole);
}
