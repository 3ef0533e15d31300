// A key's UTC write time as the clock showed it then.
#include "scan/scan.h"

void ConvertToLocalTime(const FILETIME& utc, FILETIME& local)
{
    FileTimeToLocalFileTime(&utc, &local);
}
