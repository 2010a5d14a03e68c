// The SSH host keys in the settings file.
#include "app/ssh_host_keys.h"

#include "base/ini_store.h"

namespace verdalin {

std::optional<std::string> SettingsHostKeys::Known(const std::string& host_port) {
  std::lock_guard lock(mutex_);
  std::string found = ReadPreference(files_, kSshHostKeysGroup, host_port, "", settings_file_);
  if (found.empty()) return std::nullopt;
  return found;
}

void SettingsHostKeys::Learn(const std::string& host_port, const std::string& fingerprint) {
  std::lock_guard lock(mutex_);
  WritePreference(files_, kSshHostKeysGroup, host_port, fingerprint, settings_file_);
}

}  // namespace verdalin
