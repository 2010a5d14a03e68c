// The device kinds' readers over the answer files of tests/answers/: each case's answers read and
// compared, value by value, with the expected values beside them.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "fakes/answer_files.h"
#include "monitor/broadcom_stats.h"
#include "monitor/draytek_status.h"
#include "monitor/tr064.h"
#include "monitor/ubus.h"

namespace verdalin {

namespace {

using Values = std::map<std::string, std::string>;

// "key=value" lines; "#" opens a comment line.
Values ReadExpected(std::string_view text) {
  Values values;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    const std::string_view line = text.substr(0, end);
    const std::size_t equals = line.find('=');
    if (!line.empty() && line[0] != '#' && equals != std::string_view::npos) {
      values[std::string(line.substr(0, equals))] = std::string(line.substr(equals + 1));
    }
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return values;
}

std::string Shown(double value, int digits) {
  char text[40];
  std::snprintf(text, sizeof text, "%.*g", digits, value);
  return text;
}

// One value of the sample as the expected files write it, and back: shown as text, empty when
// it is at its default (0, empty, unset), so that every value a file leaves out must be so.
struct Column {
  std::string key;
  std::function<std::string(LineSample&)> show;
  std::function<void(LineSample&, const std::string&)> set;
};

template <typename Ref>
Column FloatColumn(std::string key, Ref ref) {
  return {key, [ref](LineSample& s) { return ref(s) == 0 ? "" : Shown(ref(s), 7); },
          [ref](LineSample& s, const std::string& v) { ref(s) = std::stof(v); }};
}

template <typename Ref>
Column TextColumn(std::string key, Ref ref) {
  return {key, [ref](LineSample& s) { return ref(s); },
          [ref](LineSample& s, const std::string& v) { ref(s) = v; }};
}

template <typename T>
std::string ShownOptional(const std::optional<T>& value) {
  if (!value) return "-";
  return std::is_integral_v<T> ? std::to_string(*value) : Shown(static_cast<double>(*value), 10);
}

template <typename T>
void SetOptional(std::optional<T>& value, const std::string& text) {
  if (text == "-") return value.reset();
  value =
      std::is_integral_v<T> ? static_cast<T>(std::stoll(text)) : static_cast<T>(std::stod(text));
}

template <typename Ref>
Column OptionalColumn(std::string key, Ref ref) {
  return {key, [ref](LineSample& s) { return ref(s) ? ShownOptional(ref(s)) : ""; },
          [ref](LineSample& s, const std::string& v) { SetOptional(ref(s), v); }};
}

// A near/far (down/up) pair: "12,-".
template <typename Ref>
Column PairColumn(std::string key, Ref ref) {
  return {key,
          [ref](LineSample& s) {
            auto& pair = ref(s);
            if (!pair[0] && !pair[1]) return std::string();
            return ShownOptional(pair[0]) + "," + ShownOptional(pair[1]);
          },
          [ref](LineSample& s, const std::string& v) {
            const std::size_t comma = v.find(',');
            SetOptional(ref(s)[0], v.substr(0, comma));
            SetOptional(ref(s)[1], v.substr(comma + 1));
          }};
}

#define VERDALIN_REF(member)    \
  [](LineSample & s) -> auto& { \
    return s.member;            \
  }

const std::vector<Column>& Columns() {
  static const std::vector<Column> columns = {
      {"Connected", [](LineSample& s) { return s.Connected ? std::to_string(s.Connected) : ""; },
       [](LineSample& s, const std::string& v) {
         s.Connected = static_cast<uint8_t>(std::stoi(v));
       }},
      TextColumn("Mode", VERDALIN_REF(Mode)),
      TextColumn("Type", VERDALIN_REF(Type)),
      FloatColumn("Upstream_kbps", VERDALIN_REF(Upstream_kbps)),
      FloatColumn("Downstream_kbps", VERDALIN_REF(Downstream_kbps)),
      FloatColumn("Attenuation_local", VERDALIN_REF(Attenuation_local)),
      FloatColumn("Attenuation_distant", VERDALIN_REF(Attenuation_distant)),
      FloatColumn("SNR_local", VERDALIN_REF(SNR_local)),
      FloatColumn("SNR_distant", VERDALIN_REF(SNR_distant)),
      {"CRC_errors", [](LineSample& s) { return s.CRC_errors ? std::to_string(s.CRC_errors) : ""; },
       [](LineSample& s, const std::string& v) { s.CRC_errors = std::stoi(v); }},
      TextColumn("Firmware", VERDALIN_REF(Firmware)),
      TextColumn("Device", VERDALIN_REF(Device)),
      PairColumn("attainable_kbps", VERDALIN_REF(extras.attainable_kbps)),
      PairColumn("transmit_power_dbm", VERDALIN_REF(extras.transmit_power_dbm)),
      PairColumn("crc_errors", VERDALIN_REF(extras.crc_errors)),
      PairColumn("fec_errors", VERDALIN_REF(extras.fec_errors)),
      PairColumn("errored_seconds", VERDALIN_REF(extras.errored_seconds)),
      PairColumn("severely_errored_seconds", VERDALIN_REF(extras.severely_errored_seconds)),
      PairColumn("unavailable_seconds", VERDALIN_REF(extras.unavailable_seconds)),
      OptionalColumn("uptime_s", VERDALIN_REF(extras.uptime_s)),
      OptionalColumn("retrains", VERDALIN_REF(extras.retrains)),
      TextColumn("standard", VERDALIN_REF(extras.standard)),
      TextColumn("profile", VERDALIN_REF(extras.profile)),
  };
  return columns;
}

#undef VERDALIN_REF

Values Describe(LineSample sample) {
  Values shown;
  for (const Column& column : Columns()) {
    const std::string text = column.show(sample);
    if (!text.empty()) shown[column.key] = text;
  }
  return shown;
}

// The sample an expected file describes, shown as the read one is.
Values DescribeExpected(const Values& expected) {
  LineSample sample;
  for (const Column& column : Columns()) {
    const auto found = expected.find(column.key);
    if (found != expected.end()) column.set(sample, found->second);
  }
  return Describe(sample);
}

const char* OutcomeName(AnswerOutcome outcome) {
  switch (outcome) {
    case AnswerOutcome::kValues:
      return "values";
    case AnswerOutcome::kNoValues:
      return "no_values";
    case AnswerOutcome::kRefused:
      return "refused";
    case AnswerOutcome::kFault:
      return "fault";
  }
  return "?";
}

// What a case's answers gave beyond the sample: the login and the device description.
void ReadLogin(const AnswerCase& c, Values& read) {
  if (c.File("login.json").empty()) return;
  const UbusLogin login = ReadUbusLogin(c.File("login.json"));
  read["login.outcome"] = OutcomeName(login.outcome);
  if (!login.session.empty()) read["login.session"] = login.session;
  if (login.timeout_s != 0) read["login.timeout_s"] = std::to_string(login.timeout_s);
}

void ReadDescription(const AnswerCase& c, const Values& expected, Values& read) {
  const Tr064Description description = ReadTr064Description(c.File("tr64desc.xml"));
  for (const auto& [key, value] : expected) {
    if (key == "description.model") read[key] = description.model_name;
    if (key.starts_with("control.")) read[key] = Tr064ControlUrl(description, key.substr(8));
  }
}

// The outcome and the sample of a case's answers, by its kind.
std::optional<AnswerOutcome> ReadCase(const AnswerCase& c, LineSample& sample) {
  if (c.kind == "broadcom") return ReadBroadcomStats(c.File("answer.txt"), sample);
  if (c.kind == "draytek") return ReadDraytekStatus(c.File("answer.txt"), sample);
  if (c.kind == "tr064") {
    return ReadTr064Answers(
        {c.File("WANDSLInterfaceConfig-GetInfo.xml"),
         c.File("WANDSLInterfaceConfig-GetStatisticsTotal.xml"), c.File("DeviceInfo-GetInfo.xml")},
        sample);
  }
  if (c.File("metrics.json").empty()) return std::nullopt;  // an OpenWrt login only
  return ReadUbusMetrics(c.File("metrics.json"), sample);
}

class SourceAnswers : public testing::TestWithParam<AnswerCase> {};

TEST_P(SourceAnswers, GiveTheExpectedValues) {
  const AnswerCase& c = GetParam();
  const Values expected = ReadExpected(c.File("expected.txt"));
  ASSERT_FALSE(expected.empty()) << "no expected.txt";
  Values read, wanted;
  LineSample sample;
  if (const std::optional<AnswerOutcome> outcome = ReadCase(c, sample)) {
    read = Describe(sample);
    read["outcome"] = OutcomeName(*outcome);
    wanted = DescribeExpected(expected);
  }
  ReadLogin(c, read);
  if (c.kind == "tr064") ReadDescription(c, expected, read);
  for (const auto& [key, value] : expected) {
    if (key == "outcome" || key.find('.') != std::string::npos) wanted[key] = value;
  }
  EXPECT_EQ(read, wanted);
}

std::string CaseName(const testing::TestParamInfo<AnswerCase>& info) {
  std::string name = info.param.kind + "_" + info.param.name;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Files, SourceAnswers, testing::ValuesIn(AnswerCases()), CaseName);

}  // namespace

}  // namespace verdalin
