// Key times made local by each instant's own rules. Run under a zone with
// daylight saving (tests/seasons_case.sh sets TZ and writes keys with past
// times straight into user.reg): Seasons in Central Europe, with a summer's
// key and a winter's; NewYear in Cuba, with keys of two New Years whose
// years' rules differ.
#include "test_host.h"
#include "scan/scan.h"
#include "results/results.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <map>

namespace {

const char SeasonsKey[] = "Software\\QuillmereTest\\Seasons";
const char NewYearKey[] = "Software\\QuillmereTest\\NewYear";
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

int YearOf(int64_t ticks)
{
    const FILETIME time = TicksToFileTime(ticks);
    SYSTEMTIME fields;
    FileTimeToSystemTime(&time, &fields);
    return fields.wYear;
}

// The system's conversion by one year's rules.
int64_t ClockByRulesOf(int year, int64_t utc)
{
    static std::map<int, TIME_ZONE_INFORMATION> zones;
    if (!zones.count(year))
        GetTimeZoneInformationForYear(WORD(year), nullptr, &zones[year]);
    const FILETIME time = TicksToFileTime(utc);
    SYSTEMTIME universal, local;
    FileTimeToSystemTime(&time, &universal);
    SystemTimeToTzSpecificLocalTime(&zones[year], &universal, &local);
    FILETIME localTime;
    SystemTimeToFileTime(&local, &localTime);
    return FileTimeTicks(localTime) + utc % 10000;
}

// By the rules of the year the clock showed (SystemTimeToTzSpecificLocalTimeEx
// takes the UTC year's, and Wine lacks it): the first of the UTC year's
// neighbours and itself whose rules show their own year; where none do (at
// New Year two years' rules may leave a gap), the earlier of the UTC year
// and the year its rules show.
int64_t ExpectedClock(int64_t utc)
{
    const int year = YearOf(utc);
    for (int rules = year - 1; rules <= year + 1; ++rules)
        if (YearOf(ClockByRulesOf(rules, utc)) == rules)
            return ClockByRulesOf(rules, utc);
    return ClockByRulesOf(std::min(year, YearOf(ClockByRulesOf(year, utc))), utc);
}

int64_t ActualClock(int64_t utc)
{
    FILETIME local;
    ConvertToLocalTime(TicksToFileTime(utc), local);
    return FileTimeTicks(local);
}

// Every instant of three decades, and each change-over to the tick.
void ExpectEveryInstantAsByItsLocalYearsRules()
{
    ForgetTimeZoneRules();
    const SYSTEMTIME year2000{2000, 1, 0, 1, 0, 0, 0, 0};
    FILETIME start;
    SystemTimeToFileTime(&year2000, &start);
    int changes = 0;
    // Every 7 hours and a bit, so each hour of the day comes up.
    const int64_t first = FileTimeTicks(start), step = 7 * TicksPerHour + 12345678;
    for (int64_t utc = first; utc < first + 30 * 8766 * TicksPerHour; utc += step) {
        ASSERT_EQ(ActualClock(utc), ExpectedClock(utc)) << TimeTextOf(utc) << " UTC";
        // Between two samples the offset changed: pin the change and check
        // the millisecond on each side.
        const int64_t before = utc - step;
        if (utc > first && ExpectedClock(utc) - utc != ExpectedClock(before) - before) {
            int64_t low = before, high = utc;
            while (high - low > 1) {
                const int64_t middle = low + (high - low) / 2;
                (ExpectedClock(middle) - middle == ExpectedClock(low) - low ? low : high) = middle;
            }
            ++changes;
            EXPECT_EQ(ActualClock(low), ExpectedClock(low)) << TimeTextOf(low) << " UTC";
            EXPECT_EQ(ActualClock(high), ExpectedClock(high)) << TimeTextOf(high) << " UTC";
        }
    }
    EXPECT_GE(changes, 2 * 30 - 4);   // Cuba kept daylight saving time from 2004 to 2006
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
// as the system converts it by the rules of the year its clock showed.
TEST(Seasons, EveryInstantReadsAsTheSystemConvertsItByItsDatesRules)
{
    ExpectEveryInstantAsByItsLocalYearsRules();
}

// Cuba kept daylight saving time (UTC-4) through the winter of 2005-06, not
// through that of 2003-04 (UTC-5 then): at New Year each year's rules differ
// from the last year's. Written at 02:30 UTC on 1 January 2004 and at 04:30
// UTC on 1 January 2006, the keys read 21:30 on 31 December 2003 and 0:30 on
// 1 January 2006, as the clock showed.
TEST(NewYear, EachKeyReadsTheClockOfItsLocalYear)
{
    HKEY newYear;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, NewYearKey, 0, KEY_READ, &newYear), ERROR_SUCCESS);
    const int64_t late2003 = WriteTime(newYear, "Late2003"), early2006 = WriteTime(newYear, "Early2006");
    const std::string name = std::string("HKEY_CURRENT_USER\\") + NewYearKey, root = name + "\\";
    ResetScanState();
    OpenTimeWindowWide();
    WalkKey(newYear, name.c_str());
    RegCloseKey(newYear);
    EXPECT_EQ(ListedTime(root + "Late2003"), TimeTextOf(late2003 - 5 * TicksPerHour));
    EXPECT_EQ(ListedTime(root + "Early2006"), TimeTextOf(early2006 - 4 * TicksPerHour));
}

// Instants around Cuba's New Years whose clock the IANA time zone data gives
// (Python's zoneinfo for America/Havana), by the expectation and by the walk,
// then every instant as the system converts it by its local year's rules.
TEST(NewYear, EveryInstantReadsTheClockOfItsLocalYear)
{
    struct Known {
        SYSTEMTIME utc;
        int offsetHours;
    };
    const Known known[] = {
        {{2003, 7, 0, 1, 12, 0, 0, 0}, -4},  {{2004, 1, 0, 1, 2, 30, 0, 0}, -5},
        {{2004, 1, 0, 1, 4, 30, 0, 0}, -5},  {{2004, 1, 0, 1, 5, 30, 0, 0}, -5},
        {{2005, 1, 0, 15, 12, 0, 0, 0}, -4}, {{2006, 1, 0, 1, 3, 30, 0, 0}, -4},
        {{2006, 1, 0, 1, 4, 30, 0, 0}, -4},  {{2006, 1, 0, 1, 5, 30, 0, 0}, -4},
        {{2006, 12, 0, 31, 23, 30, 0, 0}, -5},
    };
    ForgetTimeZoneRules();
    for (const Known& instant : known) {
        FILETIME time;
        SystemTimeToFileTime(&instant.utc, &time);
        const int64_t utc = FileTimeTicks(time), clock = utc + instant.offsetHours * TicksPerHour;
        EXPECT_EQ(TimeTextOf(ExpectedClock(utc)), TimeTextOf(clock)) << TimeTextOf(utc) << " UTC";
        EXPECT_EQ(TimeTextOf(ActualClock(utc)), TimeTextOf(clock)) << TimeTextOf(utc) << " UTC";
    }
    ExpectEveryInstantAsByItsLocalYearsRules();
}
