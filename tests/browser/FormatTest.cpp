#include "BrowserKinds.h"
#include "FormatByPattern.h"

#include <gtest/gtest.h>

#include <QLocale>

using namespace veilcraft;

namespace {

TEST(FormatByPatternTest, IntegerPartWithoutLeadingZerosAndPointAlwaysWritten)
{
    EXPECT_EQ(FormatByPattern(0.5, QStringLiteral("###.###")), QStringLiteral(".5"));
    EXPECT_EQ(FormatByPattern(3.0, QStringLiteral("###.###")), QStringLiteral("3."));
    EXPECT_EQ(FormatByPattern(0.0, QStringLiteral("########.##")), QStringLiteral("."));
    EXPECT_EQ(FormatByPattern(152.5, QStringLiteral("#######.##")), QStringLiteral("152.5"));
    // More integer digits than the pattern has placeholders are all written.
    EXPECT_EQ(FormatByPattern(123456.25, QStringLiteral("##.##")), QStringLiteral("123456.25"));
    EXPECT_EQ(FormatByPattern(1e20, QStringLiteral("#.#")), QStringLiteral("100000000000000000000."));
}

TEST(FormatByPatternTest, LastFractionDigitIsRoundedHalfUpAndTrailingZerosDropped)
{
    EXPECT_EQ(FormatByPattern(1234.5678, QStringLiteral("########.##")), QStringLiteral("1234.57"));
    EXPECT_EQ(FormatByPattern(0.125, QStringLiteral("#.##")), QStringLiteral(".13"));  // a tie goes up
    EXPECT_EQ(FormatByPattern(1.005, QStringLiteral("#.##")), QStringLiteral("1.01")); // as written, not as stored
    EXPECT_EQ(FormatByPattern(2.5004, QStringLiteral("#.###")), QStringLiteral("2.5"));
    EXPECT_EQ(FormatByPattern(9.9996, QStringLiteral("#.###")), QStringLiteral("10.")); // carry into the integer
    EXPECT_EQ(FormatByPattern(0.0004, QStringLiteral("###.###")), QStringLiteral("."));
    EXPECT_EQ(FormatByPattern(0.0005, QStringLiteral("###.###")), QStringLiteral(".001"));
    EXPECT_EQ(FormatByPattern(1.0 / 1024, QStringLiteral("########.##")), QStringLiteral("."));
}

TEST(FormatByPatternTest, NegativeValuesAndPatternsWithoutPoint)
{
    EXPECT_EQ(FormatByPattern(-0.5, QStringLiteral("###.###")), QStringLiteral("-.5"));
    EXPECT_EQ(FormatByPattern(-0.0001, QStringLiteral("#.##")), QStringLiteral("."));
    EXPECT_EQ(FormatByPattern(2.5, QStringLiteral("###")), QStringLiteral("3"));
}

TEST(DefaultDateTextTest, ShortDateThenShortTimeExceptAtMidnight)
{
    const QLocale locale = QLocale::system();
    const QDate date(2026, 3, 14);
    const QString dateText = locale.toString(date, QLocale::ShortFormat);
    EXPECT_EQ(DefaultDateText(QDateTime(date, QTime(0, 0))), dateText);
    const QTime time(13, 5, 9);
    EXPECT_EQ(DefaultDateText(QDateTime(date, time)),
              dateText + QLatin1Char(' ') + locale.toString(time, QLocale::ShortFormat));
    // A millisecond after midnight is no longer midnight.
    EXPECT_NE(DefaultDateText(QDateTime(date, QTime(0, 0, 0, 1))), dateText);
    EXPECT_EQ(DefaultDateText(QDateTime()), QString());
}

TEST(BrowserKindsTest, CodesAreThoseTheTreeAndListStore)
{
    EXPECT_EQ(static_cast<int>(NodeKind::Folder), 0);
    EXPECT_EQ(static_cast<int>(NodeKind::ExpandedFolder), 1);
    EXPECT_EQ(static_cast<int>(NodeKind::Drive), 2);
    EXPECT_EQ(static_cast<int>(NodeKind::MyComputer), 3);
    EXPECT_EQ(static_cast<int>(NodeKind::Desktop), 4);
    EXPECT_EQ(static_cast<int>(ItemKind::Drive), 0);
    EXPECT_EQ(static_cast<int>(ItemKind::Folder), 1);
    EXPECT_EQ(static_cast<int>(ItemKind::File), 2);
}

} // namespace
