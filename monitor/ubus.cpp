// ubus over JSON-RPC 2.0: request bodies and answers, with nlohmann-json (no exceptions taken).
#include "monitor/ubus.h"

#include <nlohmann/json.hpp>

#include "base/encoding.h"

namespace verdalin {

namespace {

using Json = nlohmann::json;

constexpr int kUbusPermissionDenied = 6;
constexpr int kRpcAccessDenied = -32002;  // uhttpd's error for a session it does not know
constexpr std::size_t kMaxNesting = 64;

// Per direction: each object's fields (rates in bit/s, the rest in dB).
constexpr double kBitsToKbps = 0.001;
struct DirectionFields {
  std::string_view object;
  LineField rate, attainable, attenuation, snr, power;
};
constexpr DirectionFields kDirections[] = {
    {"downstream", LineField::kDownRate, LineField::kDownAttainable, LineField::kDownAttenuation,
     LineField::kDownSnr, LineField::kDownPower},
    {"upstream", LineField::kUpRate, LineField::kUpAttainable, LineField::kUpAttenuation,
     LineField::kUpSnr, LineField::kUpPower},
};
struct EndFields {
  std::string_view object;
  LineField crc, fec, es, ses, uas;
};
constexpr EndFields kEnds[] = {
    {"near", LineField::kNearCrc, LineField::kNearFec, LineField::kNearEs, LineField::kNearSes,
     LineField::kNearUas},
    {"far", LineField::kFarCrc, LineField::kFarFec, LineField::kFarEs, LineField::kFarSes,
     LineField::kFarUas},
};
constexpr KeyedField kTopTexts[] = {
    {"mode", LineField::kMode},
    {"profile", LineField::kType},
    {"standard", LineField::kStandard},
    {"profile", LineField::kProfile},
    {"firmware_version", LineField::kFirmware},
};

// Whether brackets nest no deeper than kMaxNesting (strings skipped): deeper documents are
// refused before the parser builds them.
bool ShallowEnough(std::string_view text) {
  std::size_t depth = 0;
  bool in_string = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (in_string) {
      if (c == '\\')
        ++i;
      else if (c == '"')
        in_string = false;
    } else if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kMaxNesting) return false;
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
  return true;
}

Json Parse(std::string_view text) {
  if (!ShallowEnough(text)) return Json(Json::value_t::discarded);
  return Json::parse(text.begin(), text.end(), nullptr, false);
}

// The object member `key` of `value`, or null.
const Json* Member(const Json& value, std::string_view key) {
  if (!value.is_object()) return nullptr;
  const auto found = value.find(key);
  return found == value.end() ? nullptr : &*found;
}

std::string Dump(const Json& value) {
  return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// The outcome of a JSON-RPC answer and, for [0, {...}], the data object.
AnswerOutcome CallOutcome(const Json& answer, const Json*& data) {
  data = nullptr;
  if (const Json* error = Member(answer, "error")) {
    const Json* code = Member(*error, "code");
    const bool denied = code && code->is_number_integer() && *code == kRpcAccessDenied;
    return denied ? AnswerOutcome::kRefused : AnswerOutcome::kFault;
  }
  const Json* result = Member(answer, "result");
  if (!result || !result->is_array() || result->empty() || !(*result)[0].is_number_integer()) {
    return AnswerOutcome::kNoValues;
  }
  const Json& status = (*result)[0];
  if (status == kUbusPermissionDenied) return AnswerOutcome::kRefused;
  if (status != 0) return AnswerOutcome::kFault;
  if (result->size() < 2 || !(*result)[1].is_object()) return AnswerOutcome::kNoValues;
  data = &(*result)[1];
  return AnswerOutcome::kValues;
}

void StoreMember(LineSample& sample, const Json& object, std::string_view key, LineField field,
                 double scale = 1) {
  const Json* value = Member(object, key);
  if (value && value->is_number()) StoreNumber(sample, field, value->get<double>() * scale);
}

void ReadDirection(LineSample& sample, const Json& metrics, const DirectionFields& fields) {
  const Json* object = Member(metrics, fields.object);
  if (!object) return;
  StoreMember(sample, *object, "data_rate", fields.rate, kBitsToKbps);
  StoreMember(sample, *object, "attndr", fields.attainable, kBitsToKbps);
  StoreMember(sample, *object, "latn", fields.attenuation);
  StoreMember(sample, *object, "snr", fields.snr);
  StoreMember(sample, *object, "actatp", fields.power);
}

void ReadErrors(LineSample& sample, const Json& metrics, const EndFields& fields) {
  const Json* errors = Member(metrics, "errors");
  const Json* object = errors ? Member(*errors, fields.object) : nullptr;
  if (!object) return;
  StoreMember(sample, *object, "crc_p", fields.crc);
  StoreMember(sample, *object, "fecs", fields.fec);
  StoreMember(sample, *object, "es", fields.es);
  StoreMember(sample, *object, "ses", fields.ses);
  StoreMember(sample, *object, "uas", fields.uas);
}

void ReadMetrics(LineSample& sample, const Json& metrics) {
  const Json* up = Member(metrics, "up");
  sample.Connected = up && up->is_boolean() && up->get<bool>() ? 1 : 0;
  StoreMember(sample, metrics, "uptime", LineField::kUptime);
  for (const DirectionFields& each : kDirections) ReadDirection(sample, metrics, each);
  for (const EndFields& each : kEnds) ReadErrors(sample, metrics, each);
  for (const KeyedField& each : kTopTexts) {
    const Json* text = Member(metrics, each.key);
    if (text && text->is_string()) StoreText(sample, each.field, text->get<std::string>());
  }
}

}  // namespace

std::string UbusLoginRequest(int64_t id, std::string_view login, std::string_view password) {
  const Json credentials = {{"username", AsUtf8(login)}, {"password", AsUtf8(password)}};
  const Json request = {
      {"jsonrpc", "2.0"},
      {"id", id},
      {"method", "call"},
      {"params", {std::string(kUbusNullSession), "session", "login", credentials}}};
  return Dump(request);
}

std::string UbusCallRequest(int64_t id, std::string_view session, std::string_view object,
                            std::string_view method) {
  const Json request = {
      {"jsonrpc", "2.0"},
      {"id", id},
      {"method", "call"},
      {"params", {AsUtf8(session), AsUtf8(object), AsUtf8(method), Json::object()}}};
  return Dump(request);
}

UbusLogin ReadUbusLogin(std::string_view answer) {
  UbusLogin login;
  const Json* data = nullptr;
  const Json parsed = Parse(answer);
  login.outcome = CallOutcome(parsed, data);
  if (login.outcome != AnswerOutcome::kValues) return login;
  const Json* session = Member(*data, "ubus_rpc_session");
  if (!session || !session->is_string() || session->get<std::string>().empty()) {
    login.outcome = AnswerOutcome::kNoValues;
    return login;
  }
  login.session = session->get<std::string>();
  const Json* timeout = Member(*data, "timeout");
  constexpr double kLongestTimeout = 1e9;
  if (timeout && timeout->is_number() && *timeout >= 0 && *timeout <= kLongestTimeout) {
    login.timeout_s = static_cast<int64_t>(timeout->get<double>());
  }
  return login;
}

AnswerOutcome ReadUbusMetrics(std::string_view answer, LineSample& sample) {
  const Json* data = nullptr;
  const Json parsed = Parse(answer);
  const AnswerOutcome outcome = CallOutcome(parsed, data);
  if (outcome == AnswerOutcome::kValues) ReadMetrics(sample, *data);
  if (sample.Device.empty()) sample.Device = "OpenWrt";
  return outcome;
}

}  // namespace verdalin
