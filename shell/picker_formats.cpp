// The pickers' display formats: the locale's own wherever its widest value
// fits the picker, else the nearest shorter form of the same locale.
#include "shell/shell.h"
#include <commctrl.h>

wchar_t PickerDateFormat[FormatSize];
wchar_t PickerTimeFormat[FormatSize];

// A format as GetDateFormatW, GetTimeFormatW and the pickers all read it:
// in UTF-16, so the locale's own characters reach the picker whole (the
// ANSI forms would turn what the code page lacks into "?").
using Format = wchar_t[FormatSize];
constexpr int MostFormats = 4;
constexpr ULONGLONG TicksPerDay = 24ULL * 3600 * 10000000;

// A letter run of a format, outside quoted text; length 0 when none is.
struct Run {
    int start;
    int length;
};

static Run FindRun(const wchar_t* format, wchar_t letter, int shortest)
{
    bool quoted = false;
    for (int i = 0; format[i];) {
        if (format[i] == L'\'') {
            quoted = !quoted;
            ++i;
            continue;
        }
        int length = 0;
        while (!quoted && format[i + length] == letter)
            ++length;
        if (length >= shortest)
            return {i, length};
        i += length ? length : 1;
    }
    return {0, 0};
}

// What parts a day name from the date; a period stays, as it may belong to
// the number before it ("2026. szeptember 30., szerda").
static bool IsSeparator(wchar_t c)
{
    return c == L' ' || c == L',';
}

static void RemoveChars(wchar_t* format, int start, int end)
{
    lstrcpyW(format + start, format + end);
}

// "dddd, MMMM d, yyyy" becomes "MMMM d, yyyy": the day name goes with the
// separator after it, or before it when it comes last.
static void DropDayName(wchar_t* format)
{
    const Run day = FindRun(format, L'd', 3);
    if (!day.length)
        return;
    int start = day.start, end = day.start + day.length;
    while (IsSeparator(format[end]))
        ++end;
    if (!format[end])
        while (start > 0 && IsSeparator(format[start - 1]))
            --start;
    RemoveChars(format, start, end);
}

static void AbbreviateMonth(wchar_t* format)
{
    const Run month = FindRun(format, L'M', 4);
    if (month.length)
        RemoveChars(format, month.start + 3, month.start + month.length);
}

static int TextWidth(HDC dc, const wchar_t* format, const SYSTEMTIME& value, bool isDate)
{
    wchar_t text[256];
    const int length = isDate ? GetDateFormatW(LOCALE_USER_DEFAULT, 0, &value, format, text, 256)
                              : GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &value, format, text, 256);
    SIZE extent{};
    if (length > 1)
        GetTextExtentPoint32W(dc, text, length - 1, &extent);
    return extent.cx;
}

static SYSTEMTIME AddDay(const SYSTEMTIME& day)
{
    FILETIME ft;
    SystemTimeToFileTime(&day, &ft);
    ULARGE_INTEGER ticks{{ft.dwLowDateTime, ft.dwHighDateTime}};
    ticks.QuadPart += TicksPerDay;
    ft = {ticks.LowPart, ticks.HighPart};
    SYSTEMTIME next;
    FileTimeToSystemTime(&ft, &next);
    return next;
}

// The widest value in the format: of every day of the shown year for a
// date, of every hour with every minute (and as many seconds) for a time.
static SYSTEMTIME WidestValue(HDC dc, const wchar_t* format, bool isDate, const SYSTEMTIME& shown)
{
    SYSTEMTIME widest = shown;
    int widestWidth = -1;
    auto weigh = [&](const SYSTEMTIME& value) {
        const int width = TextWidth(dc, format, value, isDate);
        if (width > widestWidth) {
            widestWidth = width;
            widest = value;
        }
    };
    if (isDate) {
        // From the last day before, so every day carries its day of the week.
        const WORD year = shown.wYear;
        for (SYSTEMTIME day = AddDay({WORD(year - 1), 12, 0, 31, 0, 0, 0, 0}); day.wYear == year; day = AddDay(day))
            weigh(day);
    } else {
        for (WORD hour = 0; hour < 24; ++hour)
            for (WORD minute = 0; minute < 60; ++minute)
                weigh({shown.wYear, shown.wMonth, shown.wDayOfWeek, shown.wDay, hour, minute, minute, 0});
    }
    return widest;
}

static bool ShowsWhole(HWND picker, const SYSTEMTIME& value)
{
    SendMessageW(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&value));
    SIZE ideal{};
    SendMessageW(picker, DTM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal));
    RECT room;
    GetClientRect(picker, &room);
    return ideal.cx <= room.right;
}

// Tries the formats in order and keeps the first whose widest value the
// picker shows whole, or the last. The first is the one the picker shows
// already, so a locale whose form fits sees no change. Returns the one kept.
static const wchar_t* FitPickerFormat(HWND picker, const Format* formats, int count, bool isDate)
{
    SYSTEMTIME shown{};
    SendMessageW(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&shown));
    HDC dc = GetDC(picker);
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(picker, WM_GETFONT, 0, 0)));
    int kept = 0;
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !lstrcmpW(formats[i], formats[i - 1]))
            continue;
        if (i > 0)
            SendMessageW(picker, DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(formats[i]));
        kept = i;
        if (ShowsWhole(picker, WidestValue(dc, formats[i], isDate, shown)))
            break;
    }
    SelectObject(dc, oldFont);
    ReleaseDC(picker, dc);
    SendMessageW(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&shown));
    return formats[kept];
}

// The locale's long date, without its day name, with its month abbreviated
// too, then its short date.
static int DateFormats(Format (&formats)[MostFormats])
{
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SLONGDATE, formats[0], FormatSize);
    lstrcpyW(formats[1], formats[0]);
    DropDayName(formats[1]);
    lstrcpyW(formats[2], formats[1]);
    AbbreviateMonth(formats[2]);
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, formats[3], FormatSize);
    return 4;
}

// The locale's time with seconds, then a 24-hour one with seconds.
static int TimeFormats(Format (&formats)[MostFormats])
{
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, formats[0], FormatSize);
    lstrcpyW(formats[1], L"HH:mm:ss");
    return 2;
}

void FitPickerFormats()
{
    Format dates[MostFormats], times[MostFormats];
    const int dateCount = DateFormats(dates), timeCount = TimeFormats(times);
    lstrcpyW(PickerDateFormat, FitPickerFormat(FromDatePicker, dates, dateCount, true));
    FitPickerFormat(BeforeDatePicker, dates, dateCount, true);
    lstrcpyW(PickerTimeFormat, FitPickerFormat(FromTimePicker, times, timeCount, false));
    FitPickerFormat(BeforeTimePicker, times, timeCount, false);
}
