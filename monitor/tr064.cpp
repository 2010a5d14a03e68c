// The TR-064 kind: device description, SOAP requests and answers, over the XML element tree.
#include "monitor/tr064.h"

#include <optional>

#include "base/xml_tree.h"

namespace verdalin {

namespace {

constexpr std::string_view kDslService = "urn:dslforum-org:service:WANDSLInterfaceConfig:1";
constexpr std::string_view kDeviceService = "urn:dslforum-org:service:DeviceInfo:1";
constexpr int kNotAuthorised = 606;  // the UPnP error of an action the credentials may not call

// The output arguments of each action and the fields they fill. Margins, attenuation and power
// come in tenths of a dB; rates in kbit/s.
constexpr KeyedField kDslInfoFields[] = {
    {"NewDownstreamCurrRate", LineField::kDownRate},
    {"NewUpstreamCurrRate", LineField::kUpRate},
    {"NewDownstreamMaxRate", LineField::kDownAttainable},
    {"NewUpstreamMaxRate", LineField::kUpAttainable},
    {"NewDownstreamNoiseMargin", LineField::kDownSnr, 0.1},
    {"NewUpstreamNoiseMargin", LineField::kUpSnr, 0.1},
    {"NewDownstreamAttenuation", LineField::kDownAttenuation, 0.1},
    {"NewUpstreamAttenuation", LineField::kUpAttenuation, 0.1},
    {"NewDownstreamPower", LineField::kDownPower, 0.1},
    {"NewUpstreamPower", LineField::kUpPower, 0.1},
    {"NewDataPath", LineField::kType},
    {"NewModulationType", LineField::kMode},
    {"NewStandardUsed", LineField::kStandard},
    {"NewCurrentProfile", LineField::kProfile},
};
constexpr KeyedField kDslStatisticsFields[] = {
    {"NewCRCErrors", LineField::kNearCrc},
    {"NewATUCCRCErrors", LineField::kFarCrc},
    {"NewFECErrors", LineField::kNearFec},
    {"NewATUCFECErrors", LineField::kFarFec},
    {"NewErroredSecs", LineField::kNearEs},
    {"NewATUCErroredSecs", LineField::kFarEs},
    {"NewSeverelyErroredSecs", LineField::kNearSes},
    {"NewATUCSeverelyErroredSecs", LineField::kFarSes},
    {"NewLinkRetrain", LineField::kRetrains},
};
constexpr KeyedField kDeviceInfoFields[] = {
    {"NewModelName", LineField::kDevice},
    {"NewSoftwareVersion", LineField::kFirmware},
};

bool IsText(LineField field) {
  return field >= LineField::kMode;
}

std::string Trimmed(std::string_view text) {
  const std::size_t start = text.find_first_not_of(" \t\r\n");
  if (start == std::string_view::npos) return {};
  return std::string(text.substr(start, text.find_last_not_of(" \t\r\n") - start + 1));
}

std::string ChildText(const XmlElement& element, std::string_view name) {
  const XmlElement* child = element.Child(name);
  return child ? Trimmed(child->text) : std::string();
}

// The services of a device and of the devices it embeds, depth first.
void CollectServices(const XmlElement& device, std::vector<Tr064Service>& services) {
  if (const XmlElement* list = device.Child("serviceList")) {
    for (const XmlElement& service : list->children) {
      if (service.name != "service") continue;
      services.push_back({ChildText(service, "serviceType"), ChildText(service, "controlURL")});
    }
  }
  if (const XmlElement* list = device.Child("deviceList")) {
    for (const XmlElement& embedded : list->children) {
      if (embedded.name == "device") CollectServices(embedded, services);
    }
  }
}

// The text for an XML attribute or element.
std::string Escaped(std::string_view text) {
  std::string escaped;
  for (char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

// The first element of that name at or under `element`, depth first.
const XmlElement* Find(const XmlElement& element, std::string_view name) {
  if (element.name == name) return &element;
  for (const XmlElement& child : element.children) {
    if (const XmlElement* found = Find(child, name)) return found;
  }
  return nullptr;
}

void ReadFault(const XmlElement& fault, SoapAnswer& answer) {
  answer.outcome = AnswerOutcome::kFault;
  const XmlElement* error = Find(fault, "UPnPError");
  if (error == nullptr) return;
  const std::optional<double> code = LeadingNumber(ChildText(*error, "errorCode"));
  if (code && *code >= 0 && *code <= 9999) answer.error_code = static_cast<int>(*code);
  answer.error_text = ChildText(*error, "errorDescription");
  if (answer.error_code == kNotAuthorised) answer.outcome = AnswerOutcome::kRefused;
}

// A number that is the whole text ("123"), none for anything else ("", "12 dB", "n/a").
std::optional<double> WholeNumber(std::string_view text) {
  std::string_view rest;
  const std::optional<double> number = LeadingNumber(text, &rest);
  if (!number || !TrimSpace(rest).empty()) return std::nullopt;
  return number;
}

template <std::size_t N>
void StoreArguments(const SoapAnswer& answer, const KeyedField (&fields)[N], LineSample& sample) {
  for (const auto& [name, text] : answer.arguments) {
    for (const KeyedField& field : fields) {
      if (field.key != name) continue;
      if (IsText(field.field)) {
        StoreText(sample, field.field, text);
      } else if (const std::optional<double> number = WholeNumber(text)) {
        StoreNumber(sample, field.field, *number * field.scale);
      }
    }
  }
}

AnswerOutcome ReadDslInfo(std::string_view xml, LineSample& sample) {
  const SoapAnswer answer = ReadSoapAnswer(xml, Tr064ActionName(Tr064Action::kDslInfo));
  if (answer.outcome != AnswerOutcome::kValues) return answer.outcome;
  StoreArguments(answer, kDslInfoFields, sample);
  for (const auto& [name, text] : answer.arguments) {
    if (name == "NewStatus") sample.Connected = SameWord(TrimSpace(text), "Up") ? 1 : 0;
  }
  if (sample.Mode.empty()) sample.Mode = sample.extras.standard;
  return AnswerOutcome::kValues;
}

}  // namespace

Tr064Description ReadTr064Description(std::string_view xml) {
  Tr064Description description;
  const std::optional<XmlElement> root = ReadXmlDocument(xml);
  const XmlElement* device = root && root->name == "root" ? root->Child("device") : nullptr;
  if (device == nullptr) return description;
  description.read = true;
  description.model_name = ChildText(*device, "modelName");
  CollectServices(*device, description.services);
  return description;
}

std::string Tr064ControlUrl(const Tr064Description& description, std::string_view service_type) {
  for (const Tr064Service& service : description.services) {
    if (service.type == service_type && !service.control_url.empty()) return service.control_url;
  }
  return {};
}

std::string_view Tr064ServiceType(Tr064Action action) {
  return action == Tr064Action::kDeviceInfo ? kDeviceService : kDslService;
}

std::string_view Tr064ActionName(Tr064Action action) {
  return action == Tr064Action::kDslStatistics ? "GetStatisticsTotal" : "GetInfo";
}

SoapRequest MakeSoapRequest(std::string_view service_type, std::string_view action) {
  SoapRequest request;
  const std::string name = "u:" + Escaped(action);
  request.body =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
      "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\" "
      "s:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\"><s:Body><" +
      name + " xmlns:u=\"" + Escaped(service_type) + "\"></" + name + "></s:Body></s:Envelope>\r\n";
  request.soap_action = std::string(service_type) + "#" + std::string(action);
  return request;
}

SoapAnswer ReadSoapAnswer(std::string_view xml, std::string_view action) {
  SoapAnswer answer;
  const std::optional<XmlElement> root = ReadXmlDocument(xml);
  const XmlElement* body = root && root->name == "Envelope" ? root->Child("Body") : nullptr;
  if (body == nullptr || body->children.empty()) return answer;
  const XmlElement& content = body->children.front();
  if (content.name == "Fault") {
    ReadFault(content, answer);
  } else if (content.name == std::string(action) + "Response") {
    answer.outcome = AnswerOutcome::kValues;
    for (const XmlElement& argument : content.children) {
      answer.arguments.emplace_back(argument.name, Trimmed(argument.text));
    }
  }
  return answer;
}

AnswerOutcome ReadTr064Answers(const Tr064Answers& answers, LineSample& sample) {
  const AnswerOutcome outcome = ReadDslInfo(answers.dsl_info, sample);
  if (outcome == AnswerOutcome::kValues) {
    const std::string_view statistics = Tr064ActionName(Tr064Action::kDslStatistics);
    StoreArguments(ReadSoapAnswer(answers.dsl_statistics, statistics), kDslStatisticsFields,
                   sample);
  }
  StoreArguments(ReadSoapAnswer(answers.device_info, "GetInfo"), kDeviceInfoFields, sample);
  if (sample.Device.empty()) sample.Device = "TR-064";
  return outcome;
}

}  // namespace verdalin
