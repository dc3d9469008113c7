// SPDX-License-Identifier: MIT
// The window without a display: client size, paints and key events through the view's
// handlers, persistent drawing, the timer table and how the loop schedules timers.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/platform.h"
#include "platform/window_impl.h"

namespace {

// A view that records what reaches it. A paint fills the client area grey; a key draws a
// 2 x 2 black mark at (2 * n, 0) for the n-th key; a timer handler can be given work.
class RecordingView : public CView {
 public:
  void OnDraw(CDC* pDC) override {
    RECT rc;
    GetClientRect(&rc);
    paints.push_back(rc);
    CBrush grey(RGB(0x80, 0x80, 0x80));
    pDC->FillRect(&rc, &grey);
  }
  void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags) override {
    chars.push_back(nChar);
    EXPECT_EQ(nRepCnt, 1u);
    EXPECT_EQ(nFlags, 0u);
    CDC* pDC = GetDC();
    int x = 2 * (int)(chars.size() - 1);
    RECT mark{x, 0, x + 2, 2};
    CBrush black(RGB(0, 0, 0));
    pDC->FillRect(&mark, &black);
    ReleaseDC(pDC);
  }
  void OnTimer(UINT_PTR nID) override {
    ticks.push_back(nID);
    if (onTimer) onTimer(nID);
  }

  std::vector<RECT> paints;
  std::vector<UINT> chars;
  std::vector<UINT_PTR> ticks;
  std::function<void(UINT_PTR)> onTimer;
};

TEST(Window, HeadlessPaintsKeysAndResizesDrawIntoOnePersistentFramebuffer) {
  RecordingView view;
  view.CreateHeadless(64, 40);
  EXPECT_TRUE(view.IsHeadless());
  RECT rc;
  view.GetClientRect(&rc);
  EXPECT_EQ(rc.left, 0);
  EXPECT_EQ(rc.top, 0);
  EXPECT_EQ(rc.right, 64);
  EXPECT_EQ(rc.bottom, 40);
  // Nothing is drawn before the first paint.
  EXPECT_TRUE(view.paints.empty());
  EXPECT_EQ(view.Surface().Pixel(63, 39), 0xFFFFFFu);

  view.Paint();
  ASSERT_EQ(view.paints.size(), 1u);
  EXPECT_EQ(view.Surface().Pixel(63, 39), 0x808080u);

  // Keys draw on top of what the paint left; nothing is redrawn from scratch.
  view.SendChar('5');
  view.SendChar(0x82);
  EXPECT_EQ(view.chars, (std::vector<UINT>{'5', 0x82}));
  EXPECT_EQ(view.paints.size(), 1u);
  EXPECT_EQ(view.Surface().Pixel(0, 0), 0x000000u);
  EXPECT_EQ(view.Surface().Pixel(3, 1), 0x000000u);
  EXPECT_EQ(view.Surface().Pixel(4, 0), 0x808080u);

  // A new size is white until the next paint, which sees the new client rectangle.
  view.Resize(100, 50);
  view.GetClientRect(&rc);
  EXPECT_EQ(rc.right, 100);
  EXPECT_EQ(rc.bottom, 50);
  EXPECT_EQ(view.Surface().Pixel(99, 49), 0xFFFFFFu);
  view.Paint();
  ASSERT_EQ(view.paints.size(), 2u);
  EXPECT_EQ(view.paints[1].right, 100);
  EXPECT_EQ(view.paints[1].bottom, 50);
  EXPECT_EQ(view.Surface().Pixel(99, 49), 0x808080u);
  EXPECT_EQ(view.Surface().Pixel(0, 0), 0x808080u);

  // Once the window is gone, drawing still lands in the framebuffer and nothing breaks.
  view.DestroyWindow();
  view.SendChar('1');
  EXPECT_EQ(view.Surface().Pixel(4, 0), 0x000000u);
}

TEST(Window, CaptionIsKeptInCodePage932) {
  CWnd wnd;
  wnd.CreateHeadless(8, 8);
  EXPECT_EQ(wnd.GetWindowText(), "");
  wnd.SetWindowText("NUMDRIL");
  EXPECT_EQ(wnd.GetWindowText(), "NUMDRIL");
  wnd.SetWindowText("\x90\xAC\x90\xD1");  // "成績"
  EXPECT_EQ(wnd.GetWindowText(), "\x90\xAC\x90\xD1");
}

TEST(Window, TimerTableRestartsByIdAndKeepsTimersUntilKilled) {
  RecordingView view;
  view.CreateHeadless(16, 16);
  EXPECT_EQ(view.SetTimer(1, 1000), 1u);
  EXPECT_EQ(view.SetTimer(53, 3000), 53u);
  EXPECT_EQ(view.ActiveTimers(), (std::vector<UINT_PTR>{1, 53}));
  EXPECT_EQ(view.TimerPeriod(53), 3000u);
  EXPECT_EQ(view.TimerPeriod(13), 0u);
  EXPECT_FALSE(view.HasTimer(13));

  // Setting an existing id again changes it in place: one entry, the new period.
  view.SetTimer(53, 2000);
  EXPECT_EQ(view.ActiveTimers(), (std::vector<UINT_PTR>{1, 53}));
  EXPECT_EQ(view.TimerPeriod(53), 2000u);

  // A headless timer fires only when told, and stays set afterwards.
  view.FireTimer(53);
  view.FireTimer(53);
  view.FireTimer(13);  // not set: nothing
  EXPECT_EQ(view.ticks, (std::vector<UINT_PTR>{53, 53}));
  EXPECT_TRUE(view.HasTimer(53));

  EXPECT_TRUE(view.KillTimer(53));
  EXPECT_FALSE(view.KillTimer(53));
  EXPECT_FALSE(view.HasTimer(53));
  view.FireTimer(53);
  EXPECT_EQ(view.ticks.size(), 2u);
  EXPECT_EQ(view.ActiveTimers(), (std::vector<UINT_PTR>{1}));
}

TEST(Window, LoopFiresDueTimersInOrderKeepsRhythmAndSkipsMissedTicks) {
  RecordingView view;
  view.CreateHeadless(16, 16);
  uint64_t nDue;
  EXPECT_FALSE(NextTimerDue(&view, &nDue));
  view.SetTimer(2, 300);
  ASSERT_TRUE(NextTimerDue(&view, &nDue));
  const uint64_t nDue2 = nDue;
  view.SetTimer(1, 1000);  // due at least 700 ms after timer 2
  ASSERT_TRUE(NextTimerDue(&view, &nDue));
  EXPECT_EQ(nDue, nDue2);

  FireDueTimers(&view, nDue2 - 1);
  EXPECT_TRUE(view.ticks.empty());
  FireDueTimers(&view, nDue2);
  EXPECT_EQ(view.ticks, (std::vector<UINT_PTR>{2}));
  // The next tick is one period after the last due time, not after the late call.
  FireDueTimers(&view, nDue2 + 299);
  EXPECT_EQ(view.ticks.size(), 1u);
  FireDueTimers(&view, nDue2 + 300);
  EXPECT_EQ(view.ticks.size(), 2u);

  // Long busy: each timer fires once, earliest first, then waits a full period.
  view.ticks.clear();
  FireDueTimers(&view, nDue2 + 10000);
  EXPECT_EQ(view.ticks, (std::vector<UINT_PTR>{2, 1}));
  ASSERT_TRUE(NextTimerDue(&view, &nDue));
  EXPECT_EQ(nDue, nDue2 + 10300);
}

TEST(Window, TimerHandlersMayKillOrRestartTimersWhileTheLoopFiresThem) {
  RecordingView view;
  view.CreateHeadless(16, 16);
  // A one-shot hint timer kills itself; the clock timer restarts a second one.
  view.onTimer = [&](UINT_PTR nID) {
    if (nID == 13) view.KillTimer(13);
    if (nID == 1) view.SetTimer(49, 2000);
  };
  view.SetTimer(13, 3000);
  view.SetTimer(1, 1000);
  uint64_t nDue;
  ASSERT_TRUE(NextTimerDue(&view, &nDue));
  FireDueTimers(&view, nDue + 3000);
  EXPECT_EQ(view.ticks, (std::vector<UINT_PTR>{1, 13}));
  EXPECT_EQ(view.ActiveTimers(), (std::vector<UINT_PTR>{1, 49}));
  EXPECT_EQ(view.TimerPeriod(49), 2000u);

  // A timer restarted by an earlier handler of the same pass waits its new full period.
  RecordingView other;
  other.CreateHeadless(16, 16);
  other.SetTimer(1, 1000);
  other.SetTimer(53, 1000);  // due with timer 1 or just after it
  other.onTimer = [&](UINT_PTR nID) {
    if (nID == 1) other.SetTimer(53, 3000);
  };
  ASSERT_TRUE(NextTimerDue(&other, &nDue));
  FireDueTimers(&other, nDue + 1000);
  EXPECT_EQ(other.ticks, (std::vector<UINT_PTR>{1}));
  EXPECT_EQ(other.TimerPeriod(53), 3000u);
}

TEST(Window, KeysAreTimedByTheirPressesOnTheServersClockNeverLaterThanNow) {
  // The server's clock read 5000 when ours read 1,000,000: a key it stamped 3750 was
  // pressed 1250 ms before; one stamped after the reading came in since, at most then.
  EXPECT_EQ(ServerTimeToMonotonic(3750, 5000, 1000000), 998750u);
  EXPECT_EQ(ServerTimeToMonotonic(5001, 5000, 1000000), 1000000u);
  // Across the wrap of the server's 32-bit clock; and never 0, which means unknown.
  EXPECT_EQ(ServerTimeToMonotonic(0xFFFFFF00u, 0x100u, 1000000), 1000000u - 512);
  EXPECT_EQ(ServerTimeToMonotonic(0, 5000, 1000), 1u);

  // The drills' stamp: the press while a key is handled; now for a press not known, and
  // for one stamped later than now.
  SetFakeClock(1000, 0);
  AdvanceFakeClock(-500);  // the monotonic clock at 999.500 s
  auto Stamp = [](uint64_t nPressMs) {
    SetCurrentKeyInfo(KEYINFO{KeySource::kKeypad, nPressMs});
    _timeb tb;
    KeyPressStamp(&tb);
    return (uint64_t)tb.time * 1000 + tb.millitm;
  };
  EXPECT_EQ(Stamp(998250), 998250u);
  EXPECT_EQ(Stamp(0), 999500u);
  EXPECT_EQ(Stamp(999501), 999500u);
  SetCurrentKeyInfo(KEYINFO{});
}

TEST(Window, OpensAtThreeQuartersOfTheDisplayInEightByFive) {
  int w, h;
  ChooseWindowSize(1920, 1200, &w, &h);
  EXPECT_EQ(w, 1440);
  EXPECT_EQ(h, 900);
  ChooseWindowSize(2560, 1400, &w, &h);  // wide, with a panel: height limits
  EXPECT_EQ(w, 1680);
  EXPECT_EQ(h, 1050);
  ChooseWindowSize(1080, 1880, &w, &h);  // portrait: width limits
  EXPECT_EQ(w, 810);
  EXPECT_EQ(h, 506);
  ChooseWindowSize(800, 600, &w, &h);  // small display: never below 642 x 402
  EXPECT_EQ(w, 642);
  EXPECT_EQ(h, 402);
  ChooseWindowSize(0, 0, &w, &h);  // usable area unknown
  EXPECT_EQ(w, 642);
  EXPECT_EQ(h, 402);
}

}  // namespace
