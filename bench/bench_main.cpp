// Times the key walk on one synthetic tree, in one run: the bare walk (A),
// a scan through the real main window listing no key (B) and every key (C),
// and Wine's reg.exe querying the same tree (D). Prints figures only; what
// counts as fast enough is for the reader to judge.
#include "bench/bench.h"
#include "scan/scan.h"
#include "results/results.h"
#include "shell/shell.h"
#include "resources/resource.h"
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// B: a time window in the future lists nothing; how often the status line
// changes and is painted meanwhile.
static void TimeScanListingNothing(BenchFigures& f)
{
    const int64_t day = 864000000000LL;
    const int64_t now = LocalNowTicks();
    PumpFor(100);
    f.privateBefore = PrivateBytes();
    f.committedBefore = CommittedPrivateBytes();
    f.residentBefore = ResidentBytes();
    StartRowProfile();      // for the status line's changes
    PingDuring(true);
    f.timeB = RunScan(now + day, now + 2 * day);
    PingDuring(false);
    StopRowProfile();
    f.statusB = CountStatusChanges();
    f.keysB = KeysScanned.load();
    f.rowsB = RowCount;
    PumpFor(300);           // the worker's thread ends
    f.privateAfter = PrivateBytes();
    f.committedAfter = CommittedPrivateBytes();
    f.residentAfter = ResidentBytes();
    f.tripsB = SummarizePings();
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
    f.tripsC = SummarizePings();
    ClearResults();
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
    const int keyCount = argc > 1 ? atoi(argv[1]) : DefaultKeyCount;
    BenchFigures f{};
    // Listing every key of a large tree takes long; the other figures do not need it.
    f.listEvery = !(argc > 2 && strcmp(argv[2], "--no-listing") == 0);
    if (keyCount < 1 || keyCount > 5000000 || (argc > 2 && f.listEvery)) {
        fprintf(stderr, "usage: quillmere_bench [KEYS [--no-listing]]   (default %d keys)\n", DefaultKeyCount);
        return 2;
    }
    StartClock();
    RemoveTreeOnExit();
    LoadCommonControls();
    OpenMainWindow();
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

    double start = Now();
    if (!BuildTree(keyCount, &f.made, &f.deepest)) {
        fprintf(stderr, "could not create the tree: %d of %d keys made\n", f.made, keyCount);
        RemoveTree();
        return 1;
    }
    printf("made in %.1f s; the scans also walk the prefix's other %d HKCU keys\n", Now() - start, f.otherKeys);

    // A, after one untimed walk: the first pass over new keys is slower.
    BareWalk(HKEY_CURRENT_USER);
    start = Now();
    f.keysA = BareWalk(HKEY_CURRENT_USER);
    f.timeA = Now() - start;

    TimeScanListingNothing(f);
    f.keysC = f.keysA;
    f.rowsC = f.keysA;
    if (f.listEvery)
        TimeScanListingEvery(f);
    f.roundTrip = IdleRoundTrip(2000);
    TimeRegExe(f);

    StopPinging();
    RemoveTree();
    PrintFigures(f);
    const bool match = CountsMatch(f);
    DestroyWindow(MainWindow);
    return match ? 0 : 1;
}
