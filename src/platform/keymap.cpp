// SPDX-License-Identifier: MIT
// Keyboard translation: SDL key and text events to OnChar codes and accelerator actions,
// as an ANSI window on a Japanese system would receive them.
#include "platform/keymap.h"

#include <cstring>

#include "platform/platform.h"

static KeyResult Chars(std::string bytes, KeySource source) {
  return {KeyAction::kChars, std::move(bytes), source};
}
static KeyResult Action(KeyAction action) { return {action, std::string(), KeySource::kUnknown}; }

// The letter a key means with Ctrl held: the layout's letter where it has one, else the
// letter printed at that position on a US keyboard (so Ctrl+C works on any layout).
static char CtrlLetter(SDL_Scancode scancode, SDL_Keycode keycode) {
  if (keycode >= SDLK_a && keycode <= SDLK_z) return (char)keycode;
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
    return (char)('a' + (scancode - SDL_SCANCODE_A));
  return 0;
}

// The keypad digit a scancode stands for, or -1. Scancodes name the key, not its meaning,
// so these are digits whether Num Lock is on or off.
static int KeypadDigit(SDL_Scancode scancode) {
  switch (scancode) {
    case SDL_SCANCODE_KP_0: return 0;
    case SDL_SCANCODE_KP_1: return 1;
    case SDL_SCANCODE_KP_2: return 2;
    case SDL_SCANCODE_KP_3: return 3;
    case SDL_SCANCODE_KP_4: return 4;
    case SDL_SCANCODE_KP_5: return 5;
    case SDL_SCANCODE_KP_6: return 6;
    case SDL_SCANCODE_KP_7: return 7;
    case SDL_SCANCODE_KP_8: return 8;
    case SDL_SCANCODE_KP_9: return 9;
    default: return -1;
  }
}

// Whether a key is one of the numeric keypad's: SDL numbers them in two blocks, the keys
// every keypad has and the rarer ones after them.
static bool IsKeypadKey(SDL_Scancode scancode) {
  return (scancode >= SDL_SCANCODE_KP_DIVIDE && scancode <= SDL_SCANCODE_KP_PERIOD) ||
         scancode == SDL_SCANCODE_KP_EQUALS || scancode == SDL_SCANCODE_KP_COMMA ||
         scancode == SDL_SCANCODE_KP_EQUALSAS400 ||
         (scancode >= SDL_SCANCODE_KP_00 && scancode <= SDL_SCANCODE_KP_HEXADECIMAL);
}

// Where a key's characters come from.
static KeySource SourceOf(SDL_Scancode scancode, Uint16 nMod) {
  if (!IsKeypadKey(scancode)) return KeySource::kMainKeyboard;
  return (nMod & KMOD_NUM) != 0 ? KeySource::kKeypad : KeySource::kKeypadNumLockOff;
}

KeyResult KeyTranslator::KeyDown(SDL_Scancode scancode, SDL_Keycode keycode, Uint16 nMod) {
  const bool bCtrl = (nMod & KMOD_CTRL) != 0;
  const bool bAlt = (nMod & KMOD_ALT) != 0;
  const bool bShift = (nMod & KMOD_SHIFT) != 0;
  const KeySource source = SourceOf(scancode, nMod);
  m_bKeyDown = true;
  m_keySource = source;

  int nDigit = KeypadDigit(scancode);
  if (nDigit >= 0) {
    // With Num Lock on, SDL sends the digit again as text: that copy is dropped.
    m_nextText = NextText::kDropDigit;
    m_chKeypadDigit = (char)('0' + nDigit);
    return Chars(std::string(1, m_chKeypadDigit), source);
  }
  // Ctrl+Alt is AltGr on many layouts and types text; Ctrl or Alt alone makes a command.
  m_nextText = (bCtrl != bAlt) ? NextText::kDropAll : NextText::kKeep;
  if (bAlt && !bCtrl) {
    // Alt+key is a system key, never a character; Alt+Backspace is Undo.
    return Action(scancode == SDL_SCANCODE_BACKSPACE ? KeyAction::kConsumed : KeyAction::kNone);
  }

  // key                     ->  code or action
  switch (scancode) {
    case SDL_SCANCODE_RETURN:
    case SDL_SCANCODE_RETURN2:
    case SDL_SCANCODE_KP_ENTER: return Chars("\r", source);
    case SDL_SCANCODE_TAB: return Chars("\t", source);
    case SDL_SCANCODE_ESCAPE: return Chars("\x1b", source);
    case SDL_SCANCODE_BACKSPACE: return Chars("\b", source);
    case SDL_SCANCODE_DELETE:  // Shift+Del: Cut
      return Action(bShift ? KeyAction::kConsumed : KeyAction::kNone);
    case SDL_SCANCODE_INSERT:  // Ctrl+Ins: Copy, Shift+Ins: Paste
      return Action(bShift || bCtrl ? KeyAction::kConsumed : KeyAction::kNone);
    case SDL_SCANCODE_F6:  // next and previous pane
      return Action(KeyAction::kConsumed);
    default: break;
  }

  if (bCtrl && !bAlt) {
    char chLetter = CtrlLetter(scancode, keycode);
    if (chLetter == 0) return Action(KeyAction::kNone);
    if (!bShift) {
      switch (chLetter) {
        case 'n': return Action(KeyAction::kRepaint);  // New: the empty document again
        case 'o':                                      // Open
        case 's':                                      // Save
        case 'z':                                      // Undo
        case 'x':                                      // Cut
        case 'c':                                      // Copy
        case 'v': return Action(KeyAction::kConsumed);  // Paste
        default: break;
      }
    }
    return Chars(std::string(1, (char)(chLetter - 'a' + 1)), source);
  }
  return Action(KeyAction::kNone);
}

// The digit a text is, half-width or full-width (U+FF10..U+FF19), or 0 for any other text.
static char OneDigit(const char* pszUtf8) {
  size_t nLen = strlen(pszUtf8);
  const unsigned char* p = (const unsigned char*)pszUtf8;
  if (nLen == 1 && p[0] >= '0' && p[0] <= '9') return (char)p[0];
  if (nLen == 3 && p[0] == 0xEF && p[1] == 0xBC && p[2] >= 0x90 && p[2] <= 0x99)
    return (char)('0' + (p[2] - 0x90));
  return 0;
}

KeyResult KeyTranslator::TextInput(const char* pszUtf8) {
  NextText rule = m_nextText;
  m_nextText = NextText::kKeep;
  // The key's own text, where it has any; a keypad digit's is the copy dropped below.
  const bool bKeysOwn = m_bKeyDown && rule == NextText::kKeep;
  m_bKeyDown = false;
  if (rule == NextText::kDropAll) return Action(KeyAction::kNone);
  // Only a copy of the key's own digit: with Num Lock off the keypad sends no text, and
  // an input method's commit of another digit may come next.
  if (rule == NextText::kDropDigit && OneDigit(pszUtf8) == m_chKeypadDigit)
    return Action(KeyAction::kNone);
  std::string bytes = Utf8ToCp932(pszUtf8);
  if (bytes.empty()) return Action(KeyAction::kNone);
  return Chars(std::move(bytes), bKeysOwn ? m_keySource : KeySource::kInputMethod);
}

void KeyTranslator::KeyUp() {
  m_nextText = NextText::kKeep;
  m_bKeyDown = false;
}
