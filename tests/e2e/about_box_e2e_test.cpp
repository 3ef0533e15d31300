// The About box and its two links, driven by hand.
#include "program_case.h"
#include "resources/resource.h"
#include <fstream>

namespace {

// Replaces a scheme's open command for the test and puts it back afterwards.
struct SchemeHandler {
    SchemeHandler(const char* scheme, const std::string& command) : key(std::string(scheme) + "\\shell\\open\\command")
    {
        existed = KeyExists(HKEY_CLASSES_ROOT, key);
        saved = ReadString(HKEY_CLASSES_ROOT, key, nullptr);
        CreateKeyPath(HKEY_CLASSES_ROOT, key);
        SetString(HKEY_CLASSES_ROOT, key, nullptr, command);
    }
    ~SchemeHandler()
    {
        if (existed)
            SetString(HKEY_CLASSES_ROOT, key, nullptr, saved);
        else
            RegDeleteKeyValueA(HKEY_CLASSES_ROOT, key.c_str(), nullptr);
    }
    std::string key;
    bool existed;
    std::string saved;
};

std::vector<std::string> ReadLines(const std::string& file)
{
    std::vector<std::string> lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Cursor handles belong to the process that loaded them, so the test tells
// the hand from the arrow by comparing what is shown at different places.
// The box sets its cursor only once it has handled the move: the reading is
// taken when it has held still for a while, not at a fixed moment.
HCURSOR CursorAt(POINT screen)
{
    // Now and then Wine leaves the cursor of the last window after one
    // synthetic move; a second one, a pixel off, brings WM_SETCURSOR.
    MoveMouseTo({screen.x + 1, screen.y + 1});
    Sleep(50);
    MoveMouseTo(screen);
    HCURSOR shown = nullptr;
    for (int steady = 0, tries = 0; steady < 4 && tries < 40; ++tries) {
        Sleep(50);
        CURSORINFO info{};
        info.cbSize = sizeof info;
        GetCursorInfo(&info);
        steady = info.hCursor == shown ? steady + 1 : 0;
        shown = info.hCursor;
    }
    return shown;
}

POINT Centre(HWND hwnd)
{
    RECT rect;
    GetWindowRect(hwnd, &rect);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

int BluePixels(HWND hwnd)
{
    RECT rect;
    GetWindowRect(hwnd, &rect);
    HDC screen = GetDC(nullptr);
    int blue = 0;
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x)
            blue += GetPixel(screen, x, y) == RGB(0, 0, 255);
    ReleaseDC(nullptr, screen);
    return blue;
}

using AboutBox = ProgramCase;

}  // namespace

TEST_F(AboutBox, OpensFromTheLastSystemMenuItemAndItsLinksWork)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string log = std::string(temp) + "quillmere-links.log";
    DeleteFileA(log.c_str());
    const std::string command = "\"" + ExeDirectory() + "url_recorder.exe\" \"" + log + "\" \"%1\"";
    SchemeHandler web("https", command), mail("mailto", command);

    LaunchProgram();
    // Up from the first item of the system menu reaches the last one.
    PressKey(VK_SPACE, false, true);
    PressKey(VK_UP);
    PressKey(VK_RETURN);
    HWND about = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        about = FindProcessWindow(app.process.dwProcessId, "#32770");
        return about != nullptr;
    }, 5000));
    EXPECT_EQ(Text(about), "About Quillmere");
    EXPECT_EQ(Text(GetDlgItem(about, IDC_ABOUT_TITLE)), "Quillmere 1.0");
    HWND webLink = GetDlgItem(about, IDC_WEB_LINK), mailLink = GetDlgItem(about, IDC_MAIL_LINK);
    EXPECT_EQ(Text(webLink), "https://orvane.example/quillmere/");
    EXPECT_EQ(Text(mailLink), "mailto:quillmere@orvane.example");

    // Blue text on the links, none on the title.
    EXPECT_GT(BluePixels(webLink), 0);
    EXPECT_GT(BluePixels(mailLink), 0);
    EXPECT_EQ(BluePixels(GetDlgItem(about, IDC_ABOUT_TITLE)), 0);

    // The hand over the two links only; the icons beside them keep the arrow.
    const HCURSOR arrow = CursorAt(Centre(GetDlgItem(about, IDC_ABOUT_TITLE)));
    const HCURSOR hand = CursorAt(Centre(webLink));
    EXPECT_NE(hand, arrow);
    EXPECT_EQ(CursorAt(Centre(mailLink)), hand);
    int icons = 0;
    for (HWND child = GetWindow(about, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            EXPECT_EQ(CursorAt(Centre(child)), arrow) << "icon at " << Centre(child).x << "," << Centre(child).y
                                                       << " hand " << hand;
            ++icons;
        }
    EXPECT_EQ(icons, 3);
    RECT aboutRect;
    GetWindowRect(about, &aboutRect);
    EXPECT_EQ(CursorAt({aboutRect.left + 12, aboutRect.bottom - 12}), arrow);

    Click(webLink);
    Click(mailLink);
    EXPECT_TRUE(WaitFor([&] { return ReadLines(log).size() >= 2; }, 15000));
    Click(webLink, true);
    EXPECT_TRUE(WaitFor([&] { return ReadLines(log).size() >= 4; }, 15000));
    Sleep(1000);
    std::vector<std::string> lines = ReadLines(log);
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{"https://orvane.example/quillmere/", "https://orvane.example/quillmere/",
                                               "https://orvane.example/quillmere/",
                                               "mailto:quillmere@orvane.example?Subject=Quillmere_1.0"}));

    // Enter and Escape leave it open; its close box closes it.
    Activate(about);
    PressKey(VK_RETURN);
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(IsWindow(about));
    ClickCloseBox(about);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(about); }, 5000));
    EXPECT_TRUE(IsWindow(app.window));
    EXPECT_EQ(CursorAt(Centre(Control(app, IDC_STATUS))), arrow);
    EXPECT_EQ(CursorAt(Centre(Control(app, IDC_START))), arrow);
    PressKey(VK_F4, false, true);
    EXPECT_EQ(WaitExit(app, 5000), 0u);
    DeleteFileA(log.c_str());
}
