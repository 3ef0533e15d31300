// Key times made local by each instant's own rules. Run under a zone with
// daylight saving (tests/seasons_case.sh sets TZ and writes two keys with
// past times, one a summer's and one a winter's, straight into user.reg).
#include "test_host.h"
#include "scan/scan.h"
#include "results/results.h"
#include <gtest/gtest.h>
#include <map>

namespace {

const char SeasonsKey[] = "Software\\QuillmereTest\\Seasons";
constexpr int64_t TicksPerHour = 3600LL * 10000000;

int64_t WriteTime(HKEY parent, const char* name)
{
    HKEY key;
    FILETIME utc{};
    if (RegOpenKeyExA(parent, name, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, &utc);
        RegCloseKey(key);
    }
    return FileTimeTicks(utc);
}

std::string ListedTime(const std::string& path)
{
    for (int row = 0; row < ListRowCount(); ++row)
        if (RowText(row, 1) == path)
            return RowText(row, 2);
    return "not listed";
}

}  // namespace

// Central European time: UTC+2 in summer, UTC+1 in winter, whatever the
// season the test runs in.
TEST(Seasons, EachKeyReadsTheClockOfItsSeasonAndAWindowSetByThatClockFindsIt)
{
    HKEY seasons;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, SeasonsKey, 0, KEY_READ, &seasons), ERROR_SUCCESS);
    const int64_t summer = WriteTime(seasons, "Summer"), winter = WriteTime(seasons, "Winter");
    const std::string name = std::string("HKEY_CURRENT_USER\\") + SeasonsKey, root = name + "\\";
    ResetScanState();
    OpenTimeWindowWide();
    WalkKey(seasons, name.c_str());
    EXPECT_EQ(ListedTime(root + "Summer"), TimeTextOf(summer + 2 * TicksPerHour));
    EXPECT_EQ(ListedTime(root + "Winter"), TimeTextOf(winter + 1 * TicksPerHour));

    // The window as the user sets it: the wall clock around the summer key.
    ResetScanState();
    const int64_t summerClock = summer + 2 * TicksPerHour;
    SetTimeWindowTicks(summerClock - TicksPerHour / 12, summerClock + TicksPerHour / 12);
    WalkKey(seasons, name.c_str());
    RegCloseKey(seasons);
    ASSERT_EQ(ListRowCount(), 1);
    EXPECT_EQ(RowText(0, 1), root + "Summer");
}

// Every instant of three decades, and each change-over to the tick, reads
// as the system's own conversion by that date's rules gives it.
TEST(Seasons, EveryInstantReadsAsTheSystemConvertsItByItsDatesRules)
{
    // The system's conversion by the rules of the instant's own year, as
    // SystemTimeToTzSpecificLocalTimeEx has it (which Wine lacks).
    std::map<WORD, TIME_ZONE_INFORMATION> zones;
    auto expected = [&](int64_t utc) {
        const FILETIME time = TicksToFileTime(utc);
        SYSTEMTIME universal, local;
        FileTimeToSystemTime(&time, &universal);
        if (!zones.count(universal.wYear))
            GetTimeZoneInformationForYear(universal.wYear, nullptr, &zones[universal.wYear]);
        SystemTimeToTzSpecificLocalTime(&zones[universal.wYear], &universal, &local);
        FILETIME localTime;
        SystemTimeToFileTime(&local, &localTime);
        return FileTimeTicks(localTime) + utc % 10000;
    };
    auto actual = [](int64_t utc) {
        FILETIME local;
        ConvertToLocalTime(TicksToFileTime(utc), local);
        return FileTimeTicks(local);
    };
    ForgetTimeZoneRules();
    const SYSTEMTIME year2000{2000, 1, 0, 1, 0, 0, 0, 0};
    FILETIME start;
    SystemTimeToFileTime(&year2000, &start);
    int changes = 0;
    // Every 7 hours and a bit, so each hour of the day comes up.
    const int64_t first = FileTimeTicks(start), step = 7 * TicksPerHour + 12345678;
    for (int64_t utc = first; utc < first + 30 * 8766 * TicksPerHour; utc += step) {
        ASSERT_EQ(actual(utc), expected(utc)) << TimeTextOf(utc) << " UTC";
        // Between two samples the offset changed: pin the change and check
        // the millisecond on each side.
        const int64_t before = utc - step;
        if (utc > first && expected(utc) - utc != expected(before) - before) {
            int64_t low = before, high = utc;
            while (high - low > 1) {
                const int64_t middle = low + (high - low) / 2;
                (expected(middle) - middle == expected(low) - low ? low : high) = middle;
            }
            ++changes;
            EXPECT_EQ(actual(low), expected(low)) << TimeTextOf(low) << " UTC";
            EXPECT_EQ(actual(high), expected(high)) << TimeTextOf(high) << " UTC";
        }
    }
    EXPECT_GE(changes, 2 * 30);
}
