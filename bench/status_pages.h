// Realistic gateway status pages of the three supported makes, about 20 KB each, for benchmarks.
#pragma once

#include <cstddef>
#include <string>

namespace verdalin::bench {

constexpr std::size_t kPageSize = 20000;

inline std::string Number(unsigned value) {
  return std::to_string(value);
}

// The head every page shares: title, style sheet, and the usual menu and help scripts.
inline std::string PageHead(const std::string& title) {
  std::string head =
      "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n"
      "<html>\n<head>\n<title>" +
      title +
      "</title>\n"
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">\n"
      "<meta http-equiv=\"Pragma\" content=\"no-cache\">\n"
      "<link rel=\"stylesheet\" href=\"/css/style.css\" type=\"text/css\">\n"
      "<style type=\"text/css\">\n"
      "body { font-family: Verdana, Arial, sans-serif; font-size: 11px; margin: 0px; }\n"
      "td.hd { background-color: #E8E8E8; font-weight: bold; width: 240px; }\n"
      "td { padding: 2px 6px 2px 6px; border-bottom: 1px solid #CCCCCC; }\n"
      "a.menu:hover { color: #FF6600; text-decoration: underline; }\n"
      "</style>\n"
      "<script language=\"JavaScript\" type=\"text/javascript\">\n"
      "function openHelp(page) {\n"
      "  window.open('/help/' + page + '.htm', 'help', 'width=420,height=520,scrollbars=yes');\n"
      "}\n"
      "function refreshPage() { document.location.reload(true); }\n"
      "var timer = setTimeout(\"refreshPage()\", 30000);\n"
      "</script>\n</head>\n"
      "<body bgcolor=\"#FFFFFF\" leftmargin=\"0\" topmargin=\"0\">\n";
  static const char* const kMenu[] = {
      "Home", "Status", "ADSL",    "Internet",    "Network",  "Wireless", "Firewall", "NAT",
      "DHCP", "DNS",    "Routing", "Diagnostics", "Firmware", "Password", "Logs",     "Reboot"};
  head += "<table width=\"160\" border=\"0\" cellspacing=\"0\" cellpadding=\"0\" class=\"menu\">\n";
  for (const char* item : kMenu) {
    head += std::string("<tr><td><a class=\"menu\" href=\"/cgi-bin/") + item +
            ".cgi\" onmouseover=\"window.status='" + item + "'; return true;\">" + item +
            "</a></td></tr>\n";
  }
  return head + "</table>\n";
}

// Rows of unrelated statistics (LAN clients, port counters), until the page reaches its size.
inline void FillHtml(std::string& page, std::size_t size) {
  page += "<table width=\"600\" border=\"0\" cellspacing=\"1\" class=\"stats\">\n";
  for (unsigned n = 0; page.size() < size; ++n) {
    page += "<tr class=\"" + std::string(n % 2 ? "odd" : "even") + "\">";
    page += "<td>PC-" + Number(100 + n) + "</td><td>192.168.1." + Number(10 + n % 240) +
            "</td><td>00:1A:2B:" + Number(10 + n % 89) + ":4C:" + Number(20 + n % 79) +
            "</td><td>" + Number(3600 - n * 7 % 3600) + " s</td></tr>\n";
    page += "<!-- lease " + Number(n) + " renewed by DHCP server -->\n";
  }
  page += "</table>\n";
}

// LiveBox Inventel: a list of KEY=value<br> lines among the usual markup.
inline std::string InventelStatusPage() {
  std::string page = PageHead("Livebox - Informations ADSL");
  page += "<div class=\"content\">\n<h2>Informations ADSL</h2>\n<p>\n";
  static const char* const kLines[] = {
      "ADSL_MODE=G.DMT",         "ADSL_UPSTREAM=448",         "ADSL_DOWNSTREAM=8128",
      "ADSL_ATTENUATION=32.5",   "ADSL_ATTENUATION_UP=18.0",  "ADSL_NOISE_MARGIN=7.5",
      "ADSL_NOISE_MARGIN_UP=12", "ADSL_RSCORR=152",           "ADSL_ADSL_VERSION=5.4.1.12;b",
      "ADSL_ADSL_TYPE=FAST",     "ADSL_LINE_STATUS=Showtime", "ADSL_VPI_VCI=8/35",
      "ADSL_CRC_DOWN=0",         "ADSL_HEC_ERRORS=3",         "ADSL_FEC_DOWN=1422"};
  for (const char* line : kLines) page += std::string("  ") + line + "<br>\n";
  page += "PPP_STATUS=Connected<br>\nWAN_IP=81.250.12.34<br>\n</p>\n</div>\n";
  FillHtml(page, kPageSize);
  return page + "</body>\n</html>\n";
}

// LiveBox Sagem: the values are JavaScript variables, name, tabs, "= ", quoted value.
inline std::string SagemStatusPage() {
  std::string page = PageHead("Livebox - Etat de la ligne");
  page += "<script language=\"JavaScript\" type=\"text/javascript\">\n";
  static const char* const kVars[][2] = {{"v_ADSL_line_status", "OK"},
                                         {"v_ADSL_mode", "G992.5 (ADSL2+)"},
                                         {"v_upstream", "1023"},
                                         {"v_downstream", "17184"},
                                         {"v_att_near", "21.5"},
                                         {"v_att_far", "12.0"},
                                         {"v_SNR_near", "6.1"},
                                         {"v_SNR_far", "9.0"},
                                         {"v_CRC_errors", "27"},
                                         {"v_firm_ver", "SG30_sip-fr-5.4.2.8;b"},
                                         {"v_down_pathtype", "INTERLEAVED"},
                                         {"v_wan_ip", "86.201.44.17"},
                                         {"v_ppp_state", "Connected"},
                                         {"v_uptime", "3 days 04:12:55"}};
  for (const auto& var : kVars) {
    page += std::string("var ") + var[0] + "\t\t= \"" + var[1] + "\";\n";
  }
  page +=
      "function showValue(id, value) {\n  var cell = document.getElementById(id);\n"
      "  if (cell != null) { cell.innerHTML = value; }\n}\n";
  for (unsigned n = 0; page.size() < kPageSize - 2000; ++n) {
    page += "  showValue('cell_" + Number(n) + "', v_list[" + Number(n % 37) + "]);\n";
    page += "  if (v_state[" + Number(n) + "] == \"up\") { count_up = count_up + 1; }\n";
    page += "  // port " + Number(n % 4 + 1) + " : traffic counters, valid after sync\n";
  }
  page += "</script>\n";
  FillHtml(page, kPageSize);
  return page + "</body>\n</html>\n";
}

// Tecom AH4222: a table, each label cell on one line and its value cell on the next.
inline std::string TecomStatusPage() {
  std::string page = PageHead("AH4222 - ADSL Status");
  page += "<table width=\"600\" border=\"0\" cellspacing=\"1\" class=\"status\">\n";
  static const char* const kCells[][2] = {{"Mode:", "G.DMT"},
                                          {"Line Rate - Upstream (Kbps):", "448"},
                                          {"Line Rate - Downstream (Kbps):", "8128"},
                                          {"Attenuation - Downstream (dB):", "32.5"},
                                          {"Attenuation - Upstream (dB):", "18.0"},
                                          {"SNR Margin - Downstream (dB):", "7.5"},
                                          {"SNR Margin - Upstream (dB):", "12.0"},
                                          {"Software Version:", "1.0.8.4"},
                                          {"Line Coding (Trellis):", "On"},
                                          {"Status:", "Up"}};
  for (const auto& cell : kCells) {
    page += std::string("<tr>\n  <td class='hd'>") + cell[0] + "</td>\n  <td>" + cell[1] +
            "</td>\n</tr>\n";
  }
  page += "</table>\n";
  FillHtml(page, kPageSize);
  return page + "</body>\n</html>\n";
}

}  // namespace verdalin::bench
