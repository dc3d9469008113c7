// SPDX-License-Identifier: MIT
// The position drill screen in pixels: the keypad guide, its marks, the hand and the
// asked-for key at 642 x 402, and redraws that match the handlers at other window sizes.
#include "drill_support.h"

using namespace drill;

namespace {

// Pixel origin of the key at guide row r, column k.
int KeyPx(int k) { return 56 * k + 152 + 1; }
int KeyPy(int r) { return 64 * r + 1; }

}  // namespace

TEST(PositionScreen, GuideHandAndExpectedKeyPixels) {
  Session s;
  EnterDrill(s);
  s.Snapshot("position-start");
  int nAnswer = Target();

  // Every key box, the blank ones included, has a one-pixel black frame round its colour.
  for (int r = 1; r <= 4; ++r)
    for (int k = 1; k <= (r == 4 ? 4 : 3); ++k) {
      uint32_t cr = r == 2 ? MAGENTA : GREY;
      int x = KeyPx(k), y = KeyPy(r);
      SCOPED_TRACE(testing::Message() << "row " << r << " column " << k);
      EXPECT_EQ(s.Pixel(x - 4, y + 20), BLACK);   // left frame
      EXPECT_EQ(s.Pixel(x + 34, y + 20), BLACK);  // right frame
      EXPECT_EQ(s.Pixel(x + 10, y), BLACK);       // top frame
      EXPECT_EQ(s.Pixel(x + 10, y + 46), BLACK);  // bottom frame
      EXPECT_EQ(s.Pixel(x - 5, y + 20), WHITE);
      EXPECT_EQ(s.Pixel(x + 35, y + 20), WHITE);
      EXPECT_EQ(s.Pixel(x + 10, y + 47), WHITE);
      EXPECT_EQ(s.Pixel(x - 3, y + 1), cr);
      EXPECT_EQ(s.Pixel(x + 33, y + 45), cr);
    }
  // The blank keys carry no label.
  for (int k : {2, 3}) {
    Area a{KeyPx(k) + 1, KeyPy(4) + 9, KeyPx(k) + 30, KeyPy(4) + 38};
    EXPECT_EQ(Count(s, a, GREY), 29 * 29);
  }

  // The answer: black label area, label in the key colour; its finger's nail black.
  Area a = LabelArea(nAnswer);
  uint32_t crKey = Count(s, a, MAGENTA) ? MAGENTA : GREY;
  EXPECT_EQ(s.Pixel(a.x0, a.y0), BLACK);
  EXPECT_EQ(s.Pixel(a.x1 - 1, a.y1 - 1), BLACK);
  EXPECT_GT(Count(s, a, crKey), 20);
  // Nails: one black, four pale.
  int nBlackNails = 0, nPaleNails = 0;
  for (int f = 6; f <= 10; ++f) {
    nBlackNails += NailOfFinger(s, f) == BLACK;
    nPaleNails += NailOfFinger(s, f) == NAIL;
  }
  EXPECT_EQ(NailOfKey(s, nAnswer), BLACK);
  EXPECT_EQ(nBlackNails, 1);
  EXPECT_EQ(nPaleNails, 4);

  // The asked-for key in blue, about three times the height of a normal character.
  int nTop = 402, nBottom = -1;
  for (int y = 0; y < 80; ++y)
    for (int x = 250; x < 320; ++x)
      if (s.Pixel(x, y) == BLUE) {
        nTop = std::min(nTop, y);
        nBottom = std::max(nBottom, y);
      }
  EXPECT_GE(nBottom - nTop + 1, 28);

  // A wrong key: red label area with a black label.
  s.Key(WrongDigit());
  Area w = LabelArea(WrongDigit());
  EXPECT_EQ(s.Pixel(w.x0, w.y0), RED);
  EXPECT_GT(Count(s, w, BLACK), 20);

  // Hidden: no labels but the marks; the hint brings back the answer style.
  s.Key(' ');
  s.Snapshot("position-hidden");
  for (int nKey : {48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 13}) {
    Area l = LabelArea(nKey);
    if (nKey == WrongDigit()) continue;
    uint32_t cr = Count(s, l, MAGENTA) ? MAGENTA : GREY;
    EXPECT_EQ(Count(s, l, cr), 29 * 29) << (char)nKey;
  }
  EXPECT_EQ(s.Pixel(w.x0, w.y0), RED);
  EXPECT_GT(Count(s, w, BLACK), 20);
  s.Timer(Target());
  EXPECT_EQ(s.Pixel(a.x0, a.y0), BLACK);
  EXPECT_GT(Count(s, a, crKey), 20);

  // Letters have no place on the guide and mark nothing.
  EXPECT_EQ(MarkGuideKey(nullptr, 'A', KEY_WRONG), 0);
  EXPECT_EQ(MarkGuideKey(nullptr, ' ', KEY_WRONG), 0);
}

TEST(PositionScreen, RepaintMatchesHandlersAtAnySize) {
  struct Size {
    int w, h, bEnglish;
  };
  for (Size z : {Size{642, 402, 1}, Size{642, 402, 0}, Size{1282, 802, 1}, Size{900, 500, 1},
                 Size{500, 700, 0}}) {
    Session s(z.w, z.h);
    EnterDrill(s);
    g_bEnglish = z.bEnglish;
    s.Paint();
    SCOPED_TRACE(testing::Message() << z.w << " x " << z.h << " English " << z.bEnglish);
    auto Step = [&](const char* pszWhat, auto action) {
      action();
      ExpectRepaintSame(s, pszWhat);
    };
    Step("correct", [&] { s.Key(Target()); });
    Step("wrong", [&] { s.Key(WrongDigit()); });
    Step("second correct", [&] { s.Key(Target()); });
    Step("hide", [&] { s.Key(' '); });
    Step("wrong while hidden", [&] { s.Key(WrongDigit()); });
    Step("hint", [&] { s.Timer(Target()); });
    Step("show after hint", [&] { s.Key(' '); });
    Step("hide again", [&] { s.Key(' '); });
    Step("second hint", [&] { s.Timer(Target()); });
    Step("correct while hidden", [&] { s.Key(Target()); });
    Step("show", [&] { s.Key(' '); });
    Step("letter", [&] { s.Key('x'); });
    Step("cancel", [&] { s.Key(27); });
    Step("hide after", [&] { s.Key(' '); });
    Step("show after", [&] { s.Key(' '); });
    Step("new drill, hidden", [&] {
      s.Key('\t');
      s.Key(' ');
    });
    Step("hint in new drill", [&] { s.Timer(Target()); });
    Step("cancel after hint", [&] { s.Key(27); });
    Step("show after hint and cancel", [&] { s.Key(' '); });
    Step("new drill", [&] { s.Key('\t'); });
    Step("whole drill", [&] {
      while (g_nPhase == PHASE_RUNNING) s.Key(Target());
    });
    Step("hide after finish", [&] { s.Key(' '); });
    if (z.w == 642 && z.bEnglish == 0) s.Snapshot("position-japanese");
    Step("menu", [&] { s.Key(27); });
    EXPECT_EQ(g_nMode, MODE_MENU);
  }
}
