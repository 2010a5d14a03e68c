// The gateway page parsers: full pages of each model and the lines they must take or skip.
#include "monitor/parsers.h"

#include <gtest/gtest.h>

#include "fakes/fake_debug_output.h"
#include "fakes/gateway_pages.h"

namespace verdalin {

namespace {

struct Parsed {
  LineSample sample;
  bool values_found = false;
};

Parsed Parse(PageParser parse, const std::string& page) {
  Parsed parsed;
  parse(page, parsed.sample, parsed.values_found);
  return parsed;
}

void ExpectSample(const LineSample& actual, const LineSample& expected) {
  EXPECT_EQ(actual.Connected, expected.Connected);
  EXPECT_EQ(actual.Mode, expected.Mode);
  EXPECT_EQ(actual.Type, expected.Type);
  EXPECT_EQ(actual.Upstream_kbps, expected.Upstream_kbps);
  EXPECT_EQ(actual.Downstream_kbps, expected.Downstream_kbps);
  EXPECT_EQ(actual.Attenuation_local, expected.Attenuation_local);
  EXPECT_EQ(actual.Attenuation_distant, expected.Attenuation_distant);
  EXPECT_EQ(actual.SNR_local, expected.SNR_local);
  EXPECT_EQ(actual.SNR_distant, expected.SNR_distant);
  EXPECT_EQ(actual.CRC_errors, expected.CRC_errors);
  EXPECT_EQ(actual.Firmware, expected.Firmware);
  EXPECT_EQ(actual.Device, expected.Device);
}

void ExpectNoValues(const Parsed& parsed, const std::string& device) {
  EXPECT_FALSE(parsed.values_found);
  LineSample expected;
  expected.Device = device;
  ExpectSample(parsed.sample, expected);
}

}  // namespace

TEST(GatewayParsers, ReadEveryEntryOfTheirPage) {
  PageValues values;
  values.mode = "G.DMT;Annex A";
  values.type = "FAST;PATH";
  values.firmware = "5.1;2";
  struct Case {
    PageParser parse;
    std::string page;
    const char* device;
    const char* mode;
  };
  const Case cases[] = {
      {ParseInventel, InventelPage(values, 300), "LiveBox Inventel", "G.DMT;Annex A"},
      {ParseSagem, SagemPage(values, 300), "LiveBox Sagem", "G.DMT;Annex A"},
      {ParseTecom, TecomPage(values, 300), "Tecom AH4222", "G.DMT,Annex A"},  // Tecom only
  };
  for (const Case& c : cases) {
    Parsed parsed;
    c.parse(c.page, parsed.sample, parsed.values_found);
    LineSample expected = DefaultPageSample(c.device);
    expected.Mode = c.mode;
    if (!expected.Type.empty()) expected.Type = "FAST,PATH";
    expected.Firmware = "5.1,2";
    ExpectSample(parsed.sample, expected);
    EXPECT_TRUE(parsed.values_found) << c.device;
  }
}

TEST(InventelParser, TakesBlankIndentedLinesOnlyAndKeepsTheLastEntry) {
  Parsed parsed = Parse(ParseInventel,
                        "  ADSL_UPSTREAM=1024<br>\n"
                        "<p>ADSL_DOWNSTREAM=8192<br>\n"  // not at the start of its line
                        "\tADSL_ATTENUATION=30<br>\n"    // a tab is not a blank
                        "ADSL_NOISE_MARGIN = 9<br>\n"    // key "NOISE_MARGIN "
                        "ADSL_VERSION=x<br>\n"           // key VERSION
                        "ADSL_RSCORR=7\n"                // no <br>
                        "ADSL_MODE=ADSL2+<br>extra<br>  \n"
                        "ADSL_SNR=1<br>ADSL_UPSTREAM=2<br>\n"  // one key "SNR=1<br>ADSL_UPSTREAM"
                        "ADSL_ATTENUATION_UP=5<br>\n"
                        "ADSL_ATTENUATION_UP=6.25<br>");
  const LineSample& s = parsed.sample;
  EXPECT_EQ(s.Upstream_kbps, 1024.0f);
  EXPECT_FALSE(parsed.values_found);
  EXPECT_EQ(s.Downstream_kbps, 0.0f);
  EXPECT_EQ(s.Attenuation_local, 0.0f);
  EXPECT_EQ(s.SNR_local, 0.0f);
  EXPECT_EQ(s.Firmware, "");
  EXPECT_EQ(s.CRC_errors, 0);
  EXPECT_EQ(s.Mode, "ADSL2+<br>extra");
  EXPECT_EQ(s.Attenuation_distant, 6.25f);
}

TEST(InventelParser, DownstreamDecidesTheConnectionByItsIntegerValue) {
  Parsed zero = Parse(ParseInventel, "ADSL_DOWNSTREAM=0<br>");
  EXPECT_TRUE(zero.values_found);
  EXPECT_EQ(zero.sample.Connected, 0);
  Parsed fraction = Parse(ParseInventel, "ADSL_DOWNSTREAM=0.5<br>");
  EXPECT_EQ(fraction.sample.Connected, 0);
  EXPECT_EQ(fraction.sample.Downstream_kbps, 0.5f);
  Parsed word = Parse(ParseInventel, "ADSL_DOWNSTREAM=n/a<br>\r");
  EXPECT_TRUE(word.values_found);
  EXPECT_EQ(word.sample.Connected, 0);
  Parsed last = Parse(ParseInventel,
                      "ADSL_DOWNSTREAM=1024<br>\nADSL_DOWNSTREAM=0<br>\nADSL_DOWNSTREAM=512<br>");
  EXPECT_EQ(last.sample.Connected, 1);
  EXPECT_EQ(last.sample.Downstream_kbps, 512.0f);
}

TEST(InventelParser, PagesWithoutValuesSetOnlyTheDevice) {
  ExpectNoValues(Parse(ParseInventel, ""), "LiveBox Inventel");
  ExpectNoValues(Parse(ParseInventel, "<html>401 Unauthorized</html>\n"), "LiveBox Inventel");
  ExpectNoValues(Parse(ParseInventel, SagemPage({})), "LiveBox Inventel");
  ExpectNoValues(Parse(ParseInventel, "\n\n\n"), "LiveBox Inventel");
}

TEST(InventelParser, CutsAValueLongerThanItsBuffer) {
  std::string page = "ADSL_ADSL_VERSION=" + std::string(600, 'v') + "<br>\n" +
                     "ADSL_DOWNSTREAM=8192" + std::string(600, 'x') + "<br>";
  Parsed parsed = Parse(ParseInventel, page);
  EXPECT_EQ(parsed.sample.Firmware, std::string(kKeyValueCapacity, 'v'));
  EXPECT_EQ(parsed.sample.Downstream_kbps, 8192.0f);
  EXPECT_EQ(parsed.sample.Connected, 1);
}

TEST(SagemParser, ConnectionComesFromTheLineStatusOnly) {
  Parsed ok = Parse(ParseSagem, SagemVar("v_ADSL_line_status", "OK"));
  EXPECT_EQ(ok.sample.Connected, 1);
  EXPECT_FALSE(ok.values_found);  // no downstream rate: still the bad-values warning
  PageValues down;
  down.status = "Ok";
  EXPECT_EQ(Parse(ParseSagem, SagemPage(down)).sample.Connected, 0);
  Parsed zero_rate =
      Parse(ParseSagem, SagemVar("v_ADSL_line_status", "OK") + SagemVar("v_downstream", "0"));
  EXPECT_EQ(zero_rate.sample.Connected, 1);
  EXPECT_TRUE(zero_rate.values_found);
  Parsed last = Parse(ParseSagem,
                      SagemVar("v_ADSL_line_status", "OK") + SagemVar("v_ADSL_line_status", "NOK"));
  EXPECT_EQ(last.sample.Connected, 0);
}

TEST(SagemParser, SkipsLinesThatDoNotFollowTheFormat) {
  Parsed parsed =
      Parse(ParseSagem,
            "var v_upstream    = \"1024\";\n"    // spaces instead of tabs
            "  var v_downstream\t= \"8192\";\n"  // indented
            "\tvar v_att_near\t= \"30\";\n"      // indented by a tab
            "var v_SNR_near\t=\"9\";\n"          // no space after =
            "var v_SNR_far\t= '9';\n"            // single quotes
            "var v_att_far\t\t= \"4.5\";\r\n"    // carriage return after the semicolon
            "var v_firm_ver\t= \"a\";\"b\";\n"   // the value runs to the last quote and ;
            "var v-CRC\t= \"3\";\n"
            "variable v_CRC_errors\t= \"5\";");  // "var" then a letter: no blank
  const LineSample& s = parsed.sample;
  EXPECT_FALSE(parsed.values_found);
  EXPECT_EQ(s.Upstream_kbps, 0.0f);
  EXPECT_EQ(s.Attenuation_local, 0.0f);
  EXPECT_EQ(s.SNR_local, 0.0f);
  EXPECT_EQ(s.SNR_distant, 0.0f);
  EXPECT_EQ(s.Attenuation_distant, 4.5f);
  EXPECT_EQ(s.Firmware, "a\",\"b");
  EXPECT_EQ(s.CRC_errors, 0);
  ExpectNoValues(Parse(ParseSagem, InventelPage({})), "LiveBox Sagem");
}

TEST(TecomParser, AValueCellMustFollowOnTheNextLine) {
  Parsed parsed =
      Parse(ParseTecom,
            "<td class='hd'>Line Rate - Upstream (Kbps):</td>\n"
            "<td class='hd'>Line Rate - Downstream (Kbps):</td>\n"  // not a value: examined itself
            "   <td>2048</td>   \n"
            "<td class='hd'>SNR Margin - Downstream (dB):</td>\n"
            "\n"
            "<td>11</td>\n"
            "<td class='hd'>Attenuation - Downstream (dB):</td><td>1</td>\n"  // label and value on
                                                                              // one line
            "<td>33</td>\n"
            "<td class=\"hd\">Software Version:</td>\n"  // double quotes: not a label
            "<td>x</td>\n"
            "<td class='hd'>Mode:</td>");  // last line: no value line
  const LineSample& s = parsed.sample;
  EXPECT_EQ(s.Upstream_kbps, 0.0f);
  EXPECT_EQ(s.Downstream_kbps, 2048.0f);
  EXPECT_TRUE(parsed.values_found);
  EXPECT_EQ(s.Connected, 1);
  EXPECT_EQ(s.SNR_local, 0.0f);
  EXPECT_EQ(s.Attenuation_local, 0.0f);  // label "Attenuation - Downstream (dB):</td><td>1"
  EXPECT_EQ(s.Firmware, "");
  EXPECT_EQ(s.Mode, "");
}

TEST(TecomParser, EmptyCellsAndTheLastDecidingEntry) {
  PageValues empty;
  empty.mode = "&nbsp";
  empty.down = "0";
  empty.snr_down = "&nbsp";
  Parsed idle = Parse(ParseTecom, TecomPage(empty));
  EXPECT_TRUE(idle.values_found);
  EXPECT_EQ(idle.sample.Connected, 0);
  EXPECT_EQ(idle.sample.Mode, "");
  EXPECT_EQ(idle.sample.SNR_local, 0.0f);

  Parsed mode_only = Parse(ParseTecom, TecomRow("Mode:", "&nbsp"));
  EXPECT_TRUE(mode_only.values_found);
  EXPECT_EQ(mode_only.sample.Connected, 0);

  Parsed later_empty = Parse(ParseTecom, TecomRow("Mode:", "ADSL2") +
                                             TecomRow("Line Rate - Downstream (Kbps):", "8000") +
                                             TecomRow("Mode:", "&nbsp"));
  EXPECT_EQ(later_empty.sample.Connected, 0);
  EXPECT_EQ(later_empty.sample.Mode, "ADSL2");
  EXPECT_EQ(later_empty.sample.Downstream_kbps, 8000.0f);

  Parsed negative = Parse(ParseTecom, TecomRow("Line Rate - Downstream (Kbps):", "-5"));
  EXPECT_EQ(negative.sample.Connected, 0);
  ExpectNoValues(Parse(ParseTecom, InventelPage({})), "Tecom AH4222");
}

TEST(TecomParser, CutsGroupsLongerThanItsBuffer) {
  std::string long_label = "Mode:" + std::string(200, 'x');
  Parsed cut_label = Parse(ParseTecom, TecomRow(long_label, "ADSL"));
  EXPECT_EQ(cut_label.sample.Mode, "");  // the cut label is not a known label
  Parsed cut_value = Parse(ParseTecom, TecomRow("Software Version:", std::string(150, 'f')));
  EXPECT_EQ(cut_value.sample.Firmware, std::string(kTecomCapacity, 'f'));
}

TEST(GatewayPage, ChoosesTheParserByTheExactPresetType) {
  struct Case {
    const char* type;
    std::string page;
    const char* device;
  };
  const Case cases[] = {{"INVENTEL", InventelPage({}), "LiveBox Inventel"},
                        {"SAGEM", SagemPage({}), "LiveBox Sagem"},
                        {"AH4222", TecomPage({}), "Tecom AH4222"}};
  for (const Case& c : cases) {
    Parsed parsed;
    EXPECT_TRUE(ParseGatewayPage(c.type, c.page, parsed.sample, parsed.values_found));
    EXPECT_EQ(parsed.sample.Device, c.device);
    EXPECT_TRUE(parsed.values_found);
  }
  for (const char* type : {"inventel", "Sagem", "", "AH4222 ", "TECOM"}) {
    Parsed parsed;
    EXPECT_FALSE(ParseGatewayPage(type, InventelPage({}), parsed.sample, parsed.values_found));
    EXPECT_EQ(parsed.sample.Device, "");
    EXPECT_FALSE(parsed.values_found);
  }
}

// A line built to make the pattern engine work for millions of steps runs out the page's
// budget: the values before it are kept, the lines after it are not read, the device is set.
TEST(Parsers, APageThatRunsOutTheStepBudgetKeepsTheValuesFoundBefore) {
  CapturedDebugOutput captured;
  const std::string hostile = "ADSL_" + std::string(3000, '=') + "\r\n";
  Parsed inventel =
      Parse(ParseInventel, "ADSL_DOWNSTREAM=8192<br>\r\n" + hostile + "ADSL_UPSTREAM=1024<br>\r\n");
  EXPECT_TRUE(inventel.values_found);
  EXPECT_EQ(inventel.sample.Downstream_kbps, 8192.0f);
  EXPECT_EQ(inventel.sample.Upstream_kbps, 0.0f);
  EXPECT_EQ(inventel.sample.Device, "LiveBox Inventel");
  EXPECT_EQ(captured.messages, std::vector<std::string>{"RegExp: backtrack limit reached"});

  std::string cells = "<td class='hd'>Mode:</td>\r\n";
  for (int i = 0; i < 1500; ++i) cells += "<td>";
  Parsed tecom = Parse(ParseTecom, TecomRow("Line Rate - Downstream (Kbps):", "8192") + cells +
                                       "\r\n" + TecomRow("Software Version:", "5.1"));
  EXPECT_EQ(tecom.sample.Downstream_kbps, 8192.0f);
  EXPECT_EQ(tecom.sample.Firmware, "");
  EXPECT_EQ(tecom.sample.Device, "Tecom AH4222");
}

}  // namespace verdalin
