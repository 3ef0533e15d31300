// Times the key walk on one synthetic tree, in one run: the four-call walk (A4),
// a scan through the real main window listing no key (B) and every key (C),
// and Wine's reg.exe querying the same tree (D). Prints figures only; what
// counts as fast enough is for the reader to judge.
#include "bench/bench.h"
#include "scan/scan.h"
#include "results/results.h"
#include "shell/shell.h"
#include "resources/resource.h"
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// A4: four registry calls a key, alone; the fastest run is kept.
static void TimeBareWalk(BenchFigures& f)
{
    const double start = Now();
    f.keysA = BareWalk(HKEY_CURRENT_USER);
    const double took = Now() - start;
    f.timeA = f.timeA > 0 ? std::min(f.timeA, took) : took;
}

// B: a time window in the future lists nothing; the fastest run is kept.
// The first run also tells how often the status line changes and is
// painted, and what the scan holds afterwards.
static void TimeScanListingNothing(BenchFigures& f, bool first)
{
    const int64_t day = 864000000000LL;
    const int64_t now = LocalNowTicks();
    PumpFor(100);
    if (first) {
        f.privateBefore = PrivateBytes();
        f.committedBefore = CommittedPrivateBytes();
        f.residentBefore = ResidentBytes();
        StartRowProfile();      // for the status line's changes
    }
    PingDuring(true);
    const double took = RunScan(now + day, now + 2 * day);
    PingDuring(false);
    f.timeB = f.timeB > 0 ? std::min(f.timeB, took) : took;
    f.keysB = KeysScanned.load();
    f.rowsB = RowCount;
    f.openedB = KeysOpened.load();
    f.namedB = KeysNamed.load();
    PumpFor(300);           // the worker's thread ends
    if (!first)
        return;
    StopRowProfile();
    f.statusB = CountStatusChanges();
    f.statusB.seconds = took;
    f.privateAfter = PrivateBytes();
    f.committedAfter = CommittedPrivateBytes();
    f.residentAfter = ResidentBytes();
}

// C: every key listed, with the row profile.
static void TimeScanListingEvery(BenchFigures& f)
{
    ClearResults();
    PumpFor(100);
    f.committedBeforeC = CommittedPrivateBytes();
    f.heapBeforeC = HeapBytesInUse();
    f.residentBeforeC = ResidentBytes();
    StartRowProfile();
    PingDuring(true);
    f.timeC = RunScan(LLONG_MIN, LLONG_MAX);
    PingDuring(false);
    PumpFor(300);           // the last paint, and the worker's thread ends
    StopRowProfile();
    f.latencyC = SummarizeRowLatency();
    f.blocksC = SummarizeRowBlocks();
    f.committedAfterC = CommittedPrivateBytes();
    f.heapAfterC = HeapBytesInUse();
    f.residentAfterC = ResidentBytes();
    f.keysC = KeysScanned.load();
    f.rowsC = RowCount;
    f.openedC = KeysOpened.load();
    f.namedC = KeysNamed.load();
    f.tripsC = SummarizePings();
    const double start = Now();
    ClearResults();
    f.clearC = Now() - start;
}

static void TimeRegExe(BenchFigures& f)
{
    DWORD startupExit;
    char query[256];
    snprintf(query, sizeof query, "query %s /s", BenchShownPath);
    f.timeD = RunRegExe(query, &f.regExit);
    f.regStartup = RunRegExe("/?", &startupExit);
}

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc == 3 && strcmp(argv[1], "--bare-list") == 0)
        return MeasureBareList(atoi(argv[2]));
    if (argc >= 2 && strcmp(argv[1], "--find") == 0) {
        StartClock();
        LoadCommonControls();
        OpenMainWindow();
        return MeasureFindCost(argc > 2 ? atoi(argv[2]) : FindRowCount);
    }
    const int keyCount = argc > 1 ? atoi(argv[1]) : DefaultKeyCount;
    BenchFigures f{};
    // Listing every key of a large tree takes long; the other figures do not need it.
    f.listEvery = true;
    bool known = true;
    for (int i = 2; i < argc; ++i) {
        if (strcmp(argv[i], "--no-listing") == 0)
            f.listEvery = false;
        else if (strcmp(argv[i], "--chinese") == 0)
            ChineseKeyNames = true;
        else
            known = false;
    }
    if (keyCount < 1 || keyCount > 5000000 || !known) {
        fprintf(stderr, "usage: quillmere_bench [KEYS [--no-listing] [--chinese]]   (default %d keys)\n"
                        "       quillmere_bench --find [ROWS]                   (default %d rows)\n",
                DefaultKeyCount, FindRowCount);
        return 2;
    }
    StartClock();
    RemoveTreeOnExit();
    LoadCommonControls();
    double start = Now();
    OpenMainWindow();
    printf("main window opened and set up in %.0f ms\n", (Now() - start) * 1e3);
    CheckDlgButton(MainWindow, IDC_HIVE_HKCU, BST_CHECKED);
    SelectHive(IDC_HIVE_HKCU, true);
    StartPinging();
    ReserveRowProfile();

    // The prefix's own HKCU keys, and a first run so that one-off
    // allocations (the worker's start, the status text) are out of the way.
    RemoveTree();
    f.otherKeys = BareWalk(HKEY_CURRENT_USER);
    RunScan(LLONG_MIN, LLONG_MAX);
    ClearResults();
    PumpFor(100);

    start = Now();
    if (!BuildTree(keyCount, &f.made, &f.deepest)) {
        fprintf(stderr, "could not create the tree: %d of %d keys made\n", f.made, keyCount);
        RemoveTree();
        return 1;
    }
    printf("made in %.1f s; the scans also walk the prefix's other %d HKCU keys\n", Now() - start, f.otherKeys);

    // A4 and B take turns, each keeping its fastest run: the registry's speed
    // on a shared machine swings within minutes, and a ratio of two single
    // runs would measure the machine. A first pass over new keys is slower,
    // so one walk goes untimed.
    BareWalk(HKEY_CURRENT_USER);
    const int rounds = keyCount <= 100000 ? 3 : 1;
    for (int round = 0; round < rounds; ++round) {
        TimeBareWalk(f);
        TimeScanListingNothing(f, round == 0);
    }
    f.rounds = rounds;
    f.tripsB = SummarizePings();
    f.keysC = f.keysA;
    f.rowsC = f.keysA;
    if (f.listEvery) {
        TimeScanListingEvery(f);
        f.bareList = f.rowsC <= BareListMostItems ? RunBareList(f.rowsC) : BareListMemory{-1, -1, -1};
    }
    f.roundTrip = IdleRoundTrip(2000);
    f.localTime = MeasureLocalTimeCost();
    TimeRegExe(f);

    StopPinging();
    RemoveTree();
    PrintFigures(f);
    const bool match = CountsMatch(f);
    DestroyWindow(MainWindow);
    return match ? 0 : 1;
}
