// A whole session of use leaves the registry as it found it, apart from the
// registry editor's "LastKey" that a double-click is meant to write.
#include "hardening_support.h"
#include <fstream>
#include <map>
#include <sstream>

namespace {

const std::string FixtureKey = "Software\\QuillmereTest\\Untouched";
const std::string FixturePath = "HKEY_CURRENT_USER\\" + FixtureKey;
const std::string RegeditKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";
const char* const Roots[] = {"HKLM", "HKCU", "HKCR", "HKU", "HKCC"};

// One exported root: each key's header line with the lines of its values.
using Export = std::map<std::string, std::vector<std::string>>;

// Parts of the registry Wine itself rewrites when a desktop program starts,
// whichever program it is; they say nothing about Quillmere:
// - "DriverDateData" of the display adapter's Class and Video keys: Wine's
//   display driver stamps it each time it registers the adapters, as the
//   first window of a session opens.
// - Software\Wine\Temporary System Parameters: user32's store for system
//   parameters set without being saved (the desktop sets mouse ones).
bool VolatileKey(const std::string& key)
{
    return key.find("\\Software\\Wine\\Temporary System Parameters") != std::string::npos;
}

bool Volatile(const std::string& key, const std::string& line)
{
    // The registry editor's own "LastKey", which the double-click writes.
    if (key.find("\\Applets\\Regedit]") != std::string::npos && line.rfind("\"LastKey\"=", 0) == 0)
        return true;
    const bool adapter = key.rfind("[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Class\\", 0) == 0
                      || key.rfind("[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Video\\", 0) == 0;
    return adapter && line.rfind("\"DriverDateData\"=", 0) == 0;
}

bool ExportRoot(const std::string& root, const std::string& file, Export* result)
{
    std::string output;
    if (!RunCapture("\"" + NativeRegExe() + "\" export " + root + " \"" + file + "\" /y", &output))
        return false;
    // reg writes UTF-16 with a byte order mark.
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    DeleteFileA(file.c_str());
    std::wstring wide(bytes.size() / 2, L'\0');
    memcpy(wide.data(), bytes.data(), wide.size() * 2);
    if (!wide.empty() && wide[0] == 0xFEFF)
        wide.erase(0, 1);
    std::istringstream lines(Utf8Of(wide));
    std::string key, line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        if (line[0] == '[') {
            key = VolatileKey(line) ? "" : line;
            if (!key.empty())
                (*result)[key];
        } else if (!key.empty() && !Volatile(key, line)) {
            (*result)[key].push_back(line);
        }
    }
    return true;
}

std::string Compare(const Export& before, const Export& after)
{
    std::string report;
    int shown = 0;
    auto note = [&](const std::string& text) {
        if (shown++ < 30)
            report += text.substr(0, 300) + "\n";
    };
    for (const auto& [key, values] : before) {
        auto found = after.find(key);
        if (found == after.end())
            note("gone: " + key);
        else if (found->second != values)
            for (size_t i = 0; i < std::max(values.size(), found->second.size()); ++i) {
                const std::string was = i < values.size() ? values[i] : "", now = i < found->second.size() ? found->second[i] : "";
                if (was != now)
                    note("changed: " + key + " " + was + " -> " + now);
            }
    }
    for (const auto& [key, values] : after)
        if (!before.count(key))
            note("new: " + key);
    return report;
}

std::vector<Export> ExportAll()
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::vector<Export> exports;
    for (const char* root : Roots) {
        Export result;
        EXPECT_TRUE(ExportRoot(root, std::string(temp) + "quillmere_export.reg", &result)) << root;
        exports.push_back(std::move(result));
    }
    return exports;
}

struct UntouchedRegistry : ProgramCase {
    void TearDown() override
    {
        ProgramCase::TearDown();
        if (madeRegeditKey)
            DeleteKeyTree(HKEY_CURRENT_USER, RegeditKey);
    }
    bool madeRegeditKey = false;
};

}  // namespace

// All five roots scanned with a pause and a resume; Clear; an HKCU scan
// since yesterday; Start and Stop at once; a double-click on a row; the
// About box from the system menu; the close box. The export of every root
// before and after differs only in "LastKey".
TEST_F(UntouchedRegistry, AWholeSessionChangesNothingButTheEditorsLastKey)
{
    OwnKeys({FixtureKey});
    CreateKeyPath(HKEY_CURRENT_USER, FixtureKey + "\\Target");
    // The editor's settings key exists, so a double-click has its effect.
    madeRegeditKey = !KeyExists(HKEY_CURRENT_USER, RegeditKey);
    if (madeRegeditKey)
        CreateKeyPath(HKEY_CURRENT_USER, RegeditKey);
    const std::vector<Export> before = ExportAll();

    LaunchProgram(HardenedExe);
    const DWORD pid = app.process.dwProcessId;
    for (int id : {IDC_HIVE_HKCR, IDC_HIVE_HKCU, IDC_HIVE_HKLM, IDC_HIVE_HKCC, IDC_HIVE_HKU})
        Click(Control(app, id));
    ASSERT_TRUE(StartPaused(app));
    Sleep(300);
    Click(Control(app, IDC_PAUSE));
    EXPECT_TRUE(WaitForText(Control(app, IDC_PAUSE), "Pause"));
    ASSERT_TRUE(WaitScanned(app, 180000));
    // A prefix made by the 64-bit loader alone holds about 18,600 keys; one
    // with Wine's 32-bit half, as the 32-bit build needs, more than 30,000.
    EXPECT_GT(ScannedCount(app), sizeof(void*) == 8 ? 15000 : 30000);

    Click(Control(app, IDC_CLEAR));
    EXPECT_EQ(RowCount(Control(app, IDC_RESULTS)), 0);
    for (int id : {IDC_HIVE_HKCR, IDC_HIVE_HKLM, IDC_HIVE_HKCC, IDC_HIVE_HKU})
        Click(Control(app, id));
    ASSERT_TRUE(MoveFromBackOneDay(app));
    Click(Control(app, IDC_START));
    ASSERT_TRUE(WaitScanned(app));
    Click(Control(app, IDC_START));
    Click(Control(app, IDC_START));
    ASSERT_TRUE(WaitScanned(app));

    HWND list = Control(app, IDC_RESULTS);
    const std::vector<std::string> paths = ColumnTexts(app, list, 1);
    const auto target = std::find(paths.begin(), paths.end(), FixturePath + "\\Target");
    ASSERT_NE(target, paths.end());
    const int row = static_cast<int>(target - paths.begin());
    DWORD_PTR ignored;
    SendMessageTimeoutA(list, LVM_ENSUREVISIBLE, row, FALSE, SMTO_ABORTIFHUNG, 2000, &ignored);
    const RECT rect = RowRect(app, list, row);
    ClickAt({(rect.left * 3 + rect.right) / 4, (rect.top + rect.bottom) / 2}, true);
    EXPECT_TRUE(WaitFor([&] { return ReadString(HKEY_CURRENT_USER, RegeditKey, "LastKey") == FixturePath + "\\Target"; }, 5000));
    // The editor it started is ended here, before it could save settings;
    // Wine may start it through a launcher, so the whole line of descent.
    std::vector<std::pair<DWORD, std::string>> started;
    EXPECT_TRUE(WaitFor([&] {
        started = DescendantProcesses(pid);
        for (const auto& [id, name] : started)
            if (_stricmp(name.c_str(), "regedit.exe") == 0)
                return true;
        return false;
    }, 10000));
    for (auto it = started.rbegin(); it != started.rend(); ++it)
        TerminateById(it->first);
    EXPECT_TRUE(DescendantProcesses(pid).empty());

    Activate(app.window);
    PressKey(VK_SPACE, false, true);
    PressKey(VK_UP);
    PressKey(VK_RETURN);
    HWND about = nullptr;
    EXPECT_TRUE(WaitFor([&] {
        for (HWND window : ProcessWindows(pid))
            if (Text(window) == "About Quillmere")
                about = window;
        return about != nullptr;
    }, 5000));
    if (about)
        ClickCloseBox(about);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(about); }, 3000));
    ClickCloseBox(app.window);
    EXPECT_EQ(WaitExit(app, 2000), 0u);
    Kill(app);

    const std::vector<Export> after = ExportAll();
    for (size_t root = 0; root < before.size(); ++root)
        EXPECT_EQ(Compare(before[root], after[root]), "") << Roots[root];
}
