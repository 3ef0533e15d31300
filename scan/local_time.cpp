// A key's UTC write time as the clock showed it then: by the time zone's
// rules for the year the clock showed (daylight saving dates included), not
// by today's offset as FileTimeToLocalFileTime has it.
#include "scan/scan.h"
#include <array>
#include <cstdio>

namespace {

constexpr int64_t TicksPerMs = 10000;
constexpr int64_t TicksPerHour = 3600LL * 1000 * TicksPerMs;
constexpr int64_t TicksPerDay = 24 * TicksPerHour;
// A year's rules change the offset twice at most, and the neighbouring
// years' rules once more at each end; more would be another zone's data
// than Windows keeps, and such a year is converted key by key.
constexpr int MostChanges = 4;

// The rules of the year before, of the year itself, of the year after.
enum { Before, Own, After };

// The offsets of one UTC year: from its start, and from each change on.
struct YearOffsets {
    int64_t start = 0, end = 0;          // UTC ticks, [start, end)
    int changes = 0;                     // -1: convert each time
    std::array<int64_t, MostChanges> changeAt{};
    std::array<int64_t, MostChanges + 1> offset{};
    std::array<TIME_ZONE_INFORMATION, 3> zone{};
};

// The years met in this scan; the walk's thread alone uses them.
std::array<YearOffsets, 8> Years;
int YearsKnown;
int LastYear;

// The one exact conversion, at the whole milliseconds SYSTEMTIME keeps;
// false where the zone's rules cannot be applied.
bool OffsetAt(const TIME_ZONE_INFORMATION& zone, int64_t utc, int64_t& offset)
{
    const FILETIME whole = TicksToFileTime(utc - utc % TicksPerMs);
    SYSTEMTIME universal, local;
    FILETIME localTime;
    if (!FileTimeToSystemTime(&whole, &universal) || !SystemTimeToTzSpecificLocalTime(&zone, &universal, &local)
        || !SystemTimeToFileTime(&local, &localTime))
        return false;
    offset = FileTimeTicks(localTime) - FileTimeTicks(whole);
    return true;
}

// The offset by the rules of the year the clock showed. A UTC year's first
// or last hours may show another year, whose rules can differ (daylight
// saving kept through one winter and not the next). Where the two years'
// rules disagree on which year it is, they overlap or leave a gap, and the
// earlier year's rules hold until both have passed midnight.
bool LocalOffsetAt(const YearOffsets& year, int64_t utc, int64_t& offset)
{
    if (!OffsetAt(year.zone[Own], utc, offset))
        return false;
    if (year.start + TicksPerDay <= utc && utc < year.end - TicksPerDay)
        return true;
    int64_t other = 0;
    if (utc + offset < year.start) {
        if (OffsetAt(year.zone[Before], utc, other))
            offset = other;
    } else if (utc + offset >= year.end) {
        if (OffsetAt(year.zone[After], utc, other) && utc + other >= year.end)
            offset = other;
    } else if (utc < year.start + TicksPerDay && OffsetAt(year.zone[Before], utc, other) && utc + other < year.start) {
        offset = other;
    }
    return true;
}

// The first millisecond after `from` that has the offset of `to`.
int64_t FindChange(const YearOffsets& year, int64_t from, int64_t to, int64_t newOffset)
{
    while (to - from > TicksPerMs) {
        const int64_t middle = from + (to - from) / TicksPerMs / 2 * TicksPerMs;
        int64_t offset = 0;
        if (LocalOffsetAt(year, middle, offset) && offset == newOffset)
            to = middle;
        else
            from = middle;
    }
    return to;
}

// Samples the year day by day (a daylight saving period lasts weeks), its
// first and last day hour by hour (where a neighbouring year's rules may
// hold), and pins each change to its millisecond.
bool MakeYear(WORD year, YearOffsets& offsets)
{
    offsets = {};
    const SYSTEMTIME first{year, 1, 0, 1, 0, 0, 0, 0}, next{WORD(year + 1), 1, 0, 1, 0, 0, 0, 0};
    FILETIME start, end;
    if (!SystemTimeToFileTime(&first, &start) || !SystemTimeToFileTime(&next, &end))
        return false;
    offsets.start = FileTimeTicks(start);
    offsets.end = FileTimeTicks(end);
    // The years' own rules, from the system's dynamic data where it has them;
    // a neighbour without rules of its own takes this year's.
    if (!GetTimeZoneInformationForYear(year, nullptr, &offsets.zone[Own])
        && GetTimeZoneInformation(&offsets.zone[Own]) == TIME_ZONE_ID_INVALID)
        return false;
    for (int side : {Before, After})
        if (!GetTimeZoneInformationForYear(WORD(side == Before ? year - 1 : year + 1), nullptr, &offsets.zone[side]))
            offsets.zone[side] = offsets.zone[Own];
    int64_t previous = offsets.start, current = 0;
    if (!LocalOffsetAt(offsets, previous, current))
        return false;
    offsets.offset[0] = current;
    for (int64_t at = offsets.start + TicksPerHour;;) {
        if (at >= offsets.end)
            at = offsets.end - TicksPerMs;
        int64_t offset = 0;
        if (!LocalOffsetAt(offsets, at, offset))
            return false;
        if (offset != current) {
            if (offsets.changes == MostChanges) {
                offsets.changes = -1;
                return true;
            }
            offsets.changeAt[offsets.changes] = FindChange(offsets, previous, at, offset);
            offsets.offset[++offsets.changes] = current = offset;
        }
        if (at == offsets.end - TicksPerMs)
            return true;
        previous = at;
        at += at < offsets.start + TicksPerDay || at >= offsets.end - 2 * TicksPerDay ? TicksPerHour : TicksPerDay;
    }
}

bool Holds(const YearOffsets& year, int64_t utc)
{
    return year.start <= utc && utc < year.end;
}

// The last year met first: keys come in runs of one year.
const YearOffsets* FindYear(int64_t utc)
{
    if (LastYear < YearsKnown && Holds(Years[LastYear], utc))
        return &Years[LastYear];
    for (int i = 0; i < YearsKnown; ++i)
        if (Holds(Years[i], utc))
            return &Years[LastYear = i];
    FILETIME time = TicksToFileTime(utc);
    SYSTEMTIME fields;
    if (!FileTimeToSystemTime(&time, &fields))
        return nullptr;
    // Round robin once full: keys cluster in a few years.
    const int slot = YearsKnown < int(Years.size()) ? YearsKnown++ : (LastYear + 1) % int(Years.size());
    YearOffsets& year = Years[slot];
    if (!MakeYear(fields.wYear, year))
        year.changes = -1;
    if (!Holds(year, utc)) {
        year = {};
        return nullptr;
    }
    return &Years[LastYear = slot];
}

}  // namespace

void ForgetTimeZoneRules()
{
    YearsKnown = 0;
    LastYear = 0;
}

void ConvertToLocalTime(const FILETIME& utc, FILETIME& local)
{
    const int64_t t = FileTimeTicks(utc);
    const YearOffsets* year = FindYear(t);
    int64_t offset = 0;
    if (year && year->changes >= 0) {
        offset = year->offset[0];
        for (int i = 0; i < year->changes && t >= year->changeAt[i]; ++i)
            offset = year->offset[i + 1];
    } else if (!year || !LocalOffsetAt(*year, t, offset)) {
        // A time outside the years SYSTEMTIME can hold, or one the zone's
        // rules fail on: by today's offset, as the system converts it.
        FileTimeToLocalFileTime(&utc, &local);
        return;
    }
    local = TicksToFileTime(t + offset);
}

int FormatRowTime(const SYSTEMTIME& time, char (&text)[TimeTextSize])
{
    return snprintf(text, TimeTextSize, "%i.%i.%i %i:%i:%i",
                    time.wDay, time.wMonth, time.wYear, time.wHour, time.wMinute, time.wSecond);
}
