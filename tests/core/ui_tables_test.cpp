// The interface text lists and the Windows-1252 <-> UTF-8 conversions.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "base/encoding.h"
#include "ui/interface_texts.h"

namespace verdalin {

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
