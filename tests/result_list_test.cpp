// The result list: numbering, column fitting, and Clear against a row stream.
#include "test_host.h"
#include "results/results.h"
#include "scan/scan.h"
#include "shell/shell.h"
#include "resources/resource.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <atomic>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

// As the walk hands a row over: held, then sent at once.
void SendRow(const char* key, const char* time)
{
    HoldFoundRow(key, time);
    HandOverWalk(nullptr);
}

int ColumnWidth(int column)
{
    return static_cast<int>(SendMessageA(ResultList, LVM_GETCOLUMNWIDTH, column, 0));
}

// 120, or what the widest time text needs in a wider font (Wine's).
int ExpectedTimeWidth()
{
    const int widestTime = static_cast<int>(SendMessageA(ResultList, LVM_GETSTRINGWIDTHA, 0,
                                                         reinterpret_cast<LPARAM>("30.12.2000 23:59:59")));
    return std::max(120, widestTime + 12);
}

void ExpectColumnsFillTheClientArea()
{
    RECT client;
    GetClientRect(ResultList, &client);
    EXPECT_EQ(ColumnWidth(0), 40);
    EXPECT_EQ(ColumnWidth(2), ExpectedTimeWidth());
    EXPECT_EQ(ColumnWidth(0) + ColumnWidth(1) + ColumnWidth(2), client.right);
    EXPECT_FALSE(GetWindowLongA(ResultList, GWL_STYLE) & WS_HSCROLL);
}

// Once painted, rows are numbered 1..n without gaps and every row has all
// three texts.
void ExpectConsistentRows()
{
    ShowLatestRows();
    ASSERT_EQ(ListRowCount(), RowCount);
    for (int row = 0; row < RowCount; ++row) {
        ASSERT_EQ(RowText(row, 0), std::to_string(row + 1));
        ASSERT_FALSE(RowText(row, 1).empty()) << row;
        ASSERT_FALSE(RowText(row, 2).empty()) << row;
    }
}

}  // namespace

TEST(ResultList, IsSetUpWithItsColumnsAndStyles)
{
    HostWindow();
    HWND header = reinterpret_cast<HWND>(SendMessageA(ResultList, LVM_GETHEADER, 0, 0));
    ASSERT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 3);
    const char* titles[] = {"#", "Key", "LastWriteTime"};
    for (int column = 0; column < 3; ++column) {
        char text[64] = "";
        LVCOLUMNA col{};
        col.mask = LVCF_TEXT;
        col.pszText = text;
        col.cchTextMax = sizeof text;
        SendMessageA(ResultList, LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&col));
        EXPECT_STREQ(text, titles[column]);
    }
    EXPECT_EQ(SendMessageA(ResultList, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), 0x421);
    EXPECT_TRUE(GetWindowLongA(ResultList, GWL_STYLE) & LVS_OWNERDATA);   // the list holds no rows
    ResetScanState();
    ExpectColumnsFillTheClientArea();
}

TEST(ResultList, NumbersRunOnUntilClearAndColumnsFollowTheScrollBar)
{
    ResetScanState();
    RECT before;
    GetClientRect(ResultList, &before);
    SendRow("HKEY_CURRENT_USER\\A", "1.2.2003 4:5:6");
    ShowLatestRows();
    EXPECT_EQ(RowText(0, 0), "1");
    EXPECT_EQ(RowText(0, 1), "HKEY_CURRENT_USER\\A");
    EXPECT_EQ(RowText(0, 2), "1.2.2003 4:5:6");
    for (int i = 0; i < 60; ++i)
        SendRow("HKEY_CURRENT_USER\\B", "1.2.2003 4:5:6");
    ExpectConsistentRows();
    PumpFor(500);                               // the view follows at the next paint
    RECT after;
    GetClientRect(ResultList, &after);
    EXPECT_LT(after.right, before.right);       // the vertical scroll bar took its share
    ExpectColumnsFillTheClientArea();

    // The newest row is kept in view.
    int top = static_cast<int>(SendMessageA(ResultList, LVM_GETTOPINDEX, 0, 0));
    int page = static_cast<int>(SendMessageA(ResultList, LVM_GETCOUNTPERPAGE, 0, 0));
    EXPECT_GE(top + page, RowCount - 1);

    SendMessageA(MainWindow, WM_COMMAND, IDC_CLEAR, 0);
    EXPECT_EQ(RowCount, 0);
    EXPECT_EQ(ListRowCount(), 0);
    ExpectColumnsFillTheClientArea();
    SendRow("HKEY_USERS\\C", "7.8.2009 10:11:12");
    ShowLatestRows();
    EXPECT_EQ(RowText(0, 0), "1");
}

// The worker hands over rows while the user clears: every row stays whole
// and numbering restarts at 1 after each Clear.
TEST(ResultList, ClearWhileAnotherThreadStreamsRows)
{
    ResetScanState();
    std::atomic<bool> done{false};
    std::thread worker([&] {
        char key[64];
        for (int i = 0; i < 1500; ++i) {
            snprintf(key, sizeof key, "HKEY_CURRENT_USER\\Row%d", i);
            HoldFoundRow(key, "1.1.2020 0:0:0");
            if (i % 7 == 6)          // rows travel in batches, as from the walk
                HandOverWalk(nullptr);
        }
        HandOverWalk(nullptr);
        done = true;
    });
    std::mt19937 random(12345);
    int clears = 0;
    while (!done) {
        PumpFor(random() % 15);
        if (random() % 3 == 0) {
            ClearResults();
            ++clears;
        }
    }
    worker.join();
    PumpFor(10);
    EXPECT_GT(clears, 0);
    ExpectConsistentRows();
}

// A row the walk still holds when the user clicks Clear was found before
// the click: the emptied list starts with the first row found after it.
TEST(ResultList, RowsHeldAcrossAClearAreDropped)
{
    ResetScanState();
    SendRow("HKEY_CURRENT_USER\\Listed", "1.1.2020 0:0:0");
    HoldFoundRow("HKEY_CURRENT_USER\\HeldAlone", "1.1.2020 0:0:1");
    ClearResults();
    HandOverWalk(nullptr);
    ShowLatestRows();
    EXPECT_EQ(ListRowCount(), 0);

    HoldFoundRow("HKEY_CURRENT_USER\\HeldBefore", "1.1.2020 0:0:2");
    ClearResults();
    HoldFoundRow("HKEY_CURRENT_USER\\FoundAfter", "1.1.2020 0:0:3");
    HandOverWalk(nullptr);
    ShowLatestRows();
    ASSERT_EQ(ListRowCount(), 1);
    EXPECT_EQ(RowText(0, 0), "1");
    EXPECT_EQ(RowText(0, 1), "HKEY_CURRENT_USER\\FoundAfter");
    EXPECT_EQ(RowText(0, 2), "1.1.2020 0:0:3");
}

namespace {

// What another thread reads straight after one row was handed over: the
// list's count and its last counted row.
struct RowReading {
    int count;
    std::string number, key, time;
};

// What the list shows when it paints.
struct PaintReading {
    int rows, top, perPage, scrollMax;
    int widths[3];
    int clientWidth;
    bool horizontalBar;
};

PaintReading ReadListAtPaint()
{
    PaintReading reading{};
    reading.rows = ListRowCount();
    reading.top = static_cast<int>(SendMessageA(ResultList, LVM_GETTOPINDEX, 0, 0));
    reading.perPage = static_cast<int>(SendMessageA(ResultList, LVM_GETCOUNTPERPAGE, 0, 0));
    SCROLLINFO scroll{};
    scroll.cbSize = sizeof scroll;
    scroll.fMask = SIF_RANGE;
    GetScrollInfo(ResultList, SB_VERT, &scroll);
    reading.scrollMax = scroll.nMax;
    for (int column = 0; column < 3; ++column)
        reading.widths[column] = ColumnWidth(column);
    RECT client;
    GetClientRect(ResultList, &client);
    reading.clientWidth = client.right;
    reading.horizontalBar = GetWindowLongA(ResultList, GWL_STYLE) & WS_HSCROLL;
    return reading;
}

std::vector<PaintReading>* PaintSink;
WNDPROC ListProc;

LRESULT CALLBACK RecordingListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT && PaintSink)
        PaintSink->push_back(ReadListAtPaint());
    return CallWindowProcA(ListProc, hwnd, message, wParam, lParam);
}

// The newest row is the bottom one in view, the columns fill the client
// area exactly and the scroll bar matches the rows.
void ExpectViewFollowsTheRows(const PaintReading& r, int timeWidth)
{
    EXPECT_EQ(r.widths[0], 40);
    EXPECT_EQ(r.widths[2], timeWidth);
    EXPECT_EQ(r.widths[0] + r.widths[1] + r.widths[2], r.clientWidth);
    EXPECT_FALSE(r.horizontalBar);
    const int newest = r.rows - 1;
    if (r.rows > r.perPage) {
        EXPECT_GE(newest, r.top + r.perPage - 1);   // whole or in part
        EXPECT_LE(newest, r.top + r.perPage);
        EXPECT_EQ(r.scrollMax, newest);
    } else {
        EXPECT_EQ(r.top, 0);
    }
}

}  // namespace

// Rows are painted in batches, yet whoever reads the list between paints
// finds every row it counts whole; every paint shows the newest row at the bottom with
// the columns exact; and the list stays shown, so clicks and Tab reach it.
TEST(ResultList, EachRowOfABurstIsCompleteAtOnceAndInViewAtEveryPaint)
{
    ResetScanState();
    PumpFor(200);                 // nothing from before the burst left to paint
    constexpr int Rows = 150;
    std::vector<RowReading> readings(Rows);
    std::vector<PaintReading> paints;
    paints.reserve(1000);
    ListProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(ResultList, GWLP_WNDPROC,
                                                           reinterpret_cast<LONG_PTR>(RecordingListProc)));
    PaintSink = &paints;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        char key[64];
        for (int i = 0; i < Rows; ++i) {
            snprintf(key, sizeof key, "HKEY_CURRENT_USER\\Burst\\Row%d", i);
            SendRow(key, "30.12.2025 23:59:59");
            const int count = ListRowCount();
            readings[i] = {count, RowText(count - 1, 0), RowText(count - 1, 1), RowText(count - 1, 2)};
            Sleep(2);             // long enough a burst for paints in between
        }
        done = true;
    });
    int hiddenBetweenMessages = 0;
    PumpUntil([&] {
        hiddenBetweenMessages += !IsWindowVisible(ResultList);
        return done.load();
    });
    worker.join();
    const size_t paintsDuringBurst = paints.size();

    // Once the rows stop, a paint shows the last one and leaves nothing of
    // the list, its frame or its header waiting to be painted.
    HWND header = reinterpret_cast<HWND>(SendMessageA(ResultList, LVM_GETHEADER, 0, 0));
    EXPECT_TRUE(PumpUntil([&] {
        return !paints.empty() && paints.back().rows == Rows && !GetUpdateRect(ResultList, nullptr, FALSE)
               && !GetUpdateRect(header, nullptr, FALSE);
    }, 3000));
    PaintSink = nullptr;
    SetWindowLongPtrA(ResultList, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListProc));

    EXPECT_EQ(hiddenBetweenMessages, 0);
    EXPECT_TRUE(IsWindowVisible(ResultList));
    for (int i = 0; i < Rows; ++i) {
        const RowReading& r = readings[i];
        SCOPED_TRACE("row " + std::to_string(i));
        ASSERT_LE(r.count, i + 1);
        ASSERT_GE(r.count, i > 0 ? readings[i - 1].count : 0);
        if (r.count == 0)
            continue;
        ASSERT_EQ(r.number, std::to_string(r.count));
        ASSERT_EQ(r.key, "HKEY_CURRENT_USER\\Burst\\Row" + std::to_string(r.count - 1));
        ASSERT_EQ(r.time, "30.12.2025 23:59:59");
    }
    const int timeWidth = ExpectedTimeWidth();
    ASSERT_GT(paintsDuringBurst, 0u);
    bool scrolled = false;
    for (size_t i = 0; i < paints.size(); ++i) {
        SCOPED_TRACE("paint " + std::to_string(i));
        ExpectViewFollowsTheRows(paints[i], timeWidth);
        scrolled |= paints[i].rows > paints[i].perPage;
    }
    EXPECT_TRUE(scrolled);
    EXPECT_EQ(paints.back().rows, Rows);
    ExpectViewFollowsTheRows(ReadListAtPaint(), timeWidth);
}

// A row the store cannot keep is left out: no other row gets its texts and
// the numbers run on without a gap.
TEST(ResultList, ARefusedRowLeavesTheOtherRowsWholeAndNumberedWithoutGaps)
{
    ResetScanState();
    const std::string pastABlock(size_t(2) << 20, 'k');
    AddResultRow("ROOT\\A", "1.2.2003 4:5:6");
    AddResultRow(pastABlock.c_str(), "1.2.2003 4:5:6");
    AddResultRow("ROOT\\C", "1.2.2003 4:5:6");
    ExpectConsistentRows();
    ASSERT_EQ(RowCount, 2);
    EXPECT_EQ(RowText(0, 1), "ROOT\\A");
    EXPECT_EQ(RowText(1, 1), "ROOT\\C");
    SendRow("HKEY_CURRENT_USER\\E", "1.2.2003 4:5:6");
    ShowLatestRows();
    EXPECT_EQ(RowText(2, 0), "3");
}

// A row keeps only what its path does not share with the row before it:
// read in any order, after a Clear too, every row gives its own path.
TEST(ResultList, RowsReadInAnyOrderGiveTheirOwnPaths)
{
    ResetScanState();
    std::vector<std::string> paths;
    for (int i = 0; i < 200; ++i)
        paths.push_back("HKEY_CURRENT_USER\\Software\\" + std::string(size_t(i % 5), 'x') + "\\Sub" +
                        std::to_string(i % 13) + (i % 3 ? "\\Leaf" + std::to_string(i) : ""));
    paths.push_back("HKEY_USERS");
    for (const std::string& path : paths)
        AddResultRow(path.c_str(), "1.2.2003 4:5:6");
    ExpectConsistentRows();
    std::vector<int> order(paths.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    for (int row : order)
        ASSERT_EQ(RowText(row, 1), paths[size_t(row)]) << row;
    ClearResults();
    AddResultRow("HKEY_CURRENT_USER\\A", "1.2.2003 4:5:6");
    ExpectConsistentRows();
    EXPECT_EQ(RowText(0, 1), "HKEY_CURRENT_USER\\A");
}

// Digits typed into the list select the row they number, the next one
// they begin from the selection on, as in a list that held its rows.
TEST(ResultList, TypedDigitsSelectTheRowTheyNumber)
{
    ResetScanState();
    for (int i = 0; i < 150; ++i)
        AddResultRow("HKEY_CURRENT_USER\\A", "1.2.2003 4:5:6");
    ShowLatestRows();
    auto typed = [](const char* text) {
        for (const char* c = text; *c; ++c)
            SendMessageA(ResultList, WM_CHAR, WPARAM(*c), 1);   // a repeat count of one
        return static_cast<int>(SendMessageA(ResultList, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
    };
    EXPECT_EQ(typed("12"), 11);
    Sleep(1000);                  // a pause ends the typed text
    EXPECT_EQ(typed("1"), 12);    // 13, the next number from 1 on
    Sleep(1000);
    EXPECT_EQ(typed("9"), 89);    // 9 lies before: from the top again
    Sleep(1000);
    EXPECT_EQ(typed("x"), 89);    // no row: the selection stays
}

namespace {

std::string TipText(int row, int column)
{
    wchar_t text[1024] = L"";
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 1024;
    SendMessageW(ResultList, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));   // as the list fills it
    NMLVGETINFOTIPW tip{};
    tip.hdr = {ResultList, IDC_RESULTS, UINT(LVN_GETINFOTIPW)};
    tip.pszText = text;
    tip.cchTextMax = 1024;
    tip.iItem = row;
    tip.iSubItem = column;
    SendMessageW(MainWindow, WM_NOTIFY, IDC_RESULTS, reinterpret_cast<LPARAM>(&tip));
    return Utf8Of(text);
}

}  // namespace

// A key path wider than its column is the row's tip, whichever column asks;
// one that fits has none.
TEST(ResultList, ACutKeyPathIsTheRowsTipAndOneThatFitsHasNone)
{
    ResetScanState();
    const std::string cut = "HKEY_CURRENT_USER\\" + std::string(300, 'w');
    SendRow("HKEY_CURRENT_USER\\Short", "1.2.2003 4:5:6");
    SendRow(cut.c_str(), "1.2.2003 4:5:6");
    ShowLatestRows();
    EXPECT_EQ(TipText(0, 0), "");
    EXPECT_EQ(TipText(0, 1), "");
    EXPECT_EQ(TipText(1, 0), cut);
    EXPECT_EQ(TipText(1, 2), cut);
}

// Copied text carries the path's exact Unicode form, whatever the system's
// code page and the keyboard's language. Its own ctest entry runs this
// with a Polish system and an English user.
TEST(Clipboard, ACopiedPathReadsAsTheSameUnicodeTextWhateverTheKeyboardLanguage)
{
    if (GetACP() != 1250)
        GTEST_SKIP() << "needs the Central European code page";
    ResetScanState();
    OpenTimeWindowWide();
    const std::wstring name = L"Za\x017C\x00F3\x0142\x0107";   // Zażółć
    RegistryFixture fixture("CopiedInCodePage");
    fixture.AddW(name);
    HKEY key = fixture.Open();
    ASSERT_NE(key, nullptr);
    WalkKey(key, "ROOT");
    RegCloseKey(key);
    ASSERT_EQ(RowCount, 1);
    CopyKeyPath(0);
    std::wstring copied = L"(none)";
    ASSERT_TRUE(OpenClipboard(MainWindow));
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        copied = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    EXPECT_TRUE(copied == L"ROOT\\" + name);
}

// A UTF-8 system (Windows' "Use Unicode UTF-8 for worldwide language
// support") refuses the no-look-alike flag and nothing would be copied;
// elsewhere a letter the code page lacks is "?", never a look-alike.
TEST(AnsiCopy, FlagsFollowTheCodePage)
{
    EXPECT_EQ(AnsiCopyFlags(CP_UTF8), 0u);
    EXPECT_EQ(AnsiCopyFlags(1252), DWORD(WC_NO_BEST_FIT_CHARS));
    char ansi[16] = "";
    ASSERT_GT(WideCharToMultiByte(1252, AnsiCopyFlags(1252), L"Za\x017C\x00F3\x0142\x0107", -1, ansi, sizeof ansi,
                                  nullptr, nullptr), 0);
    EXPECT_STREQ(ansi, "Za?\xF3??");
}

// A Clear takes the selection with the rows: Enter, Ctrl+C and the menu then
// find no row to act on.
TEST(ResultList, AClearLeavesNoRowSelected)
{
    ResetScanState();
    SendRow("HKEY_CURRENT_USER\\A", "1.2.2003 4:5:6");
    ShowLatestRows();
    LVITEMA state{};
    state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(ResultList, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
    ASSERT_EQ(SelectedRow(), 0);
    ClearResults();
    EXPECT_EQ(SelectedRow(), -1);
}
