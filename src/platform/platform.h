// SPDX-License-Identifier: MIT
// The platform layer: a small stand-in for the Windows framework, GDI and the C runtime
// calls the program was written against. It owns the window, the software framebuffer,
// fonts, timers, the clock and the random generator. It knows nothing of the screens.
// This is the only header of src/platform/ that code outside it includes.
#pragma once

#include <libintl.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// numdril's own texts (help, messages; not the screens' and files' texts, which are CP932
// pairs chosen by the language switch) are translated through gettext: mark each where it
// is written, _("...") where it is used, N_("...") in a table read later, then refresh the
// catalogues with: cmake --build BUILD --target numdril_pot (po/README says more).
#define _(String) gettext(String)
#define N_(String) String

// ---------------------------------------------------------------------------------------
// Basic Windows types
// ---------------------------------------------------------------------------------------

typedef int BOOL;
typedef unsigned int UINT;
typedef uintptr_t UINT_PTR;
typedef uint32_t COLORREF;  // 0x00BBGGRR, as the drawing calls take it
typedef int64_t time64_t;   // seconds since 1970; 64-bit everywhere

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

// Builds a COLORREF from its red, green and blue parts.
constexpr COLORREF RGB(int r, int g, int b) {
  return (COLORREF)((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
// A 64-bit result of coordinate arithmetic, saturated into an int: sums of pixel positions
// far outside any screen must not wrap around into it.
constexpr int ClampToInt(int64_t nValue) {
  return nValue > INT32_MAX ? INT32_MAX : nValue < INT32_MIN ? INT32_MIN : (int)nValue;
}
// Converts a colour written RGB 0xRRGGBB into the COLORREF form 0x00BBGGRR.
constexpr COLORREF RgbToColorref(uint32_t rrggbb) {
  return RGB((int)(rrggbb >> 16), (int)(rrggbb >> 8), (int)rrggbb);
}

struct RECT {
  int32_t left;
  int32_t top;
  int32_t right;   // exclusive
  int32_t bottom;  // exclusive
};

constexpr int LF_FACESIZE = 32;
struct LOGFONT {
  int32_t lfHeight;  // > 0: cell height in pixels (ascent + descent)
  int32_t lfWidth;   // half-width advance in pixels; 0 = the face's own proportion
  int32_t lfEscapement;
  int32_t lfOrientation;
  int32_t lfWeight;  // 700 and above: bold
  uint8_t lfItalic;
  uint8_t lfUnderline;
  uint8_t lfStrikeOut;
  uint8_t lfCharSet;  // ANSI_CHARSET or SHIFTJIS_CHARSET
  uint8_t lfOutPrecision;
  uint8_t lfClipPrecision;
  uint8_t lfQuality;
  uint8_t lfPitchAndFamily;
  char lfFaceName[LF_FACESIZE];  // code page 932 bytes, NUL-terminated
};

constexpr int FW_DONTCARE = 0;
constexpr int FW_BOLD = 700;
constexpr int ANSI_CHARSET = 0;
constexpr int SHIFTJIS_CHARSET = 128;
constexpr int OUT_CHARACTER_PRECIS = 2;
constexpr int PROOF_QUALITY = 2;
constexpr int FIXED_PITCH = 1;
constexpr int PS_SOLID = 0;
constexpr UINT TA_LEFT = 0;
constexpr UINT TA_TOP = 0;

// ---------------------------------------------------------------------------------------
// The framebuffer: 32-bit pixels 0x00RRGGBB, row-major, owned by a window (or by a test).
// Its pixels are its own, or a window surface's memory that it draws into directly.
// ---------------------------------------------------------------------------------------

// One drawing call, as recorded when a framebuffer's log is switched on.
struct DrawCall {
  std::string op;      // "TextOut", "FillRect", "LineTo", "Ellipse"
  RECT rc;             // pixel rectangle the call covers (TextOut: its cells)
  COLORREF crText;     // text colour (TextOut) or pen colour (LineTo, Ellipse)
  COLORREF crBack;     // background colour (TextOut) or brush colour (FillRect, Ellipse)
  int nFontHeight;     // TextOut: lfHeight of the selected font
  int nFontWidth;      // TextOut: lfWidth of the selected font
  int nWeight;         // TextOut: lfWeight
  int nPenWidth;       // LineTo, Ellipse
  std::string face;    // TextOut: lfFaceName as asked for (CP932)
  std::string text;    // TextOut: the bytes drawn (CP932)
};

class Framebuffer {
 public:
  Framebuffer(int nWidth = 0, int nHeight = 0);
  // Pixels of its own at the new size (memory it was attached to is let go); contents
  // become white.
  void Resize(int nWidth, int nHeight);
  // Draws from now on straight into memory that someone else owns: nHeight rows of
  // nWidth pixels, nPitch pixels apart. Contents become white. The memory must outlive the
  // attachment; Resize or Detach ends it.
  void Attach(uint32_t* pPixels, int nWidth, int nHeight, int nPitch);
  // Takes a copy of the attached memory as its own pixels, same size and contents.
  void Detach();
  bool IsAttached() const { return m_pExternal != nullptr; }
  bool IsAttachedTo(const void* pPixels) const { return IsAttached() && m_pExternal == pPixels; }
  int Width() const { return m_nWidth; }
  int Height() const { return m_nHeight; }
  int Pitch() const { return m_nPitch; }  // pixels from one row to the next
  uint32_t* Row(int y) { return Base() + (size_t)y * (size_t)m_nPitch; }
  const uint32_t* Row(int y) const { return Base() + (size_t)y * (size_t)m_nPitch; }
  uint32_t Pixel(int x, int y) const;  // 0xRRGGBB; 0 outside the buffer
  void Fill(uint32_t rgb);

  // The rectangle changed since the last TakeDirty(); empty when nothing changed.
  void MarkDirty(int left, int top, int right, int bottom);
  RECT TakeDirty();

  // Optional log of drawing calls, for tests.
  void EnableLog(bool bOn) { m_bLog = bOn; }
  bool LogEnabled() const { return m_bLog; }
  std::vector<DrawCall>& Log() { return m_log; }

  // Writes the buffer as an 8-bit RGB PNG. Returns false on failure.
  bool WritePng(const char* path) const;

 private:
  uint32_t* Base() { return m_pExternal != nullptr ? m_pExternal : m_pixels.data(); }
  const uint32_t* Base() const { return m_pExternal != nullptr ? m_pExternal : m_pixels.data(); }

  int m_nWidth = 0;
  int m_nHeight = 0;
  int m_nPitch = 0;
  std::vector<uint32_t> m_pixels;     // its own pixels, while not attached
  uint32_t* m_pExternal = nullptr;    // the memory it is attached to, or null
  RECT m_dirty{0, 0, 0, 0};
  bool m_bLog = false;
  std::vector<DrawCall> m_log;
};

// ---------------------------------------------------------------------------------------
// Drawing objects. They are made and deleted by the caller, as with GDI; the layer caches
// opened faces and rendered glyphs underneath, invisibly.
// ---------------------------------------------------------------------------------------

struct FontFace;  // resolved face, owned by the font cache

class CGdiObject {
 public:
  virtual ~CGdiObject() = default;
  BOOL DeleteObject();  // releases the object; selecting it afterwards is a misuse
  bool IsCreated() const { return m_bCreated; }

 protected:
  bool m_bCreated = false;
};

class CFont : public CGdiObject {
 public:
  BOOL CreateFontIndirect(const LOGFONT* pLogFont);

 private:
  friend class CDC;
  LOGFONT m_lf{};
};

class CPen : public CGdiObject {
 public:
  CPen() = default;
  CPen(int nStyle, int nWidth, COLORREF cr) { CreatePen(nStyle, nWidth, cr); }
  BOOL CreatePen(int nStyle, int nWidth, COLORREF cr);
  int Width() const { return m_nWidth; }
  COLORREF Color() const { return m_cr; }

 private:
  int m_nWidth = 1;
  COLORREF m_cr = 0;
};

class CBrush : public CGdiObject {
 public:
  CBrush() = default;
  explicit CBrush(COLORREF cr) { CreateSolidBrush(cr); }
  BOOL CreateSolidBrush(COLORREF cr);
  COLORREF Color() const { return m_cr; }

 private:
  COLORREF m_cr = 0xFFFFFF;
};

// ---------------------------------------------------------------------------------------
// The device context. Owns the drawing state (colours, alignment, selected objects, pen
// position) and draws into a framebuffer. Every primitive clips to the framebuffer and
// returns quietly when nothing is left. A fresh context draws black text on white, with a
// black one-pixel pen, a white brush and a default Latin font selected.
// ---------------------------------------------------------------------------------------

class CDC {
 public:
  explicit CDC(Framebuffer* pTarget);
  ~CDC();
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  COLORREF SetTextColor(COLORREF cr);  // returns the previous colour
  COLORREF SetBkColor(COLORREF cr);    // returns the previous colour
  COLORREF GetTextColor() const { return m_crText; }
  COLORREF GetBkColor() const { return m_crBack; }
  UINT SetTextAlign(UINT nFlags);  // only TA_LEFT | TA_TOP (0) is supported

  // Opaque text at a top-left reference point: each glyph's whole cell (its advance by the
  // font's cell height) is painted in the background colour, then the glyph in the text
  // colour. Text is CP932; a double-byte character advances twice the half-width advance.
  BOOL TextOut(int x, int y, const char* pszText, int nCount);

  CFont* SelectObject(CFont* pFont);     // returns the font it replaces
  CPen* SelectObject(CPen* pPen);        // returns the pen it replaces
  CBrush* SelectObject(CBrush* pBrush);  // returns the brush it replaces

  // Fills [left, right) x [top, bottom) with pBrush, or with the selected brush when null.
  void FillRect(const RECT* pRect, CBrush* pBrush = nullptr);
  void MoveTo(int x, int y);
  BOOL LineTo(int x, int y);  // the end point itself is not drawn
  // The ellipse inscribed in [left, right) x [top, bottom), outlined with the selected pen
  // and filled with the selected brush.
  BOOL Ellipse(int left, int top, int right, int bottom);

  Framebuffer* Target() const { return m_pTarget; }

 private:
  Framebuffer* m_pTarget;
  COLORREF m_crText = 0x000000;
  COLORREF m_crBack = 0xFFFFFF;
  UINT m_nAlign = 0;
  CFont* m_pFont;
  CPen* m_pPen;
  CBrush* m_pBrush;
  int m_nPenX = 0;
  int m_nPenY = 0;
};

// ---------------------------------------------------------------------------------------
// Windows, timers and the message loop.
// ---------------------------------------------------------------------------------------

class CWnd {
 public:
  CWnd();
  virtual ~CWnd();
  // A window owns its system window and framebuffer: there is one of each.
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  // A real top-level window (SDL2). Returns FALSE when no window could be made.
  BOOL CreateTopLevel(const char* pszCaption);
  // A window without a display: a framebuffer of the given client size. Timers are kept
  // in the table but only fire when a test calls FireTimer.
  void CreateHeadless(int nWidth, int nHeight);
  bool IsHeadless() const;
  void SetWindowText(const char* pszCaption);  // CP932
  std::string GetWindowText() const;           // CP932
  void DestroyWindow();

  void GetClientRect(RECT* pRect) const;  // {0, 0, width, height} in pixels
  // Where an input method shows what is being composed, and its candidates: a pixel
  // rectangle of the client area, the place the user is looking. Kept while headless too.
  void SetCompositionRect(const RECT& rc);
  RECT GetCompositionRect() const;  // {0, 0, 0, 0} until set
  CDC* GetDC();                           // a context outside paint events
  int ReleaseDC(CDC* pDC);                // presents what the context changed

  // Window timers: setting an existing id restarts it; a timer repeats until killed.
  UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapseMs, void* pfnUnused = nullptr);
  BOOL KillTimer(UINT_PTR nIDEvent);
  bool HasTimer(UINT_PTR nIDEvent) const;
  UINT TimerPeriod(UINT_PTR nIDEvent) const;  // 0 when not set
  std::vector<UINT_PTR> ActiveTimers() const;

  // Handlers the framework calls.
  virtual void OnDraw(CDC* pDC);
  virtual void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
  virtual void OnTimer(UINT_PTR nIDEvent);

  // Driving a window by hand (tests, the headless renderer, the event loop).
  void Paint();  // a whole repaint through OnDraw, then presented
  void SendChar(UINT nChar);       // OnChar, then presented
  void FireTimer(UINT_PTR nIDEvent);  // OnTimer if the timer is set, then presented
  void Resize(int nWidth, int nHeight);  // new client size; the next Paint redraws
  Framebuffer& Surface();

  struct Impl;
  Impl* m_pImpl;
};

typedef CWnd CView;

struct CCommandLineInfo;

// A setting the command line may turn on or off, or leave as it was.
enum class OnOff : uint8_t { kUnset, kOn, kOff };

class CWinApp {
 public:
  virtual ~CWinApp() = default;
  virtual BOOL InitInstance() { return TRUE; }
  virtual int ExitInstance() { return 0; }
  // Carries out a command that needs the record folder but no window (RunReport), once
  // the folder is entered and before any display is looked for; returns the exit status.
  virtual int RunWithoutWindow(const CCommandLineInfo& /*info*/) { return 1; }
  // Whether a run's saving can succeed in the record folder, the working directory by then;
  // false with errno set. By default: the folder takes new files.
  virtual bool CanSaveInRecordFolder();
  // Runs instead of ExitInstance when the connection to the display is lost: nothing may
  // draw, show or destroy a window any more. Returns the exit code; the process ends then.
  virtual int ExitWithoutDisplay() { return 1; }
  CWnd* m_pMainWnd = nullptr;
  // The language the command line or else the locale chose; set before InitInstance.
  bool m_bJapanese = false;
  // --keypad-only or --no-keypad-only, if given; set before InitInstance.
  OnOff m_keypadOnly = OnOff::kUnset;
};

// Ends the message loop after the current event.
void PostQuitMessage(int nExitCode);
// Whether PostQuitMessage (or a close, or a signal) has asked the loop to end.
bool QuitRequested();
// What the command line asks for, read once before anything else happens; RunApplication
// carries it out.
struct CCommandLineInfo {
  enum Command {
    RunWindow,
    RunReport,  // --report[=FILE]: the application's report of the records, no window
    ShowReport,  // --show-report: the report's picture opened in the desktop's viewer
    ShowHelp,
    ShowVersion,
    UsageError,
  };
  enum Folder {
    CurrentFolder,   // the record files live where the program was started
    GivenFolder,     // -C DIR, --directory=DIR: in the folder given
    UserDataFolder,  // --user-data: in $XDG_DATA_HOME/numdril, made if missing
  };
  enum Language {
    LocaleLanguage,  // as the locale says: LC_ALL, LC_MESSAGES, LANG
    English,         // --lang=en
    Japanese,        // --lang=ja
  };
  Command nCommand = RunWindow;    // the first -h, -V or mistake ends the reading
  Folder nFolder = CurrentFolder;  // the last folder option counts
  Language nLanguage = LocaleLanguage;  // the last --lang counts
  OnOff keypadOnly = OnOff::kUnset;     // the last --keypad-only or --no-keypad-only counts
  std::string folder;              // GivenFolder: as given
  std::string usageError;          // UsageError: what was wrong, one line
  // RunReport: the file the picture goes to, made absolute against the folder the program
  // was started in (the record folder may be another); "-" for standard output; empty for
  // the text report on standard output.
  std::string reportFile;
  // RunReport, ShowReport: --span, the days of practice figures the report covers; 0 for
  // the whole history, -1 when not given (the report's own default).
  int nSpanDays = -1;
};

// Reads argv: "--" ends the options; an argument that is not an option is a usage error.
void ParseCommandLine(int argc, char** argv, CCommandLineInfo* pInfo);
// Prints the help or version (stdout, returns 0) or the usage error (stderr, returns 2);
// -1 for RunWindow, RunReport and ShowReport, which have nothing to answer.
int AnswerCommandLine(const CCommandLineInfo& info);
// Makes the record folder the command line chose the current directory, so that every
// record file, named relatively, lives there. False, with one line in *pError, when it is
// missing, cannot be made or is not a folder the program can read and the application can
// save in (reading suffices for RunReport and ShowReport), the current directory as much as
// any other.
bool EnterRecordFolder(const CCommandLineInfo& info, CWinApp* pApp, std::string* pError);
// Whether the program speaks Japanese: --lang, else the first of LC_ALL, LC_MESSAGES and
// LANG that is set and not empty starts with "ja"; anything else is English.
bool ChoosesJapanese(const CCommandLineInfo& info);
// Sets up gettext for the language chosen, with the catalogues found from the program's
// own place (an installed one's share/locale, a build folder's locale/); texts come out
// in UTF-8. Only LC_MESSAGES follows the locale.
void SetUpTranslations(const CCommandLineInfo& info);
// A message from a printf format (a translated one may take its values in another order:
// %2$s before %1$s) and its values, of any length.
std::string FormatText(const char* pszFormat, ...) __attribute__((format(printf, 1, 2)));

// Runs the program: answers the command line (above) or refuses it (exit code 2), enters
// the record folder (one line on stderr and exit code 2 when it cannot), hands RunReport
// to the application's RunWithoutWindow and ends with its status, checks for a
// display (one line on stderr and exit code 1 without one), InitInstance, the message
// loop until PostQuitMessage, the window's close, SIGINT, SIGTERM, SIGHUP or SIGQUIT, then
// the window goes and ExitInstance runs; its result is the exit code. SIGPIPE and SIGXFSZ
// are ignored: a write they would stop fails instead. A lost display connection ends the
// program through ExitWithoutDisplay.
int RunApplication(CWinApp* pApp, int argc, char** argv);
// A modal message box with one OK button, shown when no main window exists any more; where
// no display is available the caption and text go to standard error. Texts are CP932.
void ShowModalNotice(const char* pszCaption, const char* pszText);
// The same with texts in UTF-8, as gettext gives numdril's own.
void ShowModalNoticeUtf8(const std::string& caption, const std::string& text);

// ---------------------------------------------------------------------------------------
// The desktop around the program.
// ---------------------------------------------------------------------------------------

// $XDG_CACHE_HOME/numdril, by default ~/.cache/numdril, made (private to the user) if
// missing, into *pFolder; false, with one line in *pError, when it cannot be had.
bool MakeUserCacheFolder(std::string* pFolder, std::string* pError);
// How opening a file in the desktop's viewer went.
enum class ViewerResult {
  kOpened,    // a viewer took it
  kNoViewer,  // neither xdg-open nor gio is there, or they know no program for the file
  kFailed,    // the viewer was found but reported a failure (*pWhy says how)
};
// Opens a file with the desktop's default program for its type: xdg-open, else gio open.
// Waits for the opener (not for the viewer, where the desktop hands the file over).
ViewerResult OpenInDesktopViewer(const std::string& path, std::string* pWhy);

// ---------------------------------------------------------------------------------------
// The C runtime stand-ins: one clock that tests can set, and the classic 15-bit generator.
// ---------------------------------------------------------------------------------------

struct _timeb {
  time64_t time;           // seconds since 1970
  unsigned short millitm;  // 0..999
  short timezone;
  short dstflag;
};

time64_t GetTime(time64_t* pOut = nullptr);  // stands for time()
void _ftime(_timeb* pTime);
char* _strdate(char* pszOut);  // "MM/DD/YY", 9 bytes with the NUL, local time
char* _strtime(char* pszOut);  // "HH:MM:SS", 9 bytes with the NUL, local time
// Milliseconds of a clock that never steps and stands still during a suspend: timer
// deadlines and every duration.
uint64_t MonotonicMs();
// A stamp of the monotonic clock in _timeb form (time and millitm only), for drill timing:
// ElapsedSeconds of two such stamps is a duration no clock step changes.
void MonotonicStamp(_timeb* pStamp);

// ---------------------------------------------------------------------------------------
// The key being handled: where its character came from and when its key was pressed.
// ---------------------------------------------------------------------------------------

// Where a character reached the window from.
enum class KeySource : uint8_t {
  kUnknown,           // no key is being handled, or one the platform cannot place (a test
                      // that did not say, a key another program sent)
  kKeypad,            // the numeric keypad, Num Lock on
  kKeypadNumLockOff,  // the numeric keypad, Num Lock off (its digits still type digits)
  kMainKeyboard,      // any other key; a digit from there is one of the digit row
  kInputMethod,       // text an input method committed, which says nothing of its keys
};

struct KEYINFO {
  KeySource nSource = KeySource::kUnknown;
  // MonotonicMs when the key was pressed, as the display server stamped it; 0 when not
  // known (no X server clock to compare with, a key SDL made up). An input method's
  // commit carries the press of the key that committed it.
  uint64_t nPressMs = 0;
};

// The key whose character OnChar is handling now. The message loop sets it before each
// OnChar and clears it ({kUnknown, 0}) after; every byte of one key's text (both bytes of
// a double-byte character, each character of a commit) carries the same. Headless tests
// set it themselves.
const KEYINFO& CurrentKeyInfo();
void SetCurrentKeyInfo(const KEYINFO& info);
// The moment the key being handled was pressed, as MonotonicStamp gives moments: its
// press time where the platform knows it, otherwise (and outside a key) now; never later
// than now. The drills time keys by it, so that a stall between a press and its handling
// (the program stopped or starved for a while) does not shorten a run.
void KeyPressStamp(_timeb* pStamp);

// Test control of the clocks: once set, both stand still until advanced together; a step
// moves the wall clock alone, as NTP, a resume or the user setting the time would.
void SetFakeClock(time64_t nSeconds, int nMilliseconds);
void AdvanceFakeClock(int64_t nMilliseconds);
void StepFakeWallClock(int64_t nMilliseconds);
void UseRealClock();

// state = state * 214013 + 2531011; result = (state >> 16) & 0x7FFF
int Rand();
void SRand(unsigned int nSeed);

// ---------------------------------------------------------------------------------------
// Code page 932 (Shift-JIS) conversion.
// ---------------------------------------------------------------------------------------

std::string Cp932ToUtf8(const char* pszText, size_t nBytes);
std::string Cp932ToUtf8(const std::string& text);
// Characters with no CP932 form become "?".
std::string Utf8ToCp932(const std::string& text);
