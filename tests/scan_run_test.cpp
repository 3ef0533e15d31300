// Scan runs on the worker thread: the state table, hive order, Stop, Pause, storms.
#include "test_host.h"
#include "scan/scan.h"
#include "results/results.h"
#include "shell/shell.h"
#include "resources/resource.h"
#include <gtest/gtest.h>
#include <tlhelp32.h>
#include <random>

namespace {

void Click(int id)
{
    SendMessageA(GetDlgItem(MainWindow, id), BM_CLICK, 0, 0);
}

void Command(int id)
{
    SendMessageA(MainWindow, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(MainWindow, id)));
}

std::string StartLabel() { return WindowText(StartButton); }
std::string PauseLabel() { return WindowText(PauseButton); }

bool WaitIdle(DWORD timeoutMs = 60000)
{
    return PumpUntil([] { return WorkerThread == nullptr && !ScanRunning.load() && !StartPending; }, timeoutMs);
}

int ThreadCount()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return count;
}

// Carries out messages sent from the worker, leaving posted ones (timers) queued.
bool RunSentMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs = 20000)
{
    const DWORD start = GetTickCount();
    MSG msg;
    while (!done()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_SENDMESSAGE);
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    return true;
}

// Every key shows a status text (WalkStatusInterval 0), so the worker waits
// at its next key once this returns: it cannot end while nobody pumps.
bool PumpUntilWalking()
{
    return PumpUntil([] { return KeysScanned.load() > 0; });
}

std::string Completion(int keys)
{
    return std::to_string(keys) + " keys are scanned";
}

struct ScanRun : ::testing::Test {
    // Cases act on a given key's status text, so every key shows one.
    void SetUp() override
    {
        ResetScanState();
        OpenTimeWindowWide();
        WalkStatusInterval = 0;
    }
    void TearDown() override
    {
        RecordStatusTexts(nullptr);
        WalkStatusInterval = StatusPaintMs;
        if (ScanPaused)
            TogglePause();
        if (ScanRunning.load() || StartPending)
            ToggleScan();
        WaitIdle();
    }
};

}  // namespace

TEST_F(ScanRun, StateTableWithLabels)
{
    Click(IDC_HIVE_HKCR);                        // long enough to act on a live worker
    EXPECT_EQ(StartLabel(), "Start");
    EXPECT_EQ(PauseLabel(), "Pause");

    Command(IDC_PAUSE);                          // Idle, Pause: nothing
    EXPECT_EQ(PauseLabel(), "Pause");
    EXPECT_FALSE(ScanPaused);

    Command(IDC_START);                          // Idle -> Running
    EXPECT_TRUE(ScanRunning.load());
    EXPECT_NE(WorkerThread, nullptr);
    EXPECT_EQ(StartLabel(), "Stop");
    ASSERT_TRUE(PumpUntilWalking());

    Command(IDC_PAUSE);                          // Running -> Paused
    EXPECT_EQ(PauseLabel(), "Resume");
    EXPECT_EQ(StartLabel(), "Stop");
    Command(IDC_START);                          // Paused, Start: nothing
    EXPECT_TRUE(ScanRunning.load());
    EXPECT_EQ(StartLabel(), "Stop");
    Command(IDC_PAUSE);                          // Paused -> Running
    EXPECT_EQ(PauseLabel(), "Pause");
    EXPECT_FALSE(ScanPaused);

    Command(IDC_START);                          // Running -> Stopping (worker still alive)
    EXPECT_FALSE(ScanRunning.load());
    EXPECT_EQ(StartLabel(), "Start");
    EXPECT_NE(WorkerThread, nullptr);
    Command(IDC_PAUSE);                          // Stopping, Pause: nothing
    EXPECT_EQ(PauseLabel(), "Pause");
    EXPECT_FALSE(ScanPaused);

    ASSERT_TRUE(WaitIdle());                     // Stopping -> Idle
    EXPECT_EQ(StartLabel(), "Start");
    EXPECT_EQ(WindowText(StatusLine), Completion(KeysScanned.load()));
}

TEST_F(ScanRun, StartWhileAStoppedWorkerWindsDownIsDeferredNotLost)
{
    Click(IDC_HIVE_HKCR);
    Command(IDC_START);
    ASSERT_TRUE(PumpUntilWalking());
    Command(IDC_START);                          // Stop: the worker winds down
    Command(IDC_START);                          // Start again before it has finished
    EXPECT_EQ(StartLabel(), "Stop");
    EXPECT_FALSE(ScanRunning.load());            // the old walk must not go on
    ASSERT_TRUE(PumpUntil([] { return ScanRunning.load() && !StartPending; }));
    EXPECT_EQ(StartLabel(), "Stop");             // the deferred run has started, once
    Command(IDC_START);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(StartLabel(), "Start");
}

TEST_F(ScanRun, ADeferredStartCancelledAfterTheOldWorkerHasGoneStartsNothing)
{
    Click(IDC_HIVE_HKCR);
    Command(IDC_START);
    ASSERT_TRUE(PumpUntilWalking());
    const HANDLE oldWorker = WorkerThread;
    Command(IDC_START);                          // Stop
    Command(IDC_START);                          // Start, deferred
    Command(IDC_START);                          // cancelled while the old worker lives
    EXPECT_EQ(StartLabel(), "Start");
    EXPECT_FALSE(StartPending);
    Command(IDC_START);                          // deferred again
    ASSERT_TRUE(StartPending);
    // The old worker finishes and its thread ends before the retry timer ticks.
    ASSERT_TRUE(RunSentMessagesUntil([] { return WorkerThread == nullptr; }));
    ASSERT_EQ(WaitForSingleObject(oldWorker, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(StartLabel(), "Stop");
    Command(IDC_START);                          // cancels the deferred Start
    EXPECT_EQ(StartLabel(), "Start");
    EXPECT_FALSE(ScanRunning.load());
    EXPECT_FALSE(StartPending);
    EXPECT_EQ(WorkerThread, nullptr);
    EXPECT_FALSE(KillTimer(MainWindow, PendingStartTimer));
    PumpFor(1000);
    EXPECT_EQ(WorkerThread, nullptr);
    EXPECT_FALSE(ScanRunning.load());
    EXPECT_EQ(StartLabel(), "Start");
}

TEST_F(ScanRun, NothingSelectedEndsAtOnceWithZeroKeys)
{
    SetWindowTextA(StatusLine, "old text");
    Command(IDC_START);
    EXPECT_EQ(StartLabel(), "Stop");
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(StartLabel(), "Start");
    EXPECT_EQ(WindowText(StatusLine), "0 keys are scanned");
}

TEST_F(ScanRun, RootsAreScannedInRowOrderAndRowsAccumulateAcrossRuns)
{
    Click(IDC_HIVE_HKU);                         // handle 0x80000003, row 5
    Click(IDC_HIVE_HKCC);                        // handle 0x80000005, row 4
    Command(IDC_START);
    ASSERT_TRUE(WaitIdle());
    const int keys = KeysScanned.load(), rows = RowCount;
    ASSERT_GT(rows, 2);
    EXPECT_EQ(WindowText(StatusLine), Completion(keys));
    bool seenUsers = false;
    for (int row = 0; row < rows; ++row) {
        std::string path = RowText(row, 1);
        bool users = path.rfind("HKEY_USERS\\", 0) == 0;
        EXPECT_TRUE(users || path.rfind("HKEY_CURRENT_CONFIG\\", 0) == 0) << path;
        EXPECT_FALSE(seenUsers && !users) << path;
        seenUsers |= users;
    }
    EXPECT_TRUE(seenUsers);

    // A new run counts from 0, keeps the rows and the status text until it has news.
    std::vector<std::string> status;
    RecordStatusTexts(&status);
    Command(IDC_START);
    EXPECT_EQ(WindowText(StatusLine), Completion(keys));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(KeysScanned.load(), keys);
    EXPECT_EQ(RowCount, 2 * rows);
    EXPECT_EQ(RowText(rows, 0), std::to_string(rows + 1));
    EXPECT_EQ(RowText(rows, 1), RowText(0, 1));
}

TEST_F(ScanRun, ATogglesChangeCountsOnlyForRowsNotYetReached)
{
    Click(IDC_HIVE_HKCC);
    Click(IDC_HIVE_HKU);
    std::vector<std::string> status;
    bool changed = false;
    RecordStatusTexts(&status, [&](const std::string& text) {
        if (!changed && text.rfind("HKEY_CURRENT_CONFIG\\", 0) == 0) {
            changed = true;
            Click(IDC_HIVE_HKU);                 // not reached yet: left out
            Click(IDC_HIVE_HKCR);                // already passed: no effect
        }
    });
    Command(IDC_START);
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(changed);
    for (int row = 0; row < RowCount; ++row)
        EXPECT_EQ(RowText(row, 1).rfind("HKEY_CURRENT_CONFIG\\", 0), 0u) << RowText(row, 1);
    EXPECT_EQ(KeysScanned.load(), RowCount);
}

TEST_F(ScanRun, StopDuringADeepWalkListsOnlyKeysOnTheCurrentPath)
{
    RegistryFixture fixture("Chain");
    std::string chain;
    for (int level = 0; level < 30; ++level)
        chain += (level ? "\\L" : "L") + std::to_string(level);
    fixture.Add(chain);
    fixture.Add("Sibling\\Below");

    Click(IDC_HIVE_HKCU);
    Command(IDC_START);
    ASSERT_TRUE(WaitIdle());
    const int allKeys = KeysScanned.load();
    ClearResults();

    std::vector<std::string> status;
    std::string statusAtStop;
    int rowsAtStop = -1;
    RecordStatusTexts(&status, [&](const std::string& text) {
        if (rowsAtStop < 0 && text.find("\\L12\\") != std::string::npos) {
            statusAtStop = text;
            rowsAtStop = RowCount;
            ToggleScan();
        }
    });
    Command(IDC_START);
    ASSERT_TRUE(WaitIdle());
    ASSERT_GE(rowsAtStop, 0);
    const std::string inHand = statusAtStop + "L13";
    EXPECT_LT(KeysScanned.load(), allKeys);
    EXPECT_EQ(WindowText(StatusLine), Completion(KeysScanned.load()));
    std::vector<std::string> after;
    for (int row = rowsAtStop; row < RowCount; ++row)
        after.push_back(RowText(row, 1));
    EXPECT_EQ(after.size(), 17u);               // L13 up to HKEY_CURRENT_USER\Software
    for (size_t i = 0; i < after.size(); ++i) {
        const std::string& path = after[i];
        EXPECT_EQ(inHand.rfind(path, 0), 0u) << path;
        EXPECT_TRUE(path.size() == inHand.size() || inHand[path.size()] == '\\') << path;
        if (i > 0) {
            EXPECT_LT(path.size(), after[i - 1].size()) << path;   // one per level, upwards
        }
    }
}

// At the screen's pace: the status line keeps changing during a long scan,
// with far fewer texts than keys, and stands still while paused.
TEST_F(ScanRun, PauseHaltsTheWorkerWithoutHoldingTheRegistry)
{
    WalkStatusInterval = StatusPaintMs;
    RegistryFixture fixture("Paused");
    Click(IDC_HIVE_HKCR);
    Click(IDC_HIVE_HKLM);
    std::vector<std::string> status;
    // Paused from the second text, while the worker waits on it: a fast
    // walk could end before a pause from outside lands.
    RecordStatusTexts(&status, [&](const std::string&) {
        if (status.size() == 2 && !ScanPaused)
            TogglePause();
    });
    Command(IDC_START);
    ASSERT_TRUE(PumpUntil([&] { return status.size() >= 2; }));
    EXPECT_LT(status.size() * 4, size_t(KeysScanned.load()));
    EXPECT_EQ(PauseLabel(), "Resume");
    PumpFor(100);                                // the worker reaches its next subkey
    const size_t texts = status.size();
    const int rows = RowCount;
    PumpFor(400);
    EXPECT_EQ(status.size(), texts);
    EXPECT_EQ(RowCount, rows);

    // The user-interface thread uses the registry while the worker is halted.
    HKEY key = fixture.Open();
    ASSERT_NE(key, nullptr);
    HKEY created;
    ASSERT_EQ(RegCreateKeyExA(key, "WrittenWhilePaused", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(created, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2), ERROR_SUCCESS);
    RegCloseKey(created);
    RegCloseKey(key);

    Command(IDC_START);                          // Paused, Start: nothing
    EXPECT_TRUE(ScanRunning.load());
    Command(IDC_PAUSE);                          // Resume
    PumpUntil([&] { return status.size() > texts; });
    EXPECT_GT(status.size(), texts);
    Command(IDC_START);                          // Stop
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(StartLabel(), "Start");
    EXPECT_EQ(PauseLabel(), "Pause");
}

TEST_F(ScanRun, APauseAsTheWorkerFinishesNeverLeavesTheProgramPaused)
{
    // Pause is taken while the worker waits on its last status message.
    Click(IDC_HIVE_HKCC);
    std::vector<std::string> status;
    RecordStatusTexts(&status, [&](const std::string& text) {
        if (text.find("keys are scanned") == std::string::npos && !ScanPaused)
            TogglePause();
    });
    Command(IDC_START);
    // The worker halts at its next subkey; resume it each time until it ends.
    ASSERT_TRUE(PumpUntil([] {
        if (ScanPaused)
            TogglePause();
        return WorkerThread == nullptr && !ScanRunning.load();
    }));
    EXPECT_FALSE(ScanPaused);
    EXPECT_EQ(PauseLabel(), "Pause");
    EXPECT_EQ(StartLabel(), "Start");
}

TEST_F(ScanRun, AStormOfClicksNeverMakesTwoWorkersAndEndsIdle)
{
    RegistryFixture fixture("Storm");
    for (int a = 0; a < 10; ++a)
        for (int b = 0; b < 10; ++b)
            fixture.Add("K" + std::to_string(a) + "\\K" + std::to_string(b));
    Click(IDC_HIVE_HKCU);
    const int baseline = ThreadCount();
    std::mt19937 random(2026);
    int most = 0;
    for (int i = 0; i < 400; ++i) {
        Command(random() % 2 ? IDC_START : IDC_PAUSE);
        PumpFor(random() % 12);
        most = std::max(most, ThreadCount() - baseline);
    }
    EXPECT_LE(most, 1);
    if (ScanPaused)
        Command(IDC_PAUSE);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(StartLabel(), "Start");
    EXPECT_EQ(PauseLabel(), "Pause");
    EXPECT_FALSE(ScanPaused);
    EXPECT_EQ(WindowText(StatusLine), Completion(KeysScanned.load()));
}

// A row found just before a Pause is shown while the walk stands still: it
// does not wait for the next status text.
TEST_F(ScanRun, ARowFoundBeforeAPauseIsShownWhilePaused)
{
    RegistryFixture fixture("FoundBeforePause");
    fixture.Add("A");
    fixture.Add("B");
    const std::string parent = "HKEY_CURRENT_USER\\" + fixture.path + "\\";
    Click(IDC_HIVE_HKCU);
    std::vector<std::string> status;
    int seen = 0;
    RecordStatusTexts(&status, [&](const std::string& text) {
        if (text == parent && ++seen == 2)      // B's status text, with A's row ahead of it
            TogglePause();
    });
    Command(IDC_START);
    ASSERT_TRUE(PumpUntil([&] {
        return ScanPaused && RowCount > 0 && RowText(RowCount - 1, 1) == parent + "B";
    }, 20000));
    PumpFor(200);
    EXPECT_EQ(RowText(RowCount - 2, 1), parent + "A");
    EXPECT_EQ(RowText(RowCount - 1, 1), parent + "B");
    EXPECT_TRUE(ScanPaused);
}
