// A key's UTC write time as the clock showed it then: by the time zone's
// rules for that instant's year (daylight saving dates included), not by
// today's offset as FileTimeToLocalFileTime has it.
#include "scan/scan.h"
#include <array>

namespace {

constexpr int64_t TicksPerMs = 10000;
constexpr int64_t TicksPerDay = 24LL * 3600 * 1000 * TicksPerMs;
// A year's rules change the offset twice at most; more would be another
// zone's data than Windows keeps, and such a year is converted key by key.
constexpr int MostChanges = 4;

// The offsets of one UTC year: from its start, and from each change on.
struct YearOffsets {
    int64_t start = 0, end = 0;          // UTC ticks, [start, end)
    int changes = 0;                     // -1: convert each time
    std::array<int64_t, MostChanges> changeAt{};
    std::array<int64_t, MostChanges + 1> offset{};
    TIME_ZONE_INFORMATION zone{};
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

// The first millisecond after `from` that has the offset of `to`.
int64_t FindChange(const TIME_ZONE_INFORMATION& zone, int64_t from, int64_t to, int64_t newOffset)
{
    while (to - from > TicksPerMs) {
        const int64_t middle = from + (to - from) / TicksPerMs / 2 * TicksPerMs;
        int64_t offset = 0;
        if (OffsetAt(zone, middle, offset) && offset == newOffset)
            to = middle;
        else
            from = middle;
    }
    return to;
}

// Samples the year day by day (a daylight saving period lasts weeks) and
// pins each change to its millisecond.
bool MakeYear(WORD year, YearOffsets& offsets)
{
    offsets = {};
    const SYSTEMTIME first{year, 1, 0, 1, 0, 0, 0, 0}, next{WORD(year + 1), 1, 0, 1, 0, 0, 0, 0};
    FILETIME start, end;
    if (!SystemTimeToFileTime(&first, &start) || !SystemTimeToFileTime(&next, &end))
        return false;
    offsets.start = FileTimeTicks(start);
    offsets.end = FileTimeTicks(end);
    // The year's own rules, from the system's dynamic data where it has them.
    if (!GetTimeZoneInformationForYear(year, nullptr, &offsets.zone)
        && GetTimeZoneInformation(&offsets.zone) == TIME_ZONE_ID_INVALID)
        return false;
    int64_t previous = offsets.start, current = 0;
    if (!OffsetAt(offsets.zone, previous, current))
        return false;
    offsets.offset[0] = current;
    for (int64_t at = offsets.start + TicksPerDay;; at += TicksPerDay) {
        if (at >= offsets.end)
            at = offsets.end - TicksPerMs;
        int64_t offset = 0;
        if (!OffsetAt(offsets.zone, at, offset))
            return false;
        if (offset != current) {
            if (offsets.changes == MostChanges) {
                offsets.changes = -1;
                return true;
            }
            offsets.changeAt[offsets.changes] = FindChange(offsets.zone, previous, at, offset);
            offsets.offset[++offsets.changes] = current = offset;
        }
        if (at == offsets.end - TicksPerMs)
            return true;
        previous = at;
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
    } else if (!year || !OffsetAt(year->zone, t, offset)) {
        // A time no calendar holds: as the system would have it.
        FileTimeToLocalFileTime(&utc, &local);
        return;
    }
    local = TicksToFileTime(t + offset);
}
