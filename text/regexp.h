// The pattern engine: compiles patterns, finds the leftmost match in a line, substitutes groups.
#pragma once

#include <cstddef>
#include <memory>

namespace verdalin {

constexpr int kRegexpSlots = 10;  // the whole match and groups 1 to 9

// A compiled pattern and the positions of its last match (references into that subject).
struct regexp {
  const char* startp[kRegexpSlots] = {};
  const char* endp[kRegexpSlots] = {};
  char regstart = 0;               // first character of every match, 0 when unknown
  char reganch = 0;                // set when every match begins at the start of the subject
  const char* regmust = nullptr;   // literal text every match contains, or null
  int regmlen = 0;                 // length of regmust
  std::unique_ptr<unsigned char[]> program;  // node program, first byte the marker 156
  std::size_t program_size = 0;
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
