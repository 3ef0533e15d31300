// The row store with no window: what goes in comes out, in any order.
#include "results/results.h"
#include "scan/scan.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

TEST(RowStore, RowsComeBackWholeInAnyOrderAndAClearEmptiesIt)
{
    ClearRowStore();
    std::vector<std::string> keys;
    for (int i = 0; i < 3 * RowGroupRows + 5; ++i)
        keys.push_back("HKEY_CURRENT_USER\\Software\\" + std::string(i % 7 ? "\xE4\xB8\xAD" : "a") +
                       std::to_string(i / 3) + "\\" + std::to_string(i));
    for (size_t i = 0; i < keys.size(); ++i)
        ASSERT_TRUE(StoreRowTexts(keys[i].c_str(), ("1.1.2026 0:0:" + std::to_string(i)).c_str()));
    EXPECT_EQ(StoredSharedBytes(0), 0);
    EXPECT_EQ(StoredSharedBytes(RowGroupRows), 0);
    EXPECT_GT(StoredSharedBytes(1), 0);
    for (int row : {int(keys.size()) - 1, 0, RowGroupRows + 3, RowGroupRows - 1, 5, RowGroupRows}) {
        EXPECT_EQ(StoredKeyText(row), keys[size_t(row)]) << row;
        EXPECT_EQ(StoredTimeText(row), "1.1.2026 0:0:" + std::to_string(row)) << row;
    }
    EXPECT_EQ(StoredKeyText(int(keys.size())), nullptr);
    EXPECT_EQ(StoredKeyText(-1), nullptr);
    // A path longer than any the walk makes is refused, and takes no row.
    EXPECT_FALSE(StoreRowTexts(std::string(PathSize, 'x').c_str(), "0"));
    EXPECT_EQ(StoredKeyText(int(keys.size())), nullptr);

    ClearRowStore();
    EXPECT_EQ(StoredKeyText(0), nullptr);
    ASSERT_TRUE(StoreRowTexts("HKEY_USERS\\x", "2.2.2026 1:2:3"));
    EXPECT_STREQ(StoredKeyText(0), "HKEY_USERS\\x");
    EXPECT_EQ(StoredSharedBytes(0), 0);
    ClearRowStore();
}
