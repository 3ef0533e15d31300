// The pickers show the locale's own text: run under a user locale whose long
// date carries characters the ANSI code page lacks (ru-RU's on en-US).
#include "test_host.h"
#include "shell/shell.h"
#include <gtest/gtest.h>
#include <string>

namespace {

std::wstring DateText(const SYSTEMTIME& date, const wchar_t* format)
{
    wchar_t text[256] = L"";
    GetDateFormatW(LOCALE_USER_DEFAULT, 0, &date, format, text, 256);
    return text;
}

// Wine's picker names the month in the nominative where the locale's date,
// day first, takes the genitive ("9 декабрь" for "9 декабря").
std::wstring WithNominativeMonth(const SYSTEMTIME& date, std::wstring text)
{
    const std::wstring genitive = DateText(date, L"d MMMM").substr(DateText(date, L"d ").size());
    const size_t at = text.find(genitive);
    if (!genitive.empty() && at != std::wstring::npos)
        text.replace(at, genitive.size(), DateText(date, L"MMMM"));
    return text;
}

}  // namespace

TEST(PickerFormat, ShowsTheLocalesOwnCharacters)
{
    HostWindow();
    for (HWND picker : {FromDatePicker, BeforeDatePicker, FromTimePicker, BeforeTimePicker}) {
        SYSTEMTIME shown{};
        SendMessageW(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&shown));
        const bool date = picker == FromDatePicker || picker == BeforeDatePicker;
        wchar_t expected[256] = L"", text[256] = L"";
        if (date)
            GetDateFormatW(LOCALE_USER_DEFAULT, 0, &shown, PickerDateFormat, expected, 256);
        else
            GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &shown, PickerTimeFormat, expected, 256);
        GetWindowTextW(picker, text, 256);
        if (date && text != std::wstring(expected))
            EXPECT_EQ(text, WithNominativeMonth(shown, expected));
        else
            EXPECT_STREQ(text, expected);
    }
    // The case means something only where the date needs a character the
    // code page has not.
    const std::wstring date = DateText(SYSTEMTIME{2026, 12, 3, 9, 0, 0, 0, 0}, PickerDateFormat);
    BOOL lost = FALSE;
    char ansi[512];
    WideCharToMultiByte(CP_ACP, 0, date.c_str(), -1, ansi, sizeof ansi, nullptr, &lost);
    EXPECT_TRUE(lost) << "the locale's date fits the code page: " << ansi;
}
