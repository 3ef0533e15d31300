// What making a key's write time local costs per key: by each date's own
// rules, as the walk does, against the system's one call that applies
// today's offset to every date.
#include "bench/bench.h"
#include "scan/scan.h"
#include <array>

namespace {

// Write times over the last five years in no order, as a registry's keys
// come: each conversion meets another date, often another year.
constexpr int SampleCount = 1 << 16;
std::array<FILETIME, SampleCount> Samples;

void MakeSamples()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const int64_t end = FileTimeTicks(now);
    const int64_t span = 5 * 36525LL * 864000000LL;
    uint32_t seed = 2026;
    for (FILETIME& sample : Samples) {
        seed = seed * 1664525u + 1013904223u;
        const int64_t t = end - int64_t(uint64_t(seed) * uint64_t(span) >> 32);
        sample = TicksToFileTime(t);
    }
}

template <typename Convert>
double NanosecondsPerKey(Convert convert)
{
    double best = 0;
    DWORD sum = 0;
    for (int run = 0; run < 5; ++run) {
        const double start = Now();
        for (const FILETIME& sample : Samples) {
            FILETIME local;
            convert(sample, local);
            sum += local.dwLowDateTime;
        }
        const double took = (Now() - start) / SampleCount * 1e9;
        best = run == 0 || took < best ? took : best;
    }
    return sum == 1 ? -best : best;     // keeps the loop from being optimised away
}

}  // namespace

LocalTimeCost MeasureLocalTimeCost()
{
    MakeSamples();
    LocalTimeCost cost;
    // The first key of a year works out the year's change-overs.
    ForgetTimeZoneRules();
    FILETIME local;
    const double start = Now();
    ConvertToLocalTime(Samples[0], local);
    cost.yearMs = (Now() - start) * 1e3;
    cost.byDate = NanosecondsPerKey([](const FILETIME& utc, FILETIME& local) { ConvertToLocalTime(utc, local); });
    cost.system = NanosecondsPerKey([](const FILETIME& utc, FILETIME& local) { FileTimeToLocalFileTime(&utc, &local); });
    return cost;
}
