#include "FormatByPattern.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace veilcraft {

namespace {

constexpr int kSignificantDigits = 15;

// Adds one unit in the last place of a string of decimal digits; "99" becomes "100".
std::string incremented(std::string digits)
{
    for (auto position = digits.rbegin(); position != digits.rend(); ++position) {
        if (*position != '9') {
            ++*position;
            return digits;
        }
        *position = '0';
    }
    return "1" + digits;
}

} // namespace

QString FormatByPattern(double value, const QString& pattern)
{
    if (!std::isfinite(value))
        return QString::number(value);
    const qsizetype point = pattern.indexOf(QLatin1Char('.'));
    const qsizetype places = point < 0 ? 0 : pattern.mid(point + 1).count(QLatin1Char('#'));

    // The decimal digits of the magnitude, "d.ddd...e±x", split at the point.
    char text[64];
    std::snprintf(text, sizeof text, "%.*e", kSignificantDigits - 1, std::fabs(value));
    std::string digits = std::string(1, text[0]) + std::string(text + 2, kSignificantDigits - 1);
    const int integerDigits = std::atoi(std::strchr(text, 'e') + 1) + 1;
    if (integerDigits <= 0)
        digits.insert(0, static_cast<std::size_t>(-integerDigits), '0');
    else if (integerDigits > kSignificantDigits)
        digits.append(static_cast<std::size_t>(integerDigits - kSignificantDigits), '0');
    const std::size_t integerLength = integerDigits > 0 ? static_cast<std::size_t>(integerDigits) : 0;

    // Keep the wanted places, rounding half up on the first dropped digit.
    const std::size_t kept = integerLength + static_cast<std::size_t>(places);
    std::string rounded = digits.substr(0, std::min(kept, digits.size()));
    rounded.append(kept - rounded.size(), '0');
    if (kept < digits.size() && digits[kept] >= '5')
        rounded = incremented(rounded);

    const std::size_t carry = rounded.size() - kept; // 1 when rounding added a digit in front
    std::string integerPart = rounded.substr(0, integerLength + carry);
    std::string fraction = rounded.substr(integerLength + carry);
    integerPart.erase(0, std::min(integerPart.find_first_not_of('0'), integerPart.size()));
    fraction.erase(fraction.find_last_not_of('0') + 1);

    std::string result = integerPart;
    if (point >= 0)
        result += "." + fraction;
    if (value < 0 && (!integerPart.empty() || !fraction.empty()))
        result.insert(0, 1, '-');
    return QString::fromLatin1(result);
}

QString DefaultDateText(const QDateTime& value)
{
    if (!value.isValid())
        return {};
    // Made once: the system's locale is asked for every row of a listing.
    static const QLocale locale = QLocale::system();
    QString text = locale.toString(value.date(), QLocale::ShortFormat);
    if (value.time() != QTime(0, 0))
        text += QLatin1Char(' ') + locale.toString(value.time(), QLocale::ShortFormat);
    return text;
}

} // namespace veilcraft
