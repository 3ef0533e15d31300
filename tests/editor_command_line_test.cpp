// The registry editor's command line: Windows' editor needs "-m" to open
// a second window at the key, Wine's takes any argument for a file.
#include "results/results.h"
#include <gtest/gtest.h>
#include <string>

TEST(EditorCommandLine, TheQuotedPathThenTheSwitchOnWindowsAndNothingUnderWine)
{
    const wchar_t* editor = L"C:\\Program Files\\Win dows\\regedit.exe";
    wchar_t line[64];
    ASSERT_TRUE(MakeEditorCommandLine(editor, false, line, 64));
    EXPECT_EQ(std::wstring(line), L"\"C:\\Program Files\\Win dows\\regedit.exe\" -m");
    ASSERT_TRUE(MakeEditorCommandLine(editor, true, line, 64));
    EXPECT_EQ(std::wstring(line), L"\"C:\\Program Files\\Win dows\\regedit.exe\"");
    // Exactly full, and one unit short: nothing written past the buffer.
    const int needed = static_cast<int>(std::wstring(L"\"C:\\Program Files\\Win dows\\regedit.exe\" -m").size()) + 1;
    line[needed - 1] = L'#';
    EXPECT_TRUE(MakeEditorCommandLine(editor, false, line, needed));
    line[needed - 1] = L'#';
    EXPECT_FALSE(MakeEditorCommandLine(editor, false, line, needed - 1));
    EXPECT_EQ(line[needed - 1], L'#');
}
