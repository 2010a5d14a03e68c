// The pattern engine: compiles patterns, finds the leftmost match in a line, substitutes groups.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace verdalin {

constexpr int kRegexpSlots = 10;  // the whole match and groups 1 to 9

// One entry of the matcher's backtracking stack: a pending alternative, a star or plus that
// may still give characters back, or a group position to restore when backtracking past it.
struct RegexpFrame {
  const char* position;
  std::uint32_t node;   // frame type in the high 16 bits, node offset (or slot) in the low ones
  std::uint32_t count;  // star and plus: the repetition count tried last
};

// Matching never recurses: it keeps its choices on a stack of this many frames (64 KiB),
// allocated by regcomp. One-character repetitions take one frame whatever their length; a
// group loop takes up to four per repetition, so about a thousand repetitions fit. A search
// that needs more ends with no match and the message "RegExp: backtrack stack full".
constexpr std::size_t kRegexpStackFrames = 4096;

// A search also stops, with no match and "RegExp: backtrack limit reached", after this many
// matching steps, so that a hostile line cannot hang the poll with exponential backtracking.
constexpr std::uint32_t kRegexpStepBudget = 1u << 26;

// Steps that many searches draw on together, so that one piece of work (a whole page, all its
// lines and patterns) costs bounded time. A search that runs it out stops as above, and every
// later search through it finds no match at once.
struct RegexpBudget {
  std::uint32_t steps_left;
  bool Exhausted() const { return steps_left == 0; }
};

// What a search through a shared budget pays before its first step, for the work of setting
// it up (and of the caller's handling of the line), which no matching step counts.
constexpr std::uint32_t kRegexpSearchSteps = 32;

// A compiled pattern and the positions of its last match (references into that subject).
struct regexp {
  const char* startp[kRegexpSlots] = {};
  const char* endp[kRegexpSlots] = {};
  char regstart = 0;              // first character of every match, 0 when unknown
  char reganch = 0;               // set when every match begins at the start of the subject
  const char* regmust = nullptr;  // literal text every match contains, or null
  int regmlen = 0;                // length of regmust
  std::unique_ptr<unsigned char[]> program;  // node program, first byte the marker 156
  std::size_t program_size = 0;

  // Engine-private working data.
  int group_count = 0;                            // groups in the pattern, 0 to 9
  std::uint32_t step_budget = kRegexpStepBudget;  // callers may lower it (the fuzzer does)
  RegexpBudget* shared_budget = nullptr;          // when set, searches also draw on it
  std::unique_ptr<RegexpFrame[]> stack;           // kRegexpStackFrames frames
};

using RegexpPtr = std::unique_ptr<regexp>;

// Compiles `pattern`; null on error (the message goes to the debugger output channel).
RegexpPtr regcomp(const char* pattern);

// 1 when `prog` matches somewhere in the zero-terminated `subject`, else 0.
int regexec(regexp* prog, const char* subject);

// Writes `source` with & and \0-\9 replaced by the pieces of the last match into `dest`,
// at most `capacity` bytes including the terminating 0 byte (longer results are cut).
void regsub(const regexp* prog, const char* source, char* dest, std::size_t capacity);

}  // namespace verdalin
