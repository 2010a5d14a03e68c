// The interface text table: 32 Windows-1252 texts for the controls and tooltips, English and
// French.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace verdalin {

inline constexpr int kInterfaceTextCount = 32;

using TextList = std::array<std::string_view, kInterfaceTextCount>;

// The two lists as stored (Windows-1252 bytes); generated from resources/interface_texts_*.txt.
const TextList& EnglishTexts();
const TextList& FrenchTexts();

// The language of the interface texts; French unless the user chose English.
enum class Language { kFrench, kEnglish };

class InterfaceTexts {
 public:
  // Fills the slots from the English list, then, for French, over them from the French list.
  void Load(Language language = Language::kFrench);
  // The text of a slot; the empty text for a slot outside 0..31.
  const std::string& Text(int slot) const;

 private:
  std::array<std::string, kInterfaceTextCount> slots_;
};

}  // namespace verdalin
