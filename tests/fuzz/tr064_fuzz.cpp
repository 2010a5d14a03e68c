// Fuzz target: the TR-064 readers (device description, SOAP answers as each action's) over the
// XML reader, then the CSV row and the status texts of the sample; and the text as a box's
// Digest challenge, answered.
#include "monitor/http_digest.h"
#include "monitor/tr064.h"
#include "page_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace verdalin;
  const std::string_view text = FuzzText(data, size);
  const Tr064Description description = ReadTr064Description(text);
  for (Tr064Action action : kTr064Actions) Tr064ControlUrl(description, Tr064ServiceType(action));
  if (const auto challenge = FindDigestChallenge({{"WWW-Authenticate", std::string(text)}}))
    DigestAuthorization(*challenge, {"POST", "/", "u", "p", "c"},
                        [](std::string_view bytes) { return std::string(bytes.substr(0, 32)); });
  LineSample sample;
  const AnswerOutcome outcome = ReadTr064Answers({text, text, text}, sample);
  return FuzzSample(sample, outcome == AnswerOutcome::kValues);
}
