// The practice log numdril.log and the speed history numdril.spd, both append-only, and
// the exit-time close-out of a drill still on screen. Does not draw.
#include "records/records.h"

int AppendPracticeLog(const char*, const char*, int64_t) { return 0; }

int AppendSpeedHistory(const char*, const char*, const char*, double, int64_t) { return 0; }

void CloseOpenRun() {}
