// Hostile registry content: what the user sees when the scanned tree holds
// names and shapes built to break a walk. Each case scans HKEY_CURRENT_USER
// by hand with the hardened program, with From moved back a day, and once
// more with the fixture gone, so the two counts differ by the fixture alone.
#include "hardening_support.h"
#include <aclapi.h>
#include <sddl.h>

namespace {

const std::string TestRoot = "Software\\QuillmereTest";
const std::string UserRoot = "HKEY_CURRENT_USER";

std::string CurrentUserSid()
{
    HANDLE token;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    char buffer[256];
    DWORD length = 0;
    GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &length);
    CloseHandle(token);
    char* text = nullptr;
    ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text);
    std::string sid = text ? text : "";
    LocalFree(text);
    return sid;
}

bool SetKeyDacl(const std::string& path, const std::string& dacl)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(dacl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    HKEY key;
    // The owner may always rewrite the DACL, even one that denies it all else.
    LONG result = RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, WRITE_DAC | KEY_WOW64_64KEY, &key);
    if (result == ERROR_SUCCESS) {
        result = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
        RegCloseKey(key);
    }
    LocalFree(descriptor);
    return result == ERROR_SUCCESS;
}

// Scans HKCU as a user would: toggle, From a day back, Start, wait.
void ScanCurrentUser(RunningApp& app, bool firstRun)
{
    if (firstRun) {
        Click(Control(app, IDC_HIVE_HKCU));
        ASSERT_TRUE(MoveFromBackOneDay(app));
    } else {
        Click(Control(app, IDC_CLEAR));
        ASSERT_EQ(RowCount(Control(app, IDC_RESULTS)), 0);
    }
    Click(Control(app, IDC_START));
    ASSERT_TRUE(WaitScanned(app, 180000)) << Text(Control(app, IDC_STATUS));
}

struct HostileContent : ProgramCase {
    void TearDown() override
    {
        Unlock();
        ProgramCase::TearDown();
    }
    // The case's own key below the test root, cleared of an earlier run's.
    void OwnFixture(const char* name)
    {
        key = TestRoot + "\\" + name;
        path = UserRoot + "\\" + key;
        Unlock();
        OwnKeys({key});
    }
    // The locked keys let their owner back in, so the tree can go.
    void Unlock()
    {
        for (const char* locked : {"\\Denied", "\\NoEnum"})
            SetKeyDacl(key + locked, "D:(A;;KA;;;WD)");
    }
    void RemoveFixture()
    {
        Unlock();
        DeleteKeyTree(HKEY_CURRENT_USER, key);
    }
    // Runs the scan with the fixture and again without it; between the
    // two, optionally, counts every key below HKCU with reg.
    void ScanWithAndWithout(bool countUserKeys = false)
    {
        LaunchProgram(HardenedExe);
        ScanCurrentUser(app, true);
        scannedWith = ScannedCount(app);
        rows = ReadRows(app);
        ExpectWellFormed(rows, {UserRoot});
        // After the program's start, which writes a key or two of Wine's own.
        if (countUserKeys)
            userKeysByReg = static_cast<int>(RegQueryKeys(UserRoot).size()) - 1;
        RemoveFixture();
        ScanCurrentUser(app, false);
        scannedWithout = ScannedCount(app);
        EXPECT_TRUE(Responsive(app.window));
        PostMessageA(app.window, WM_CLOSE, 0, 0);
        EXPECT_EQ(WaitExit(app, 2000), 0u);
    }
    std::string key, path;
    Rows rows;
    int scannedWith = -1, scannedWithout = -1, userKeysByReg = -1;
};

// The order a walk lists keys in, from the order reg prints them (each key
// before its subkeys), by depth alone: names reg prints with '?' may repeat.
std::vector<std::string> PostOrder(const std::vector<std::string>& preOrder)
{
    auto depth = [](const std::string& key) { return std::count(key.begin(), key.end(), '\\'); };
    std::vector<std::string> post, open;
    for (const std::string& key : preOrder) {
        while (!open.empty() && depth(open.back()) >= depth(key)) {
            post.push_back(open.back());
            open.pop_back();
        }
        open.push_back(key);
    }
    post.insert(post.end(), open.rbegin(), open.rend());
    return post;
}

}  // namespace

// Long names, paths many times the 4095 characters a row can show, printf
// directives and punctuation in names, 10,000 siblings, keys that deny the
// user: the scan ends with its count, every row is well formed and cut paths
// end in "...", and both the count and the rows match `reg query /s`.
TEST_F(HostileContent, AnsiNamesAreCountedAndListedExactlyAsRegSeesThem)
{
    OwnFixture("Hostile");
    const std::string long1(255, 'L'), long2 = std::string(253, 'M') + "%n";
    CreateKeyPath(HKEY_CURRENT_USER, key + "\\Long\\" + long1 + "\\" + long2);
    std::string deep = key + "\\Deep";
    for (int level = 0; level < 20; ++level)
        deep += "\\" + std::string(240, static_cast<char>('a' + level)) + "%s%n";
    CreateKeyPath(HKEY_CURRENT_USER, deep);
    for (const char* odd : {"100%", "%s%n%x%d%p%%", " both ends ", "!#$&'()+,-.;=@[]^_`{}~", "two  spaces", ".", "..", "*"})
        CreateKeyPath(HKEY_CURRENT_USER, key + "\\Odd\\" + odd);
    {
        // Far deeper than the 512 levels Windows allows; Wine takes it, the walk
        // stops at 512.
        HKEY level;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (key + "\\Chain").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &level, nullptr), ERROR_SUCCESS);
        for (int i = 0; i < 3000; ++i) {
            HKEY next;
            ASSERT_EQ(RegCreateKeyExA(level, "d", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &next, nullptr), ERROR_SUCCESS) << i;
            RegCloseKey(level);
            level = next;
        }
        RegCloseKey(level);
    }
    HKEY wide;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (key + "\\Wide").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &wide, nullptr), ERROR_SUCCESS);
    for (int i = 0; i < 10000; ++i) {
        char name[16];
        snprintf(name, sizeof name, "k%05d", i);
        HKEY sibling;
        ASSERT_EQ(RegCreateKeyExA(wide, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sibling, nullptr), ERROR_SUCCESS);
        RegCloseKey(sibling);
    }
    RegCloseKey(wide);
    // One key denies the user everything, one only listing its subkeys.
    CreateKeyPath(HKEY_CURRENT_USER, key + "\\Denied\\Hidden");
    CreateKeyPath(HKEY_CURRENT_USER, key + "\\NoEnum\\Hidden");
    const std::string sid = CurrentUserSid();
    ASSERT_TRUE(SetKeyDacl(key + "\\Denied", "D:(D;;KA;;;" + sid + ")(D;;KA;;;WD)"));
    ASSERT_TRUE(SetKeyDacl(key + "\\NoEnum", "D:(D;;0x8;;;" + sid + ")(D;;0x8;;;WD)(A;;KA;;;WD)"));
    HKEY probe;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (key + "\\Denied").c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &probe), ERROR_ACCESS_DENIED)
        << "Wine ignored the deny ACE";

    // reg cannot open the two locked keys, so it leaves them out; the
    // program sees them in their parent's list and shows them.
    std::vector<std::string> expected = RegQueryKeys(path);
    ASSERT_GT(expected.size(), 13000u);
    // The walk stops at the 512 levels Windows allows.
    expected.erase(std::remove_if(expected.begin(), expected.end(), [](const std::string& listed) {
        return std::count(listed.begin(), listed.end(), '\\') > 512;
    }), expected.end());
    expected.push_back(path + "\\Denied");
    expected.push_back(path + "\\NoEnum");
    ScanWithAndWithout();

    EXPECT_EQ(Difference(AsSet(Under(rows.paths, path)), AsSet(expected)), "");
    EXPECT_EQ(scannedWith - scannedWithout, static_cast<int>(expected.size()));
    // Neither locked key's child can be seen, yet both keys are there.
    for (const char* locked : {"\\Denied", "\\NoEnum"}) {
        EXPECT_EQ(Difference(AsSet(Under(rows.paths, path + locked)), AsSet({path + locked})), "");
    }
}

// Names the ANSI code page cannot hold (Chinese, emoji) are shown exactly,
// and their subtrees are walked like any other, in post-order; a key
// literally named "??" beside a Chinese one hides neither. The count
// matches `reg query /s`, which walks by UTF-16 names, for the fixture and
// for the whole of HKEY_CURRENT_USER.
TEST_F(HostileContent, NamesOutsideTheCodePageAreWalkedAndListedExactly)
{
    OwnFixture("Unicode");
    const std::wstring wkey(key.begin(), key.end());
    const std::string chinese = Utf8Of(L"\x4E2D\x6587"), emoji = Utf8Of(L"e\xD83D\xDE00x"), smile = Utf8Of(L"s\xD83D\xDE00");
    ASSERT_TRUE(CreateKeyPathW(HKEY_CURRENT_USER, wkey + L"\\a-before"));
    ASSERT_TRUE(CreateKeyPathW(HKEY_CURRENT_USER, wkey + L"\\\x4E2D\x6587\\inner\\leaf"));
    ASSERT_TRUE(CreateKeyPathW(HKEY_CURRENT_USER, wkey + L"\\\x4E2D\x6587\\second"));
    ASSERT_TRUE(CreateKeyPathW(HKEY_CURRENT_USER, wkey + L"\\??\\literal"));
    ASSERT_TRUE(CreateKeyPathW(HKEY_CURRENT_USER, wkey + L"\\e\xD83D\xDE00x\\inner\\leaf"));
    ASSERT_TRUE(CreateKeyPathW(HKEY_CURRENT_USER, wkey + L"\\s\xD83D\xDE00"));
    ASSERT_TRUE(CreateKeyPathW(HKEY_CURRENT_USER, wkey + L"\\z-after\\deep"));
    const std::vector<std::string> fixtureKeys = RegQueryKeys(path);
    ScanWithAndWithout(true);

    const std::vector<std::string> listed = {
        path, path + "\\a-before", path + "\\" + chinese, path + "\\" + chinese + "\\inner",
        path + "\\" + chinese + "\\inner\\leaf", path + "\\" + chinese + "\\second", path + "\\??",
        path + "\\??\\literal", path + "\\" + emoji, path + "\\" + emoji + "\\inner",
        path + "\\" + emoji + "\\inner\\leaf", path + "\\" + smile, path + "\\z-after", path + "\\z-after\\deep"};
    const std::vector<std::string> found = Under(rows.paths, path);
    EXPECT_EQ(Difference(AsSet(found), AsSet(listed)), "");
    // reg prints each name as the code page holds it.
    std::vector<std::string> printed;
    for (const std::string& row : found) {
        const std::wstring wide = WideOf(row);
        std::string ansi(wide.size() * 2 + 1, '\0');
        ansi.resize(size_t(WideCharToMultiByte(CP_ACP, 0, wide.data(), int(wide.size()), ansi.data(), int(ansi.size()),
                                               nullptr, nullptr)));
        printed.push_back(ansi);
    }
    EXPECT_EQ(printed, PostOrder(fixtureKeys));
    EXPECT_EQ(scannedWith - scannedWithout, static_cast<int>(fixtureKeys.size()));
    EXPECT_EQ(scannedWith, userKeysByReg);
}
