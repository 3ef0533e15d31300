// What the process holds: PrivateUsage, committed private pages, the
// bytes of its heaps' busy blocks, and its resident set.
#include "bench/bench.h"
#include <psapi.h>

static PROCESS_MEMORY_COUNTERS_EX ProcessCounters()
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    return counters;
}

SIZE_T PrivateBytes()
{
    return ProcessCounters().PrivateUsage;
}

// Under Wine the working set is the kernel's VmRSS of this very process:
// ntdll reads /proc/self/status itself. Opening Z:\proc\self\status from
// here would not do, since the wineserver opens files on a process's
// behalf and "self" is then the wineserver.
SIZE_T ResidentBytes()
{
    return ProcessCounters().WorkingSetSize;
}

// Committed private pages as the process's own address space shows them;
// Wine fills PrivateUsage from the swap in use, which is mostly zero.
SIZE_T CommittedPrivateBytes()
{
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region;
    for (const char* address = nullptr;
         VirtualQuery(address, &region, sizeof region) == sizeof region;
         address = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += region.RegionSize;
        if (static_cast<const char*>(region.BaseAddress) + region.RegionSize < address)
            break;
    }
    return total;
}

// Bytes in the process's heaps' busy blocks, overhead included: what the
// list's rows hold, without the steps in which the heap commits pages.
SIZE_T HeapBytesInUse()
{
    HANDLE heaps[64];
    const DWORD count = GetProcessHeaps(64, heaps);
    SIZE_T total = 0;
    for (DWORD i = 0; i < count && i < 64; ++i) {
        if (!HeapLock(heaps[i]))
            continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                total += entry.cbData + entry.cbOverhead;
        HeapUnlock(heaps[i]);
    }
    return total;
}
