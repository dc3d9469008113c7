// SPDX-License-Identifier: MIT
// Settings remembered in the record folder, in numdril.conf: one "name = value" a line,
// "#" starting a comment. Only keypad only, for now. Read at start-up; written only when
// the command line changes a setting, lines it does not know kept as they were.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/app.h"
#include "flow/flow.h"
#include "platform/files.h"
#include "records/records.h"

static const char SETTINGS_FILE[] = "numdril.conf";
static const char KEYPAD_ONLY[] = "keypad-only";
// A settings file is a few lines; anything past this is not read.
static const size_t MAX_SETTINGS_BYTES = 65536;
static const char SETTINGS_HEAD[] =
    "# numdril's settings; numdril --keypad-only and --no-keypad-only change them.\n";

static std::string ReadSettingsText() {
  std::string text, path;
  if (!FollowTrustedLinks(SETTINGS_FILE, &path)) return text;
  const int fd = OpenRegularFile(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return text;
  char buffer[4096];
  ssize_t n;
  while (text.size() < MAX_SETTINGS_BYTES && (n = read(fd, buffer, sizeof buffer)) > 0)
    text.append(buffer, (size_t)n);
  close(fd);
  return text;
}

static std::string Trim(const std::string& text) {
  const size_t nFirst = text.find_first_not_of(" \t\r");
  if (nFirst == std::string::npos) return "";
  return text.substr(nFirst, text.find_last_not_of(" \t\r") - nFirst + 1);
}

// Where the line of a setting starts in the text (npos when there is none), and its value.
static size_t FindSetting(const std::string& text, const char* pszName, std::string* pValue) {
  for (size_t nLine = 0; nLine < text.size();) {
    size_t nEnd = text.find('\n', nLine);
    if (nEnd == std::string::npos) nEnd = text.size();
    const std::string line = text.substr(nLine, nEnd - nLine);
    const size_t nEquals = line.find('=');
    if (nEquals != std::string::npos && Trim(line.substr(0, nEquals)) == pszName) {
      *pValue = Trim(line.substr(nEquals + 1));
      return nLine;
    }
    nLine = nEnd + 1;
  }
  return std::string::npos;
}

// The text with the setting's line replaced, or added at the end.
static std::string WithSetting(std::string text, const char* pszName, const char* pszValue) {
  const std::string line = std::string(pszName) + " = " + pszValue;
  std::string old;
  const size_t nLine = FindSetting(text, pszName, &old);
  if (nLine != std::string::npos) {
    const size_t nEnd = text.find('\n', nLine);
    return text.replace(nLine, nEnd == std::string::npos ? std::string::npos : nEnd - nLine, line);
  }
  if (text.empty()) text = SETTINGS_HEAD;
  if (text.back() != '\n') text += '\n';
  return text + line + "\n";
}

static bool WriteSettingsText(const std::string& text) {
  std::string path;
  if (!FollowTrustedLinks(SETTINGS_FILE, &path)) return false;
  struct stat st;
  const bool bExists = stat(path.c_str(), &st) == 0;
  return ReplaceFileContents(path, text, bExists ? &st : nullptr);
}

void LoadSettings(OnOff keypadOnly) {
  const std::string text = ReadSettingsText();
  std::string value;
  FindSetting(text, KEYPAD_ONLY, &value);
  g_bKeypadOnly = value == "on" ? 1 : 0;
  if (keypadOnly == OnOff::kUnset) return;
  g_bKeypadOnly = keypadOnly == OnOff::kOn ? 1 : 0;
  const char* pszValue = g_bKeypadOnly ? "on" : "off";
  if (value == pszValue) return;
  if (!WriteSettingsText(WithSetting(text, KEYPAD_ONLY, pszValue)))
    fprintf(stderr, _("numdril: %s could not be written (%s); the setting holds for this run "
                      "only\n"),
            SETTINGS_FILE, strerror(errno));
}
