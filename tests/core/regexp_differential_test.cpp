// The pattern engine against std::regex (ECMAScript) on random patterns of their common subset.
//
// Both engines search leftmost, try alternatives in order and repeat greedily with
// backtracking, so on this subset they must agree on the match and on every group. The
// generator keeps out the two places where ECMAScript differs:
// - ECMAScript clears the groups inside a repeated group at each repetition, while this engine
//   keeps the position from the repetition that set it last: a group under "*" or "+" holds no
//   further groups.
// - ECMAScript rejects a repetition that matches the empty text (even for "?"), this engine
//   takes it: no quantifier is put on an operand that may match the empty text.
// Subjects hold no line breaks ("." differs there) and escapes are translated.
#include <gtest/gtest.h>

#include <cstdint>
#include <regex>
#include <string>

#include "base/regexp.h"

namespace verdalin {
namespace {

// A small deterministic generator, the same on every platform.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed * 2862933555777941757ull + 3037000493ull) {}
  unsigned Below(unsigned n) {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<unsigned>(state_ >> 33) % n;
  }
  char Pick(const char* choices) { return choices[Below(std::char_traits<char>::length(choices))]; }

 private:
  std::uint64_t state_;
};

// A pattern in both syntaxes.
struct Pattern {
  std::string ours;
  std::string ecma;
  bool can_be_empty = false;
  bool has_group = false;  // holds a group or is one
  bool nested = false;     // a group holding further groups
};

class PatternMaker {
 public:
  explicit PatternMaker(Random& random) : random_(random) {}

  Pattern Alternation(int depth) {
    Pattern result = Branch(depth);
    for (unsigned n = random_.Below(4) == 0 ? 1 + random_.Below(2) : 0; n > 0; --n) {
      Pattern next = Branch(depth);
      result.ours += "|" + next.ours;
      result.ecma += "|" + next.ecma;
      result.can_be_empty |= next.can_be_empty;
      result.has_group |= next.has_group;
    }
    return result;
  }

 private:
  Pattern Branch(int depth) {
    Pattern result;
    result.can_be_empty = true;
    unsigned pieces = random_.Below(10) == 0 ? 0 : 1 + random_.Below(4);
    for (unsigned i = 0; i < pieces; ++i) {
      Pattern piece = Piece(depth);
      result.ours += piece.ours;
      result.ecma += piece.ecma;
      result.can_be_empty &= piece.can_be_empty;
      result.has_group |= piece.has_group;
    }
    return result;
  }

  Pattern Piece(int depth) {
    Pattern atom = Atom(depth);
    bool repeatable = !atom.can_be_empty;
    if (!repeatable || random_.Below(3) != 0) return atom;
    char quantifier = random_.Pick(atom.nested ? "?" : "*+?");
    atom.ours += quantifier;
    atom.ecma += quantifier;
    atom.can_be_empty = quantifier != '+';
    return atom;
  }

  Pattern Atom(int depth) {
    unsigned kind = random_.Below(20);
    if (kind < 3 && depth < 3 && groups_ < 9) {
      ++groups_;
      Pattern inner = Alternation(depth + 1);
      return {"(" + inner.ours + ")", "(" + inner.ecma + ")", inner.can_be_empty, true,
              inner.has_group};
    }
    if (kind < 4) {
      std::string anchor(1, random_.Pick("^$"));
      return {anchor, anchor, true, false};
    }
    if (kind < 6) return {".", ".", false, false};
    if (kind < 8) {
      static const char* const kSets[] = {"[ab]", "[^a]", "[a-c]", "[^bc]", "[.b]", "[b-]"};
      std::string set = kSets[random_.Below(6)];
      std::string ecma = set == "[b-]" ? "[b\\-]" : set;
      return {set, ecma, false, false};
    }
    if (kind < 10) {
      std::string escaped = std::string("\\") + random_.Pick(".*+?()|$^[");
      return {escaped, escaped, false, false};
    }
    if (kind < 11) return {"\\b", "b", false, false};  // an escaped letter is the letter
    std::string literal(1, random_.Pick("abc"));
    return {literal, literal, false, false};
  }

  Random& random_;
  int groups_ = 0;
};

std::string Subject(Random& random) {
  std::string subject;
  for (unsigned n = random.Below(13); n > 0; --n) subject += random.Pick("aaabbbccc.*(|");
  return subject;
}

// Compares one search; returns a description of the first difference, or "".
std::string Compare(regexp& ours, const std::regex& ecma, const std::string& subject) {
  std::smatch m;
  bool ecma_found = std::regex_search(subject, m, ecma);
  bool ours_found = regexec(&ours, subject.c_str()) == 1;
  if (ecma_found != ours_found) return ours_found ? "only this engine matches" : "no match";
  if (!ours_found) return "";
  for (std::size_t n = 0; n < m.size() && n < kRegexpSlots; ++n) {
    bool set = ours.startp[n] != nullptr && ours.endp[n] != nullptr;
    if (set != m[n].matched) return "group " + std::to_string(n) + " taking part";
    if (!set) continue;
    long start = ours.startp[n] - subject.c_str();
    long end = ours.endp[n] - subject.c_str();
    if (start != m.position(n) || end - start != m.length(n)) {
      return "group " + std::to_string(n) + " at " + std::to_string(start) + "-" +
             std::to_string(end) + ", std::regex " + std::to_string(m.position(n)) + "+" +
             std::to_string(m.length(n));
    }
  }
  return "";
}

TEST(RegexpDifferential, AgreesWithEcmaScriptOnTheCommonSubset) {
  constexpr int kPatterns = 2500;
  constexpr int kSubjectsPerPattern = 8;
  Random random(20240611);
  int compared = 0;
  int matched = 0;
  for (int i = 0; i < kPatterns; ++i) {
    PatternMaker maker(random);
    Pattern pattern = maker.Alternation(0);
    RegexpPtr ours = regcomp(pattern.ours.c_str());
    ASSERT_TRUE(ours) << "pattern " << pattern.ours;
    std::regex ecma(pattern.ecma, std::regex::ECMAScript);
    for (int s = 0; s < kSubjectsPerPattern; ++s) {
      std::string subject = Subject(random);
      std::string difference = Compare(*ours, ecma, subject);
      ASSERT_EQ(difference, "") << "pattern " << pattern.ours << " (ECMAScript " << pattern.ecma
                                << ") subject \"" << subject << "\" case " << i;
      ++compared;
      matched += ours->startp[0] != nullptr;
    }
  }
  EXPECT_EQ(compared, kPatterns * kSubjectsPerPattern);
  EXPECT_GT(matched, compared / 4);  // the generator must not drift into patterns that never match
}

}  // namespace
}  // namespace verdalin
