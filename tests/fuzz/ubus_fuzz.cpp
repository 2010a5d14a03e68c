// Fuzz target: the ubus answers (login and dsl metrics), then the CSV row and the status texts of
// the sample.
#include "monitor/ubus.h"
#include "page_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace verdalin;
  const std::string_view text = FuzzText(data, size);
  const UbusLogin login = ReadUbusLogin(text);
  UbusCallRequest(1, login.session, "dsl", "metrics");
  LineSample sample;
  const AnswerOutcome outcome = ReadUbusMetrics(text, sample);
  return FuzzSample(sample, outcome == AnswerOutcome::kValues);
}
