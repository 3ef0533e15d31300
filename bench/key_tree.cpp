// The synthetic key tree: its shape from a fixed seed, made of volatile keys.
#include "bench/bench.h"
#include "scan/scan.h"
#include <algorithm>
#include <cstring>
#include <cstdio>
#include <random>
#include <vector>

static const char BenchParent[] = "Software";
static const char BenchName[] = "QuillmereBench";
const char BenchShownPath[] = "HKCU\\Software\\QuillmereBench";
constexpr int MaxDepth = 12;
constexpr uint32_t TreeSeed = 20260401;
constexpr REGSAM NativeView = KEY_WOW64_64KEY;
constexpr int PathBytes = 2048;                 // 12 levels of names up to 40 characters of 3 bytes, and a prefix

// Parent of every key (0 is the bench key itself); children are picked in
// proportion to the children they already have, which gives a few keys
// with hundreds of subkeys and many leaves, like a real Software branch.
static std::vector<int> ShapeTree(int count, std::mt19937& random)
{
    std::vector<int> parent(count + 1, -1), depth(count + 1, 0), tickets;
    tickets.reserve(2 * size_t(count) + 1);
    tickets.push_back(0);
    for (int node = 1; node <= count; ++node) {
        int chosen;
        do
            chosen = tickets[random() % tickets.size()];
        while (depth[chosen] >= MaxDepth);
        parent[node] = chosen;
        depth[node] = depth[chosen] + 1;
        tickets.push_back(chosen);
        tickets.push_back(node);
    }
    return parent;
}

struct TreeLists {
    std::vector<int> first;      // children of n are child[first[n] .. first[n + 1])
    std::vector<int> child;
};

static TreeLists ListChildren(const std::vector<int>& parent)
{
    TreeLists lists;
    lists.first.assign(parent.size() + 1, 0);
    for (size_t node = 1; node < parent.size(); ++node)
        ++lists.first[parent[node] + 1];
    for (size_t node = 1; node < lists.first.size(); ++node)
        lists.first[node] += lists.first[node - 1];
    lists.child.resize(parent.size() - 1);
    std::vector<int> next(lists.first.begin(), lists.first.end() - 1);
    for (size_t node = 1; node < parent.size(); ++node)
        lists.child[next[parent[node]]++] = int(node);
    return lists;
}

bool ChineseKeyNames;

// Chinese names are as long in characters, three bytes each in UTF-8.
static void MakeKeyName(std::mt19937& random, wchar_t* name)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-. ";
    int length = 5 + int(random() % 36);
    name[0] = wchar_t(letters[random() % 52]);
    for (int i = 1; i < length; ++i)
        name[i] = ChineseKeyNames ? wchar_t(0x4E00 + random() % 0x5000) : wchar_t(letters[random() % (sizeof letters - 1)]);
    if (name[length - 1] == L' ' || name[length - 1] == L'.')
        name[length - 1] = L'z';
    name[length] = L'\0';
}

// Volatile keys: the tree never reaches the prefix's files, and a run that
// dies leaves nothing behind once the wineserver ends.
static bool CreateChildren(HKEY key, int node, const TreeLists& lists, std::mt19937& random, int* made)
{
    for (int i = lists.first[node]; i < lists.first[node + 1]; ++i) {
        wchar_t name[48];
        HKEY sub;
        DWORD disposition = REG_OPENED_EXISTING_KEY;
        while (disposition == REG_OPENED_EXISTING_KEY) {
            MakeKeyName(random, name);
            if (RegCreateKeyExW(key, name, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS | NativeView,
                                nullptr, &sub, &disposition) != ERROR_SUCCESS)
                return false;
            if (disposition == REG_OPENED_EXISTING_KEY)
                RegCloseKey(sub);
        }
        ++*made;
        bool ok = CreateChildren(sub, lists.child[i], lists, random, made);
        RegCloseKey(sub);
        if (!ok)
            return false;
    }
    return true;
}

// Each key below node, its children before it as the walk lists them.
static void ListPathsBelow(int node, const TreeLists& lists, std::mt19937& random, char* path, int length,
                           const std::function<void(const char*)>& row)
{
    for (int i = lists.first[node]; i < lists.first[node + 1]; ++i) {
        wchar_t name[48];
        MakeKeyName(random, name);
        bool whole;
        path[length] = '\\';
        const int end = length + 1 + EncodeUtf8(name, int(wcslen(name)), path + length + 1, PathBytes - length - 2, whole);
        path[end] = '\0';
        ListPathsBelow(lists.child[i], lists, random, path, end, row);
        path[end] = '\0';
        row(path);
    }
}

void ListTreePaths(int count, const std::function<void(const char*)>& row)
{
    std::mt19937 random(TreeSeed);
    const TreeLists lists = ListChildren(ShapeTree(count, random));
    char path[PathBytes] = "HKEY_CURRENT_USER\\Software\\QuillmereBench";
    ListPathsBelow(0, lists, random, path, int(strlen(path)), row);
}

void RemoveTree()
{
    HKEY software;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, BenchParent, 0, KEY_ALL_ACCESS | NativeView, &software) != ERROR_SUCCESS)
        return;
    RegDeleteTreeA(software, BenchName);
    RegCloseKey(software);
}

bool BuildTree(int count, int* made, int* deepest)
{
    std::mt19937 random(TreeSeed);
    std::vector<int> parent = ShapeTree(count, random);
    std::vector<int> depth(parent.size(), 0);
    *deepest = 0;
    for (size_t node = 1; node < parent.size(); ++node) {
        depth[node] = depth[parent[node]] + 1;
        *deepest = std::max(*deepest, depth[node]);
    }
    TreeLists lists = ListChildren(parent);
    HKEY root;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\QuillmereBench", 0, nullptr, REG_OPTION_VOLATILE,
                        KEY_ALL_ACCESS | NativeView, nullptr, &root, nullptr) != ERROR_SUCCESS)
        return false;
    *made = 0;
    bool ok = CreateChildren(root, 0, lists, random, made);
    RegCloseKey(root);
    printf("tree: %d keys under %s, depth up to %d, seed %u\n", *made, BenchShownPath, *deepest, unsigned(TreeSeed));
    return ok && *made == count;
}

static BOOL WINAPI RemoveTreeOnBreak(DWORD)
{
    RemoveTree();
    return FALSE;
}

static LONG WINAPI RemoveTreeOnCrash(EXCEPTION_POINTERS*)
{
    RemoveTree();
    return EXCEPTION_CONTINUE_SEARCH;
}

void RemoveTreeOnExit()
{
    SetConsoleCtrlHandler(RemoveTreeOnBreak, TRUE);
    SetUnhandledExceptionFilter(RemoveTreeOnCrash);
}
