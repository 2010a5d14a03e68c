// What the device kinds send (SOAP envelopes, JSON-RPC bodies) and the XML reader's bounds: the
// documents a device could use to harm the program are refused whole.
#include <gtest/gtest.h>

#include <string>

#include "base/xml_tree.h"
#include "monitor/tr064.h"
#include "monitor/ubus.h"

namespace verdalin {

namespace {

std::string Nested(std::size_t depth) {
  std::string text;
  for (std::size_t i = 0; i < depth; ++i) text += "<a>";
  for (std::size_t i = 0; i < depth; ++i) text += "</a>";
  return text;
}

TEST(SoapRequests, AreEnvelopesOfTheirActionThatReadBack) {
  for (Tr064Action action : kTr064Actions) {
    const SoapRequest request = MakeSoapRequest(Tr064ServiceType(action), Tr064ActionName(action));
    EXPECT_EQ(request.soap_action,
              std::string(Tr064ServiceType(action)) + "#" + std::string(Tr064ActionName(action)));
    EXPECT_EQ(request.content_type, "text/xml; charset=\"utf-8\"");
    const std::optional<XmlElement> envelope = ReadXmlDocument(request.body);
    ASSERT_TRUE(envelope);
    ASSERT_TRUE(envelope->Child("Body"));
    ASSERT_EQ(envelope->Child("Body")->children.size(), 1u);
    EXPECT_EQ(envelope->Child("Body")->children[0].name, Tr064ActionName(action));
  }
  // A service type that XML would take as markup stays text.
  EXPECT_TRUE(ReadXmlDocument(MakeSoapRequest("urn:a\"b<c>&d", "GetInfo").body));
}

TEST(SoapAnswers, ReadWhateverTheEnvelopesPrefix) {
  const char* const answers[] = {
      "<SOAP-ENV:Envelope xmlns:SOAP-ENV='http://schemas.xmlsoap.org/soap/envelope/'>"
      "<SOAP-ENV:Body><m:GetInfoResponse xmlns:m='urn:x'><NewStatus>Up</NewStatus>"
      "</m:GetInfoResponse></SOAP-ENV:Body></SOAP-ENV:Envelope>",
      "<Envelope xmlns='http://schemas.xmlsoap.org/soap/envelope/'><Body><GetInfoResponse>"
      "<NewStatus><![CDATA[Up]]></NewStatus></GetInfoResponse></Body></Envelope>",
  };
  for (const char* answer : answers) {
    const SoapAnswer read = ReadSoapAnswer(answer, "GetInfo");
    EXPECT_EQ(read.outcome, AnswerOutcome::kValues) << answer;
    ASSERT_EQ(read.arguments.size(), 1u);
    EXPECT_EQ(read.arguments[0], std::make_pair(std::string("NewStatus"), std::string("Up")));
    EXPECT_EQ(ReadSoapAnswer(answer, "GetStatisticsTotal").outcome, AnswerOutcome::kNoValues);
  }
}

TEST(XmlReader, RefusesWhatCouldHarmAndReadsTheRest) {
  const std::string entities =
      "<?xml version='1.0'?><!DOCTYPE r [<!ENTITY a 'aaaaaaaaaa'><!ENTITY b '&a;&a;&a;&a;'>]>"
      "<r>&b;&b;&b;</r>";
  const std::string wide = "<r>" + std::string(kXmlMaxElements + 1, ' ') + "</r>";
  std::string many = "<r>";
  for (std::size_t i = 0; i <= kXmlMaxElements; ++i) many += "<e/>";
  many += "</r>";
  for (const std::string& refused :
       {entities, Nested(kXmlMaxDepth + 1), many, std::string("<r><a></r>"), std::string(""),
        std::string("<r>\xff</r>"), std::string("<r/><r/>")}) {
    EXPECT_FALSE(ReadXmlDocument(refused)) << refused.substr(0, 80);
  }
  EXPECT_TRUE(ReadXmlDocument(Nested(kXmlMaxDepth)));
  EXPECT_TRUE(ReadXmlDocument(wide));
  const std::optional<XmlElement> read = ReadXmlDocument(
      "<?xml version='1.0' encoding='ISO-8859-1'?><p:r xmlns:p='u'>a &amp; "
      "\xe9<x>1</x>b</p:r>");
  ASSERT_TRUE(read);
  EXPECT_EQ(read->name, "r");
  EXPECT_EQ(read->text,
            "a & \xc3\xa9"
            "b");  // entities resolved, UTF-8
  ASSERT_TRUE(read->Child("x"));
  EXPECT_EQ(read->Child("x")->text, "1");
}

TEST(UbusRequests, AreJsonRpcCallsWithTheirTextsEscaped) {
  EXPECT_EQ(UbusLoginRequest(1, "ro\"ot", "p\xE9ss\\"),
            "{\"id\":1,\"jsonrpc\":\"2.0\",\"method\":\"call\",\"params\":["
            "\"00000000000000000000000000000000\",\"session\",\"login\","
            "{\"password\":\"p\xC3\xA9ss\\\\\",\"username\":\"ro\\\"ot\"}]}");
  EXPECT_EQ(UbusCallRequest(7, "5c8a0f3b", "dsl", "metrics"),
            "{\"id\":7,\"jsonrpc\":\"2.0\",\"method\":\"call\",\"params\":[\"5c8a0f3b\","
            "\"dsl\",\"metrics\",{}]}");
}

TEST(UbusAnswers, TellRefusalsFaultsAndOtherTextsApart) {
  struct Case {
    const char* answer;
    AnswerOutcome outcome;
  };
  const Case cases[] = {
      {"{\"jsonrpc\":\"2.0\",\"id\":1,\"result\":[6]}", AnswerOutcome::kRefused},
      {"{\"jsonrpc\":\"2.0\",\"id\":1,\"result\":[4]}", AnswerOutcome::kFault},
      {"{\"jsonrpc\":\"2.0\",\"id\":1,\"error\":{\"code\":-32000}}", AnswerOutcome::kFault},
      {"{\"jsonrpc\":\"2.0\",\"id\":1,\"result\":[0]}", AnswerOutcome::kNoValues},
      {"{\"jsonrpc\":\"2.0\",\"id\":1,\"result\":[0,{}]}", AnswerOutcome::kValues},
      {"[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[1]]]]]]]]]]]]]]]]]]]]]"
       "]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]",
       AnswerOutcome::kNoValues},
      {"<html>401</html>", AnswerOutcome::kNoValues},
  };
  for (const Case& c : cases) {
    LineSample sample;
    EXPECT_EQ(ReadUbusMetrics(c.answer, sample), c.outcome) << c.answer;
    EXPECT_EQ(sample.Device, "OpenWrt");
  }
  EXPECT_EQ(ReadUbusLogin("{\"result\":[0,{\"ubus_rpc_session\":7}]}").outcome,
            AnswerOutcome::kNoValues);
}

}  // namespace

}  // namespace verdalin
