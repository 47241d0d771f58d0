#pragma once

#include <QDateTime>
#include <QString>

namespace veilcraft {

// A number by a digit-placeholder pattern such as "###.###": the integer part
// without leading zeros (nothing when it is 0), the decimal point, as many
// fraction digits as the pattern has "#" after its point, the last one
// rounded half up, trailing zeros of the fraction dropped. 0.5 with "###.###"
// gives ".5", 3 gives "3.". A pattern without a point gives the rounded
// integer part alone. The value is taken at 15 significant digits, so 1.005
// rounds to 1.01 as it reads rather than by its binary form.
[[nodiscard]] QString FormatByPattern(double value, const QString& pattern);

// The system's default date-and-time text: the short date, then the short
// time unless the time is exactly midnight. Empty for an invalid value.
[[nodiscard]] QString DefaultDateText(const QDateTime& value);

} // namespace veilcraft
