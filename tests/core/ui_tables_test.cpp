// The control table, the interface text lists and the Windows-1252 <-> UTF-8 conversions.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "base/encoding.h"
#include "ui/control_table.h"
#include "ui/interface_texts.h"

namespace verdalin {

TEST(ControlTable, GeometryTextsAndOptions) {
  const auto& table = ControlTable();
  struct Row {
    int id, x, y, w, h, slot;
  };
  const Row rows[] = {
      {0, 5, 345, 140, 20, 2},     {1, 165, 10, 230, 20, 3},    {3, 135, 235, 70, 20, 5},
      {14, 15, 195, 180, 15, 18},  {15, 10, 125, 230, 65, -1},  {19, 275, 95, 224, 245, -1},
      {21, 250, 100, 20, 240, -1}, {22, 380, 345, 110, 20, 26}, {23, 280, 340, 95, 25, 29}};
  for (const Row& row : rows) {
    const ControlSpec& c = table[row.id];
    EXPECT_EQ(c.id, row.id);
    EXPECT_EQ((std::vector<int>{c.x, c.y, c.width, c.height, c.text_slot}),
              (std::vector<int>{row.x, row.y, row.w, row.h, row.slot}))
        << row.id;
  }
  EXPECT_EQ(table[1].max_length, 2048);
  EXPECT_EQ(table[2].max_length, 255);
  EXPECT_TRUE(table[3].masked);
  EXPECT_EQ(table[3].max_length, 100);
  EXPECT_TRUE(table[9].digits_only && table[13].digits_only && !table[1].digits_only);
  EXPECT_TRUE(table[17].read_only);
  EXPECT_EQ(table[14].alignment, TextAlignment::kRight);
  EXPECT_EQ(table[10].alignment, TextAlignment::kLeft);
  EXPECT_EQ(table[4].alignment, TextAlignment::kCentre);
  EXPECT_EQ(table[18].image, kBannerPicture);
  EXPECT_EQ(table[19].image, kGlobePicture);
  EXPECT_EQ(FindControlSpec(24), nullptr);
  EXPECT_EQ(FindControlSpec(-1), nullptr);
  EXPECT_EQ(FindControlSpec(7)->text_slot, 9);
}

TEST(ControlTable, OptionSetsAgreeWithTheListsBesideTheTable) {
  std::set<int> black, tab_stops, tips;
  for (const ControlSpec& c : ControlTable()) {
    if (c.black_on_white) black.insert(c.id);
    if (c.tab_stop) tab_stops.insert(c.id);
    if (c.tooltip_title != kNoText) tips.insert(c.id);
  }
  EXPECT_EQ(black, std::set<int>(kBlackOnWhiteOrder.begin(), kBlackOnWhiteOrder.end()));
  EXPECT_EQ(tab_stops, (std::set<int>{0, 1, 2, 3, 7, 9, 11, 13, 15, 17, 23}));
  EXPECT_EQ(tips.size(), kBalloonTooltips.size());
  for (const TooltipSpec& tip : kBalloonTooltips) {
    EXPECT_EQ(ControlTable()[tip.control].tooltip_body, tip.body_slot);
    EXPECT_EQ(ControlTable()[tip.control].tooltip_title, tip.title_slot);
    EXPECT_EQ(tip.icon, 1);
  }
  EXPECT_EQ(kStatusFields[0].right_edge + kStatusFields[1].width, kStatusFields[1].right_edge);
}

TEST(InterfaceTexts, FrenchTextsWinAndAreWindows1252) {
  InterfaceTexts texts;
  EXPECT_EQ(texts.Text(0), "");
  texts.Load();
  EXPECT_EQ(texts.Text(0), "Statut");
  EXPECT_EQ(texts.Text(1), "Qualit\xE9");
  EXPECT_EQ(texts.Text(16), " Configuration ADSL ");
  EXPECT_EQ(texts.Text(19), "");
  EXPECT_EQ(texts.Text(22), "c:\\stats.csv");
  EXPECT_EQ(texts.Text(26), "http:// VERDAL.IN");
  EXPECT_EQ(texts.Text(31), "Lancer au d\xE9marrage du syst\xE8me.");
  EXPECT_EQ(texts.Text(32), "");
  EXPECT_EQ(texts.Text(-1), "");
  EXPECT_EQ(EnglishTexts()[23], " Statistics ");
  EXPECT_EQ(EnglishTexts()[3], FrenchTexts()[3]);
  EXPECT_EQ(FrenchTexts()[3], "http://192.168.1.1/adslstats.html");
  EXPECT_EQ(FrenchTexts()[4], "admin");
}

#ifndef _WIN32  // the source tree is reached by its Linux path only natively
TEST(InterfaceTexts, CompiledListsMatchTheResourceFiles) {
  for (const auto& [name, list] : {std::pair{"en", &EnglishTexts()}, {"fr", &FrenchTexts()}}) {
    std::ifstream in(
        std::string(VERDALIN_SOURCE_DIR) + "/resources/interface_texts_" + name + ".txt",
        std::ios::binary);
    ASSERT_TRUE(in) << name;
    const std::string file{std::istreambuf_iterator<char>(in), {}};
    std::string joined;
    for (std::string_view text : *list) (joined += text) += '\n';
    EXPECT_EQ(file, joined) << name << ": run tools/gen-interface-texts.py";
  }
}
#endif

TEST(TextConversion, Windows1252AndUtf8) {
  EXPECT_EQ(Windows1252ToUtf8("Qualit\xE9"), "Qualit\xC3\xA9");
  EXPECT_EQ(Windows1252ToUtf8("\x80\x9F\x81"), "\xE2\x82\xAC\xC5\xB8\xC2\x81");
  EXPECT_EQ(Utf8ToWindows1252("d\xC3\xA9j\xC3\xA0 \xE2\x82\xAC"), "d\xE9j\xE0 \x80");
  EXPECT_EQ(Utf8ToWindows1252("\xE6\x97\xA5\xF0\x9F\x98\x80x"), "??x");  // no Windows-1252 form
  EXPECT_EQ(Utf8ToWindows1252("\xC3"), "?");                             // cut short
  EXPECT_EQ(Utf8ToWindows1252("\xC0\xAF"), "?");                         // overlong
  EXPECT_EQ(Utf8ToWindows1252("\xED\xA0\x80"), "?");                     // surrogate
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Utf8ToWindows1252(Windows1252ToUtf8(all)), all);
}

}  // namespace verdalin
