// The English and French interface text lists and the text table.
#include "ui/interface_texts.h"

namespace verdalin {

namespace {

#include "ui/interface_texts_data.inc"

}  // namespace

const TextList& EnglishTexts() {
  return kEnglishList;
}
const TextList& FrenchTexts() {
  return kFrenchList;
}

void InterfaceTexts::Load(Language language) {
  for (const TextList* list : {&kEnglishList, &kFrenchList}) {
    if (list == &kFrenchList && language == Language::kEnglish) break;
    for (int slot = 0; slot < kInterfaceTextCount; ++slot) slots_[slot] = (*list)[slot];
  }
}

const std::string& InterfaceTexts::Text(int slot) const {
  static const std::string kEmpty;
  if (slot < 0 || slot >= kInterfaceTextCount) return kEmpty;
  return slots_[slot];
}

}  // namespace verdalin
