// SPDX-License-Identifier: MIT
// The program's command line, answered before any window: --help and --version on standard
// output with exit code 0, an unknown option refused on standard error with exit code 2,
// and none of them starting the program.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

struct CountingApp : CWinApp {
  BOOL InitInstance() override {
    ++nStarts;
    return FALSE;
  }
  int nStarts = 0;
};

int RunWith(CountingApp& app, std::vector<std::string> args, std::string* pOut, std::string* pErr) {
  std::vector<char*> argv{const_cast<char*>("numdril")};
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  int nCode = RunApplication(&app, (int)argv.size() - 1, argv.data());
  *pOut = testing::internal::GetCapturedStdout();
  *pErr = testing::internal::GetCapturedStderr();
  return nCode;
}

}  // namespace

TEST(CommandLine, AnswersAndRefusalsComeBeforeAnyWindow) {
  // Without a display, anything that got past the command line would end in the display
  // check (exit code 1) instead.
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  CountingApp app;
  std::string out, err;

  EXPECT_EQ(RunWith(app, {"--help"}, &out, &err), 0);
  EXPECT_EQ(out.rfind("Usage: numdril [OPTION]...\n", 0), 0u) << out;
  EXPECT_NE(out.find("--version"), std::string::npos);
  EXPECT_EQ(err, "");

  EXPECT_EQ(RunWith(app, {"--version"}, &out, &err), 0);
  EXPECT_EQ(out, "numdril " NUMDRIL_VERSION "\n");
  EXPECT_EQ(err, "");

  // The first answer wins, as with other programs.
  EXPECT_EQ(RunWith(app, {"--version", "--help"}, &out, &err), 0);
  EXPECT_EQ(out, "numdril " NUMDRIL_VERSION "\n");

  EXPECT_EQ(RunWith(app, {"--frobnicate"}, &out, &err), 2);
  EXPECT_EQ(out, "");
  EXPECT_EQ(err, "numdril: unrecognized option '--frobnicate'\n"
                 "Try 'numdril --help' for more information.\n");
  EXPECT_EQ(RunWith(app, {"-x"}, &out, &err), 2);

  // After "--" nothing is an option: on to the display check.
  EXPECT_EQ(RunWith(app, {"--", "--help"}, &out, &err), 1);
  EXPECT_EQ(out, "");
  EXPECT_NE(err.find("no display"), std::string::npos) << err;
  EXPECT_EQ(app.nStarts, 0);
}
