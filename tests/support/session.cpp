// SPDX-License-Identifier: MIT
// Headless test session.
#include "support/session.h"

#include <grp.h>
#include <libintl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {
struct UtcEnvironment {
  UtcEnvironment() {
    setenv("TZ", "UTC", 1);
    tzset();
  }
} g_utc;
}  // namespace

std::string MakeTempFolder(const char* pszName) {
  const char* pszTmp = getenv("TMPDIR");
  std::string path = std::string(pszTmp && *pszTmp ? pszTmp : "/tmp") + "/" + pszName + "-XXXXXX";
  return mkdtemp(path.data()) ? path : std::string();
}

Session::Session(int nWidth, int nHeight) : m_nWidth(nWidth), m_nHeight(nHeight) {
  m_dir = MakeTempFolder("numdril-test");
  if (m_dir.empty()) abort();
  m_oldDir = std::filesystem::current_path().string();
  std::filesystem::current_path(m_dir);
  ResetAllState();
  SetFakeClock(TEST_EPOCH, 0);
}

Session::~Session() {
  m_pView.reset();
  // Back to the untranslated texts the next test in this process expects (SpeakJapanese).
  unsetenv("LANGUAGE");
  setlocale(LC_MESSAGES, "C");
  std::error_code ec;
  std::filesystem::current_path(m_oldDir, ec);
  std::filesystem::remove_all(m_dir, ec);
}

void Session::Start() {
  m_pView = std::make_unique<CNumdrilView>();
  m_pView->CreateHeadless(m_nWidth, m_nHeight);
  m_pView->Paint();
}

void Session::Key(int nChar) { m_pView->SendChar((UINT)nChar); }

void Session::Keys(const std::string& text) {
  for (unsigned char c : text) Key(c);
}

void Session::Paint() { m_pView->Paint(); }

void Session::Timer(UINT_PTR nID) { m_pView->FireTimer(nID); }

void Session::Advance(int64_t nMs) { AdvanceFakeClock(nMs); }

void Session::Snapshot(const std::string& name) {
  const char* out = getenv("NUMDRIL_TEST_PNG_DIR");
  if (!out || !*out) return;
  std::filesystem::create_directories(out);
  Fb().WritePng((std::string(out) + "/" + name + ".png").c_str());
}

void Session::WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary);
  f << bytes;
}

std::string Session::ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return "";
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

int CountPixels(const Framebuffer& fb, int x0, int y0, int x1, int y1, uint32_t rgb) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (fb.Pixel(x, y) == rgb) ++n;
  return n;
}

bool AnyInk(const Framebuffer& fb, int x0, int y0, int x1, int y1) {
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (fb.Pixel(x, y) != 0xFFFFFF) return true;
  return false;
}

std::vector<uint32_t> Pixels(const Framebuffer& fb) {
  std::vector<uint32_t> pixels;
  for (int y = 0; y < fb.Height(); ++y)
    for (int x = 0; x < fb.Width(); ++x) pixels.push_back(fb.Pixel(x, y));
  return pixels;
}

void SpeakJapanese() {
  CCommandLineInfo japanese;
  japanese.nLanguage = CCommandLineInfo::Japanese;
  SetUpTranslations(japanese);
  // Loaded now, so that a child that becomes another user (AsNobody) still has it when that
  // user cannot reach the build folder (a checkout in root's home).
  (void)gettext("");
}

bool InChild(const std::function<void()>& fn) {
  fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    fn();
    fflush(nullptr);
    _exit(testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool AsNobody(const std::function<void()>& fn) {
  return InChild([&] {
    if (getuid() == 0 &&
        (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 ||
         setresuid(65534, 65534, 65534) != 0))
      ADD_FAILURE() << "cannot become nobody";
    else
      fn();
  });
}
