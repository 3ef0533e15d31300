// What Find costs when no row matches, so every listed row is read: the
// benchmark tree's paths stored as a scan stores them, searched as Find
// Next searches them. Each figure is the fastest of three searches.
#include "bench/bench.h"
#include "results/results.h"
#include <cstdio>
#include <cstring>
#include <iterator>

namespace {

struct Search {
    const char* label;
    const wchar_t* text;
    bool matchCase, down;
};

// Rows of ASCII names meet ASCII texts byte for byte and other texts not
// at all; rows with other characters are made UTF-16 and folded.
constexpr Search AsciiRowSearches[] = {
    {"ASCII text, ignoring case, down", L"no such key", false, true},
    {"ASCII text, ignoring case, up", L"no such key", false, false},
    {"ASCII text, matching case, down", L"no such key", true, true},
    {"Cyrillic text, ignoring case, down", L"\u044f\u043d\u0434\u0435\u043a\u0441", false, true},
};
constexpr Search OtherRowSearches[] = {
    {"ASCII text, ignoring case, down", L"no such key", false, true},
    {"Cyrillic text, ignoring case, down", L"\u044f\u043d\u0434\u0435\u043a\u0441", false, true},
};

// Rows as the tree's scan lists them; the average path in bytes.
double FillRows(int rows)
{
    ClearResults();
    double bytes = 0;
    ListTreePaths(rows, [&](const char* path) {
        bytes += double(strlen(path));
        AddResultRow(path, "01.01.2026 00:00:00");
    });
    return RowCount > 0 ? bytes / RowCount : 0;
}

bool TimeSearches(const Search* searches, int count)
{
    bool asMeant = true;
    for (int i = 0; i < count; ++i) {
        const Search& s = searches[i];
        double best = 0;
        for (int run = 0; run < 3; ++run) {
            const double start = Now();
            const int found = FindRow(s.text, s.matchCase, s.down, s.down ? 0 : RowCount - 1, RowCount);
            const double took = Now() - start;
            best = run == 0 || took < best ? took : best;
            asMeant &= found == -1;
        }
        printf("  %-36s %7.1f ms, %5.1f ns a row\n", s.label, best * 1e3, best * 1e9 / RowCount);
    }
    return asMeant;
}

}  // namespace

int MeasureFindCost(int rows)
{
    printf("Find through %d rows that do not match (%d-bit build), the fastest of 3 searches each:\n", rows,
           int(sizeof(void*) * 8));
    double pathBytes = FillRows(rows);
    printf(" rows of ASCII names (%d stored, paths of %.0f bytes on average):\n", RowCount, pathBytes);
    bool asMeant = RowCount == rows && TimeSearches(AsciiRowSearches, int(std::size(AsciiRowSearches)));
    // Names in Chinese but for their first letter: every row is made UTF-16
    // and folded.
    ChineseKeyNames = true;
    pathBytes = FillRows(rows);
    ChineseKeyNames = false;
    printf(" rows of Chinese names (%d stored, paths of %.0f bytes on average):\n", RowCount, pathBytes);
    asMeant &= RowCount == rows && TimeSearches(OtherRowSearches, int(std::size(OtherRowSearches)));
    ClearResults();
    if (!asMeant)
        printf("MISMATCH: a row was not stored, or a search found one\n");
    return asMeant ? 0 : 1;
}
