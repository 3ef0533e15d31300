// One scan run on a worker thread, and the Start/Stop and Pause/Resume commands.
#include "scan/scan.h"
#include "results/results.h"
#include "shell/shell.h"
#include "resources/resource.h"
#include <array>
#include <cwchar>
#include <iterator>

HiveEntry HiveTable[HiveCount] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", IDC_HIVE_HKCR, 0},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", IDC_HIVE_HKCU, 0},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", IDC_HIVE_HKLM, 0},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG", IDC_HIVE_HKCC, 0},
    {HKEY_USERS, "HKEY_USERS", IDC_HIVE_HKU, 0},
};

static constexpr std::array<const wchar_t*, 2> StartLabels = {L"Start", L"Stop"};
static constexpr std::array<const wchar_t*, 2> PauseLabels = {L"Pause", L"Resume"};

std::atomic<uint8_t> ScanPaused{0};
uint8_t StartPending;
HANDLE WorkerThread;
HANDLE ScanGate;
static HANDLE EndingWorker;      // the last finished worker, until its thread is gone

static void StartWorker()
{
    if (!ScanGate)
        ScanGate = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    SetEvent(ScanGate);
    ListFollowing = true;
    if (EndingWorker) {
        CloseHandle(EndingWorker);
        EndingWorker = nullptr;
    }
    WorkerThread = CreateThread(nullptr, 0, ScanWorker, nullptr, 0, nullptr);
}

// A finished worker has left the walk but may still be leaving its thread.
static bool WorkerEnding()
{
    return WorkerThread || (EndingWorker && WaitForSingleObject(EndingWorker, 0) == WAIT_TIMEOUT);
}

static void CancelPendingStart()
{
    StartPending = 0;
    KillTimer(MainWindow, PendingStartTimer);
    SetWindowTextW(StartButton, StartLabels[0]);
}

void ToggleScan()
{
    if (ScanPaused)
        return;
    // Judged by the flag, not by the old worker: that may have ended since
    // the Start was deferred, and a click meant to cancel must not start.
    if (StartPending) {
        CancelPendingStart();
        return;
    }
    // Start while the last worker winds down is deferred until its thread
    // has ended (StartPendingScan), so two workers never live at once and
    // the user-interface thread never waits for one.
    if (!ScanRunning.load() && WorkerEnding()) {
        StartPending = 1;
        SetWindowTextW(StartButton, StartLabels[1]);
        SetTimer(MainWindow, PendingStartTimer, 5, nullptr);
        return;
    }
    uint8_t running = !ScanRunning.load();
    ScanRunning.store(running);
    SetWindowTextW(StartButton, StartLabels[running]);
    if (running)
        StartWorker();
}

void StartPendingScan()
{
    if (StartPending && WorkerEnding())
        return;
    KillTimer(MainWindow, PendingStartTimer);
    if (!StartPending)
        return;
    StartPending = 0;
    ScanRunning.store(1);
    SetWindowTextW(StartButton, StartLabels[1]);
    StartWorker();
}

void TogglePause()
{
    if (!ScanRunning.load())
        return;
    const uint8_t paused = !ScanPaused.load();
    SetWindowTextW(PauseButton, PauseLabels[paused]);
    // The worker halts at its next subkey, holding nothing: suspending it
    // outright could freeze it inside a registry or heap lock. The gate is
    // closed before the flag is raised and the flag lowered before the gate
    // opens, so a worker that sees the flag always finds the gate as meant.
    if (paused) {
        ResetEvent(ScanGate);
        ScanPaused.store(1);
    } else {
        ScanPaused.store(0);
        SetEvent(ScanGate);
    }
}

void SelectHive(int buttonId, bool pressed)
{
    for (HiveEntry& hive : HiveTable)
        if (hive.buttonId == buttonId)
            hive.selected.store(pressed ? 1 : 0);
}

DWORD WINAPI ScanWorker(void*)
{
    KeysScanned.store(0);
    KeysNamed.store(0);
    KeysOpened.store(0);
    ForgetTimeZoneRules();
    for (HiveEntry& hive : HiveTable) {
        if (hive.selected.load() == 1)
            ScanKeyTree(hive.root, hive.name);
    }
    // Every change of state happens on the user-interface thread, in one
    // synchronous message, so no click can land between its steps.
    SendMessageW(MainWindow, WM_APP_SCAN_FINISHED, 0, 0);
    return 0;
}

void FinishScan()
{
    wchar_t text[64];
    ScanRunning.store(0);
    SetWindowTextW(StartButton, StartLabels[0]);
    if (EndingWorker)
        CloseHandle(EndingWorker);
    EndingWorker = WorkerThread;   // closed once its thread has ended
    WorkerThread = nullptr;
    swprintf(text, std::size(text), L"%i keys are scanned", static_cast<int>(KeysScanned.load()));
    SetWindowTextW(StatusLine, text);
    ShowLatestRows();
    // A Pause taken as the worker ran out of keys must not leave the
    // program paused with nothing to resume.
    if (ScanPaused) {
        ScanPaused.store(0);
        SetWindowTextW(PauseButton, PauseLabels[0]);
        SetEvent(ScanGate);
    }
    if (StartPending) {
        SetWindowTextW(StartButton, StartLabels[1]);
        SetTimer(MainWindow, PendingStartTimer, 5, nullptr);
    }
}
