// The texts of the listed rows, kept by the program and handed to the list
// when it asks (LVN_GETDISPINFO): the list holds no rows of its own, so
// this is the only copy. Each row's key text and time text lie packed in large blocks
// of pages, found through an index of the same kind; both grow only with
// the rows listed and are given back whole at a Clear.
#include "results/results.h"
#include <array>
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

bool StoreRowTexts(const char* keyText, const char* timeText)
{
    const size_t keyBytes = strlen(keyText) + 1, timeBytes = strlen(timeText) + 1;
    char* text = IndexRoom() && keyBytes + timeBytes <= TextBlockBytes ? TextRoom(keyBytes + timeBytes) : nullptr;
    if (!text)
        return false;
    memcpy(text, keyText, keyBytes);
    memcpy(text + keyBytes, timeText, timeBytes);
    TextUsed += keyBytes + timeBytes;
    IndexBlocks[StoredRows / IndexBlockRows][StoredRows % IndexBlockRows] = text;
    StoredRows += 1;
    return true;
}

const char* StoredKeyText(int row)
{
    if (row < 0 || row >= StoredRows)
        return nullptr;
    return IndexBlocks[row / IndexBlockRows][row % IndexBlockRows];
}

const char* StoredTimeText(int row)
{
    const char* key = StoredKeyText(row);
    return key ? key + strlen(key) + 1 : nullptr;
}

void ClearRowStore()
{
    for (int i = 0; i < TextBlockCount; ++i)
        VirtualFree(TextBlocks[i], 0, MEM_RELEASE);
    for (int i = 0; i < IndexBlockCount; ++i)
        VirtualFree(IndexBlocks[i], 0, MEM_RELEASE);
    TextBlockCount = IndexBlockCount = StoredRows = 0;
    TextUsed = 0;
}
