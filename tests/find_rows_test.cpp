// Find over the stored rows: the nearest match each way, across the
// store's groups of rows, with and without case, in any script, and a
// match that begins in what a row shares with the one before.
#include "test_host.h"
#include "results/results.h"
#include <gtest/gtest.h>
#include <string>

TEST(FindRows, TheNearestMatchEachWayInAnyScriptWithOrWithoutCase)
{
    ResetScanState();
    // Row i names Row<i> but for a few; the non-ASCII names are UTF-8, as stored.
    for (int row = 0; row < 100; ++row) {
        std::string name = "Row" + std::to_string(row);
        if (row == 5)  name = "Fonts";
        if (row == 40) name = "Kit\\fonts";
        if (row == 50) name = "Stack\\Hay";
        if (row == 51) name = "Stack\\Haystack";
        if (row == 70) name = "\xD0\xAF\xD0\xBD\xD0\xB4\xD0\xB5\xD0\xBA\xD1\x81";   // Яндекс
        if (row == 74) name = "Za\xC5\xBC\xC3\xB3";                                  // Zażó
        if (row == 75) name = "Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87";                  // Zażółć
        AddResultRow(("HKEY_CURRENT_USER\\Software\\" + name).c_str(), "01.01.2026 00:00:00");
    }
    const int rows = RowCount;
    ASSERT_EQ(rows, 100);

    EXPECT_EQ(FindRow(L"FONTS", false, true, 0, rows), 5);
    EXPECT_EQ(FindRow(L"FONTS", false, true, 6, rows), 40);
    EXPECT_EQ(FindRow(L"fonts", true, true, 0, rows), 40);
    EXPECT_EQ(FindRow(L"FONTS", true, true, 0, rows), -1);
    EXPECT_EQ(FindRow(L"fonts", false, false, 99, rows), 40);
    EXPECT_EQ(FindRow(L"fonts", false, false, 39, rows), 5);
    EXPECT_EQ(FindRow(L"fonts", false, false, 4, rows), -1);
    // Up, from another group: the last match of the nearest group with one.
    EXPECT_EQ(FindRow(L"row3", false, false, 99, rows), 39);
    EXPECT_EQ(FindRow(L"row3", false, false, 35, rows), 35);
    EXPECT_EQ(FindRow(L"\u044F\u043D\u0434\u0435\u043A\u0441", false, true, 0, rows), 70);        // яндекс
    EXPECT_EQ(FindRow(L"ZA\u017B\u00D3\u0141\u0106", false, false, 99, rows), 75);             // ZAŻÓŁĆ
    EXPECT_EQ(FindRow(L"ZA\u017B\u00D3\u0141\u0106", false, true, 71, rows), 75);
    EXPECT_EQ(FindRow(L"ZA\u017B\u00D3\u0141\u0106", true, true, 0, rows), -1);
    EXPECT_EQ(FindRow(L"HAYSTACK", false, true, 45, rows), 51);
    EXPECT_EQ(FindRow(L"Za\u017C\u00F3\u0142\u0107", true, true, 0, rows), 75);
    // Only the listed rows are searched.
    EXPECT_EQ(FindRow(L"Row99", false, true, 0, 99), -1);
    ClearResults();
}
