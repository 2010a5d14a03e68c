// The line values read by one poll.
#pragma once

#include <cstdint>
#include <string>

namespace verdalin {

struct LineSample {
  uint8_t Connected = 0;
  std::string Mode;
  std::string Type;
  float Upstream_kbps = 0;
  float Downstream_kbps = 0;
  float Attenuation_local = 0;
  float Attenuation_distant = 0;
  float SNR_local = 0;
  float SNR_distant = 0;
  int32_t CRC_errors = 0;
  std::string Firmware;
  std::string Device;
};

}  // namespace verdalin
