// SPDX-License-Identifier: MIT
// Keyboard translation at the window's edge: SDL key and text events become the character
// codes a view's OnChar expects, or one of the few accelerator actions, each with where it
// came from. Draws nothing and keeps no state but the pairing of a key with the text
// event that follows it.
#pragma once

#include <SDL2/SDL_keyboard.h>

#include <string>

#include "platform/platform.h"

enum class KeyAction {
  kNone,      // the event means nothing to the program
  kChars,     // deliver each byte of chars as one OnChar, in order
  kRepaint,   // Ctrl+N: repaint the current screen, change nothing
  kConsumed,  // an accelerator with nothing behind it: swallowed
};

struct KeyResult {
  KeyAction action = KeyAction::kNone;
  std::string chars;  // CP932 bytes when action is kChars
  KeySource source = KeySource::kUnknown;  // where chars came from
};

class KeyTranslator {
 public:
  // A key press (or a repeat of one). nMod is the SDL modifier state of the event.
  KeyResult KeyDown(SDL_Scancode scancode, SDL_Keycode keycode, Uint16 nMod);
  // Committed text (keyboard or input method), UTF-8.
  KeyResult TextInput(const char* pszUtf8);
  // A key let go. A key's own text comes before its release, so whatever arrives after
  // it is text of its own, such as an input method's commit.
  void KeyUp();

 private:
  // What to do with the text event that belongs to the last key press.
  enum class NextText {
    kKeep,       // deliver it
    kDropDigit,  // a keypad digit already went out: drop the same digit as text
    kDropAll,    // Ctrl or Alt was held: the key was a command, not text
  };
  NextText m_nextText = NextText::kKeep;
  char m_chKeypadDigit = 0;  // the digit that kDropDigit drops
  // The key pressed last, while its own text may still come (until that text or its
  // release): text then is that key's; any other text is an input method's.
  bool m_bKeyDown = false;
  KeySource m_keySource = KeySource::kUnknown;
};
