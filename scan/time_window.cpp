// The interval of local time in which a key must have been last written.
#include "scan/scan.h"
#include "shell/shell.h"
#include "resources/resource.h"

TimeWindowBounds TimeWindow;

// Keeps asFileTime in step with the whole of local, milliseconds included.
static void RecomputeBound(TimeBound& bound)
{
    FILETIME ft{};
    SystemTimeToFileTime(&bound.local, &ft);
    bound.asFileTime.store(FileTimeTicks(ft));
}

static void ShowInPicker(HWND picker, const SYSTEMTIME& time)
{
    SendMessageW(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
}

void InitTimeWindow()
{
    GetLocalTime(&TimeWindow.From.local);
    RecomputeBound(TimeWindow.From);
    GetLocalTime(&TimeWindow.Before.local);
    RecomputeBound(TimeWindow.Before);
}

void OnDateTimeChange(const NMDATETIMECHANGE* change)
{
    const SYSTEMTIME& st = change->st;
    switch (change->nmhdr.idFrom) {
    case IDC_FROM_DATE:
    case IDC_BEFORE_DATE: {
        TimeBound& bound = change->nmhdr.idFrom == IDC_FROM_DATE ? TimeWindow.From : TimeWindow.Before;
        bound.local.wDay = st.wDay;
        bound.local.wMonth = st.wMonth;
        bound.local.wYear = st.wYear;
        RecomputeBound(bound);
        break;
    }
    case IDC_FROM_TIME:
    case IDC_BEFORE_TIME: {
        TimeBound& bound = change->nmhdr.idFrom == IDC_FROM_TIME ? TimeWindow.From : TimeWindow.Before;
        bound.local.wHour = st.wHour;
        bound.local.wMinute = st.wMinute;
        bound.local.wSecond = st.wSecond;
        RecomputeBound(bound);
        break;
    }
    default:
        break;
    }
}

// The clock, all fields, milliseconds included; the date picker first.
static void SetBoundToNow(TimeBound& bound, HWND datePicker, HWND timePicker)
{
    GetLocalTime(&bound.local);
    RecomputeBound(bound);
    ShowInPicker(datePicker, bound.local);
    ShowInPicker(timePicker, bound.local);
}

void SetFromToNow()
{
    SetBoundToNow(TimeWindow.From, FromDatePicker, FromTimePicker);
}

void SetBeforeToNow()
{
    SetBoundToNow(TimeWindow.Before, BeforeDatePicker, BeforeTimePicker);
}

void CopyFromToBefore()
{
    const SYSTEMTIME& from = TimeWindow.From.local;
    SYSTEMTIME& before = TimeWindow.Before.local;
    before.wDay = from.wDay;
    before.wMonth = from.wMonth;
    before.wYear = from.wYear;
    before.wHour = from.wHour;
    before.wMinute = from.wMinute;
    before.wSecond = from.wSecond;
    RecomputeBound(TimeWindow.Before);
    ShowInPicker(BeforeDatePicker, before);
    ShowInPicker(BeforeTimePicker, before);
}

void ZeroFromTime()
{
    TimeWindow.From.local.wHour = 0;
    TimeWindow.From.local.wMinute = 0;
    TimeWindow.From.local.wSecond = 0;
    RecomputeBound(TimeWindow.From);
    ShowInPicker(FromTimePicker, TimeWindow.From.local);
}

bool IsInTimeWindow(const FILETIME& localTime)
{
    const int64_t t = FileTimeTicks(localTime);
    return TimeWindow.From.asFileTime.load() <= t && t <= TimeWindow.Before.asFileTime.load();
}
