// Shared by the hardening suite: the hardened program, scans by hand, and
// what every listed row must look like.
#pragma once
#include "program_case.h"
#include "resources/resource.h"
#include <cstdio>
#include <set>
#include <string>
#include <vector>

// Built with the stack protector and _FORTIFY_SOURCE: an overrun ends it.
constexpr const char* HardenedExe = "QuillmereHardened.exe";
constexpr int PathTextMax = 4095;     // the program cuts longer path texts

struct Rows {
    std::vector<std::string> numbers, paths, times;
};

inline Rows ReadRows(const RunningApp& app)
{
    HWND list = Control(app, IDC_RESULTS);
    return {ColumnTexts(app, list, 0), ColumnTexts(app, list, 1), ColumnTexts(app, list, 2)};
}

// What a path of that key looks like in the list: cut texts end in "...".
inline std::string AsListed(const std::string& path)
{
    if (static_cast<int>(path.size()) <= PathTextMax)
        return path;
    return path.substr(0, PathTextMax - 3) + "...";
}

// Numbered 1..n without gaps, each path under a root the user chose, short
// enough, each time "%i.%i.%i %i:%i:%i" of a real date.
inline void ExpectWellFormed(const Rows& rows, const std::vector<std::string>& roots)
{
    ASSERT_EQ(rows.paths.size(), rows.numbers.size());
    ASSERT_EQ(rows.times.size(), rows.numbers.size());
    for (size_t i = 0; i < rows.numbers.size(); ++i) {
        ASSERT_EQ(rows.numbers[i], std::to_string(i + 1));
        const std::string& path = rows.paths[i];
        bool underRoot = false;
        for (const std::string& root : roots)
            underRoot |= path.rfind(root + "\\", 0) == 0;
        EXPECT_TRUE(underRoot) << "row " << i + 1 << ": " << path.substr(0, 200);
        EXPECT_LE(static_cast<int>(path.size()), PathTextMax);
        if (static_cast<int>(path.size()) == PathTextMax) {
            EXPECT_EQ(path.substr(path.size() - 3), "...");
        }
        int d = 0, m = 0, y = 0, h = -1, mi = -1, s = -1;
        ASSERT_EQ(sscanf(rows.times[i].c_str(), "%d.%d.%d %d:%d:%d", &d, &m, &y, &h, &mi, &s), 6) << rows.times[i];
        char again[64];
        snprintf(again, sizeof again, "%i.%i.%i %i:%i:%i", d, m, y, h, mi, s);
        EXPECT_EQ(rows.times[i], again);
        EXPECT_TRUE(d >= 1 && d <= 31 && m >= 1 && m <= 12 && y >= 1601 && y <= 30827
                    && h <= 23 && mi <= 59 && s <= 59) << rows.times[i];
    }
}

inline std::vector<std::string> Under(const std::vector<std::string>& paths, const std::string& prefix)
{
    std::vector<std::string> found;
    for (const std::string& path : paths)
        if (path == prefix || path.rfind(prefix + "\\", 0) == 0)
            found.push_back(path);
    return found;
}

// Key lines of `reg query <key> /s` from the native view, as the program
// would list them (cut at the same length). Wine's reg prints the queried
// key itself only when it holds values, so it is added here.
inline std::vector<std::string> RegQueryKeys(const std::string& key, bool* ok = nullptr)
{
    std::string output;
    bool ran = RunCapture("\"" + NativeRegExe() + "\" query \"" + key + "\" /s", &output);
    if (ok)
        *ok = ran;
    std::vector<std::string> keys{AsListed(key)};
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        if (end == std::string::npos)
            end = output.size();
        std::string line = output.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("HKEY_", 0) == 0 && line != key)
            keys.push_back(AsListed(line));
        start = end + 1;
    }
    return keys;
}

inline std::multiset<std::string> AsSet(const std::vector<std::string>& items)
{
    return {items.begin(), items.end()};
}

// The items only one side holds, for a readable failure.
inline std::string Difference(const std::multiset<std::string>& listed, const std::multiset<std::string>& expected)
{
    std::string text;
    int shown = 0;
    auto report = [&](const std::multiset<std::string>& a, const std::multiset<std::string>& b, const char* label) {
        for (auto it = a.begin(); it != a.end(); it = a.upper_bound(*it))
            if (a.count(*it) != b.count(*it) && shown++ < 20)
                text += std::string(label) + " x" + std::to_string(a.count(*it)) + " vs " + std::to_string(b.count(*it))
                      + ": " + it->substr(0, 300) + "\n";
    };
    report(listed, expected, "listed");
    report(expected, listed, "expected");
    return text;
}
