// Position practice screen: the full redraw and the status lines the engine updates in
// place. The keypad picture and the hand are in guide.cpp.
#include "position/position.h"

void DrawPositionScreen(CDC*) {}
void ShowExpectedKey(CDC*, int) {}
void PrintTypeCount(CDC*) {}
void PrintErrorCount(CDC*) {}
void PrintPracticeCount(CDC*) {}
void PrintTimeTaken(CDC*) {}
