// The real Quillmere.exe at the screen DPI that tests/e2e/at_dpi_case.sh set
// (QUILLMERE_TEST_DPI); the ctest cases Dpi.At96 and Dpi.At144 run it.
#include "program_case.h"
#include "resources/resource.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace {

const std::string FixtureKey = "Software\\QuillmereTest\\Dpi";
const std::string LateKeyPath = "HKEY_CURRENT_USER\\" + FixtureKey + "\\LateOnDecember30";
// Wine's list view paints a subitem's text from 5 pixels inside its column
// up to the column's edge and ends it in "..." beyond; Windows keeps about 6
// pixels on each side. 12 covers both.
constexpr int CellPadding = 12;

int TestDpi()
{
    const char* dpi = getenv("QUILLMERE_TEST_DPI");
    return dpi ? atoi(dpi) : 0;
}

std::string BaselineFile()
{
    return ExeDirectory() + "main-window-at-96dpi.txt";
}

int ColumnWidth(HWND list, int column)
{
    DWORD_PTR width = 0;
    SendMessageTimeoutA(list, LVM_GETCOLUMNWIDTH, column, 0, SMTO_ABORTIFHUNG, 5000, &width);
    return static_cast<int>(width);
}

void ExpectColumnsFollowTheDpiAndFillTheList(HWND list, int dpi)
{
    RECT client;
    GetClientRect(list, &client);
    EXPECT_EQ(ColumnWidth(list, 0), MulDiv(40, dpi, 96));
    // More only where the font needs it for a time text (checked below).
    EXPECT_GE(ColumnWidth(list, 2), MulDiv(120, dpi, 96));
    EXPECT_EQ(ColumnWidth(list, 0) + ColumnWidth(list, 1) + ColumnWidth(list, 2), client.right);
    EXPECT_FALSE(GetWindowLongA(list, GWL_STYLE) & WS_HSCROLL);
}

// The box's font as the dialog manager makes it from the template.
HFONT CreateDialogFont(int dpi)
{
    return CreateFontA(-MulDiv(8, dpi, 72), 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FF_DONTCARE, "MS Shell Dlg");
}

// Dialog base units of the font selected into dc, reckoned as dialogs do.
SIZE BaseUnits(HDC dc)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    TEXTMETRICA metrics;
    GetTextMetricsA(dc, &metrics);
    SIZE extent;
    GetTextExtentPoint32A(dc, alphabet, 52, &extent);
    return {(extent.cx / 26 + 1) / 2, metrics.tmHeight};
}

// A top-down 32-bit picture that draw paints into a memory DC.
template <typename Draw>
std::vector<DWORD> DrawnPixels(int width, int height, Draw draw)
{
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    draw(memory, screen, static_cast<DWORD*>(bits));
    GdiFlush();
    std::vector<DWORD> pixels(static_cast<DWORD*>(bits), static_cast<DWORD*>(bits) + width * height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// The screen's pixels of a window's client area, top row first.
std::vector<DWORD> ScreenPixels(HWND hwnd, int width, int height)
{
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    return DrawnPixels(width, height, [&](HDC memory, HDC screen, DWORD*) {
        BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
    });
}

// An icon drawn at its size over one background colour, as the screen holds it.
std::vector<DWORD> IconPixels(HICON icon, int size, DWORD background)
{
    return DrawnPixels(size, size, [&](HDC memory, HDC, DWORD* bits) {
        std::fill(bits, bits + size * size, background);
        DrawIconEx(memory, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    });
}

// FRAMEICON's image of exactly size pixels in the executable, or none.
HICON FrameIconImage(HMODULE exe, int size)
{
    HRSRC group = FindResourceA(exe, "FRAMEICON", MAKEINTRESOURCEA(14));
    if (!group)
        return nullptr;
    const int id = LookupIconIdFromDirectoryEx(static_cast<BYTE*>(LockResource(LoadResource(exe, group))), TRUE,
                                               size, size, LR_DEFAULTCOLOR);
    HRSRC image = FindResourceA(exe, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(3));
    if (!image)
        return nullptr;
    auto* header = static_cast<BITMAPINFOHEADER*>(LockResource(LoadResource(exe, image)));
    if (header->biWidth != size)
        return nullptr;
    return CreateIconFromResourceEx(reinterpret_cast<BYTE*>(header), SizeofResource(exe, image), TRUE, 0x00030000,
                                    size, size, LR_DEFAULTCOLOR);
}

// Moves the From date picker, field by field with Right and Down, to
// 30 December of the given year: month and year first, then the day, so
// every step is a valid date. Each step notifies the window as a user's does.
bool PickFromDecember30(const RunningApp& app, int year)
{
    if (!TabTo(app, IDC_FROM_DATE))
        return false;
    HWND picker = Control(app, IDC_FROM_DATE);
    for (int pass = 0; pass < 2; ++pass) {
        for (int field = 0; field < 6; ++field) {
            PressKey(VK_RIGHT);
            const SYSTEMTIME before = PickerTime(app, picker);
            PressKey(VK_DOWN);
            SYSTEMTIME now = PickerTime(app, picker);
            auto stepUntil = [&](const std::function<bool(const SYSTEMTIME&)>& done) {
                for (int i = 0; i < 40 && !done(now); ++i) {
                    PressKey(VK_DOWN);
                    now = PickerTime(app, picker);
                }
            };
            const bool yearField = now.wYear != before.wYear && now.wMonth == before.wMonth;
            const bool monthField = !yearField && now.wMonth != before.wMonth;
            // A field met again (the picker wraps to its first) is put back.
            if (pass == 0 && yearField && before.wYear > year)
                stepUntil([&](const SYSTEMTIME& st) { return st.wYear <= year; });
            else if (pass == 0 && monthField)
                stepUntil([&](const SYSTEMTIME& st) { return st.wMonth == 12; });
            else if (pass == 1 && !yearField && !monthField)
                stepUntil([&](const SYSTEMTIME& st) { return st.wDay == 30; });
            else
                PressKey(VK_UP);
            if (pass == 1 && now.wDay == 30)
                break;
        }
    }
    const SYSTEMTIME picked = PickerTime(app, picker);
    return picked.wYear == year && picked.wMonth == 12 && picked.wDay == 30;
}

// The widest value of this year: its last Wednesday in September (a day of
// two digits under the longest day and month names), at 23:59:59.
SYSTEMTIME WidestOfTheYear()
{
    SYSTEMTIME day{};
    GetLocalTime(&day);
    day = {day.wYear, 9, 0, 30, 23, 59, 59, 0};
    for (;; --day.wDay) {
        FILETIME ft;
        SystemTimeToFileTime(&day, &ft);
        FileTimeToSystemTime(&ft, &day);
        if (day.wDayOfWeek == 3)
            return day;
    }
}

// How often the number shows in the text as a whole run of digits.
int NumberCount(const std::string& text, int number)
{
    int count = 0;
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find_first_not_of("0123456789", at);
        const size_t length = (end == std::string::npos ? text.size() : end) - at;
        if (length > 0 && atoi(text.substr(at, length).c_str()) == number)
            ++count;
        at += length > 0 ? length : 1;
    }
    return count;
}

std::string LocaleText(LCTYPE item)
{
    char text[80] = "";
    GetLocaleInfoA(LOCALE_USER_DEFAULT, item, text, sizeof text);
    return text;
}

bool HoldsDate(const std::string& text, const SYSTEMTIME& date)
{
    const bool month = text.find(LocaleText(LOCALE_SMONTHNAME1 + date.wMonth - 1)) != std::string::npos
                    || text.find(LocaleText(LOCALE_SABBREVMONTHNAME1 + date.wMonth - 1)) != std::string::npos
                    || NumberCount(text, date.wMonth) > 0;
    return month && NumberCount(text, date.wDay) > 0 && text.find(std::to_string(date.wYear)) != std::string::npos;
}

// 23:59:59, or 11:59:59 with the afternoon's marker.
bool HoldsTime(const std::string& text)
{
    const bool hour = NumberCount(text, 23) > 0
                   || (NumberCount(text, 11) > 0 && text.find(LocaleText(LOCALE_S2359)) != std::string::npos);
    return hour && NumberCount(text, 59) == 2;
}

struct AtScreenDpi : ProgramCase {
    static void SetUpTestSuite()
    {
        // Measure in real pixels, as the program itself does.
        SetProcessDPIAware();
    }
    void SetUp() override
    {
        dpi = TestDpi();
        ASSERT_GT(dpi, 0) << "run through tests/e2e/at_dpi_case.sh";
        HDC screen = GetDC(nullptr);
        const int screenDpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        ASSERT_EQ(screenDpi, dpi) << "the harness did not change the screen's DPI";
        // Its late key was written before the server started; only removed here.
        ownKeys.push_back(FixtureKey);
        LaunchProgram();
    }
    int dpi = 0;
};

}  // namespace

TEST_F(AtScreenDpi, ColumnsFillTheListAndTheLatestTimeTextFitsItsColumn)
{
    HWND list = Control(app, IDC_RESULTS);
    EXPECT_FALSE(GetWindowLongA(list, GWL_STYLE) & WS_VSCROLL);
    ExpectColumnsFollowTheDpiAndFillTheList(list, dpi);
    RECT empty;
    GetClientRect(list, &empty);

    // All of HKEY_CURRENT_USER since 30 December last year: enough rows for
    // the scroll bar, and the fixture's key at 23:59:59 among them.
    SYSTEMTIME from;
    GetLocalTime(&from);
    from.wYear -= 1;
    from.wMonth = 12;
    from.wDay = 30;
    ASSERT_TRUE(PickFromDecember30(app, from.wYear));
    PressKey('Z', true);
    EXPECT_EQ(PickerTime(app, Control(app, IDC_FROM_TIME)).wHour, 0);
    Click(Control(app, IDC_HIVE_HKCU));
    Click(Control(app, IDC_START));
    ASSERT_TRUE(WaitScanned(app));

    EXPECT_TRUE(GetWindowLongA(list, GWL_STYLE) & WS_VSCROLL);
    RECT scrolled;
    GetClientRect(list, &scrolled);
    EXPECT_LT(scrolled.right, empty.right);
    ExpectColumnsFollowTheDpiAndFillTheList(list, dpi);

    const std::vector<std::string> paths = RowPaths(app, list);
    const auto late = std::find(paths.begin(), paths.end(), LateKeyPath);
    ASSERT_NE(late, paths.end()) << "the key written on 30 December was not listed among " << paths.size()
                                  << " rows; the key " << (KeyExists(HKEY_CURRENT_USER, FixtureKey + "\\LateOnDecember30") ? "exists" : "is missing");
    const std::string timeText = RowText(app, list, static_cast<int>(late - paths.begin()), 2);
    char expected[32];
    snprintf(expected, sizeof expected, "30.12.%d 23:59:59", from.wYear);
    EXPECT_EQ(timeText, expected);
    const int textWidth = ListStringWidth(app, list, timeText);
    EXPECT_GT(textWidth, 0);
    EXPECT_LE(textWidth + CellPadding, ColumnWidth(list, 2)) << timeText << " is " << textWidth << " pixels wide";
    printf("at %d DPI: list client %ld (empty) and %ld (scrolled), columns %d %d %d, \"%s\" %d pixels\n", dpi,
           empty.right, scrolled.right, ColumnWidth(list, 0), ColumnWidth(list, 1), ColumnWidth(list, 2),
           timeText.c_str(), textWidth);
}

TEST_F(AtScreenDpi, TheMainWindowGrowsWithTheDpi)
{
    RECT rect;
    GetWindowRect(app.window, &rect);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    printf("at %d DPI: main window %dx%d\n", dpi, width, height);
    if (dpi == 96) {
        std::ofstream(BaselineFile()) << width << " " << height << "\n";
        return;
    }
    int width96 = 0, height96 = 0;
    std::ifstream(BaselineFile()) >> width96 >> height96;
    ASSERT_GT(width96, 0) << "no measurement at 96 DPI (the case Dpi.At96 writes it)";
    const double expected = dpi / 96.0;
    EXPECT_NEAR(double(width) / width96, expected, expected * 0.1) << width << " against " << width96;
    EXPECT_NEAR(double(height) / height96, expected, expected * 0.1) << height << " against " << height96;
}

TEST_F(AtScreenDpi, TheAboutBoxShowsEveryTextWholeAndItsIconsUnstretched)
{
    PostMessageA(app.window, WM_SYSCOMMAND, IDM_ABOUT, 0);
    HWND about = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (about = FindProcessWindow(app.process.dwProcessId, "#32770")) != nullptr; }, 5000));
    Activate(about);
    Sleep(300);

    HDC dc = GetDC(nullptr);
    HFONT font = CreateDialogFont(dpi);
    HGDIOBJ oldFont = SelectObject(dc, font);
    // The font is the box's own when it predicts the box's size exactly.
    const SIZE base = BaseUnits(dc);
    RECT client;
    GetClientRect(about, &client);
    EXPECT_EQ(client.right, MulDiv(194, base.cx, 4));
    EXPECT_EQ(client.bottom, MulDiv(119, base.cy, 8));
    printf("at %d DPI: About box client %ldx%ld, base units %ldx%ld\n", dpi, client.right, client.bottom, base.cx, base.cy);

    // Each text laid out as a static lays it out, inside the static.
    int texts = 0;
    std::vector<HWND> icons;
    for (HWND child = GetWindow(about, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        if ((style & SS_TYPEMASK) == SS_ICON) {
            icons.push_back(child);
            continue;
        }
        const std::string text = Text(child);
        RECT room;
        GetClientRect(child, &room);
        RECT needed{0, 0, room.right, 0};
        const UINT align = (style & SS_TYPEMASK) == SS_CENTER ? DT_CENTER : DT_LEFT;
        DrawTextA(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | align);
        EXPECT_LE(needed.right, room.right) << text;
        EXPECT_LE(needed.bottom, room.bottom) << text;
        printf("  \"%s\" needs %ldx%ld of %ldx%ld\n", text.c_str(), needed.right, needed.bottom, room.right, room.bottom);
        ++texts;
    }
    EXPECT_EQ(texts, 5);
    SelectObject(dc, oldFont);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);

    // FRAMEICON at the system's icon size, drawn from an image of that size;
    // the link icons at their own 16 pixels.
    ASSERT_EQ(icons.size(), 3u);
    const int iconSize = GetSystemMetrics(SM_CXICON);
    EXPECT_EQ(iconSize, MulDiv(32, dpi, 96));
    RECT frame;
    GetClientRect(icons[0], &frame);
    EXPECT_EQ(frame.right, iconSize);
    EXPECT_EQ(frame.bottom, iconSize);
    for (size_t link = 1; link < icons.size(); ++link) {
        RECT rect;
        GetClientRect(icons[link], &rect);
        EXPECT_EQ(rect.right, 16);
        EXPECT_EQ(rect.bottom, 16);
    }
    HMODULE exe = LoadLibraryExA((ExeDirectory() + "Quillmere.exe").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(exe, nullptr);
    HICON image = FrameIconImage(exe, iconSize);
    EXPECT_NE(image, nullptr) << "FRAMEICON has no " << iconSize << "-pixel image";
    if (image) {
        const std::vector<DWORD> shown = ScreenPixels(icons[0], iconSize, iconSize);
        EXPECT_TRUE(shown == IconPixels(image, iconSize, shown[0])) << "FRAMEICON is not its own " << iconSize << "-pixel image";
        DestroyIcon(image);
    }
    FreeLibrary(exe);
}

// "from" and "before" in the dialog font: a stand-in face (Wine's) or a
// scaled screen may need more than their template width.
TEST_F(AtScreenDpi, TheMainWindowsLabelsShowTheirTextWhole)
{
    HDC dc = GetDC(nullptr);
    HFONT font = CreateDialogFont(dpi);
    HGDIOBJ oldFont = SelectObject(dc, font);
    int labels = 0;
    for (HWND child = GetWindow(app.window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[16] = "";
        GetClassNameA(child, className, sizeof className);
        const std::string text = Text(child);
        if (lstrcmpiA(className, "Static") != 0 || text.empty())
            continue;
        RECT room, needed{};
        GetClientRect(child, &room);
        DrawTextA(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_SINGLELINE);
        printf("at %d DPI: \"%s\" needs %ld of %ld pixels\n", dpi, text.c_str(), needed.right, room.right);
        EXPECT_LE(needed.right, room.right) << text;
        ++labels;
    }
    EXPECT_EQ(labels, 2);
    SelectObject(dc, oldFont);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
}

TEST_F(AtScreenDpi, EveryPickerShowsItsWidestValueWhole)
{
    const SYSTEMTIME widest = WidestOfTheYear();
    for (int id : {IDC_FROM_DATE, IDC_FROM_TIME, IDC_BEFORE_DATE, IDC_BEFORE_TIME}) {
        HWND picker = Control(app, id);
        SetPickerTime(app, picker, widest);
        const SIZE ideal = PickerIdealSize(app, picker);
        RECT room;
        GetClientRect(picker, &room);
        const std::string text = Text(picker);
        printf("at %d DPI: picker %d needs %ld of %ld pixels for \"%s\"\n", dpi, id, ideal.cx, room.right, text.c_str());
        EXPECT_GT(ideal.cx, 0);
        EXPECT_LE(ideal.cx, room.right) << text;
        const bool date = id == IDC_FROM_DATE || id == IDC_BEFORE_DATE;
        EXPECT_TRUE(date ? HoldsDate(text, widest) : HoldsTime(text)) << text;
    }
}
