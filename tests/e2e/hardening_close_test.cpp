// Closing the window while a scan runs or is paused, with the close box.
#include "hardening_support.h"

namespace {

struct Closing : ProgramCase, ::testing::WithParamInterface<const char*> {
    void StartScan()
    {
        LaunchProgram(GetParam());
        Click(Control(app, IDC_HIVE_HKCR));
        Click(Control(app, IDC_HIVE_HKLM));
        ASSERT_TRUE(StartPaused(app));
    }
    // Clicks the close box and watches the process until it ends: it must
    // end within two seconds with code 0, showing no other window (an error
    // box) and starting no process (a crash report) on its way out.
    void CloseAndWatch()
    {
        const DWORD pid = app.process.dwProcessId;
        ClickCloseBox(app.window);
        const DWORD start = GetTickCount();
        std::vector<std::string> seen;
        bool ended = false;
        while (!ended && GetTickCount() - start <= 2000) {
            for (HWND window : ProcessWindows(pid)) {
                char name[64] = "";
                GetClassNameA(window, name, sizeof name);
                if (window != app.window)
                    seen.push_back(std::string(name) + " \"" + Text(window) + "\"");
            }
            if (!ChildProcesses(pid).empty())
                seen.push_back("a child process");
            ended = WaitForSingleObject(app.process.hProcess, 10) == WAIT_OBJECT_0;
        }
        ASSERT_TRUE(ended) << "still running two seconds after the close box";
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(app.process.hProcess, &code);
        EXPECT_EQ(code, 0u);
        EXPECT_TRUE(seen.empty()) << seen.front();
    }
};

}  // namespace

TEST_P(Closing, DuringARunningScanEndsWithinTwoSecondsWithZeroAndNoErrorBox)
{
    StartScan();
    ResumeScan(app);
    CloseAndWatch();
}

TEST_P(Closing, DuringAPausedScanEndsWithinTwoSecondsWithZeroAndNoErrorBox)
{
    StartScan();
    CloseAndWatch();
}

INSTANTIATE_TEST_SUITE_P(HardenedAndPlain, Closing, ::testing::Values(HardenedExe, "Quillmere.exe"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param) == HardenedExe ? "Hardened" : "Plain";
                         });
