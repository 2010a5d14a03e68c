// The SSH host keys trusted on first use, kept in the settings file's own group.
#pragma once

#include <mutex>
#include <optional>
#include <string>

#include "base/file_system.h"
#include "monitor/ssh_shell.h"

namespace verdalin {

inline constexpr std::string_view kSshHostKeysGroup = "SSH host keys";

// Reads the settings file at each look-up (a key the user removed is forgotten at once) and
// writes a learnt key into it at once, the file replaced atomically; the rest of the program
// rewrites the file key by key, so the group stays.
class SettingsHostKeys : public HostKeyStore {
 public:
  SettingsHostKeys(FileSystem& files, std::string settings_file)
      : files_(files), settings_file_(std::move(settings_file)) {}
  std::optional<std::string> Known(const std::string& host_port) override;
  void Learn(const std::string& host_port, const std::string& fingerprint) override;

 private:
  FileSystem& files_;
  std::string settings_file_;
  std::mutex mutex_;  // the two command-line kinds' readings may overlap
};

}  // namespace verdalin
