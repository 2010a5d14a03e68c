// Password scrambling: exact arithmetic on every build, the round trip and the stored Base64 form.
#include "base/scramble.h"

#include <gtest/gtest.h>

#include <limits>

namespace verdalin {

namespace {

// WaveOffset of 1 to 300 as the stored passwords were made with; the Windows build must agree.
const int32_t kWaveOffsets[300] = {
    0,    -39,  -149, -124, 62,   235,  200,  -41,  -274, -264, 1,    287,  318,  49,   -281, -363,
    -106, 261,  398,  167,  -228, -423, -228, 184,  437,  288,  -131, -439, -345, 71,   430,  396,
    -6,   -409, -440, -62,  378,  475,  133,  -337, -502, -204, 286,  518,  273,  -226, -523, -339,
    160,  517,  399,  -88,  -499, -453, 12,   470,  498,  66,   -430, -534, -145, 380,  559,  223,
    -321, -573, -298, 254,  576,  368,  -180, -566, -432, 101,  545,  489,  -18,  -511, -536, -66,
    467,  573,  151,  -412, -599, -234, 348,  613,  313,  -276, -614, -388, 197,  603,  455,  -112,
    -579, -514, 25,   544,  563,  64,   -496, -602, -153, 438,  629,  240,  -370, -643, -324, 294,
    644,  401,  -211, -632, -472, 123,  607,  534,  -31,  -570, -585, -61,  521,  625,  154,  -460,
    -653, -244, 390,  668,  331,  -311, -669, -412, 225,  657,  485,  -133, -631, -549, 39,   593,
    602,  57,   -542, -644, -153, 480,  673,  247,  -407, -688, -336, 326,  690,  419,  -237, -678,
    -495, 143,  652,  561,  -46,  -613, -616, -52,  561,  659,  151,  -497, -690, -247, 423,  706,
    339,  -340, -708, -425, 249,  696,  503,  -153, -670, -571, 53,   631,  628,  47,   -578, -673,
    -148, 513,  704,  247,  -438, -722, -342, 353,  725,  430,  -261, -713, -509, 163,  687,  579,
    -61,  -647, -638, -42,  594,  684,  145,  -528, -717, -246, 452,  736,  343,  -366, -739, -433,
    272,  728,  514,  -172, -702, -586, 69,   662,  647,  36,   -608, -694, -141, 542,  728,  244,
    -465, -748, -343, 378,  752,  435,  -283, -742, -518, 182,  716,  592,  -77,  -676, -654, -30,
    622,  703,  137,  -556, -739, -242, 478,  759,  342,  -390, -764, -436, 294,  755,  521,  -191,
    -729, -597, 84,   689,  660,  23,   -635, -711, -132, 569,  748,  239,  -490, -769, -341, 401,
    776,  436,  -304, -766, -524, 200,  742,  601,  -92,  -702, -666, -17,
};

// WrapIntoRange by its definition: repeated subtraction or addition.
int32_t WrapByRepetition(int32_t value, int32_t low, int32_t high) {
  int32_t range = high - low;
  while (value > high) value -= range;
  while (value < low) value += range;
  return value;
}

std::string Bytes(std::initializer_list<int> codes) {
  std::string bytes;
  for (int code : codes) bytes.push_back(static_cast<char>(code));
  return bytes;
}

}  // namespace

TEST(WaveOffset, FixedTableAndKeyWeight) {
  for (int32_t n = 1; n <= 300; ++n) EXPECT_EQ(WaveOffset(n), kWaveOffsets[n - 1]) << n;
  EXPECT_EQ(WaveOffset(694), -858);  // the key's code sum
  EXPECT_EQ(WaveOffset(8), -41);     // the key's length + 1
  EXPECT_EQ(KeyWeight(kScrambleKey), 20);
  EXPECT_EQ(WaveOffset(0), 0);
  EXPECT_EQ(WaveOffset(-5), 0);
}

TEST(KeyWeight, SmallKeysAndZeroDivisor) {
  EXPECT_EQ(KeyWeight(""), 0);
  EXPECT_EQ(KeyWeight("\x01"), WaveOffset(1));  // sum not above length
  EXPECT_EQ(KeyWeight("a"), 14);                // -579 / -39 = 14.8
}

TEST(WrapIntoRange, SameAsRepetitionInOneStep) {
  EXPECT_EQ(WrapIntoRange(256, 0, 255), 1);
  EXPECT_EQ(WrapIntoRange(300, 0, 255), 45);
  EXPECT_EQ(WrapIntoRange(-1, 0, 255), 254);
  EXPECT_EQ(WrapIntoRange(-255, 0, 255), 0);
  EXPECT_EQ(WrapIntoRange(255, 0, 255), 255);
  for (int32_t v = -2000; v <= 2000; ++v) {
    ASSERT_EQ(WrapIntoRange(v, 0, 255), WrapByRepetition(v, 0, 255)) << v;
    ASSERT_EQ(WrapIntoRange(v, -7, 3), WrapByRepetition(v, -7, 3)) << v;
  }
  EXPECT_EQ(WrapIntoRange(std::numeric_limits<int32_t>::max(), 0, 255), 2147483647 % 255);
  EXPECT_EQ(WrapIntoRange(std::numeric_limits<int32_t>::min(), 0, 255), 255 - 2147483648LL % 255);
  // A range wider than 32 bits wraps without overflow.
  EXPECT_EQ(WrapIntoRange(std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min(),
                          std::numeric_limits<int32_t>::max() - 1),
            -2147483647);
  EXPECT_EQ(WrapIntoRange(9, 5, 5), 5);  // no room to wrap into
  EXPECT_EQ(WrapIntoRange(1, 5, 2), 5);
}

TEST(ScrambleText, EveryByteAtEveryPositionRoundTrips) {
  for (size_t position = 0; position < 29; ++position) {
    for (int code = 1; code < 256; ++code) {
      std::string text = std::string(position, 'a') + static_cast<char>(code);
      std::string bytes = ScrambleText(kScrambleKey, text);
      ASSERT_EQ(bytes.size(), text.size());
      ASSERT_EQ(UnscrambleText(kScrambleKey, bytes), text) << position << " " << code;
      ASSERT_EQ(LoadPassword(StorePassword(text)), text) << position << " " << code;
    }
  }
}

TEST(ScrambleText, PositionsRepeatEvery29Characters) {
  std::string text(60, 'x');
  std::string bytes = ScrambleText(kScrambleKey, text);
  EXPECT_EQ(bytes[0], bytes[29]);
  EXPECT_EQ(bytes[1], bytes[30]);
  EXPECT_EQ(bytes[30], bytes[59]);
  EXPECT_NE(bytes[0], bytes[1]);
  EXPECT_EQ(ScrambleText(kScrambleKey, "x"), bytes.substr(0, 1));  // restarts on every call
  EXPECT_EQ(ScrambleText(kScrambleKey, ""), "");
}

TEST(ScrambleText, ZeroBytesAndByte255Survive) {
  // Position 4 (k = 5) shifts by 20 - 62: the character "*" (42) scrambles to the byte 0.
  std::string password = "abc*";
  EXPECT_EQ(ScrambleText(kScrambleKey, password)[3], '\0');
  EXPECT_EQ(LoadPassword(StorePassword(password)), password);
  EXPECT_EQ(LoadPassword(StorePassword("\xff\xff\xff")), "\xff\xff\xff");
  for (int b = 0; b < 256; ++b) {
    std::string text = UnscrambleText(kScrambleKey, Bytes({b}));
    EXPECT_NE(text[0], '\0') << b;  // a text holds no 0 byte
  }
}

TEST(Base64, StandardEncoding) {
  EXPECT_EQ(EncodeBase64(""), "");
  EXPECT_EQ(EncodeBase64("f"), "Zg==");
  EXPECT_EQ(EncodeBase64("fo"), "Zm8=");
  EXPECT_EQ(EncodeBase64("foo"), "Zm9v");
  EXPECT_EQ(EncodeBase64("foobar"), "Zm9vYmFy");
  EXPECT_EQ(EncodeBase64(Bytes({0, 255, 254, 0})), "AP/+AA==");
  for (std::string_view bytes : {"", "f", "fo", "foo", "foob", "fooba", "foobar"}) {
    EXPECT_EQ(DecodeBase64(EncodeBase64(bytes)), bytes);
  }
}

TEST(Base64, TolerantDecoding) {
  EXPECT_EQ(DecodeBase64("Zm9vYg"), "foo");  // trailing part group dropped
  EXPECT_EQ(DecodeBase64("Zm9"), "");
  EXPECT_EQ(DecodeBase64("Zm8=Zm8="), "fofo");  // padding ends only its own group
  EXPECT_EQ(DecodeBase64("Zg==Zm9v"), "ffoo");
  EXPECT_EQ(DecodeBase64("Zm=v"), "f");
  EXPECT_EQ(DecodeBase64("!!!!"), Bytes({0, 0, 0}));  // outside the alphabet counts as A
  EXPECT_EQ(DecodeBase64("Zm 9"), DecodeBase64("ZmA9"));
  EXPECT_EQ(DecodeBase64("====").size(), 1u);
}

TEST(StoredPassword, DefaultEmptyAndShortValues) {
  std::string decoded = DecodeBase64("Zk3+Tw8=");
  EXPECT_EQ(decoded.size(), 5u);
  EXPECT_EQ(LoadPassword("Zk3+Tw8="), "+\xa3ny\xe6");
  EXPECT_EQ(StorePassword("+\xa3ny\xe6"), "Zk3+Tw8=");
  EXPECT_EQ(StorePassword(""), "");
  EXPECT_EQ(LoadPassword(""), "");
  EXPECT_EQ(LoadPassword("Zk3"), "");
  EXPECT_EQ(LoadPassword("Zk3+Tw"), LoadPassword("Zk3+"));
  EXPECT_EQ(StorePassword("admin"), "nA79P5Y=");
  std::string long_password;
  for (int i = 0; i < 189; ++i) long_password.push_back(static_cast<char>(32 + i % 95));
  EXPECT_EQ(LoadPassword(StorePassword(long_password)), long_password);
  EXPECT_EQ(StorePassword(long_password).size(), 252u);
}

// Only what StorePassword writes counts as a stored password: anything else would load as a
// password nobody typed.
TEST(StoredPassword, TellsTheStoredFormFromGarbledText) {
  for (const char* password : {"a", "admin", "p:w", "\xe9t\xe9 \xff", "twenty-two characters."})
    EXPECT_TRUE(IsStoredPassword(StorePassword(password))) << password;
  for (const char* text : {"", "nA79P5Y", "nA79P5Y=x",
                           "nA79P5Y==", "nA7*P5Y=", "nA79 5Y=", "Zg==Zg==", "Zh==", "===="})
    EXPECT_FALSE(IsStoredPassword(text)) << text;
}

}  // namespace verdalin
