// The figures of one run: a summary, then rates, ratios of time per key,
// round trips, the status line, row latency, memory.
#include "bench/bench.h"
#include <cstdio>

static void PrintRate(const char* label, int keys, double seconds)
{
    printf("%-34s %8d keys %9.3f s %10.0f keys/s %7.1f us/key\n",
           label, keys, seconds, keys / seconds, seconds * 1e6 / keys);
}

static void PrintTrips(const char* label, const RoundTrips& trips)
{
    printf("%-34s %zu sent: median %.2f ms, 99th percentile %.2f ms, max %.2f ms\n",
           label, trips.count, trips.median * 1e3, trips.p99 * 1e3, trips.most * 1e3);
}

static long long Growth(SIZE_T before, SIZE_T after)
{
    return (long long)after - (long long)before;
}

// Bytes per row listed in C.
static double PerRow(const BenchFigures& f, SIZE_T before, SIZE_T after)
{
    return f.rowsC > 0 ? double(Growth(before, after)) / f.rowsC : 0;
}

static void PrintLatency(const RowLatency& latency)
{
    printf("row latency during C, at most (the status message before the row's message to the next list paint):\n"
           "  %d rows in %d messages: median %.1f ms, 99th percentile %.1f ms, max %.1f ms\n",
           latency.rows, latency.messages, latency.median * 1e3, latency.p99 * 1e3, latency.most * 1e3);
    if (latency.unpainted)
        printf("  %d rows were never painted\n", latency.unpainted);
    if (latency.full)
        printf("  the record filled up: later rows are left out\n");
}

// What rows already held could make dearer: time, the list's own messages
// alone (apart from the walk and the machine's other load), and memory.
static void PrintRowBlocks(const RowBlocks& b)
{
    if (b.blocks < 3)
        return;
    printf("per row, rows 1-%d against rows %d-%d (last/first):\n", b.firstTo, b.lastFrom, b.lastTo);
    printf("  time %.1f us and %.1f us (%.2f); of it the result list's messages %.1f us and %.1f us (%.2f)\n",
           b.first * 1e6, b.last * 1e6, b.last / b.first, b.firstList * 1e6, b.lastList * 1e6,
           b.lastList / b.firstList);
    printf("  committed private pages %+.0f and %+.0f bytes; resident set %+.0f and %+.0f bytes"
           " (read in %.1f ms a block, left out of the times)\n",
           b.committedFirst, b.committedLast, b.residentFirst, b.residentLast, b.reading * 1e3);
}

static double Share(int part, int whole)
{
    return whole > 0 ? 100.0 * part / whole : 0;
}

// The shares of the keys walked that the scan's walk opened and named, in
// B and, when it ran, in C.
static void FormatWalkShares(const BenchFigures& f, char* text, size_t size)
{
    int used = snprintf(text, size, "B %.1f / %.1f %%", Share(f.openedB, f.keysB), Share(f.namedB, f.keysB));
    if (f.listEvery && used > 0 && size_t(used) < size)
        snprintf(text + used, size - used, ", C %.1f / %.1f %%", Share(f.openedC, f.keysC), Share(f.namedC, f.keysC));
}

namespace {
struct KeyTimes {
    double a, b, c, d;                   // seconds per key; c 0 without the listing
};
}  // namespace

static KeyTimes TimePerKey(const BenchFigures& f)
{
    return {f.timeA / f.keysA, f.timeB / f.keysB, f.listEvery ? f.timeC / f.keysC : 0, f.timeD / f.made};
}

// A4 is the walk of four registry calls a key the scans once made; C/B is
// what listing adds, whatever a message costs here.
static void PrintRatios(const BenchFigures& f)
{
    const KeyTimes t = TimePerKey(f);
    printf("\ntime per key: B/A4 %.2f  B/D %.2f  B/(A4 + round trip) %.2f", t.b / t.a, t.b / t.d,
           t.b / (t.a + f.roundTrip));
    if (f.listEvery)
        printf("  C/B %.2f  C/A4 %.2f  C/D %.2f", t.c / t.b, t.c / t.a, t.c / t.d);
    printf("\none cross-thread message to the idle window: %.1f us\n", f.roundTrip * 1e6);
}

// The headline figures as a Markdown table, for the performance write-up.
static void PrintSummary(const BenchFigures& f)
{
    const KeyTimes t = TimePerKey(f);
    printf("| %d-bit build | %d keys in the tree, %d walked; A4 and B the fastest of %d runs each |\n| --- | --- |\n",
           int(sizeof(void*) * 8), f.made, f.keysA, f.rounds);
    if (f.listEvery) {
        printf("| A4, B, C, D per key | %.1f, %.1f, %.1f, %.1f us |\n", t.a * 1e6, t.b * 1e6, t.c * 1e6, t.d * 1e6);
        printf("| B/A4, C/A4, C/B, B/D, C/D | %.2f, %.2f, %.2f, %.2f, %.2f |\n", t.b / t.a, t.c / t.a, t.c / t.b,
               t.b / t.d, t.c / t.d);
        printf("| row latency during C, median / 99th percentile | %.1f / %.1f ms |\n", f.latencyC.median * 1e3,
               f.latencyC.p99 * 1e3);
    } else {
        printf("| A4, B, D per key (C not run) | %.1f, %.1f, %.1f us |\n", t.a * 1e6, t.b * 1e6, t.d * 1e6);
        printf("| B/A4, B/D | %.2f, %.2f |\n", t.b / t.a, t.b / t.d);
    }
    char shares[96];
    FormatWalkShares(f, shares, sizeof shares);
    printf("| keys the walk opened / named | %s |\n", shares);
    printf("| a key's time made local: by its date's rules / by today's offset | %.0f / %.0f ns a key; %.2f ms once a year |\n",
           f.localTime.byDate, f.localTime.system, f.localTime.yearMs);
    printf("| status line during B, texts / paints a second | %.1f / %.1f |\n", f.statusB.texts / f.statusB.seconds,
           f.statusB.paints / f.statusB.seconds);
    if (!f.listEvery) {
        printf("| round trip 99th percentile during B | %.2f ms |\n", f.tripsB.p99 * 1e3);
        return;
    }
    printf("| round trip 99th percentile during B / C | %.2f / %.2f ms |\n", f.tripsB.p99 * 1e3, f.tripsC.p99 * 1e3);
    printf("| memory per listed row: heap / committed / resident | %.0f / %.0f / %.0f bytes |\n",
           PerRow(f, f.heapBeforeC, f.heapAfterC), PerRow(f, f.committedBeforeC, f.committedAfterC),
           PerRow(f, f.residentBeforeC, f.residentAfterC));
    if (f.bareList.committed >= 0)
        printf("| a bare list view with as many items, alone: heap / committed / resident | %.0f / %.0f / %.0f bytes |\n",
               f.bareList.heap, f.bareList.committed, f.bareList.resident);
    printf("| Clear of the listed rows | %.1f ms |\n", f.clearC * 1e3);
    if (f.blocksC.blocks >= 3)
        printf("| per-row cost, last/first %d rows: time (the list's messages) | %.2f (%.2f) |\n", RowBlock,
               f.blocksC.last / f.blocksC.first, f.blocksC.lastList / f.blocksC.firstList);
    else
        printf("| per-row cost, last/first %d rows | fewer than %d rows |\n", RowBlock, 2 * RowBlock);
}

void PrintFigures(const BenchFigures& f)
{
    printf("\n");
    PrintSummary(f);
    printf("\n");
    PrintRate("A4 four-call walk (HKCU)", f.keysA, f.timeA);
    PrintRate("B scan, no key listed (HKCU)", f.keysB, f.timeB);
    if (f.listEvery)
        PrintRate("C scan, every key listed (HKCU)", f.keysC, f.timeC);
    PrintRate("D reg query /s (tree only)", f.made, f.timeD);
    printf("%-34s %.3f s (reg.exe /?, included in D)\n", "  reg.exe start and exit", f.regStartup);
    PrintRatios(f);
    printf("private bytes (PrivateUsage): before B %zu, after B %zu, growth %+lld\n",
           size_t(f.privateBefore), size_t(f.privateAfter), Growth(f.privateBefore, f.privateAfter));
    printf("committed private pages:      before B %zu, after B %zu, growth %+lld\n",
           size_t(f.committedBefore), size_t(f.committedAfter), Growth(f.committedBefore, f.committedAfter));
    printf("resident set (working set):   before B %zu, after B %zu, growth %+lld\n",
           size_t(f.residentBefore), size_t(f.residentAfter), Growth(f.residentBefore, f.residentAfter));
    PrintTrips("message round trip during B", f.tripsB);
    printf("status line during B: %d texts, %.1f a second; %d paints, %.1f a second; longest gap between two texts %.1f ms\n",
           f.statusB.texts, f.statusB.texts / f.statusB.seconds, f.statusB.paints, f.statusB.paints / f.statusB.seconds,
           f.statusB.longestGap * 1e3);
    if (!f.listEvery)
        return;
    PrintTrips("message round trip during C", f.tripsC);
    printf("memory across C: heap in use %+lld bytes, %.0f per listed row;"
           " committed private pages %+lld, %.0f per row; resident set %+lld, %.0f per row\n",
           Growth(f.heapBeforeC, f.heapAfterC), PerRow(f, f.heapBeforeC, f.heapAfterC),
           Growth(f.committedBeforeC, f.committedAfterC), PerRow(f, f.committedBeforeC, f.committedAfterC),
           Growth(f.residentBeforeC, f.residentAfterC), PerRow(f, f.residentBeforeC, f.residentAfterC));
    PrintLatency(f.latencyC);
    PrintRowBlocks(f.blocksC);
    PrintRowProfile(f.rowsC, f.timeC);
}

// Wrong counts make every figure meaningless.
bool CountsMatch(const BenchFigures& f)
{
    bool match = true;
    if (f.keysB != f.keysA || (f.listEvery && f.keysC != f.keysA) || f.keysA != f.made + f.otherKeys + 1) {
        printf("MISMATCH: keys A %d, B %d, C %d, tree %d + other %d + its root\n",
               f.keysA, f.keysB, f.keysC, f.made, f.otherKeys);
        match = false;
    }
    if (f.rowsB != 0 || (f.listEvery && f.rowsC != f.keysC)) {
        printf("MISMATCH: rows listed B %d (expected 0), C %d (expected %d)\n", f.rowsB, f.rowsC, f.keysC);
        match = false;
    }
    if (f.regExit != 0) {
        printf("reg.exe query failed with exit code %lu\n", static_cast<unsigned long>(f.regExit));
        match = false;
    }
    return match;
}
