// The texts of the listed rows, kept by the program and handed to the list
// when it asks (LVN_GETDISPINFO): the list holds no rows of its own, so
// this is the only copy. Rows lie packed in large blocks of pages, found
// through an index of the same kind; both grow only with the rows listed
// and are given back whole at a Clear.
//
// The walk lists a key beside its siblings and parents, so a row's path
// mostly repeats the one before it: a row keeps only how much of the
// previous path it shares and the rest, and every RowGroupRows-th row its
// whole path, so any row is rebuilt from at most that many.
#include "results/results.h"
#include "scan/scan.h"
#include <array>
#include <cstdint>
#include <cstring>

static constexpr size_t TextBlockBytes = 1 << 20;
static constexpr int IndexBlockRows = 1 << 16;
static constexpr int MaxTextBlocks = 4096;      // 4 GiB of texts
static constexpr int MaxIndexBlocks = 2048;     // 2^27 rows

static std::array<char*, MaxTextBlocks> TextBlocks;
static int TextBlockCount;
static size_t TextUsed;                         // bytes used of the last text block
static std::array<const char**, MaxIndexBlocks> IndexBlocks;
static int IndexBlockCount;
static int StoredRows;

static constexpr size_t SharedBytes = sizeof(uint16_t);   // a row: shared length, rest of the path, time
static_assert(PathSize <= UINT16_MAX, "a shared length fits its field");
static std::array<char, PathSize> LastKey;      // the newest row's path, to share from
static size_t LastKeyLength;
static std::array<char, PathSize> RebuiltKey;   // the path StoredKeyText last gave
static int RebuiltRow = -1;

static void* TakePages(size_t bytes)
{
    return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

// Room for bytes more of text: in the last block, or in a new one.
static char* TextRoom(size_t bytes)
{
    if (TextBlockCount == 0 || TextUsed + bytes > TextBlockBytes) {
        if (TextBlockCount == MaxTextBlocks)
            return nullptr;
        char* block = static_cast<char*>(TakePages(TextBlockBytes));
        if (!block)
            return nullptr;
        TextBlocks[TextBlockCount++] = block;
        TextUsed = 0;
    }
    return TextBlocks[TextBlockCount - 1] + TextUsed;
}

static bool IndexRoom()
{
    if (StoredRows / IndexBlockRows < IndexBlockCount)
        return true;
    if (IndexBlockCount == MaxIndexBlocks)
        return false;
    auto* block = static_cast<const char**>(TakePages(IndexBlockRows * sizeof(const char*)));
    if (!block)
        return false;
    IndexBlocks[IndexBlockCount++] = block;
    return true;
}

static size_t SharedLength(const char* keyText, size_t keyLength)
{
    if (StoredRows % RowGroupRows == 0)
        return 0;
    size_t shared = 0;
    const size_t most = keyLength < LastKeyLength ? keyLength : LastKeyLength;
    while (shared < most && keyText[shared] == LastKey[shared])
        ++shared;
    return shared;
}

bool StoreRowTexts(const char* keyText, const char* timeText)
{
    const size_t keyLength = strlen(keyText), timeBytes = strlen(timeText) + 1;
    if (keyLength >= PathSize || timeBytes > TextBlockBytes / 2)
        return false;
    const size_t shared = SharedLength(keyText, keyLength);
    const size_t restBytes = keyLength - shared + 1;
    char* text = IndexRoom() ? TextRoom(SharedBytes + restBytes + timeBytes) : nullptr;
    if (!text)
        return false;
    const uint16_t sharedField = uint16_t(shared);
    memcpy(text, &sharedField, SharedBytes);
    memcpy(text + SharedBytes, keyText + shared, restBytes);
    memcpy(text + SharedBytes + restBytes, timeText, timeBytes);
    TextUsed += SharedBytes + restBytes + timeBytes;
    memcpy(LastKey.data() + shared, keyText + shared, restBytes);
    LastKeyLength = keyLength;
    IndexBlocks[StoredRows / IndexBlockRows][StoredRows % IndexBlockRows] = text;
    StoredRows += 1;
    return true;
}

static const char* RowText(int row)
{
    return IndexBlocks[row / IndexBlockRows][row % IndexBlockRows];
}

// Onto the path of the row before it, or onto nothing for a group's first.
static void RebuildOnto(int row)
{
    const char* text = RowText(row);
    uint16_t shared;
    memcpy(&shared, text, SharedBytes);
    strcpy(RebuiltKey.data() + shared, text + SharedBytes);
}

// The list asks for rows in order as it paints, so the last path rebuilt
// is mostly the one just before.
const char* StoredKeyText(int row)
{
    if (row < 0 || row >= StoredRows)
        return nullptr;
    int from = row - row % RowGroupRows;
    if (RebuiltRow >= from && RebuiltRow <= row)
        from = RebuiltRow + 1;
    for (int next = from; next <= row; ++next)
        RebuildOnto(next);
    RebuiltRow = row;
    return RebuiltKey.data();
}

int StoredSharedBytes(int row)
{
    if (row < 0 || row >= StoredRows)
        return 0;
    uint16_t shared;
    memcpy(&shared, RowText(row), SharedBytes);
    return shared;
}

const char* StoredTimeText(int row)
{
    if (row < 0 || row >= StoredRows)
        return nullptr;
    const char* rest = RowText(row) + SharedBytes;
    return rest + strlen(rest) + 1;
}

void ClearRowStore()
{
    for (int i = 0; i < TextBlockCount; ++i)
        VirtualFree(TextBlocks[i], 0, MEM_RELEASE);
    for (int i = 0; i < IndexBlockCount; ++i)
        VirtualFree(IndexBlocks[i], 0, MEM_RELEASE);
    TextBlockCount = IndexBlockCount = StoredRows = 0;
    TextUsed = LastKeyLength = 0;
    RebuiltRow = -1;
}
