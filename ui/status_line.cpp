// The end of a poll in the window: status line texts, the quality index and the gauge.
#include "ui/status_line.h"

#include "base/date_format.h"
#include "base/text_ops.h"
#include "monitor/quality.h"

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

void ShowStatus(WindowControls& window, std::string_view text) {
  window.SetStatusText(kStatusLineField, std::string(text), kPollStatusAppearance);
}

// Without a gateway model no page can give values, whatever the password: the list is to blame.
std::string_view NoValuesText(const MonitorConfig& config) {
  return config.model.empty() ? kNoModelWarning : kBadValuesWarning;
}

}  // namespace

std::string QualityText(float quality) {
  return "Quality Index: " + FloatToText(quality, 1) + "%";
}

void ShowPollResult(WindowControls& window, const PollResult& result, const std::string& note) {
  if (!result.problem.empty()) return ShowStatus(window, result.problem);
  if (result.outcome == PollOutcome::kUnreachable) return ShowStatus(window, kConnectionError);
  if (!result.row_written) ShowStatus(window, kOutputFileError);
  const std::string stamp = FormatDate("Time: %hh:%ii:%ss", result.end_time);
  if (result.outcome != PollOutcome::kSample)
    return ShowStatus(window, stamp + std::string(NoValuesText(result.config)));
  const LineSample& sample = result.sample;
  float quality = 0;
  if (sample.Connected != 0) {
    std::string line = stamp + ConnectedText(sample);
    if (!note.empty() && window.StatusTextFits(kStatusLineField, line + note)) line += note;
    ShowStatus(window, line);
    quality = QualityIndex(sample.Downstream_kbps, sample.SNR_local, result.config.subscribed_kbps);
  } else {
    ShowStatus(window, stamp + " | ADSL Disconnected !");
  }
  window.SetControlState(kQualityGauge, RoundToEven(quality));
  window.SetStatusText(kQualityField, QualityText(quality), kPollStatusAppearance);
}

}  // namespace verdalin
