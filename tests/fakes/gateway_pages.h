// Status pages of the three gateway models, as tests, fuzz seeds and benchmarks need them.
#pragma once

#include <string>

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

// Markup that a real status page carries around its values, `bytes` long or a little more.
inline std::string PageFiller(std::size_t bytes) {
  static const std::string kRow =
      "<tr><td class=\"menu\"><a href=\"/setup.htm?page=12\">Configuration</a></td>"
      "<td>&nbsp;</td></tr>\r\n";
  std::string filler;
  while (filler.size() < bytes) filler += kRow;
  return filler;
}

inline std::string InventelPage(const PageValues& v, std::size_t filler = 0) {
  return "<html><head><title>Livebox</title></head><body>\r\n" + PageFiller(filler) +
         "ADSL_STATUS=Up<br>\r\n"
         "ADSL_MODE=" +
         v.mode +
         "<br>\r\n"
         "ADSL_ADSL_TYPE=" +
         v.type +
         "<br>\r\n"
         "ADSL_UPSTREAM=" +
         v.up +
         "<br>\r\n"
         "ADSL_DOWNSTREAM=" +
         v.down +
         "<br>\r\n"
         "ADSL_ATTENUATION=" +
         v.att_down +
         "<br>\r\n"
         "ADSL_ATTENUATION_UP=" +
         v.att_up +
         "<br>\r\n"
         "ADSL_NOISE_MARGIN=" +
         v.snr_down +
         "<br>\r\n"
         "ADSL_NOISE_MARGIN_UP=" +
         v.snr_up +
         "<br>\r\n"
         "ADSL_RSCORR=" +
         v.crc +
         "<br>\r\n"
         "ADSL_ADSL_VERSION=" +
         v.firmware +
         "<br>\r\n"
         "</body></html>\r\n";
}

inline std::string SagemVar(const std::string& name, const std::string& value) {
  return "var " + name + "\t\t= \"" + value + "\";\n";
}

inline std::string SagemPage(const PageValues& v, std::size_t filler = 0) {
  return "<html><head><script language=\"javascript\">\n" +
         SagemVar("v_ADSL_line_status", v.status) + SagemVar("v_ADSL_mode", v.mode) +
         SagemVar("v_down_pathtype", v.type) + SagemVar("v_upstream", v.up) +
         SagemVar("v_downstream", v.down) + SagemVar("v_att_near", v.att_down) +
         SagemVar("v_att_far", v.att_up) + SagemVar("v_SNR_near", v.snr_down) +
         SagemVar("v_SNR_far", v.snr_up) + SagemVar("v_CRC_errors", v.crc) +
         SagemVar("v_firm_ver", v.firmware) + "</script></head><body>\n" + PageFiller(filler) +
         "</body></html>\n";
}

inline std::string TecomRow(const std::string& label, const std::string& value) {
  return "  <tr>\r\n    <td class='hd'>" + label + "</td>\r\n    <td>" + value +
         "</td>\r\n  </tr>\r\n";
}

inline std::string TecomPage(const PageValues& v, std::size_t filler = 0) {
  return "<html><body><table class='status'>\r\n" + PageFiller(filler) +
         TecomRow("Software Version:", v.firmware) + TecomRow("Mode:", v.mode) +
         TecomRow("Line Rate - Upstream (Kbps):", v.up) +
         TecomRow("Line Rate - Downstream (Kbps):", v.down) +
         TecomRow("Attenuation - Downstream (dB):", v.att_down) +
         TecomRow("Attenuation - Upstream (dB):", v.att_up) +
         TecomRow("SNR Margin - Downstream (dB):", v.snr_down) +
         TecomRow("SNR Margin - Upstream (dB):", v.snr_up) + "</table></body></html>\r\n";
}

}  // namespace verdalin
