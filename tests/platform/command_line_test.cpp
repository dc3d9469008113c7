// SPDX-License-Identifier: MIT
// The program's command line, answered before any window: --help and --version on standard
// output with exit code 0, an unknown option or a stray word refused on standard error with
// exit code 2, and none of them starting the program; the record folder it chooses (the
// current one too), entered before the display check or refused with exit code 2.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/session.h"

namespace {

struct CountingApp : CWinApp {
  BOOL InitInstance() override {
    ++nStarts;
    return FALSE;
  }
  // A report: where it ran and what it was asked for.
  int RunWithoutWindow(const CCommandLineInfo& info) override {
    reportFolder = std::filesystem::current_path();
    reportFile = info.reportFile;
    command = info.nCommand;
    nSpanDays = info.nSpanDays;
    return 7;
  }
  int nStarts = 0;
  int nSpanDays = -2;
  CCommandLineInfo::Command command = CCommandLineInfo::RunWindow;
  std::filesystem::path reportFolder;
  std::string reportFile;
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

// The locale of a user who set none, whatever the environment the tests run in.
void SpeakEnglish() {
  for (const char* pszVariable : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"}) unsetenv(pszVariable);
  setenv("LANG", "C", 1);
}

// A fresh temporary folder holding an empty folder "given", with no display in sight:
// anything that gets past the folder ends in the display check (exit code 1).
std::filesystem::path MakeTrialFolder() {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  const std::string folder = MakeTempFolder("numdril-cmdline");
  if (folder.empty()) return {};
  std::filesystem::create_directory(std::filesystem::path(folder) / "given");
  return folder;
}

// The refusals of a folder and of a missing display in Japanese, chosen by the leading
// arguments or the locale, with the system's words (strerror) in them readable too.
void ExpectJapaneseRefusals(const std::vector<std::string>& leading) {
  const std::filesystem::path root = MakeTrialFolder();
  ASSERT_FALSE(root.empty());
  ASSERT_EQ(chdir(root.c_str()), 0);
  CountingApp app;
  std::string out, err;
  auto with = [&](std::vector<std::string> args) {
    args.insert(args.begin(), leading.begin(), leading.end());
    return args;
  };
  EXPECT_EQ(RunWith(app, with({"-C", "missing"}), &out, &err), 2);
  EXPECT_EQ(err, "numdril: 'missing' に記録を置けません: そのようなファイルやディレクトリはありま"
                 "せん\n");
  EXPECT_EQ(RunWith(app, with({"-C", "given"}), &out, &err), 1);
  EXPECT_EQ(err, "numdril: ディスプレイがありません (DISPLAY も WAYLAND_DISPLAY も設定されていま"
                 "せん)。ディスプレイなしで実行するには xvfb-run numdril を使ってください\n");
  ASSERT_EQ(chdir("/"), 0);
  std::filesystem::remove_all(root);
}

}  // namespace

TEST(CommandLine, AnswersAndRefusalsComeBeforeAnyWindow) {
  // Without a display, anything that got past the command line would end in the display
  // check (exit code 1) instead.
  SpeakEnglish();
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  CountingApp app;
  std::string out, err;

  EXPECT_EQ(RunWith(app, {"--help"}, &out, &err), 0);
  EXPECT_EQ(out.rfind("Usage: numdril [OPTION]...\n", 0), 0u) << out;
  EXPECT_NE(out.find("--version"), std::string::npos);
  EXPECT_EQ(err, "");

  EXPECT_EQ(RunWith(app, {"-h"}, &out, &err), 0);
  EXPECT_NE(out.find("--user-data"), std::string::npos) << out;

  EXPECT_EQ(RunWith(app, {"--version"}, &out, &err), 0);
  EXPECT_EQ(out.rfind("numdril " NUMDRIL_VERSION "\nCopyright (c) ", 0), 0u) << out;
  EXPECT_EQ(err, "");
  std::string version = out;

  // The first answer wins, as with other programs, even over a folder that is not there.
  EXPECT_EQ(RunWith(app, {"-C", "/nonexistent", "-V", "--help"}, &out, &err), 0);
  EXPECT_EQ(out, version);

  EXPECT_EQ(RunWith(app, {"--frobnicate"}, &out, &err), 2);
  EXPECT_EQ(out, "");
  EXPECT_EQ(err, "numdril: unrecognized option '--frobnicate'\n"
                 "Try 'numdril --help' for more information.\n");
  EXPECT_EQ(RunWith(app, {"-x"}, &out, &err), 2);
  EXPECT_EQ(RunWith(app, {"--help=all"}, &out, &err), 2);
  EXPECT_EQ(RunWith(app, {"--user-data", "-C"}, &out, &err), 2);
  EXPECT_EQ(err, "numdril: option '-C' requires an argument\n"
                 "Try 'numdril --help' for more information.\n");

  // A word that is not an option, even one after "--", is no reason to open a window.
  EXPECT_EQ(RunWith(app, {"report"}, &out, &err), 2);
  EXPECT_EQ(err, "numdril: extra operand 'report'\n"
                 "Try 'numdril --help' for more information.\n");
  EXPECT_EQ(RunWith(app, {"--", "--help"}, &out, &err), 2);
  EXPECT_EQ(out, "");
  EXPECT_NE(err.find("extra operand '--help'"), std::string::npos) << err;
  EXPECT_EQ(app.nStarts, 0);
}

// The chosen folder becomes the working directory before the display check (which then
// refuses with exit code 1); a folder that cannot hold the records is refused with one line
// and exit code 2 instead.
TEST(CommandLine, RecordFolderIsEnteredBeforeTheDisplayCheck) {
  SpeakEnglish();
  const std::filesystem::path root = MakeTrialFolder();
  ASSERT_FALSE(root.empty());
  const char* tmpl = root.c_str();
  Session::WriteFile((root / "a-file").string(), "x");
  CountingApp app;
  std::string out, err;
  auto enters = [&](std::vector<std::string> args, const std::filesystem::path& expected) {
    ASSERT_EQ(chdir(tmpl), 0);
    EXPECT_EQ(RunWith(app, args, &out, &err), 1) << err;
    EXPECT_NE(err.find("no display"), std::string::npos) << err;
    EXPECT_EQ(std::filesystem::current_path(), expected) << args[0];
  };
  auto refuses = [&](std::vector<std::string> args, const std::string& what) {
    ASSERT_EQ(chdir(tmpl), 0);
    EXPECT_EQ(RunWith(app, args, &out, &err), 2) << args[0];
    EXPECT_EQ(err.rfind("numdril: cannot ", 0), 0u) << err;
    EXPECT_NE(err.find(what), std::string::npos) << err;
    EXPECT_EQ(err.find('\n'), err.size() - 1) << "one line: " << err;
  };

  const std::filesystem::path given = root / "given";
  enters({"-C", "given"}, given);
  enters({"-Cgiven"}, given);
  enters({"--directory=given"}, given);
  enters({"--directory", given.string()}, given);
  refuses({"-C", "missing"}, "'missing': No such file or directory");
  refuses({"--directory="}, "''");
  refuses({"-C", "a-file"}, "Not a directory");

  // The desktop's folder for user data, made with its parents when missing; a relative
  // XDG_DATA_HOME does not count, HOME's default does. The last folder option counts.
  setenv("XDG_DATA_HOME", (root / "data" / "home").c_str(), 1);
  enters({"--user-data"}, root / "data" / "home" / "numdril");
  enters({"-C", "given", "--user-data"}, root / "data" / "home" / "numdril");
  enters({"--user-data", "-C", "given"}, given);
  setenv("XDG_DATA_HOME", "relative", 1);
  setenv("HOME", (root / "home").c_str(), 1);
  enters({"--user-data"}, root / "home" / ".local" / "share" / "numdril");
  EXPECT_FALSE(std::filesystem::exists(root / "relative"));
  unsetenv("HOME");
  ASSERT_EQ(chdir(tmpl), 0);
  EXPECT_EQ(RunWith(app, {"--user-data"}, &out, &err), 2);
  EXPECT_NE(err.find("HOME"), std::string::npos) << err;
  Session::WriteFile((root / "data" / "blocked").string(), "x");
  setenv("XDG_DATA_HOME", (root / "data" / "blocked").c_str(), 1);
  refuses({"--user-data"}, "blocked/numdril': Not a directory");

  // A folder the user cannot write, whichever way it was chosen, current folder included:
  // the same refusal before any window (as a user whom file modes stop; from inside the
  // trial folder, whatever the folders above it let that user do).
  std::filesystem::permissions(given, std::filesystem::perms(0555));
  std::filesystem::permissions(root, std::filesystem::perms(0755));
  ASSERT_EQ(chdir(tmpl), 0);
  EXPECT_TRUE(AsNobody([&] {
    auto refusal = [](const std::string& folder) {
      return "numdril: cannot keep the records in '" + folder + "': Permission denied\n";
    };
    ASSERT_EQ(chdir("given"), 0);
    EXPECT_EQ(RunWith(app, {}, &out, &err), 2);
    EXPECT_EQ(err, refusal(given.string()));
    EXPECT_EQ(RunWith(app, {"-C", "."}, &out, &err), 2);
    EXPECT_EQ(err, refusal("."));
    EXPECT_EQ(RunWith(app, {"--report"}, &out, &err), 7) << "a report only reads";
  }));

  EXPECT_EQ(app.nStarts, 0);
  ASSERT_EQ(chdir("/"), 0);
  std::filesystem::permissions(given, std::filesystem::perms(0755));
  std::filesystem::remove_all(root);
}

// A report goes to the application in the folder the options chose, before any display is
// looked for; a relative picture file stays where the program was started.
TEST(CommandLine, ReportRunsInTheRecordFolderWithoutADisplay) {
  SpeakEnglish();
  const std::filesystem::path root = MakeTrialFolder();
  ASSERT_EQ(chdir(root.c_str()), 0);
  CountingApp app;
  std::string out, err;

  EXPECT_EQ(RunWith(app, {"--report", "-C", "given"}, &out, &err), 7) << err;
  EXPECT_EQ(app.reportFolder, root / "given");
  EXPECT_EQ(app.reportFile, "");
  EXPECT_EQ(err, "");

  ASSERT_EQ(chdir(root.c_str()), 0);
  EXPECT_EQ(RunWith(app, {"-C", "given", "--report=pic.svg"}, &out, &err), 7) << err;
  EXPECT_EQ(app.reportFile, (root / "pic.svg").string());
  EXPECT_EQ(RunWith(app, {"--report=-"}, &out, &err), 7);
  EXPECT_EQ(app.reportFile, "-");

  EXPECT_EQ(RunWith(app, {"--report="}, &out, &err), 2);
  EXPECT_NE(err.find("'--report=' requires a file name"), std::string::npos) << err;
  EXPECT_EQ(RunWith(app, {"--report", "--help"}, &out, &err), 0);
  EXPECT_EQ(app.nStarts, 0);

  // The span: days from 1, or all; not given, the report's own default (-1).
  EXPECT_EQ(RunWith(app, {"--report"}, &out, &err), 7);
  EXPECT_EQ(app.nSpanDays, -1);
  EXPECT_EQ(RunWith(app, {"--span=7", "--report"}, &out, &err), 7);
  EXPECT_EQ(app.nSpanDays, 7);
  EXPECT_EQ(RunWith(app, {"--report=-", "--span", "all"}, &out, &err), 7);
  EXPECT_EQ(app.nSpanDays, 0);
  for (const char* pszSpan : {"--span=0", "--span=-3", "--span=7x", "--span= 7", "--span=",
                              "--span=100001", "--span=99999999999999999999"}) {
    EXPECT_EQ(RunWith(app, {"--report", pszSpan}, &out, &err), 2) << pszSpan;
    EXPECT_NE(err.find("invalid span"), std::string::npos) << pszSpan << ": " << err;
  }
  // A span given to a session would be lost without a word.
  EXPECT_EQ(RunWith(app, {"--span=7"}, &out, &err), 2);
  EXPECT_NE(err.find("'--span' goes with --report"), std::string::npos) << err;
  EXPECT_EQ(app.nStarts, 0);

  // The report shown in the desktop's viewer: read from the record folder, which it only
  // reads; keypad only, the last of its two options counting, goes to the application.
  ASSERT_EQ(chdir(root.c_str()), 0);
  ASSERT_EQ(chmod("given", 0555), 0);
  EXPECT_EQ(RunWith(app, {"--show-report", "-C", "given"}, &out, &err), 7) << err;
  EXPECT_EQ(app.command, CCommandLineInfo::ShowReport);
  EXPECT_EQ(app.reportFolder, root / "given");
  EXPECT_EQ(app.m_keypadOnly, OnOff::kUnset);
  char* argv[] = {const_cast<char*>("numdril"), const_cast<char*>("--no-keypad-only"),
                  const_cast<char*>("--keypad-only"), nullptr};
  CCommandLineInfo info;
  ParseCommandLine(3, argv, &info);
  EXPECT_EQ(info.keypadOnly, OnOff::kOn);
  std::swap(argv[1], argv[2]);
  ParseCommandLine(3, argv, &info);
  EXPECT_EQ(info.keypadOnly, OnOff::kOff);
  ASSERT_EQ(chdir("/"), 0);
  std::filesystem::remove_all(root);
}

// The language: --lang, else LC_ALL, LC_MESSAGES and LANG in that order, the first set and
// not empty deciding; only "ja..." is Japanese.
TEST(CommandLine, LanguageComesFromTheOptionElseTheLocale) {
  struct Case {
    const char* pszAll;
    const char* pszMessages;
    const char* pszLang;
    std::vector<std::string> args;
    bool bJapanese;
  } CASES[] = {
      {nullptr, nullptr, nullptr, {}, false},
      {nullptr, nullptr, "C", {}, false},
      {nullptr, nullptr, "POSIX", {}, false},
      {nullptr, nullptr, "en_US.UTF-8", {}, false},
      {nullptr, nullptr, "ja_JP.UTF-8", {}, true},
      {nullptr, nullptr, "ja_JP.eucJP", {}, true},
      {"", "", "ja_JP.UTF-8", {}, true},  // empty ones do not count
      {nullptr, "C", "ja_JP.UTF-8", {}, false},
      {"ja_JP.UTF-8", "C", "C", {}, true},
      {"C", "ja_JP.UTF-8", "ja_JP.UTF-8", {}, false},
      {nullptr, nullptr, "ja_JP.UTF-8", {"--lang=en"}, false},
      {nullptr, nullptr, "C", {"--lang=ja"}, true},
      {nullptr, nullptr, "C", {"--lang", "ja", "--lang=en"}, false},
  };
  for (const Case& c : CASES) {
    auto put = [](const char* pszName, const char* pszValue) {
      pszValue ? setenv(pszName, pszValue, 1) : unsetenv(pszName);
    };
    put("LC_ALL", c.pszAll);
    put("LC_MESSAGES", c.pszMessages);
    put("LANG", c.pszLang);
    std::vector<std::string> args = c.args;
    std::vector<char*> argv{const_cast<char*>("numdril")};
    for (std::string& arg : args) argv.push_back(arg.data());
    CCommandLineInfo info;
    ParseCommandLine((int)argv.size(), argv.data(), &info);
    EXPECT_EQ(ChoosesJapanese(info), c.bJapanese)
        << (c.pszAll ? c.pszAll : "-") << " " << (c.pszMessages ? c.pszMessages : "-") << " "
        << (c.pszLang ? c.pszLang : "-") << " " << (args.empty() ? "" : args[0]);
  }

  SpeakEnglish();
  CountingApp app;
  std::string out, err;
  EXPECT_EQ(RunWith(app, {"--lang=fr"}, &out, &err), 2);
  EXPECT_EQ(err, "numdril: unknown language 'fr' (ja or en)\n"
                 "Try 'numdril --help' for more information.\n");
  EXPECT_EQ(RunWith(app, {"--lang"}, &out, &err), 2);
  EXPECT_EQ(app.nStarts, 0);
}

// Help and mistakes in Japanese from the catalogue beside the program (a build folder's
// locale/), even where the Japanese locale is not generated; the numbers and dates of the
// record files stay in the C locale.
TEST(CommandLine, JapaneseHelpAndMistakesFromTheCatalogue) {
  SpeakEnglish();
  CountingApp app;
  std::string out, err;
  EXPECT_EQ(RunWith(app, {"--lang=ja", "--help"}, &out, &err), 0);
  EXPECT_EQ(out.rfind("\xe4\xbd\xbf\xe3\x81\x84\xe6\x96\xb9: numdril ", 0), 0u) << out;  // 使い方
  EXPECT_NE(out.find("--lang=LANG"), std::string::npos) << out;
  EXPECT_EQ(RunWith(app, {"--lang=ja", "--frobnicate"}, &out, &err), 2);
  EXPECT_EQ(err.find("unrecognized"), std::string::npos) << err;
  EXPECT_NE(err.find("'--frobnicate'"), std::string::npos) << err;
  EXPECT_STREQ(setlocale(LC_NUMERIC, nullptr), "C");
  EXPECT_STREQ(setlocale(LC_TIME, nullptr), "C");
  ExpectJapaneseRefusals({"--lang=ja"});
}

TEST(CommandLine, AJapaneseLocaleRefusesInJapanese) {
  locale_t japanese = newlocale(LC_ALL_MASK, "ja_JP.UTF-8", (locale_t)0);
  if (!japanese) GTEST_SKIP() << "the locale ja_JP.UTF-8 is not generated (scripts/setup.sh does)";
  freelocale(japanese);
  SpeakEnglish();
  setenv("LANG", "ja_JP.UTF-8", 1);
  ExpectJapaneseRefusals({});
}
