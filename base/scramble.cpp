// Password scrambling with the program's key, and the Base64 form stored in the settings file.
#include "base/scramble.h"

#include <algorithm>
#include <cmath>

namespace verdalin {

namespace {

constexpr std::string_view kBase64Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int32_t kFirstPosition = 2;
constexpr int32_t kLastPosition = 30;

// The 6-bit value of a Base64 character; anything outside the alphabet, "=" included, counts 0.
uint32_t Base64Value(char c) {
  size_t at = kBase64Alphabet.find(c);
  return at == std::string_view::npos ? 0u : static_cast<uint32_t>(at);
}

// Shifts every byte by the key's weight minus the position's wave offset (`sign` 1 scrambles,
// -1 unscrambles); positions run 2 to 30 and start again at 2.
std::string ShiftBytes(std::string_view key, std::string_view input, int32_t sign) {
  int32_t weight = KeyWeight(key);
  int32_t k = kFirstPosition;
  std::string output(input.size(), '\0');
  for (size_t i = 0; i < input.size(); ++i) {
    int32_t x = static_cast<unsigned char>(input[i]);
    int32_t v = WrapIntoRange(x + sign * (weight - WaveOffset(k)), 0, 255);
    output[i] = static_cast<char>(v);
    if (++k > kLastPosition) k = kFirstPosition;
  }
  return output;
}

}  // namespace

// The float and double steps are kept exactly as the stored passwords were made with. The libm's
// log and cos of glibc and of MinGW differ in the last bit for many n, but the rounding to float
// and the truncation absorb that: the results agree on both builds (the tests hold a table).
// log is undefined for n of 0 or less: those give 0.
int32_t WaveOffset(int32_t n) {
  if (n < 1) return 0;
  float logarithm = static_cast<float>(std::log(static_cast<double>(static_cast<float>(n))));
  double cosine = std::cos(static_cast<double>(n));
  float product = static_cast<float>(static_cast<double>(logarithm) * cosine * 137.0);
  return static_cast<int32_t>(product);
}

// A divisor of 0 (a key whose length + 1 has a wave offset of 0) would give no number: the
// weight is then the wave offset of the code sum, as for a key whose sum is not above its length.
int32_t KeyWeight(std::string_view key) {
  int32_t sum = 0;
  for (char c : key) sum += static_cast<unsigned char>(c);
  int32_t length = static_cast<int32_t>(key.size());
  int32_t divisor = WaveOffset(length + 1);
  if (sum <= length || divisor == 0) return WaveOffset(sum);
  double quotient = static_cast<double>(WaveOffset(sum)) / static_cast<double>(divisor);
  return static_cast<int32_t>(static_cast<float>(quotient));
}

// Repeated subtraction or addition of R = high - low, done in one step. A range with high not
// above low has no room to wrap into (the repetition would never end): low is returned.
int32_t WrapIntoRange(int32_t value, int32_t low, int32_t high) {
  int64_t range = static_cast<int64_t>(high) - low;
  if (value > high) {
    if (range <= 0) return low;
    int64_t steps = (static_cast<int64_t>(value) - high + range - 1) / range;
    return static_cast<int32_t>(value - steps * range);
  }
  if (value < low) {
    if (range <= 0) return low;
    int64_t steps = (static_cast<int64_t>(low) - value + range - 1) / range;
    return static_cast<int32_t>(value + steps * range);
  }
  return value;
}

std::string ScrambleText(std::string_view key, std::string_view text) {
  return ShiftBytes(key, text, 1);
}

// The range 0 to 255 wraps by 255, so the codes 0 and 255 are one class: a password byte 255 may
// come back as 0. A text never holds a 0 byte, so 0 is read as 255; every single-byte text then
// comes back whole, and everything that loaded before loads the same.
std::string UnscrambleText(std::string_view key, std::string_view bytes) {
  std::string text = ShiftBytes(key, bytes, -1);
  for (char& c : text) {
    if (c == '\0') c = static_cast<char>(255);
  }
  return text;
}

std::string EncodeBase64(std::string_view bytes) {
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    size_t count = std::min<size_t>(3, bytes.size() - i);
    uint32_t group = 0;
    for (size_t j = 0; j < 3; ++j) {
      uint32_t byte = j < count ? static_cast<unsigned char>(bytes[i + j]) : 0u;
      group = (group << 8) | byte;
    }
    for (size_t j = 0; j < 4; ++j) {
      text.push_back(j <= count ? kBase64Alphabet[(group >> (18 - 6 * j)) & 63u] : '=');
    }
  }
  return text;
}

// Each complete group of four characters is decoded on its own, and a trailing part group is
// dropped. Padding inside the text ends only its own group: "Zg==Zg==" gives two bytes, as two
// stored values written one after the other would.
std::string DecodeBase64(std::string_view text) {
  std::string bytes;
  for (size_t i = 0; i + 4 <= text.size(); i += 4) {
    uint32_t group = 0;
    for (size_t j = 0; j < 4; ++j) group = (group << 6) | Base64Value(text[i + j]);
    bytes.push_back(static_cast<char>(group >> 16));
    if (text[i + 2] == '=') continue;
    bytes.push_back(static_cast<char>((group >> 8) & 255u));
    if (text[i + 3] == '=') continue;
    bytes.push_back(static_cast<char>(group & 255u));
  }
  return bytes;
}

std::string StorePassword(std::string_view password) {
  return EncodeBase64(ScrambleText(kScrambleKey, password));
}

std::string LoadPassword(std::string_view stored) {
  return UnscrambleText(kScrambleKey, DecodeBase64(stored));
}

bool IsStoredPassword(std::string_view stored) {
  return !stored.empty() && EncodeBase64(DecodeBase64(stored)) == stored;
}

}  // namespace verdalin
