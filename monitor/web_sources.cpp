// TR-064 and ubus line sources: their sessions and requests over HttpClient.
#include "monitor/web_sources.h"

#include <utility>

#include "monitor/ubus.h"

namespace verdalin {

namespace {

constexpr std::string_view kDescriptionPath = "/tr64desc.xml";

PollOutcome OutcomeOf(AnswerOutcome answer) {
  return answer == AnswerOutcome::kValues ? PollOutcome::kSample : PollOutcome::kUnrecognised;
}

// A reading that is not a sample carries no values of a half-read answer.
LineReading Finished(LineReading reading) {
  if (reading.outcome != PollOutcome::kSample) reading.sample = LineSample{};
  return reading;
}

HttpRequest PostOf(std::string url, std::string content_type, std::string body) {
  HttpRequest request;
  request.method = "POST";
  request.url = std::move(url);
  request.headers.push_back({"Content-Type", std::move(content_type)});
  request.body = std::move(body);
  return request;
}

}  // namespace

// What one TR-064 session learnt: where the device is and where its services listen.
struct Tr064Source::Session {
  HttpAddress base;
  std::string address;  // the config's address it was opened for
  std::string login;
  Tr064Description description;
  std::string device_info;  // DeviceInfo's answer, once it gave one
};

Tr064Source::Tr064Source(std::unique_ptr<HttpTransport> transport, const HttpLimits& limits)
    : transport_(std::move(transport)), client_(*transport_, limits) {}

Tr064Source::~Tr064Source() = default;

bool Tr064Source::Open(const HttpAddress& base, CancelToken& cancel) {
  HttpRequest get;
  get.url = ResolveLocation(base, kDescriptionPath)->Url();
  const HttpResponse response = client_.Send(get, cancel);
  if (!response.Answered()) return false;
  auto session = std::make_unique<Session>();
  session->base = base;
  if (response.status == 200) session->description = ReadTr064Description(response.body);
  session_ = std::move(session);
  return true;
}

// The action's answer, a fault's included; none when the exchange failed. An answer that is
// neither (a missing control URL, a refusal) closes the session: the description is read again.
std::optional<std::string> Tr064Source::Post(Tr064Action action, const MonitorConfig& config,
                                             CancelToken& cancel) {
  const std::string_view service = Tr064ServiceType(action);
  const std::string control = Tr064ControlUrl(session_->description, service);
  const std::optional<HttpAddress> target =
      control.empty() ? std::nullopt : ResolveLocation(session_->base, control);
  if (!target) return std::string();
  SoapRequest soap = MakeSoapRequest(service, Tr064ActionName(action));
  HttpRequest request = PostOf(target->Url(), std::move(soap.content_type), std::move(soap.body));
  request.headers.push_back({"SOAPAction", "\"" + soap.soap_action + "\""});
  request.send_credentials = true;
  request.login = config.login;
  request.password = config.password;
  request.digest_only = !session_->base.secure;
  request.follow_redirects = false;
  HttpResponse response = client_.Send(request, cancel);
  if (!response.Answered()) return std::nullopt;
  if (response.status != 200 && response.status != 500) response.body.clear();
  return std::move(response.body);
}

LineReading Tr064Source::Read(const MonitorConfig& config, CancelToken& cancel) {
  LineReading reading;
  std::optional<HttpAddress> base = ParseHttpAddress(config.address);
  if (!base) return reading;
  base->target = "/";
  if (session_ && (session_->address != config.address || session_->login != config.login))
    session_.reset();
  if (!session_ && !Open(*base, cancel)) return reading;
  session_->address = config.address;
  session_->login = config.login;
  const std::optional<std::string> info = Post(Tr064Action::kDslInfo, config, cancel);
  const std::optional<std::string> statistics =
      info ? Post(Tr064Action::kDslStatistics, config, cancel) : std::nullopt;
  if (!info || !statistics) {
    session_.reset();
    return reading;
  }
  if (session_->device_info.empty()) {
    const std::optional<std::string> device = Post(Tr064Action::kDeviceInfo, config, cancel);
    if (!device) {
      session_.reset();
      return reading;
    }
    if (ReadSoapAnswer(*device, "GetInfo").outcome == AnswerOutcome::kValues)
      session_->device_info = *device;
  }
  const AnswerOutcome outcome =
      ReadTr064Answers({*info, *statistics, session_->device_info}, reading.sample);
  reading.outcome = OutcomeOf(outcome);
  if (outcome != AnswerOutcome::kValues) session_.reset();
  return Finished(std::move(reading));
}

std::optional<std::string> UbusUrl(const std::string& address) {
  std::optional<HttpAddress> url = ParseHttpAddress(address);
  if (!url) return std::nullopt;
  if (url->target == "/") url->target = std::string(kUbusDefaultPath);
  return url->Url();
}

UbusSource::UbusSource(std::unique_ptr<HttpTransport> transport, const HttpLimits& limits)
    : transport_(std::move(transport)), client_(*transport_, limits) {}

std::optional<std::string> UbusSource::PostJson(const std::string& url, std::string body,
                                                CancelToken& cancel) {
  HttpRequest request = PostOf(url, "application/json", std::move(body));
  request.follow_redirects = false;
  HttpResponse response = client_.Send(request, cancel);
  if (!response.Answered()) return std::nullopt;
  return std::move(response.body);
}

// False when no session came of it; the reading then says why (unreachable or refused).
bool UbusSource::LogIn(const std::string& url, const MonitorConfig& config, CancelToken& cancel,
                       LineReading& reading) {
  session_.clear();
  if (config.login.empty()) {
    session_ = std::string(kUbusNullSession);
    return true;
  }
  const std::optional<std::string> answer =
      PostJson(url, UbusLoginRequest(next_id_++, config.login, config.password), cancel);
  if (!answer) return false;
  const UbusLogin login = ReadUbusLogin(*answer);
  if (login.outcome != AnswerOutcome::kValues || login.session.empty()) {
    reading.outcome = PollOutcome::kUnrecognised;
    return false;
  }
  session_ = login.session;
  return true;
}

UbusSource::Call UbusSource::Metrics(const std::string& url, LineReading& reading,
                                     CancelToken& cancel) {
  const std::optional<std::string> answer =
      PostJson(url, UbusCallRequest(next_id_++, session_, "dsl", "metrics"), cancel);
  if (!answer) return Call::kFailed;
  LineSample sample;
  const AnswerOutcome outcome = ReadUbusMetrics(*answer, sample);
  if (outcome == AnswerOutcome::kRefused) return Call::kRefused;
  reading.outcome = OutcomeOf(outcome);
  reading.sample = std::move(sample);
  return Call::kAnswered;
}

LineReading UbusSource::Read(const MonitorConfig& config, CancelToken& cancel) {
  LineReading reading;
  const std::optional<std::string> url = UbusUrl(config.address);
  if (!url) return reading;
  if (*url != url_ || config.login != login_) session_.clear();
  url_ = *url;
  login_ = config.login;
  const bool fresh = session_.empty();
  if (fresh && !LogIn(*url, config, cancel, reading)) return Finished(std::move(reading));
  Call call = Metrics(*url, reading, cancel);
  if (call == Call::kRefused && !fresh) {
    if (!LogIn(*url, config, cancel, reading)) return Finished(std::move(reading));
    call = Metrics(*url, reading, cancel);
  }
  if (call == Call::kRefused) {
    session_.clear();
    reading.outcome = PollOutcome::kUnrecognised;
  }
  if (call == Call::kFailed) {
    session_.clear();
    reading.outcome = PollOutcome::kUnreachable;
  }
  return Finished(std::move(reading));
}

}  // namespace verdalin
