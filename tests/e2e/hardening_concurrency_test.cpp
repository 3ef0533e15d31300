// Concurrent change: another process creates, deletes and rewrites keys of
// the very tree being scanned, as fast as it can, through several scans.
#include "hardening_support.h"
#include <fstream>

namespace {

const std::string MutateKey = "Software\\QuillmereTest\\Mutate";
const std::string MutatePath = "HKEY_CURRENT_USER\\" + MutateKey;

struct Mutator {
    Mutator(const std::string& logFile)
    {
        stop = CreateEventA(nullptr, TRUE, FALSE, eventName);
        std::string command = "\"" + ExeDirectory() + "quillmere_registry_mutator.exe\" \"" + MutateKey + "\" \""
                            + logFile + "\" " + eventName;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                                 &startup, &process);
    }
    // True once it has ended by itself after being asked to.
    bool Stop()
    {
        SetEvent(stop);
        return started && WaitForSingleObject(process.hProcess, 5000) == WAIT_OBJECT_0;
    }
    ~Mutator()
    {
        SetEvent(stop);
        if (started) {
            if (WaitForSingleObject(process.hProcess, 5000) != WAIT_OBJECT_0)
                TerminateProcess(process.hProcess, 1);
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
        }
        CloseHandle(stop);
    }
    static constexpr const char* eventName = "QuillmereTestMutatorStop";
    HANDLE stop;
    PROCESS_INFORMATION process{};
    bool started = false;
};

void AddWithAncestors(std::set<std::string>& paths, const std::string& path)
{
    for (size_t cut = path.find('\\', MutatePath.size()); cut != std::string::npos; cut = path.find('\\', cut + 1))
        paths.insert(path.substr(0, cut));
    paths.insert(path);
}

using ConcurrentChange = ProgramCase;

}  // namespace

// While the mutator runs, three scans of HKCU by hand each end with their
// completion text, the window keeps answering, and every row under the
// mutated key names a path that existed at some moment.
TEST_F(ConcurrentChange, ScansEndAndListOnlyKeysThatExistedWhileAnotherProcessRewritesTheTree)
{
    OwnKeys({MutateKey});
    std::set<std::string> existed{MutatePath};
    const char* names[] = {"a", "b", "c", "d", "e", "f"};
    for (const char* first : names)
        for (const char* second : names)
            for (const char* third : names) {
                const std::string relative = std::string("\\") + first + "\\" + second + "\\" + third;
                CreateKeyPath(HKEY_CURRENT_USER, MutateKey + relative);
                AddWithAncestors(existed, MutatePath + relative);
            }

    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string logFile = std::string(temp) + "quillmere_mutator.log";
    LaunchProgram(HardenedExe);
    Click(Control(app, IDC_HIVE_HKCU));
    ASSERT_TRUE(MoveFromBackOneDay(app));
    ASSERT_TRUE(MoveBeforeAheadOneDay(app));
    std::vector<std::string> listed;
    {
        Mutator mutator(logFile);
        ASSERT_TRUE(mutator.started);
        Sleep(300);
        for (int scan = 0; scan < 3; ++scan) {
            Click(Control(app, IDC_CLEAR));
            Click(Control(app, IDC_START));
            bool unanswered = false;
            const bool ended = WaitFor([&] {
                unanswered |= !Responsive(app.window, 1000);
                return ScannedCount(app) >= 0 && Text(Control(app, IDC_START)) == "Start";
            }, 60000);
            ASSERT_TRUE(ended) << "scan " << scan << ": " << Text(Control(app, IDC_STATUS)).substr(0, 300);
            EXPECT_FALSE(unanswered) << "scan " << scan;
            const Rows rows = ReadRows(app);
            ExpectWellFormed(rows, {"HKEY_CURRENT_USER"});
            for (const std::string& path : Under(rows.paths, MutatePath))
                listed.push_back(path);
        }
        ASSERT_TRUE(mutator.Stop());
    }
    std::ifstream log(logFile);
    int created = 0;
    for (std::string line; std::getline(log, line); ++created)
        AddWithAncestors(existed, "HKEY_CURRENT_USER\\" + line);
    DeleteFileA(logFile.c_str());
    EXPECT_GT(created, 100) << "the mutator barely ran";
    EXPECT_GT(listed.size(), 100u) << "the scans saw little of the tree";
    for (const std::string& path : listed)
        EXPECT_TRUE(existed.count(path)) << "listed a key that never existed: " << path;

    PostMessageA(app.window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitExit(app, 2000), 0u);
}
