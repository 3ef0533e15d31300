// The result list: numbering, column fitting, and Clear against a row stream.
#include "test_host.h"
#include "results/results.h"
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

void SendRow(const char* key, const char* time)
{
    SendMessageA(MainWindow, WM_APP_ADD_ROW, reinterpret_cast<WPARAM>(key), reinterpret_cast<LPARAM>(time));
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

// Rows are numbered 1..n without gaps and every row has all three texts.
void ExpectConsistentRows()
{
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
    ResetScanState();
    ExpectColumnsFillTheClientArea();
}

TEST(ResultList, NumbersRunOnUntilClearAndColumnsFollowTheScrollBar)
{
    ResetScanState();
    RECT before;
    GetClientRect(ResultList, &before);
    SendRow("HKEY_CURRENT_USER\\A", "1.2.2003 4:5:6");
    EXPECT_EQ(RowText(0, 0), "1");
    EXPECT_EQ(RowText(0, 1), "HKEY_CURRENT_USER\\A");
    EXPECT_EQ(RowText(0, 2), "1.2.2003 4:5:6");
    for (int i = 0; i < 60; ++i)
        SendRow("HKEY_CURRENT_USER\\B", "1.2.2003 4:5:6");
    ExpectConsistentRows();
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
            SendRow(key, "1.1.2020 0:0:0");
        }
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

namespace {

// What another thread reads straight after one row was handed over.
struct RowReading {
    int count, top, perPage, scrollPos, scrollMax;
    int widths[3];
    int clientWidth;
    bool visible;
    std::string number, key, time;
};

RowReading ReadListAfterRow(int row)
{
    RowReading reading{};
    reading.count = ListRowCount();
    reading.top = static_cast<int>(SendMessageA(ResultList, LVM_GETTOPINDEX, 0, 0));
    reading.perPage = static_cast<int>(SendMessageA(ResultList, LVM_GETCOUNTPERPAGE, 0, 0));
    SCROLLINFO scroll{};
    scroll.cbSize = sizeof scroll;
    scroll.fMask = SIF_POS | SIF_RANGE;
    GetScrollInfo(ResultList, SB_VERT, &scroll);
    reading.scrollPos = scroll.nPos;
    reading.scrollMax = scroll.nMax;
    for (int column = 0; column < 3; ++column)
        reading.widths[column] = ColumnWidth(column);
    RECT client;
    GetClientRect(ResultList, &client);
    reading.clientWidth = client.right;
    reading.visible = IsWindowVisible(ResultList);
    reading.number = RowText(row, 0);
    reading.key = RowText(row, 1);
    reading.time = RowText(row, 2);
    return reading;
}

}  // namespace

// Rows are painted in batches, yet whoever looks right after a row was added
// finds it whole, the columns exact, the scroll range and position current
// with the row at the bottom, and the list shown, so clicks reach it.
TEST(ResultList, EachRowOfABurstIsCompleteAndInViewForWhoeverReadsAtOnce)
{
    ResetScanState();
    constexpr int Rows = 150;
    std::vector<RowReading> readings(Rows);
    std::atomic<bool> done{false};
    std::thread worker([&] {
        char key[64];
        for (int i = 0; i < Rows; ++i) {
            snprintf(key, sizeof key, "HKEY_CURRENT_USER\\Burst\\Row%d", i);
            SendRow(key, "30.12.2025 23:59:59");
            readings[i] = ReadListAfterRow(i);
        }
        done = true;
    });
    int hiddenBetweenMessages = 0;
    PumpUntil([&] {
        hiddenBetweenMessages += !IsWindowVisible(ResultList);
        return done.load();
    });
    worker.join();
    EXPECT_EQ(hiddenBetweenMessages, 0);
    const int timeWidth = ExpectedTimeWidth();
    bool scrolled = false;
    for (int i = 0; i < Rows; ++i) {
        const RowReading& r = readings[i];
        SCOPED_TRACE("row " + std::to_string(i));
        ASSERT_EQ(r.count, i + 1);
        ASSERT_EQ(r.number, std::to_string(i + 1));
        ASSERT_EQ(r.key, "HKEY_CURRENT_USER\\Burst\\Row" + std::to_string(i));
        ASSERT_EQ(r.time, "30.12.2025 23:59:59");
        ASSERT_EQ(r.widths[0], 40);
        ASSERT_EQ(r.widths[2], timeWidth);
        ASSERT_EQ(r.widths[0] + r.widths[1] + r.widths[2], r.clientWidth);
        ASSERT_TRUE(r.visible);
        ASSERT_EQ(r.scrollPos, r.top);
        if (r.count > r.perPage) {
            scrolled = true;
            // The newest row is the bottom one in view, whole or in part.
            ASSERT_GE(i, r.top + r.perPage - 1);
            ASSERT_LE(i, r.top + r.perPage);
            ASSERT_EQ(r.scrollMax, i);
        } else {
            ASSERT_EQ(r.top, 0);
        }
    }
    EXPECT_TRUE(scrolled);

    // Once the rows stop, the last paint leaves nothing of the list, its
    // frame or its header waiting to be painted.
    HWND header = reinterpret_cast<HWND>(SendMessageA(ResultList, LVM_GETHEADER, 0, 0));
    EXPECT_TRUE(PumpUntil([&] {
        return !GetUpdateRect(ResultList, nullptr, FALSE) && !GetUpdateRect(header, nullptr, FALSE);
    }, 3000));
    EXPECT_TRUE(IsWindowVisible(ResultList));
}
