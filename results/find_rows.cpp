// Find: the listed rows' key paths searched for a text, as a substring,
// ignoring case unless told not to, in any script. The rows are read where
// the store keeps them, in its order, and most are ASCII: those are
// compared byte for byte as stored, and only a row with other characters
// is made UTF-16 and folded.
#include "results/results.h"
#include "scan/scan.h"
#include "shell/shell.h"
#include <commctrl.h>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <cwchar>

std::array<wchar_t, FindTextSize> FindText;
bool FindMatchCase;

// The store rebuilds a row from the first of its group: read in ascending
// runs of a group, each row is rebuilt once whichever way the search goes.
static constexpr int ReadRun = RowGroupRows;

// Upper case as the system has it, the same in every locale, one unit to
// one; a surrogate pair is asked for as it comes.
static std::array<wchar_t, 0x10000> UpperCase;
static bool UpperCaseMade;

// The text as searched: folded unless case matters, and as bytes too when
// it is all ASCII.
static std::array<wchar_t, FindTextSize> Needle;
static std::array<unsigned char, FindTextSize> NeedleBytes;
static int NeedleLength;
static bool NeedleAscii;
static std::array<unsigned char, 256> ByteFold;   // an ASCII row's bytes as the needle's are made
static std::array<int, 256> Skip;                 // how far the needle moves on from a row byte under its last

// The characters that fold to the needle's last, as UTF-8: a row that is
// not ASCII is made UTF-16 only when one of them is in what it adds.
static constexpr int MostLastForms = 8;
static std::array<std::array<char, 4>, MostLastForms> LastForms;
static std::array<int, MostLastForms> LastFormBytes;
static int LastFormCount;
static bool LastFormsKnown;                       // false: every such row is made UTF-16
static std::array<bool, 256> StartsLastForm;

static std::array<wchar_t, PathSize> RowWide;     // a row with other characters, as UTF-16

static void MakeUpperCase()
{
    for (size_t unit = 0; unit < UpperCase.size(); ++unit)
        UpperCase[unit] = wchar_t(unit);
    // Surrogates alone have no case.
    LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, &UpperCase[1], 0xD7FF, &UpperCase[1], 0xD7FF);
    LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, &UpperCase[0xE000], 0x2000, &UpperCase[0xE000], 0x2000);
    UpperCaseMade = true;
}

static void FoldCase(wchar_t* text, int length)
{
    for (int i = 0; i < length; ++i) {
        if (IS_HIGH_SURROGATE(text[i]) && i + 1 < length && IS_LOW_SURROGATE(text[i + 1])) {
            wchar_t pair[2];
            if (LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text + i, 2, pair, 2) == 2)
                std::copy(pair, pair + 2, text + i);
            ++i;
        } else {
            text[i] = UpperCase[text[i]];
        }
    }
}

// A needle that ends in half a pair, or in the mark of a broken
// character, has no forms to look for.
static void FindLastForms(bool matchCase)
{
    const wchar_t last = Needle[NeedleLength - 1];
    LastFormCount = 0;
    LastFormsKnown = !IS_HIGH_SURROGATE(last) && !IS_LOW_SURROGATE(last) && last != 0xFFFD;
    StartsLastForm.fill(false);
    for (unsigned unit = 1; LastFormsKnown && unit < 0x10000; ++unit) {
        const wchar_t c = wchar_t(unit);
        if (IS_HIGH_SURROGATE(c) || IS_LOW_SURROGATE(c) || (matchCase ? c : UpperCase[unit]) != last)
            continue;
        if (LastFormCount == MostLastForms) {
            LastFormsKnown = false;
            break;
        }
        bool whole;
        LastFormBytes[LastFormCount] = EncodeUtf8(&c, 1, LastForms[LastFormCount].data(), 4, whole);
        StartsLastForm[static_cast<unsigned char>(LastForms[LastFormCount][0])] = true;
        ++LastFormCount;
    }
}

static bool PrepareNeedle(const wchar_t* text, bool matchCase)
{
    NeedleLength = int(wcsnlen(text, FindTextSize - 1));
    std::copy(text, text + NeedleLength, Needle.begin());
    if (!matchCase && !UpperCaseMade)
        MakeUpperCase();
    if (!matchCase)
        FoldCase(Needle.data(), NeedleLength);
    NeedleAscii = std::all_of(Needle.begin(), Needle.begin() + NeedleLength, [](wchar_t c) { return c < 0x80; });
    for (int i = 0; NeedleAscii && i < NeedleLength; ++i)
        NeedleBytes[i] = static_cast<unsigned char>(Needle[i]);
    for (int byte = 0; byte < 256; ++byte)
        ByteFold[byte] = static_cast<unsigned char>(!matchCase && byte < 0x80 ? UpperCase[byte] : byte);
    for (int byte = 0; byte < 256; ++byte) {
        int skip = NeedleLength;
        for (int i = 0; NeedleAscii && i < NeedleLength - 1; ++i)
            if (NeedleBytes[i] == ByteFold[byte])
                skip = NeedleLength - 1 - i;
        Skip[byte] = skip;
    }
    if (NeedleLength > 0)
        FindLastForms(matchCase);
    return NeedleLength > 0;
}

// Horspool's search from byte from on: the needle moves on by what the
// row byte under its last says, mostly by its whole length.
static bool HoldsNeedleBytes(const unsigned char* row, int from, int length)
{
    const int last = NeedleLength - 1;
    for (int at = from; at + last < length; at += Skip[row[at + last]]) {
        int i = last;
        while (i >= 0 && ByteFold[row[at + i]] == NeedleBytes[i])
            --i;
        if (i < 0)
            return true;
    }
    return false;
}

// As UTF-16 from byte from on, folded unless case matters: ASCII bytes one
// by one, the runs of other characters through the decoder.
static int DecodeRow(const char* row, int from, int length, bool matchCase)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(row);
    int units = 0;
    for (int at = from; at < length;) {
        if (bytes[at] < 0x80) {
            RowWide[units++] = matchCase ? bytes[at] : UpperCase[bytes[at]];
            ++at;
            continue;
        }
        int end = at;
        while (end < length && bytes[end] >= 0x80)
            ++end;
        const int made = DecodeUtf8(row + at, end - at, RowWide.data() + units, int(RowWide.size()) - units);
        if (!matchCase)
            FoldCase(RowWide.data() + units, made);
        units += made;
        at = end;
    }
    return units;
}

static bool HoldsLastForm(const char* row, int from, int length)
{
    for (int at = from; at < length; ++at) {
        if (!StartsLastForm[static_cast<unsigned char>(row[at])])
            continue;
        for (int form = 0; form < LastFormCount; ++form)
            if (at + LastFormBytes[form] <= length && memcmp(row + at, LastForms[form].data(), LastFormBytes[form]) == 0)
                return true;
    }
    return false;
}

// From the whole character at or before byte from on.
static bool HoldsNeedleWide(const char* row, int from, int length, bool matchCase)
{
    while (from > 0 && (static_cast<unsigned char>(row[from]) & 0xC0) == 0x80)
        --from;
    wchar_t* end = RowWide.data() + DecodeRow(row, from, length, matchCase);
    return std::search(RowWide.data(), end, Needle.data(), Needle.data() + NeedleLength) != end;
}

static constexpr int NoHighByte = PathSize;

static int FirstHighByte(const unsigned char* path, int from, int length)
{
    for (int at = from; at < length; ++at)
        if (path[at] >= 0x80)
            return at;
    return NoHighByte;
}

// Rows are read in order, and a row's path begins with as much of the one
// before as the store shares: where that one held no match, only a match
// that reaches past the shared bytes is new. Any other read starts afresh.
static bool Following;                   // the row before was read and did not match
static int HighFrom = NoHighByte;        // the first non-ASCII byte of the row before

static void ReadAfresh()
{
    Following = false;
}

// A folded needle with other characters than ASCII is in no ASCII row. A
// UTF-16 unit takes at most 3 bytes; a new match ends past the shared bytes.
static bool RowHoldsNeedle(int row, bool matchCase)
{
    const char* path = StoredKeyText(row);
    if (!path)
        return false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(path);
    const int shared = Following ? StoredSharedBytes(row) : 0;
    const int length = shared + int(strlen(path + shared));
    if (HighFrom >= shared)
        HighFrom = FirstHighByte(bytes, shared, length);
    const bool found = HighFrom == NoHighByte
        ? NeedleAscii && HoldsNeedleBytes(bytes, std::max(0, shared - NeedleLength + 1), length)
        : (!LastFormsKnown || HoldsLastForm(path, std::max(0, shared - 3), length))
            && HoldsNeedleWide(path, std::max(0, shared - 3 * NeedleLength), length, matchCase);
    Following = !found;
    return found;
}

// Up, each run is read from its start and the last match in it up to
// first is the nearest.
int FindRow(const wchar_t* text, bool matchCase, bool down, int first, int rows)
{
    if (first < 0 || first >= rows || !PrepareNeedle(text, matchCase))
        return -1;
    ReadAfresh();
    if (down) {
        for (int row = first; row < rows; ++row)
            if (RowHoldsNeedle(row, matchCase))
                return row;
        return -1;
    }
    for (int run = first - first % ReadRun, last = first; run >= 0; last = run - 1, run -= ReadRun) {
        int found = -1;
        ReadAfresh();
        for (int row = run; row <= last; ++row)
            if (RowHoldsNeedle(row, matchCase))
                found = row;
        if (found >= 0)
            return found;
    }
    return -1;
}

// The row found stays in view while the scan adds more.
static void SelectFoundRow(int row)
{
    ListFollowing = false;
    LVITEMW item{};
    item.state = item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(ResultList, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    SendMessageW(ResultList, LVM_ENSUREVISIBLE, row, FALSE);
}

static void SayNotFound(HWND owner)
{
    std::array<wchar_t, FindTextSize + 16> text;
    swprintf(text.data(), text.size(), L"Cannot find \"%ls\"", FindText.data());
    MessageBoxW(owner, text.data(), L"Quillmere", MB_OK | MB_ICONINFORMATION);
}

// The rows the list shows: during a scan it learns of new ones once a paint.
static int ListedRows()
{
    return std::min(RowCount, int(SendMessageW(ResultList, LVM_GETITEMCOUNT, 0, 0)));
}

// From the row after the selected one (before it, up), or from the first
// (the last) with none selected.
void FindNextRow(HWND owner, bool down)
{
    const int rows = ListedRows(), selected = SelectedRow();
    const int first = selected >= 0 ? selected + (down ? 1 : -1) : down ? 0 : rows - 1;
    HCURSOR cursor = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    const int row = FindRow(FindText.data(), FindMatchCase, down, first, rows);
    SetCursor(cursor);
    if (row >= 0)
        SelectFoundRow(row);
    else
        SayNotFound(owner);
}
