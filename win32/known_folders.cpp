// Special folders on Windows (SHGetSpecialFolderLocation and SHGetPathFromIDListA), the
// executable's path, and where the program may create files.
#include <windows.h>

#include <shlobj.h>

#include <string>

#include "base/file_system.h"
#include "base/text_ops.h"
#include "win32/shell_services.h"

namespace verdalin {

std::string SpecialFolderPath(int csidl) {
  LPITEMIDLIST item = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &item)) || item == nullptr) return {};
  char path[MAX_PATH + 1] = {};
  const BOOL found = SHGetPathFromIDListA(item, path);
  CoTaskMemFree(item);
  if (!found) return {};
  std::string result = TrimBlanks(path);
  // Wine gives some folders (the documents folder) with a trailing backslash.
  while (result.size() > 3 && result.back() == '\\') result.pop_back();
  return result;
}

namespace {

// The folder the shipped files are installed in, beside the program; "" when unknown.
std::string ExecutableFolder() {
  const std::string executable = ExecutablePath();
  const std::size_t last = executable.rfind('\\');
  return last == std::string::npos ? std::string() : executable.substr(0, last);
}

}  // namespace

std::string SpecialFolderPath(SpecialFolder folder) {
  if (folder == SpecialFolder::kShippedData) return ExecutableFolder();
  if (folder == SpecialFolder::kStartup) return SpecialFolderPath(kCsidlStartup);
  if (folder == SpecialFolder::kDocuments) return SpecialFolderPath(kCsidlPersonal);
  const std::string roaming = SpecialFolderPath(kCsidlAppData);
  return roaming.empty() ? roaming : roaming + "\\Verdalin";
}

std::string ExecutablePath() {
  char path[kMaxPathLength + 1] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, static_cast<DWORD>(kMaxPathLength));
  if (length == 0 || length >= kMaxPathLength) return {};
  return std::string(path, length);
}

// Read-only attributes of folders mean nothing to Windows, and access rights are more than a
// flag to query: the answer is a file actually made there (and deleted at once).
bool CanCreateFilesIn(const std::string& folder) {
  char probe[MAX_PATH + 1] = {};
  if (folder.empty() || GetTempFileNameA(folder.c_str(), "vdl", 0, probe) == 0) return false;
  DeleteFileA(probe);
  return true;
}

bool CreateFolder(const std::string& folder) {
  if (folder.empty()) return false;
  SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace verdalin
