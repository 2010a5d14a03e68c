// The SSH host keys in the settings file.
#include "app/ssh_host_keys.h"

#include "base/ini_store.h"

namespace verdalin {

namespace {

// The key's name in the file: an INI line that opens with "[" is a group's, so an IPv6 host goes
// without its brackets ("fe80::1:22"); the port after the last colon keeps the names apart.
std::string StoredName(const std::string& host_port) {
  if (host_port.empty() || host_port.front() != '[') return host_port;
  std::string name = host_port.substr(1);
  name.erase(name.find(']'), 1);
  return name;
}

}  // namespace

std::optional<std::string> SettingsHostKeys::Known(const std::string& host_port) {
  std::lock_guard lock(mutex_);
  std::string found =
      ReadPreference(files_, kSshHostKeysGroup, StoredName(host_port), "", settings_file_);
  if (found.empty()) return std::nullopt;
  return found;
}

void SettingsHostKeys::Learn(const std::string& host_port, const std::string& fingerprint) {
  std::lock_guard lock(mutex_);
  WritePreference(files_, kSshHostKeysGroup, StoredName(host_port), fingerprint, settings_file_);
}

}  // namespace verdalin
