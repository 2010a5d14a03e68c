// Status pages of the three gateway models from the templates of tests/pages/, which the fake
// gateway fills too, with the values a test chooses.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "monitor/line_sample.h"

namespace verdalin {

// The line values a page shows, as the gateway writes them.
struct PageValues {
  std::string status = "OK";  // Sagem line status
  std::string mode = "G.992.1 Annex A";
  std::string type = "INTERLEAVED";
  std::string up = "1024";
  std::string down = "8192";
  std::string att_down = "35.5";
  std::string att_up = "20.5";
  std::string snr_down = "12.5";
  std::string snr_up = "15.0";
  std::string crc = "42";
  std::string firmware = "5.1.2";
};

// The sample a parser makes of a page with the default values (the Tecom page has no type and
// no error count).
inline LineSample DefaultPageSample(const std::string& device) {
  LineSample s;
  s.Connected = 1;
  s.Mode = "G.992.1 Annex A";
  s.Type = device == "Tecom AH4222" ? "" : "INTERLEAVED";
  s.Upstream_kbps = 1024;
  s.Downstream_kbps = 8192;
  s.Attenuation_local = 35.5f;
  s.Attenuation_distant = 20.5f;
  s.SNR_local = 12.5f;
  s.SNR_distant = 15;
  s.CRC_errors = device == "Tecom AH4222" ? 0 : 42;
  s.Firmware = "5.1.2";
  s.Device = device;
  return s;
}

// The page templates of tests/pages/, built into the test programs.
extern const unsigned char kInventelHtml[];
extern const std::size_t kInventelHtmlSize;
extern const unsigned char kSagemHtml[];
extern const std::size_t kSagemHtmlSize;
extern const unsigned char kTecomHtml[];
extern const std::size_t kTecomHtmlSize;
extern const unsigned char kFillerHtml[];
extern const std::size_t kFillerHtmlSize;

// A template with each ${name} replaced by its value (names not given stay as they are).
inline std::string FillTemplate(const unsigned char* data, std::size_t size,
                                const std::vector<std::pair<std::string, std::string>>& values) {
  std::string text(reinterpret_cast<const char*>(data), size);
  for (const auto& [name, value] : values) {
    const std::string mark = "${" + name + "}";
    for (std::size_t at = text.find(mark); at != std::string::npos;
         at = text.find(mark, at + value.size()))
      text.replace(at, mark.size(), value);
  }
  return text;
}

// Markup that a real status page carries around its values, `bytes` long or a little more.
inline std::string PageFiller(std::size_t bytes) {
  std::string filler;
  for (int n = 0; filler.size() < bytes; ++n)
    filler += FillTemplate(kFillerHtml, kFillerHtmlSize, {{"n", std::to_string(n)}});
  return filler;
}

inline std::vector<std::pair<std::string, std::string>> TemplateValues(const PageValues& v,
                                                                       std::size_t filler) {
  return {{"status", v.status},     {"mode", v.mode},         {"type", v.type},
          {"up", v.up},             {"down", v.down},         {"att_down", v.att_down},
          {"att_up", v.att_up},     {"snr_down", v.snr_down}, {"snr_up", v.snr_up},
          {"crc", v.crc},           {"firmware", v.firmware}, {"filler", PageFiller(filler)}};
}

// One entry of each model as its page writes it, for tests of single lines.
inline std::string SagemVar(const std::string& name, const std::string& value) {
  return "var " + name + "\t\t= \"" + value + "\";\n";
}
inline std::string TecomRow(const std::string& label, const std::string& value) {
  return "  <tr>\r\n    <td class='hd'>" + label + "</td>\r\n    <td>" + value +
         "</td>\r\n  </tr>\r\n";
}

inline std::string InventelPage(const PageValues& v, std::size_t filler = 0) {
  return FillTemplate(kInventelHtml, kInventelHtmlSize, TemplateValues(v, filler));
}

inline std::string SagemPage(const PageValues& v, std::size_t filler = 0) {
  return FillTemplate(kSagemHtml, kSagemHtmlSize, TemplateValues(v, filler));
}

inline std::string TecomPage(const PageValues& v, std::size_t filler = 0) {
  return FillTemplate(kTecomHtml, kTecomHtmlSize, TemplateValues(v, filler));
}

}  // namespace verdalin
