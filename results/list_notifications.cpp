// What the result list tells its window, each to the code that acts on it.
#include "results/results.h"
#include <commctrl.h>

// A double-click names its row, Enter the selected one; outside any row,
// or with none selected, nothing opens.
static void OpenRow(int item)
{
    if (item >= 0)
        OpenInRegistryEditor(item);
}

LRESULT OnResultListNotify(NMHDR* header)
{
    switch (header->code) {
    case LVN_GETDISPINFOW: ShowRowText(reinterpret_cast<NMLVDISPINFOW*>(header)); break;
    case NM_DBLCLK:        OpenRow(reinterpret_cast<NMITEMACTIVATE*>(header)->iItem); break;
    case NM_RETURN:        OpenRow(SelectedRow()); break;
    case LVN_KEYDOWN:      OnResultListKey(reinterpret_cast<NMLVKEYDOWN*>(header)); break;
    case LVN_GETINFOTIPW:  ShowRowTip(reinterpret_cast<NMLVGETINFOTIPW*>(header)); break;
    case LVN_ODFINDITEMW:  return FindTypedRow(reinterpret_cast<NMLVFINDITEMW*>(header));
    }
    return 0;
}
