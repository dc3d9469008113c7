// SPDX-License-Identifier: MIT
// The view: hands every paint, typed character and timer event to the screen flow with a
// device context to draw on, and saves the record when a drill has just ended. Holds
// nothing of its own.
#include "app/app.h"
#include "flow/flow.h"
#include "flow/keys.h"
#include "position/position.h"
#include "random/random.h"
#include "records/records.h"
#include "screen/screen.h"

CNumdrilView::CNumdrilView() {
  // The record file must be read, and the generator seeded, before the first paint.
  LoadRecordsAtStart();
}

// Keeps an input method's composition where the user is looking: after every event, since
// a key may move the place (the next character, the next key asked for, another screen)
// and a paint may rescale it.
static void FollowCompositionSpot(CWnd* pView) {
  RECT rc;
  if (GetCompositionSpot(&rc)) pView->SetCompositionRect(rc);
}

void CNumdrilView::OnDraw(CDC* pDC) {
  GetClientRect(&g_rcClient);
  pDC->SetTextAlign(TA_LEFT | TA_TOP);
  PaintScreen(pDC);
  FollowCompositionSpot(this);
}

// A drill that has just reached its result (finished, timed out or cancelled) is saved at
// once, after its result is on screen: a crash or a power cut later costs nothing of it.
static void SaveIfDrillEnded(int nPhaseBefore) {
  if (nPhaseBefore == PHASE_RUNNING && g_nPhase == PHASE_RESULT) SaveCheckpoint();
}

void CNumdrilView::OnChar(UINT nChar, UINT, UINT) {
  const int nPhaseBefore = g_nPhase;
  CDC* pDC = GetDC();
  DispatchKey(this, pDC, (int)nChar);
  ReleaseDC(pDC);
  SaveIfDrillEnded(nPhaseBefore);
  FollowCompositionSpot(this);
}

void CNumdrilView::OnTimer(UINT_PTR nIDEvent) {
  const int nPhaseBefore = g_nPhase;
  CDC* pDC = GetDC();
  OnPracticeTimer(this, pDC, nIDEvent);
  ReleaseDC(pDC);
  SaveIfDrillEnded(nPhaseBefore);
  FollowCompositionSpot(this);
}

void ResetAllState() {
  ResetScreenState();
  ResetFlowState();
  ResetPositionState();
  ResetRandomState();
  ResetRecordState();
}
