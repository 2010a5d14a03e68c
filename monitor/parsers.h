// The gateway page parsers: one per gateway model, each filling a poll's LineSample from a page.
#pragma once

#include <cstdint>
#include <string_view>

#include "monitor/line_sample.h"

namespace verdalin {

// Longest key, label or value kept from a page line; a longer group is cut to this length.
constexpr int kKeyValueCapacity = 500;  // Inventel and Sagem
constexpr int kTecomCapacity = 100;

// The pattern engine's steps that one page may take, all its lines and patterns together: about
// a thousand times what a real status page needs, and few enough that any page of 4 MiB or less
// parses in well under 50 ms. A page that runs it out gives the values found until then.
constexpr std::uint32_t kPageStepBudget = 1u << 20;

// Each reads the page, stores the entries it knows into `sample` (the last one wins),
// sets `values_found` when the page gave a downstream rate (or, for the Tecom, an empty mode
// cell) and sets `sample.Device` at the end whatever it found.
using PageParser = void (*)(std::string_view page, LineSample& sample, bool& values_found);

void ParseInventel(std::string_view page, LineSample& sample, bool& values_found);
void ParseSagem(std::string_view page, LineSample& sample, bool& values_found);
void ParseTecom(std::string_view page, LineSample& sample, bool& values_found);

// Runs the parser of the preset type "INVENTEL", "SAGEM" or "AH4222" (exact, letter case
// included); false, touching nothing, for any other type.
bool ParseGatewayPage(std::string_view type, std::string_view page, LineSample& sample,
                      bool& values_found);

}  // namespace verdalin
