// The end of a poll: status line texts, the quality index and the gauge.
#include "ui/status_line.h"

#include <cfloat>
#include <cmath>

#include "base/date_format.h"
#include "base/text_ops.h"

namespace verdalin {

namespace {

std::string WholeNumber(float value) {
  return IntegerToText(RoundToEven(value));
}

std::string ConnectedText(const LineSample& sample) {
  return " | Down: " + WholeNumber(sample.Downstream_kbps) +
         " Kbps | Up: " + WholeNumber(sample.Upstream_kbps) +
         " Kbps | SNR Margin: " + WholeNumber(sample.SNR_local) + " dB";
}

}  // namespace

float QualityIndex(float downstream_kbps, float snr_local, float maximum_kbps) {
  if (!(maximum_kbps > 0) || !std::isfinite(maximum_kbps)) return 0;
  double quality = static_cast<double>(downstream_kbps) * snr_local /
                   (static_cast<double>(maximum_kbps) * 20) * 100;
  if (!std::isfinite(quality) || std::fabs(quality) > FLT_MAX) return 0;
  return static_cast<float>(quality);
}

std::string QualityText(float quality) {
  return "Quality Index: " + FloatToText(quality, 1) + "%";
}

void ShowPollResult(WindowControls& window, const Clock& clock, const LineSample& sample,
                    bool values_found, const std::string& note) {
  std::string stamp = FormatDate("Time: %hh:%ii:%ss", CurrentDate(clock));
  if (!values_found) {
    window.SetStatusText(kStatusLineField,
                         stamp + " | Warning : Bad/Empty values ! Please check password.",
                         kPollStatusAppearance);
    return;
  }
  float quality = 0;
  if (sample.Connected != 0) {
    std::string line = stamp + ConnectedText(sample);
    if (!note.empty() && window.StatusTextFits(kStatusLineField, line + note)) line += note;
    window.SetStatusText(kStatusLineField, line, kPollStatusAppearance);
    float maximum = ParseFloat(window.GetControlText(kDownstreamMaxField));
    quality = QualityIndex(sample.Downstream_kbps, sample.SNR_local, maximum);
  } else {
    window.SetStatusText(kStatusLineField, stamp + " | ADSL Disconnected !", kPollStatusAppearance);
  }
  window.SetControlState(kQualityGauge, RoundToEven(quality));
  window.SetStatusText(kQualityField, QualityText(quality), kPollStatusAppearance);
}

}  // namespace verdalin
