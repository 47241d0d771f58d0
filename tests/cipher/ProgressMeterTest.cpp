#include "ProgressEvent.h"
#include "ProgressMeter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

namespace {

using veilcraft::ProgressEvent;
using veilcraft::ProgressMeter;

// One raised event: the unit position the caller was at, and the percentage.
using Raised = std::pair<std::uint64_t, int>;

// Records what a meter raises, together with the position last handed to it.
struct Recorder {
    ProgressEvent event;
    std::uint64_t position = 0;
    std::vector<Raised> raised;
    std::vector<int> percents;

    Recorder()
    {
        event.connect([this](int& percent) {
            raised.emplace_back(position, percent);
            percents.push_back(percent);
        });
    }
};

std::vector<Raised> unitByUnit(std::uint64_t total)
{
    Recorder recorder;
    ProgressMeter meter(recorder.event, total);
    for (std::uint64_t o = 0; o < total; ++o) {
        recorder.position = o;
        meter.after(o);
    }
    return recorder.raised;
}

// Catches a meter that needs a first threshold other than 0, or that reports
// anything but 0 for the first unit, whatever the total.
TEST(ProgressMeterRule, FirstUnitRaisesZero)
{
    for (const std::uint64_t total : {std::uint64_t{1}, std::uint64_t{7}, std::uint64_t{1000},
                                      std::uint64_t{1} << 40}) {
        Recorder recorder;
        ProgressMeter meter(recorder.event, total);
        EXPECT_EQ(meter.next(), 0u);
        meter.after(0);
        EXPECT_EQ(recorder.percents, std::vector<int>{0}) << total;
        EXPECT_GT(meter.next(), 0u) << total;
    }
}

// Catches a finish() that raises anything but a single 100.
TEST(ProgressMeterRule, FinishRaisesOne100)
{
    Recorder recorder;
    const ProgressMeter meter(recorder.event, 0);
    meter.finish();
    EXPECT_EQ(recorder.percents, std::vector<int>{100});
}

// Pins sequences computed independently. Total 100 shows that the percentage
// is int(o / total * 100) in double precision: 58 / 100 * 100 is just below
// 58, so unit 58 raises 57 (integer arithmetic would raise 58).
TEST(ProgressMeterRule, PinnedSequences)
{
    EXPECT_EQ(unitByUnit(1), (std::vector<Raised>{{0, 0}}));
    EXPECT_EQ(unitByUnit(2), (std::vector<Raised>{{0, 0}, {1, 50}}));
    EXPECT_EQ(unitByUnit(3), (std::vector<Raised>{{0, 0}, {1, 33}, {2, 66}}));

    std::vector<Raised> hundred;
    for (std::uint64_t o = 0; o <= 56; o += 2)
        hundred.emplace_back(o, static_cast<int>(o));
    hundred.emplace_back(58, 57);
    for (std::uint64_t o = 59; o <= 99; o += 2)
        hundred.emplace_back(o, static_cast<int>(o));
    EXPECT_EQ(unitByUnit(100), hundred);

    std::vector<Raised> hundredOne{{0, 0}};
    for (std::uint64_t o = 2; o <= 50; ++o)
        hundredOne.emplace_back(o, static_cast<int>(o) - 1);
    for (std::uint64_t o = 52; o <= 100; o += 2)
        hundredOne.emplace_back(o, static_cast<int>(o) - 1);
    EXPECT_EQ(unitByUnit(101), hundredOne);
}

// The threshold total * (Cur + 1) / 100 + 1 is rounded half to even. For 150
// units it is 2.5 after the first event: ties-to-even gives 2, half-up would
// give 3 and the sequence would start 0, 2, 4, ... at units 0, 3, 6.
TEST(ProgressMeterRule, ThresholdTiesRoundToEven)
{
    const std::vector<Raised> raised = unitByUnit(150);
    ASSERT_GE(raised.size(), 5u);
    EXPECT_EQ(raised[0], Raised(0, 0));
    EXPECT_EQ(raised[1], Raised(2, 1));
    EXPECT_EQ(raised[2], Raised(4, 2));
    EXPECT_EQ(raised[3], Raised(6, 4));
    EXPECT_EQ(raised[4], Raised(8, 5));
    EXPECT_EQ(raised.size(), 75u);
    EXPECT_EQ(raised.back(), Raised(148, 98));

    // The first threshold for several totals: ties to even both down (150:
    // 2.5 -> 2) and up (250: 3.5 -> 4); non-ties to nearest (199: 2.99 -> 3,
    // which truncation would get wrong).
    const std::pair<std::uint64_t, std::uint64_t> firstThreshold[] = {
        {150, 2}, {250, 4}, {350, 4}, {101, 2}, {199, 3}, {50, 2}, {1, 1},
    };
    for (const auto& [total, next] : firstThreshold) {
        Recorder recorder;
        ProgressMeter meter(recorder.event, total);
        meter.after(0);
        EXPECT_EQ(meter.next(), next) << total;
    }
}

// --- skipThrough ---------------------------------------------------------------

struct Walk {
    std::vector<int> percents;
    std::uint64_t next;
};

Walk walkUnitByUnit(std::uint64_t total, std::uint64_t walked, std::uint64_t start, std::uint64_t step)
{
    Recorder recorder;
    ProgressMeter meter(recorder.event, total);
    for (std::uint64_t o = 0; o < walked && o < total; o += step)
        meter.after(o);
    for (std::uint64_t o = start; o < total; o += step)
        meter.after(o);
    return {recorder.percents, meter.next()};
}

Walk walkSkipping(std::uint64_t total, std::uint64_t walked, std::uint64_t start, std::uint64_t step)
{
    Recorder recorder;
    ProgressMeter meter(recorder.event, total);
    for (std::uint64_t o = 0; o < walked && o < total; o += step)
        meter.after(o);
    meter.skipThrough(start, step);
    return {recorder.percents, meter.next()};
}

// Catches a skipThrough that jumps over a unit that reaches a threshold, lands
// off the step grid, raises an event twice, or stops early, compared with the
// plain loop it stands for, from a fresh meter and from one already part-way.
TEST(ProgressMeterSkip, RaisesExactlyWhatAUnitByUnitLoopRaises)
{
    const std::uint64_t totals[] = {0, 1, 7, 8, 9, 16, 17, 100, 101, 150, 999, 1000, 4096, 12345, 100003,
                                    (std::uint64_t{1} << 20) + 13};
    for (const std::uint64_t total : totals) {
        for (const std::uint64_t step : {std::uint64_t{1}, std::uint64_t{8}}) {
            // (units already walked one by one, where skipping starts)
            const std::uint64_t half = total / 2 / step * step;
            const std::pair<std::uint64_t, std::uint64_t> starts[] = {{0, 0}, {0, 8}, {16, 16}, {0, 5},
                                                                      {3 * step, 3 * step}, {half, half}};
            for (const auto& [walked, start] : starts) {
                const Walk expected = walkUnitByUnit(total, walked, start, step);
                const Walk actual = walkSkipping(total, walked, start, step);
                EXPECT_EQ(actual.percents, expected.percents)
                    << "total " << total << " step " << step << " walked " << walked << " start " << start;
                EXPECT_EQ(actual.next, expected.next)
                    << "total " << total << " step " << step << " walked " << walked << " start " << start;
            }
        }
    }
}

// Catches a skipThrough that raises anything for a start at or past the end.
TEST(ProgressMeterSkip, StartAtOrPastTheEndRaisesNothing)
{
    Recorder recorder;
    ProgressMeter meter(recorder.event, 64);
    meter.skipThrough(64, 8);
    meter.skipThrough(1000, 1);
    EXPECT_TRUE(recorder.percents.empty());
}

}  // namespace
