// SPDX-License-Identifier: MIT
// Keyboard translation at the window's edge: what each SDL key and text event delivers
// to OnChar, and which keys are accelerators.
#include "platform/keymap.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

// What a sequence of events delivers, as one string of OnChar bytes; accelerators show
// as "<N>" (repaint) and "<-" (consumed).
class Keyboard {
 public:
  Keyboard& Down(SDL_Scancode sc, SDL_Keycode key, Uint16 mod = KMOD_NONE) {
    Add(m_keys.KeyDown(sc, key, mod));
    return *this;
  }
  Keyboard& Up() {
    m_keys.KeyUp();
    return *this;
  }
  Keyboard& Text(const char* pszUtf8) {
    Add(m_keys.TextInput(pszUtf8));
    return *this;
  }
  // A printable key as X11 delivers it: the press, then its text.
  Keyboard& Type(SDL_Scancode sc, SDL_Keycode key, const char* pszUtf8) {
    return Down(sc, key).Text(pszUtf8);
  }
  std::string Take() { return std::exchange(m_out, std::string()); }
  // Where each delivered byte came from: K keypad, k keypad with Num Lock off, M main
  // keyboard, I input method.
  std::string TakeSources() { return std::exchange(m_sources, std::string()); }

 private:
  void Add(const KeyResult& r) {
    switch (r.action) {
      case KeyAction::kChars:
        m_out += r.chars;
        m_sources += std::string(r.chars.size(), SourceLetter(r.source));
        break;
      case KeyAction::kRepaint: m_out += "<N>"; break;
      case KeyAction::kConsumed: m_out += "<-"; break;
      case KeyAction::kNone: EXPECT_TRUE(r.chars.empty()); break;
    }
  }
  static char SourceLetter(KeySource source) {
    switch (source) {
      case KeySource::kKeypad: return 'K';
      case KeySource::kKeypadNumLockOff: return 'k';
      case KeySource::kMainKeyboard: return 'M';
      case KeySource::kInputMethod: return 'I';
      case KeySource::kUnknown: break;
    }
    return '?';
  }
  KeyTranslator m_keys;
  std::string m_out;
  std::string m_sources;
};

TEST(KeyMap, KeypadDigitsAreDigitsOnceWhateverNumLock) {
  Keyboard kb;
  // Num Lock on: SDL sends the press and then the digit as text; one "1" goes out.
  kb.Down(SDL_SCANCODE_KP_1, SDLK_KP_1, KMOD_NUM).Text("1");
  EXPECT_EQ(kb.Take(), "1");
  // Num Lock off: the same keys mean End, Insert, Page Up... and send no text.
  kb.Down(SDL_SCANCODE_KP_1, SDLK_END).Down(SDL_SCANCODE_KP_0, SDLK_INSERT, KMOD_SHIFT)
      .Down(SDL_SCANCODE_KP_9, SDLK_PAGEUP);
  EXPECT_EQ(kb.Take(), "109");
  // A keypad press without text must not swallow the text of the next key.
  kb.Down(SDL_SCANCODE_KP_2, SDLK_DOWN).Type(SDL_SCANCODE_2, SDLK_2, "2");
  EXPECT_EQ(kb.Take(), "22");
  // Held down: each repeat is one digit.
  for (int i = 0; i < 3; ++i) kb.Down(SDL_SCANCODE_KP_7, SDLK_KP_7, KMOD_NUM).Text("7");
  EXPECT_EQ(kb.Take(), "777");
  // An input method in full-width mode turns the keypad digit into a full-width one.
  kb.Down(SDL_SCANCODE_KP_5, SDLK_KP_5, KMOD_NUM).Text("\xEF\xBC\x95");  // "５"
  EXPECT_EQ(kb.Take(), "5");
  // Num Lock off and an input method on: what it commits next is the user's own digit,
  // right after the keypad key or once it is let go, not a copy to drop.
  kb.Down(SDL_SCANCODE_KP_1, SDLK_END).Text("\xEF\xBC\x95");                // "５"
  kb.Down(SDL_SCANCODE_KP_1, SDLK_END).Up().Text("\xEF\xBC\x91");          // "１"
  kb.Down(SDL_SCANCODE_KP_2, SDLK_KP_2, KMOD_NUM).Text("2").Up().Text("2");
  EXPECT_EQ(kb.Take(), "1\x82\x54" "1\x82\x50" "22");
  // Other keypad keys are text as usual; keypad Enter is Enter.
  kb.Type(SDL_SCANCODE_KP_PLUS, SDLK_KP_PLUS, "+").Down(SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER);
  EXPECT_EQ(kb.Take(), "+\r");
}

TEST(KeyMap, EachCharacterSaysWhichKeysItCameFrom) {
  Keyboard kb;
  // The keypad with Num Lock on and off, its Enter and its other keys' text.
  kb.Down(SDL_SCANCODE_KP_1, SDLK_KP_1, KMOD_NUM).Text("1");
  kb.Down(SDL_SCANCODE_KP_2, SDLK_DOWN).Up();
  kb.Down(SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, KMOD_NUM);
  kb.Down(SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER);
  kb.Down(SDL_SCANCODE_KP_PLUS, SDLK_KP_PLUS, KMOD_NUM).Text("+");
  EXPECT_EQ(kb.Take(), "12\r\r+");
  EXPECT_EQ(kb.TakeSources(), "KkKkK");
  // The digit row, Return, Space, Escape and Ctrl+letter: the main keyboard.
  kb.Type(SDL_SCANCODE_3, SDLK_3, "3").Down(SDL_SCANCODE_RETURN, SDLK_RETURN);
  kb.Type(SDL_SCANCODE_SPACE, SDLK_SPACE, " ").Down(SDL_SCANCODE_ESCAPE, SDLK_ESCAPE);
  kb.Down(SDL_SCANCODE_A, SDLK_a, KMOD_LCTRL).Text("a");
  EXPECT_EQ(kb.Take(), "3\r \x1b\x01");
  EXPECT_EQ(kb.TakeSources(), "MMMMM");
  // Text no key of its own brought is an input method's, both bytes of a double-byte
  // character alike: with nothing pressed, after the key's release, after a keypad key
  // with Num Lock off (which has no text), and in place of a keypad digit's own copy.
  kb.Text("\xEF\xBC\x94");                                               // "４"
  kb.Type(SDL_SCANCODE_5, SDLK_5, "5").Up().Text("6");
  kb.Down(SDL_SCANCODE_KP_7, SDLK_HOME).Text("6");
  kb.Down(SDL_SCANCODE_KP_8, SDLK_KP_8, KMOD_NUM).Text("9");
  EXPECT_EQ(kb.Take(), "\x82\x53" "56" "76" "89");
  EXPECT_EQ(kb.TakeSources(), "II" "MI" "kI" "KI");
}

TEST(KeyMap, CommittedTextBecomesCodePage932BytesLeadByteFirst) {
  Keyboard kb;
  kb.Type(SDL_SCANCODE_3, SDLK_3, "3").Type(SDL_SCANCODE_SPACE, SDLK_SPACE, " ");
  EXPECT_EQ(kb.Take(), "3 ");
  // Input method commits arrive without a key press of their own.
  kb.Text("\xE3\x81\x82");  // "あ"
  EXPECT_EQ(kb.Take(), "\x82\xA0");
  kb.Text("\xEF\xBC\x91\xEF\xBD\xB1");  // "１ｱ": full-width one, half-width katakana a
  EXPECT_EQ(kb.Take(), "\x82\x50\xB1");
  kb.Text("\xE6\x97\xA5\xE6\x9C\xAC");  // "日本"
  EXPECT_EQ(kb.Take(), "\x93\xFA\x96\x7B");
  // A full-width digit typed on the main row is not taken for a keypad copy.
  kb.Type(SDL_SCANCODE_1, SDLK_1, "\xEF\xBC\x91");
  EXPECT_EQ(kb.Take(), "\x82\x50");
  // No CP932 form: a question mark.
  kb.Text("\xF0\x9F\x98\x80");  // U+1F600
  EXPECT_EQ(kb.Take(), "?");
  kb.Text("");
  EXPECT_EQ(kb.Take(), "");
}

TEST(KeyMap, KeysWithoutTextAndControlLetters) {
  Keyboard kb;
  kb.Down(SDL_SCANCODE_RETURN, SDLK_RETURN).Down(SDL_SCANCODE_TAB, SDLK_TAB)
      .Down(SDL_SCANCODE_TAB, SDLK_TAB, KMOD_LSHIFT).Down(SDL_SCANCODE_ESCAPE, SDLK_ESCAPE)
      .Down(SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE);
  EXPECT_EQ(kb.Take(), "\r\t\t\x1b\b");
  // Arrows, F-keys and modifiers alone mean nothing.
  kb.Down(SDL_SCANCODE_LEFT, SDLK_LEFT).Down(SDL_SCANCODE_F1, SDLK_F1)
      .Down(SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, KMOD_LSHIFT).Down(SDL_SCANCODE_DELETE, SDLK_DELETE)
      .Down(SDL_SCANCODE_INSERT, SDLK_INSERT);
  EXPECT_EQ(kb.Take(), "");
  // Ctrl+letter is its control code; any text the system adds for it is dropped.
  kb.Down(SDL_SCANCODE_A, SDLK_a, KMOD_LCTRL).Text("a");
  kb.Down(SDL_SCANCODE_Y, SDLK_y, KMOD_RCTRL);
  EXPECT_EQ(kb.Take(), "\x01\x19");
  // AZERTY: the key at US "Q" types "a"; Ctrl goes by the layout's letter.
  kb.Down(SDL_SCANCODE_Q, SDLK_a, KMOD_LCTRL);
  // A non-Latin layout: Ctrl goes by the key's position.
  kb.Down(SDL_SCANCODE_B, 0x438 /* Cyrillic i */, KMOD_LCTRL);
  EXPECT_EQ(kb.Take(), "\x01\x02");
  // Alt+key is a system key, not a character; Ctrl+Alt is AltGr and types.
  kb.Down(SDL_SCANCODE_X, SDLK_x, KMOD_LALT).Text("x");
  kb.Down(SDL_SCANCODE_Q, SDLK_q, KMOD_LCTRL | KMOD_RALT).Text("@");
  EXPECT_EQ(kb.Take(), "@");
}

TEST(KeyMap, AcceleratorsAreSwallowedAndCtrlNRepaints) {
  Keyboard kb;
  kb.Down(SDL_SCANCODE_N, SDLK_n, KMOD_LCTRL).Text("n");
  EXPECT_EQ(kb.Take(), "<N>");
  // Open, Save, Undo, Cut, Copy, Paste and the pane keys: consumed, no character.
  kb.Down(SDL_SCANCODE_O, SDLK_o, KMOD_LCTRL).Down(SDL_SCANCODE_S, SDLK_s, KMOD_LCTRL)
      .Down(SDL_SCANCODE_Z, SDLK_z, KMOD_LCTRL).Down(SDL_SCANCODE_X, SDLK_x, KMOD_LCTRL)
      .Down(SDL_SCANCODE_C, SDLK_c, KMOD_RCTRL).Down(SDL_SCANCODE_V, SDLK_v, KMOD_LCTRL);
  EXPECT_EQ(kb.Take(), "<-<-<-<-<-<-");
  kb.Down(SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE, KMOD_LALT)
      .Down(SDL_SCANCODE_DELETE, SDLK_DELETE, KMOD_LSHIFT)
      .Down(SDL_SCANCODE_INSERT, SDLK_INSERT, KMOD_LCTRL)
      .Down(SDL_SCANCODE_INSERT, SDLK_INSERT, KMOD_RSHIFT)
      .Down(SDL_SCANCODE_F6, SDLK_F6).Down(SDL_SCANCODE_F6, SDLK_F6, KMOD_LSHIFT);
  EXPECT_EQ(kb.Take(), "<-<-<-<-<-<-");
  // With Shift as well, Ctrl+N is no longer the accelerator but the control code.
  kb.Down(SDL_SCANCODE_N, SDLK_n, KMOD_LCTRL | KMOD_LSHIFT);
  EXPECT_EQ(kb.Take(), "\x0e");
  // Repeats repeat the accelerator too.
  kb.Down(SDL_SCANCODE_N, SDLK_n, KMOD_LCTRL).Down(SDL_SCANCODE_N, SDLK_n, KMOD_LCTRL);
  EXPECT_EQ(kb.Take(), "<N><N>");
}

}  // namespace
