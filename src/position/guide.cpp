// Keypad guide: the picture of the numeric keypad with its key marks, and the right hand
// under it whose fingernail marks the finger for the asked-for key.
#include "position/position.h"

bool GuidePosition(int, int*, int*) { return false; }
void BuildGuideLookup() {}
void DrawGuide(CDC*, int) {}
int MarkGuideKey(CDC*, int, int) { return 0; }
void MarkFinger(CDC*, int, int) {}
void DrawHand(CDC*, int) {}
