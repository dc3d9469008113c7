// The record screen: earlier and current use time and each practice item's best speed,
// date and practice time. Holds no state and takes no keys.
#include "records/records.h"

void DrawRecordScreen(CDC*) {}

void DrawRecordRows(CDC*, const SCREENITEM*, const double*, const char (*)[9], const int*) {}
