// The XDG folders (documents, autostart, settings), the home folder, the executable's path, and
// where the program may create files, on Linux.
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "linux/shell_services.h"

namespace verdalin {

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

// Without the leading and trailing blanks (spaces).
std::string Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return "";
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// Blanks trimmed and trailing slashes dropped, keeping a lone "/".
std::string CleanFolder(std::string_view path) {
  std::string folder = Trimmed(path);
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

// The value of `KEY="..."` on a user-dirs.dirs line, with $HOME expanded; "" when not that key.
std::string UserDirValue(std::string_view line, std::string_view key, const std::string& home) {
  const std::string trimmed = Trimmed(line);
  std::string_view rest = trimmed;
  if (rest.substr(0, key.size()) != key || rest.substr(key.size(), 1) != "=") return "";
  rest.remove_prefix(key.size() + 1);
  if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"')
    rest = rest.substr(1, rest.size() - 2);
  constexpr std::string_view kHomeVariable = "$HOME";
  if (rest.substr(0, kHomeVariable.size()) == kHomeVariable)
    return home + std::string(rest.substr(kHomeVariable.size()));
  return rest.substr(0, 1) == "/" ? std::string(rest) : std::string();
}

// The system's own program folders belong to the package manager: the program never writes
// there, even as the superuser, who could.
bool IsSystemProgramFolder(const std::string& folder) {
  return folder == "/usr" || folder.rfind("/usr/", 0) == 0 || folder == "/bin" || folder == "/sbin";
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

std::string HomeFolder() {
  std::string home = Environment("HOME");
  if (!home.empty()) return CleanFolder(home);
  const passwd* entry = getpwuid(getuid());
  return entry != nullptr && entry->pw_dir != nullptr ? CleanFolder(entry->pw_dir) : std::string();
}

std::string ConfigHome() {
  const std::string config = Environment("XDG_CONFIG_HOME");
  if (!config.empty() && config.front() == '/') return CleanFolder(config);
  return HomeFolder() + "/.config";
}

std::string DocumentsFolderFrom(std::string_view user_dirs, const std::string& home) {
  std::string found;
  std::istringstream lines{std::string(user_dirs)};
  for (std::string line; std::getline(lines, line);) {
    const std::string value = UserDirValue(line, "XDG_DOCUMENTS_DIR", home);
    if (!value.empty()) found = value;  // the last assignment wins, as in a shell
  }
  return CleanFolder(found.empty() ? home : found);
}

std::string ExecutablePath() {
  char path[1025];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return "";
  return std::string(path, static_cast<std::size_t>(length));
}

std::string ShippedDataFolderOf(std::string_view executable) {
  const std::string folder(executable.substr(0, executable.rfind('/')));
  for (std::string_view installed : {"/bin", "/lib/verdalin"}) {
    if (folder.size() < installed.size() ||
        folder.compare(folder.size() - installed.size(), installed.size(), installed) != 0)
      continue;
    return folder.substr(0, folder.size() - installed.size()) + "/share/verdalin";
  }
  return folder;
}

std::string SpecialFolderPath(SpecialFolder folder) {
  if (folder == SpecialFolder::kShippedData) return ShippedDataFolderOf(ExecutablePath());
  if (folder == SpecialFolder::kStartup) return ConfigHome() + "/autostart";
  if (folder == SpecialFolder::kSettings) return ConfigHome() + "/verdalin";
  return DocumentsFolderFrom(ReadText(ConfigHome() + "/user-dirs.dirs"), HomeFolder());
}

bool CanCreateFilesIn(const std::string& folder) {
  const std::string clean = CleanFolder(folder);
  return !clean.empty() && !IsSystemProgramFolder(clean) && access(clean.c_str(), W_OK | X_OK) == 0;
}

// Missing folders are made for the owner only, as ~/.config is.
bool CreateFolder(const std::string& folder) {
  if (folder.empty()) return false;
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  struct stat info;
  return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace verdalin
