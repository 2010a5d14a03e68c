// The line's quality index.
#include "monitor/quality.h"

#include <cfloat>
#include <cmath>

namespace verdalin {

float QualityIndex(float downstream_kbps, float snr_local, float maximum_kbps) {
  if (!(maximum_kbps > 0) || !std::isfinite(maximum_kbps)) return 0;
  double quality = static_cast<double>(downstream_kbps) * snr_local /
                   (static_cast<double>(maximum_kbps) * 20) * 100;
  if (!std::isfinite(quality) || std::fabs(quality) > FLT_MAX) return 0;
  return static_cast<float>(quality);
}

}  // namespace verdalin
