// The time window: picker edits, the three time commands, whole-value reads.
#include "test_host.h"
#include "scan/scan.h"
#include "shell/shell.h"
#include "resources/resource.h"
#include <gtest/gtest.h>
#include <thread>

namespace {

SYSTEMTIME Make(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second, WORD ms)
{
    SYSTEMTIME st{};
    st.wYear = year; st.wMonth = month; st.wDay = day;
    st.wHour = hour; st.wMinute = minute; st.wSecond = second; st.wMilliseconds = ms;
    return st;
}

int64_t Ticks(const SYSTEMTIME& st)
{
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    return FileTimeTicks(ft);
}

void SetBound(TimeBound& bound, const SYSTEMTIME& st)
{
    bound.local = st;
    bound.asFileTime.store(Ticks(st));
}

void Notify(int id, const SYSTEMTIME& st)
{
    NMDATETIMECHANGE change{};
    change.nmhdr.hwndFrom = GetDlgItem(HostWindow(), id);
    change.nmhdr.idFrom = id;
    change.nmhdr.code = DTN_DATETIMECHANGE;
    change.st = st;
    SendMessageA(HostWindow(), WM_NOTIFY, id, reinterpret_cast<LPARAM>(&change));
}

SYSTEMTIME PickerTime(HWND picker)
{
    SYSTEMTIME st{};
    SendMessageA(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st));
    return st;
}

bool SameDate(const SYSTEMTIME& a, const SYSTEMTIME& b)
{
    return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay;
}

bool SameTimeOfDay(const SYSTEMTIME& a, const SYSTEMTIME& b)
{
    return a.wHour == b.wHour && a.wMinute == b.wMinute && a.wSecond == b.wSecond;
}

// Puts every picker on a date no command ever produces, to see which it writes.
const SYSTEMTIME Sentinel = Make(2001, 2, 3, 4, 5, 6, 0);
void MarkPickers()
{
    for (HWND picker : {FromDatePicker, FromTimePicker, BeforeDatePicker, BeforeTimePicker})
        SendMessageA(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&Sentinel));
}
bool Untouched(HWND picker)
{
    SYSTEMTIME st = PickerTime(picker);
    return SameDate(st, Sentinel) && SameTimeOfDay(st, Sentinel);
}

void Command(int id)
{
    SendMessageA(HostWindow(), WM_COMMAND, MAKEWPARAM(id, 1), 0);
}

}  // namespace

TEST(TimeWindow, StartsAtTheStartUpMoment)
{
    HostWindow();
    InitTimeWindow();
    SYSTEMTIME now;
    GetLocalTime(&now);
    int64_t from = TimeWindow.From.asFileTime.load(), before = TimeWindow.Before.asFileTime.load();
    EXPECT_LE(from, before);
    EXPECT_LT(before - from, 1000 * 10000LL);             // a few milliseconds, well under a second
    EXPECT_LT(Ticks(now) - before, 60 * 1000 * 10000LL);
    EXPECT_EQ(from, Ticks(TimeWindow.From.local));
    EXPECT_EQ(before, Ticks(TimeWindow.Before.local));
}

TEST(TimeWindow, PickersCopyOnlyTheirOwnFields)
{
    HostWindow();
    const SYSTEMTIME from = Make(2020, 5, 6, 7, 8, 9, 321), before = Make(2021, 6, 7, 8, 9, 10, 654);
    const SYSTEMTIME edit = Make(2019, 12, 31, 23, 58, 57, 999);

    SetBound(TimeWindow.From, from);
    SetBound(TimeWindow.Before, before);
    Notify(IDC_FROM_DATE, edit);
    EXPECT_TRUE(SameDate(TimeWindow.From.local, edit));
    EXPECT_TRUE(SameTimeOfDay(TimeWindow.From.local, from));
    EXPECT_EQ(TimeWindow.From.local.wMilliseconds, 321);
    EXPECT_EQ(TimeWindow.From.asFileTime.load(), Ticks(Make(2019, 12, 31, 7, 8, 9, 321)));
    EXPECT_EQ(TimeWindow.Before.asFileTime.load(), Ticks(before));

    Notify(IDC_FROM_TIME, edit);
    EXPECT_EQ(TimeWindow.From.asFileTime.load(), Ticks(Make(2019, 12, 31, 23, 58, 57, 321)));

    Notify(IDC_BEFORE_TIME, edit);
    EXPECT_TRUE(SameDate(TimeWindow.Before.local, before));
    EXPECT_EQ(TimeWindow.Before.asFileTime.load(), Ticks(Make(2021, 6, 7, 23, 58, 57, 654)));
    Notify(IDC_BEFORE_DATE, edit);
    EXPECT_EQ(TimeWindow.Before.asFileTime.load(), Ticks(Make(2019, 12, 31, 23, 58, 57, 654)));

    // Any other control changes nothing.
    int64_t f = TimeWindow.From.asFileTime.load(), b = TimeWindow.Before.asFileTime.load();
    Notify(IDC_START, Make(2030, 1, 1, 1, 1, 1, 1));
    Notify(IDC_RESULTS, Make(2030, 1, 1, 1, 1, 1, 1));
    EXPECT_EQ(TimeWindow.From.asFileTime.load(), f);
    EXPECT_EQ(TimeWindow.Before.asFileTime.load(), b);
}

TEST(TimeWindow, ZeroFromTimeKeepsDateAndMillisecondsAndWritesOnlyTheFromTimePicker)
{
    HostWindow();
    SetBound(TimeWindow.From, Make(2022, 3, 4, 15, 16, 17, 789));
    MarkPickers();
    Command(IDA_ZERO_FROM_TIME);
    EXPECT_EQ(TimeWindow.From.asFileTime.load(), Ticks(Make(2022, 3, 4, 0, 0, 0, 789)));
    SYSTEMTIME shown = PickerTime(FromTimePicker);
    EXPECT_EQ(shown.wHour, 0);
    EXPECT_EQ(shown.wMinute, 0);
    EXPECT_EQ(shown.wSecond, 0);
    EXPECT_TRUE(Untouched(FromDatePicker));
    EXPECT_TRUE(Untouched(BeforeDatePicker));
    EXPECT_TRUE(Untouched(BeforeTimePicker));
}

TEST(TimeWindow, SetFromToNowReadsTheClockAndWritesBothFromPickers)
{
    HostWindow();
    SetBound(TimeWindow.From, Make(2000, 1, 1, 0, 0, 0, 0));
    MarkPickers();
    SYSTEMTIME before, after;
    GetLocalTime(&before);
    Command(IDA_FROM_NOW);
    GetLocalTime(&after);
    int64_t from = TimeWindow.From.asFileTime.load();
    EXPECT_GE(from, Ticks(before));
    EXPECT_LE(from, Ticks(after));
    EXPECT_EQ(from, Ticks(TimeWindow.From.local));
    EXPECT_TRUE(SameDate(PickerTime(FromDatePicker), TimeWindow.From.local));
    EXPECT_TRUE(SameTimeOfDay(PickerTime(FromTimePicker), TimeWindow.From.local));
    EXPECT_TRUE(Untouched(BeforeDatePicker));
    EXPECT_TRUE(Untouched(BeforeTimePicker));
}

TEST(TimeWindow, CopyFromToBeforeKeepsEachBoundsMilliseconds)
{
    HostWindow();
    SetBound(TimeWindow.From, Make(2023, 7, 8, 9, 10, 11, 500));
    SetBound(TimeWindow.Before, Make(2024, 1, 2, 3, 4, 5, 200));
    MarkPickers();
    Command(IDA_FROM_TO_BEFORE);
    EXPECT_EQ(TimeWindow.Before.asFileTime.load(), Ticks(Make(2023, 7, 8, 9, 10, 11, 200)));
    EXPECT_TRUE(SameDate(PickerTime(BeforeDatePicker), TimeWindow.From.local));
    EXPECT_TRUE(SameTimeOfDay(PickerTime(BeforeTimePicker), TimeWindow.From.local));
    EXPECT_TRUE(Untouched(FromDatePicker));
    EXPECT_TRUE(Untouched(FromTimePicker));
    // From's milliseconds now exceed Before's: the window holds no instant.
    FILETIME inside{};
    int64_t t = Ticks(Make(2023, 7, 8, 9, 10, 11, 300));
    inside.dwLowDateTime = DWORD(t);
    inside.dwHighDateTime = DWORD(uint64_t(t) >> 32);
    EXPECT_FALSE(IsInTimeWindow(inside));
}

TEST(TimeWindow, ABoundIsReadWholeWhileTheOtherThreadRewritesIt)
{
    // Both halves differ between the two values, so a torn read shows.
    const int64_t a = 0x00000001FFFFFFFFLL, b = 0x0000000200000000LL;
    TimeWindow.From.asFileTime.store(a);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 2000000; ++i)
            TimeWindow.From.asFileTime.store(i & 1 ? a : b);
        done = true;
    });
    int torn = 0;
    while (!done)
        for (int i = 0; i < 1000; ++i) {
            int64_t v = TimeWindow.From.asFileTime.load();
            torn += v != a && v != b;
        }
    writer.join();
    EXPECT_EQ(torn, 0);
}
