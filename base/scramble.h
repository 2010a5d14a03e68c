// Password scrambling with the program's key, and the Base64 form stored in the settings file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace verdalin {

inline constexpr std::string_view kScrambleKey = "@tovu7q";

int32_t WaveOffset(int32_t n);
int32_t KeyWeight(std::string_view key);
int32_t WrapIntoRange(int32_t value, int32_t low, int32_t high);
std::string ScrambleText(std::string_view key, std::string_view text);     // bytes out
std::string UnscrambleText(std::string_view key, std::string_view bytes);  // text out

std::string EncodeBase64(std::string_view bytes);
std::string DecodeBase64(std::string_view text);  // tolerant: complete groups only

// The stored form of a password and back.
std::string StorePassword(std::string_view password);
std::string LoadPassword(std::string_view stored);
// Whether a text is one StorePassword writes: canonical Base64 of at least one byte. Loading
// anything else (stray characters, cut groups) gives a password nobody typed.
bool IsStoredPassword(std::string_view stored);

}  // namespace verdalin
