// The TR-064 kind's exchanges: the device description's services, the SOAP requests of the
// actions the line needs, and their answers read into a sample.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "monitor/line_fields.h"
#include "monitor/line_sample.h"

namespace verdalin {

// One service of a device description: its type ("urn:dslforum-org:service:DeviceInfo:1") and
// the path its actions are posted to, as the description gives it.
struct Tr064Service {
  std::string type;
  std::string control_url;
};

struct Tr064Description {
  bool read = false;                   // false: not a device description
  std::vector<Tr064Service> services;  // of the device and of all its embedded devices
  std::string model_name;              // the root device's modelName
};

Tr064Description ReadTr064Description(std::string_view xml);

// The control URL of a service type as the description names it; empty when it has none.
std::string Tr064ControlUrl(const Tr064Description& description, std::string_view service_type);

// The actions one reading asks, each of one service.
enum class Tr064Action { kDslInfo, kDslStatistics, kDeviceInfo };
inline constexpr Tr064Action kTr064Actions[] = {Tr064Action::kDslInfo, Tr064Action::kDslStatistics,
                                                Tr064Action::kDeviceInfo};

// The service type and action name of an action: ("urn:dslforum-org:service:
// WANDSLInterfaceConfig:1", "GetInfo"), ...
std::string_view Tr064ServiceType(Tr064Action action);
std::string_view Tr064ActionName(Tr064Action action);

// What a SOAP 1.1 request carries: the body, and the SOAPAction and Content-Type headers' values.
struct SoapRequest {
  std::string body;
  std::string soap_action;  // "urn:...:WANDSLInterfaceConfig:1#GetInfo", without quotes
  std::string content_type = "text/xml; charset=\"utf-8\"";
};
SoapRequest MakeSoapRequest(std::string_view service_type, std::string_view action);

// A SOAP answer: the action's output arguments, or the fault's UPnP error.
struct SoapAnswer {
  AnswerOutcome outcome = AnswerOutcome::kNoValues;  // kValues, kFault, kRefused or kNoValues
  std::vector<std::pair<std::string, std::string>> arguments;  // name, text
  int error_code = 0;  // the UPnPError's errorCode of a fault (606: not authorised)
  std::string error_text;
};
SoapAnswer ReadSoapAnswer(std::string_view xml, std::string_view action);

// The answers of one reading, as they came (an empty text for an action not asked or failed).
struct Tr064Answers {
  std::string_view dsl_info;
  std::string_view dsl_statistics;
  std::string_view device_info;
};

// Reads the answers into the sample; the outcome is that of the DSL interface's GetInfo, which
// holds the line's state. sample.Device is the model the device names, else "TR-064".
AnswerOutcome ReadTr064Answers(const Tr064Answers& answers, LineSample& sample);

}  // namespace verdalin
