// The INI preference store: one text value read or written per call, in Windows INI file syntax.
#pragma once

#include <string>
#include <string_view>

#include "text/file_system.h"

namespace verdalin {

// Values read back hold at most this many characters.
constexpr std::size_t kMaxPreferenceLength = 254;

std::string ReadPreference(FileSystem& fs, std::string_view group, std::string_view key,
                           std::string_view default_value, std::string_view file);
void WritePreference(FileSystem& fs, std::string_view group, std::string_view key,
                     std::string_view value, std::string_view file);

}  // namespace verdalin
