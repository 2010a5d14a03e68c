// One subscription preset: gateway model, status-page address, credentials and subscribed rate.
#pragma once

#include <string>
#include <vector>

namespace verdalin {

// One subscription preset: the gateway's kind, its address and credentials, the subscribed rate,
// and for a command-line kind the command that shows the line (empty: the kind's own).
struct Preset {
  std::string type;  // "INVENTEL", "SAGEM", "AH4222", "TR064", "BROADCOM", "DRAYTEK", "OPENWRT"
  std::string label;
  std::string URL;
  std::string login;
  std::string password;
  std::string downmax;
  std::string command;
};

// Preset number 0 is always the empty preset; numbers 1 to n are those of the presets file.
using PresetTable = std::vector<Preset>;

}  // namespace verdalin
