// SPDX-License-Identifier: MIT
// When the font code speaks on standard error: a stand-in that is what was asked for passes
// quietly (a normal start says nothing); one that falls short is named once; the debug
// variable names every stand-in. Each case that needs its own font configuration runs in
// a fresh process, since fontconfig reads its configuration once.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/platform.h"
#include "support/session.h"

namespace {

// A proportional face the project's own fonts always include.
const char PROPORTIONAL_FACE[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

void PrintLatin(const char* pszText) {
  Framebuffer fb(200, 40);
  CDC dc(&fb);
  LOGFONT lf{};
  lf.lfHeight = 16;
  lf.lfWidth = 8;
  lf.lfCharSet = ANSI_CHARSET;
  lf.lfPitchAndFamily = FIXED_PITCH;
  strcpy(lf.lfFaceName, "Lucida Console");
  CFont font;
  font.CreateFontIndirect(&lf);
  dc.SelectObject(&font);
  dc.TextOut(0, 0, pszText, (int)strlen(pszText));
}

std::string g_fontFolder;  // the font configuration's folder, removed when the process ends

std::string MakeFontFolder() {
  g_fontFolder = MakeTempFolder("numdril-fonts");
  if (g_fontFolder.empty()) exit(3);
  atexit([] { std::filesystem::remove_all(g_fontFolder); });
  return g_fontFolder;
}

// Points fontconfig at a configuration whose only face is a proportional one.
void UseOnlyAProportionalFace() {
  const std::string folder = MakeFontFolder();
  const std::string dir = folder + "/fonts", conf = folder + "/fonts.conf";
  std::ofstream(conf) << "<?xml version=\"1.0\"?>\n<fontconfig>\n  <dir>" << dir << "</dir>\n"
                      << "  <cachedir>" << folder << "/cache</cachedir>\n</fontconfig>\n";
  std::error_code ec;
  std::filesystem::create_directory(dir, ec);
  std::filesystem::create_symlink(PROPORTIONAL_FACE, dir + "/DejaVuSans.ttf", ec);
  if (ec) exit(3);
  setenv("FONTCONFIG_FILE", conf.c_str(), 1);
}

// Points fontconfig at a configuration that names no font folder: a system without fonts.
void UseNoFontsAtAll() {
  const std::string conf = MakeFontFolder() + "/fonts.conf";
  std::ofstream(conf) << "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n";
  setenv("FONTCONFIG_FILE", conf.c_str(), 1);
}

bool HaveProportionalFace() {
  FILE* pFile = fopen(PROPORTIONAL_FACE, "rb");
  if (pFile) fclose(pFile);
  return pFile != nullptr;
}

}  // namespace

TEST(FontNotice, AFixedPitchStandInForTheProgramsOwnFaceIsQuiet) {
  unsetenv("NUMDRIL_DEBUG_FONTS");
  testing::internal::CaptureStderr();
  PrintLatin("12345");
  PrintLatin("67890");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(FontNotice, AStandInThatFallsShortIsNamedOnceAndTheDebugVariableNamesEveryOne) {
  if (!HaveProportionalFace()) GTEST_SKIP() << PROPORTIONAL_FACE << " is not installed";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // Only a proportional face installed: the fixed-pitch request is served badly, once said.
  EXPECT_EXIT(
      {
        unsetenv("NUMDRIL_DEBUG_FONTS");
        UseOnlyAProportionalFace();
        PrintLatin("12345");
        PrintLatin("67890");
        fputs("done\n", stderr);
        exit(0);
      },
      testing::ExitedWithCode(0),
      "^numdril: font \"Lucida Console\" is not installed, and no fixed-pitch face stands in "
      "for it; using \"DejaVu Sans\"\ndone\n$");
  // With the debug variable, a good stand-in is named too.
  EXPECT_EXIT(
      {
        setenv("NUMDRIL_DEBUG_FONTS", "1", 1);
        PrintLatin("12345");
        PrintLatin("67890");
        fputs("done\n", stderr);
        exit(0);
      },
      testing::ExitedWithCode(0),
      "^numdril: font \"Lucida Console\" is not installed; using \"DejaVu Sans Mono\"\ndone\n$");
}

TEST(FontNotice, NoFontAtAllIsSaidOnceWithThePackagesToInstall) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // Every character would be an empty box: said once, whatever is drawn after.
  EXPECT_EXIT(
      {
        UseNoFontsAtAll();
        PrintLatin("12345");
        PrintLatin("67890");
        fputs("done\n", stderr);
        exit(0);
      },
      testing::ExitedWithCode(0),
      "^numdril: no font is installed that can stand in for \"Lucida Console\", so text is "
      "drawn as empty boxes; install fonts-dejavu-core and fonts-ipafont-gothic \\(as root: "
      "apt-get install fonts-dejavu-core fonts-ipafont-gothic\\)\ndone\n$");
}
