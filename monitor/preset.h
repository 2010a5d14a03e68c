// One subscription preset: gateway model, status-page address, credentials and subscribed rate.
#pragma once

#include <string>
#include <vector>

namespace verdalin {

struct Preset {
  std::string type;  // "INVENTEL", "SAGEM" or "AH4222"
  std::string label;
  std::string URL;
  std::string login;
  std::string password;
  std::string downmax;
};

// Preset number 0 is always the empty preset; numbers 1 to n are those of the presets file.
using PresetTable = std::vector<Preset>;

}  // namespace verdalin
