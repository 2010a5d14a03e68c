// Fuzz target: the Broadcom statistics reader, then the CSV row and the status texts of its sample.
#include "monitor/broadcom_stats.h"
#include "page_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  verdalin::LineSample sample;
  const auto outcome = verdalin::ReadBroadcomStats(verdalin::FuzzText(data, size), sample);
  return verdalin::FuzzSample(sample, outcome == verdalin::AnswerOutcome::kValues);
}
