// The result list: numbering, column fitting, and Clear against a row stream.
#include "test_host.h"
#include "results/results.h"
#include "shell/shell.h"
#include "resources/resource.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <random>
#include <thread>

namespace {

void SendRow(const char* key, const char* time)
{
    SendMessageA(MainWindow, WM_APP_ADD_ROW, reinterpret_cast<WPARAM>(key), reinterpret_cast<LPARAM>(time));
}

int ColumnWidth(int column)
{
    return static_cast<int>(SendMessageA(ResultList, LVM_GETCOLUMNWIDTH, column, 0));
}

void ExpectColumnsFillTheClientArea()
{
    RECT client;
    GetClientRect(ResultList, &client);
    EXPECT_EQ(ColumnWidth(0), 40);
    // 120, or what the widest time text needs in a wider font (Wine's).
    const int widestTime = static_cast<int>(SendMessageA(ResultList, LVM_GETSTRINGWIDTHA, 0,
                                                         reinterpret_cast<LPARAM>("30.12.2000 23:59:59")));
    EXPECT_EQ(ColumnWidth(2), std::max(120, widestTime + 12));
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
