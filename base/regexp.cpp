// The pattern engine: a two-pass compiler to a node program and a non-recursive backtracking
// matcher.
#include "base/regexp.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/debug_output.h"

namespace verdalin {

namespace {

// Node kinds, one byte each; open n is kOpen + n and close n is kClose + n.
enum : unsigned char {
  kEnd = 0,
  kBol = 1,
  kEol = 2,
  kAny = 3,
  kAnyOf = 4,
  kAnyBut = 5,
  kBranch = 6,
  kBack = 7,
  kExactly = 8,
  kNothing = 9,
  kStar = 10,
  kPlus = 11,
  kOpen = 20,
  kClose = 30,
};

constexpr unsigned char kMagic = 156;
constexpr std::size_t kTooBig = 32767;  // programs must stay below this size: 15-bit offsets
constexpr std::size_t kNodeSize = 3;    // kind and two offset bytes

// What the compiler knows about a piece or a branch.
constexpr int kHasWidth = 1;  // never matches the empty string
constexpr int kSimple = 2;    // exactly one character: fit for the star and plus nodes
constexpr int kSpStart = 4;   // may begin with a repetition

constexpr char kMeta[] = "^$.[()|?+*\\";

bool IsOpen(unsigned char kind) {
  return kind > kOpen && kind <= kOpen + 9;
}
bool IsClose(unsigned char kind) {
  return kind > kClose && kind <= kClose + 9;
}

bool IsQuantifier(char c) {
  return c == '*' || c == '+' || c == '?';
}

std::size_t RawOffset(const unsigned char* code, std::size_t node) {
  return static_cast<std::size_t>((code[node + 1] & 0x7f) << 8) | code[node + 2];
}

// The node that follows `node` in sequence, 0 when there is none.
std::size_t NextNode(const unsigned char* code, std::size_t node) {
  std::size_t offset = RawOffset(code, node);
  if (offset == 0) return 0;
  return code[node] == kBack ? node - offset : node + offset;
}

const char* Operand(const unsigned char* code, std::size_t node) {
  return reinterpret_cast<const char*>(code + node + kNodeSize);
}

// One parse of the pattern. Without a code buffer it only counts the program's size; with one
// it emits the nodes. Node positions are offsets into the program; -1 reports a failure.
class Compiler {
 public:
  Compiler(const char* pattern, unsigned char* code) : parse_(pattern), code_(code) {}

  bool Run(int* flags) {
    Byte(kMagic);
    return Reg(false, flags) >= 0;
  }
  std::size_t size() const { return size_; }
  int groups() const { return groups_ - 1; }

 private:
  std::ptrdiff_t Fail(const char* message) {
    SendDebugMessage(message);
    return -1;
  }

  void Byte(unsigned char value) {
    if (code_) code_[size_] = value;
    ++size_;
  }

  std::ptrdiff_t Node(int kind) {
    std::ptrdiff_t node = static_cast<std::ptrdiff_t>(size_);
    Byte(static_cast<unsigned char>(kind));
    Byte(0);
    Byte(0);
    return node;
  }

  // Puts a node in front of the operand emitted last, moving the operand up.
  void Insert(int kind, std::ptrdiff_t operand) {
    if (code_) {
      std::memmove(code_ + operand + kNodeSize, code_ + operand, size_ - operand);
      code_[operand] = static_cast<unsigned char>(kind);
      code_[operand + 1] = 0;
      code_[operand + 2] = 0;
    }
    size_ += kNodeSize;
  }

  // Links the last node of the chain starting at `node` to `target`.
  void Tail(std::ptrdiff_t node, std::ptrdiff_t target) {
    if (!code_) return;
    std::size_t scan = static_cast<std::size_t>(node);
    for (std::size_t next; (next = NextNode(code_, scan)) != 0;) scan = next;
    std::size_t offset = code_[scan] == kBack ? scan - target : target - scan;
    code_[scan + 1] = static_cast<unsigned char>((offset >> 8) & 0x7f);
    code_[scan + 2] = static_cast<unsigned char>(offset & 0xff);
  }

  // Links the end of a branch node's operand to `target`; other nodes are left alone.
  void OpTail(std::ptrdiff_t node, std::ptrdiff_t target) {
    if (code_ && code_[node] == kBranch) Tail(node + kNodeSize, target);
  }

  std::ptrdiff_t Reg(bool paren, int* flagp);
  std::ptrdiff_t Branch(int* flagp);
  std::ptrdiff_t Piece(int* flagp);
  void Loop(char op, int flags, std::ptrdiff_t operand);
  std::ptrdiff_t Atom(int* flagp);
  std::ptrdiff_t Set();
  std::ptrdiff_t Literal(int* flagp);

  const char* parse_;
  unsigned char* code_;  // null while sizing
  std::size_t size_ = 0;
  int groups_ = 1;  // number of the next group
};

// pattern: branches separated by "|", in a group when `paren` is set.
std::ptrdiff_t Compiler::Reg(bool paren, int* flagp) {
  *flagp = kHasWidth;
  std::ptrdiff_t ret = -1;
  int group = 0;
  if (paren) {
    if (groups_ >= kRegexpSlots) return Fail("RegExp: too many ()");
    group = groups_++;
    ret = Node(kOpen + group);
  }
  for (bool first = true; first || *parse_ == '|'; first = false) {
    if (!first) ++parse_;
    int flags;
    std::ptrdiff_t branch = Branch(&flags);
    if (branch < 0) return -1;
    if (ret < 0) {
      ret = branch;
    } else {
      Tail(ret, branch);
    }
    if (!(flags & kHasWidth)) *flagp &= ~kHasWidth;
    *flagp |= flags & kSpStart;
  }
  std::ptrdiff_t ender = Node(paren ? kClose + group : kEnd);
  Tail(ret, ender);
  for (std::size_t node = ret; code_ && node != 0; node = NextNode(code_, node)) {
    OpTail(node, ender);
  }
  if (paren) {
    if (*parse_ != ')') return Fail("RegExp: unterminated ()");
    ++parse_;
  } else if (*parse_ != '\0') {
    return Fail(*parse_ == ')' ? "RegExp: unmatched ()" : "RegExp: internal error: junk on end");
  }
  return ret;
}

// branch: a possibly empty sequence of pieces, behind one branch node.
std::ptrdiff_t Compiler::Branch(int* flagp) {
  *flagp = 0;
  std::ptrdiff_t ret = Node(kBranch);
  std::ptrdiff_t chain = -1;
  while (*parse_ != '\0' && *parse_ != '|' && *parse_ != ')') {
    int flags;
    std::ptrdiff_t latest = Piece(&flags);
    if (latest < 0) return -1;
    *flagp |= flags & kHasWidth;
    if (chain < 0) {
      *flagp |= flags & kSpStart;
    } else {
      Tail(chain, latest);
    }
    chain = latest;
  }
  if (chain < 0) Node(kNothing);
  return ret;
}

// piece: an atom with an optional quantifier.
std::ptrdiff_t Compiler::Piece(int* flagp) {
  int flags;
  std::ptrdiff_t ret = Atom(&flags);
  if (ret < 0) return -1;
  char op = *parse_;
  if (!IsQuantifier(op)) {
    *flagp = flags;
    return ret;
  }
  if (!(flags & kHasWidth) && op != '?') return Fail("RegExp: *+ operand could be empty");
  // A piece that begins with "+" counts as beginning with a repetition too: its first
  // character is not known, so the required-text hint is worth having.
  *flagp = op == '+' ? (kHasWidth | kSpStart) : kSpStart;
  Loop(op, flags, ret);
  ++parse_;
  if (IsQuantifier(*parse_)) return Fail("RegExp: nested *?+");
  return ret;
}

// Wraps the operand at `operand` into the node form of quantifier `op`.
void Compiler::Loop(char op, int flags, std::ptrdiff_t operand) {
  if (op != '?' && (flags & kSimple)) {
    Insert(op == '*' ? kStar : kPlus, operand);
  } else if (op == '*') {  // (x, back to the start | nothing)
    Insert(kBranch, operand);
    OpTail(operand, Node(kBack));
    OpTail(operand, operand);
    Tail(operand, Node(kBranch));
    Tail(operand, Node(kNothing));
  } else if (op == '+') {  // x followed by (back to x | nothing)
    std::ptrdiff_t next = Node(kBranch);
    Tail(operand, next);
    Tail(Node(kBack), operand);
    Tail(next, Node(kBranch));
    Tail(operand, Node(kNothing));
  } else {  // (x | nothing)
    Insert(kBranch, operand);
    Tail(operand, Node(kBranch));
    std::ptrdiff_t next = Node(kNothing);
    Tail(operand, next);
    OpTail(operand, next);
  }
}

std::ptrdiff_t Compiler::Atom(int* flagp) {
  *flagp = 0;
  switch (*parse_++) {
    case '^':
      return Node(kBol);
    case '$':
      return Node(kEol);
    case '.':
      *flagp = kHasWidth | kSimple;
      return Node(kAny);
    case '[':
      *flagp = kHasWidth | kSimple;
      return Set();
    case '(': {
      int flags;
      std::ptrdiff_t ret = Reg(true, &flags);
      *flagp = flags & (kHasWidth | kSpStart);
      return ret;
    }
    case '\0':
    case '|':
    case ')':
      return Fail("RegExp: internal error: \\0|) unexpected");
    case '?':
    case '+':
    case '*':
      return Fail("RegExp: ?+* follows nothing");
    case '\\': {
      if (*parse_ == '\0') return Fail("RegExp: trailing \\");
      std::ptrdiff_t ret = Node(kExactly);
      Byte(static_cast<unsigned char>(*parse_++));
      Byte(0);
      *flagp = kHasWidth | kSimple;
      return ret;
    }
    default:
      --parse_;
      return Literal(flagp);
  }
}

// "[...]": the members follow the node as a zero-terminated string.
std::ptrdiff_t Compiler::Set() {
  std::ptrdiff_t ret;
  if (*parse_ == '^') {
    ret = Node(kAnyBut);
    ++parse_;
  } else {
    ret = Node(kAnyOf);
  }
  if (*parse_ == ']' || *parse_ == '-') Byte(static_cast<unsigned char>(*parse_++));
  while (*parse_ != '\0' && *parse_ != ']') {
    if (*parse_ != '-') {
      Byte(static_cast<unsigned char>(*parse_++));
      continue;
    }
    ++parse_;
    if (*parse_ == ']' || *parse_ == '\0') {
      Byte('-');
      continue;
    }
    // The range's first character is already a member (or was the previous range's end).
    int from = static_cast<unsigned char>(parse_[-2]) + 1;
    int to = static_cast<unsigned char>(*parse_++);
    if (from > to + 1) return Fail("RegExp: invalid [] range");
    for (; from <= to; ++from) Byte(static_cast<unsigned char>(from));
  }
  Byte(0);
  if (*parse_ != ']') return Fail("RegExp: unmatched []");
  ++parse_;
  return ret;
}

// A run of ordinary characters; a quantifier after it binds to its last character alone.
std::ptrdiff_t Compiler::Literal(int* flagp) {
  std::size_t length = std::strcspn(parse_, kMeta);
  if (length == 0) return Fail("RegExp: internal error: strcspn 0");
  if (length > 1 && IsQuantifier(parse_[length])) --length;
  *flagp = kHasWidth | (length == 1 ? kSimple : 0);
  std::ptrdiff_t ret = Node(kExactly);
  for (std::size_t i = 0; i < length; ++i) Byte(static_cast<unsigned char>(*parse_++));
  Byte(0);
  return ret;
}

// The search hints, for a pattern with one top-level alternative.
void SetHints(regexp& prog, int flags) {
  const unsigned char* code = prog.program.get();
  if (code[NextNode(code, 1)] != kEnd) return;
  std::size_t first = 1 + kNodeSize;
  if (code[first] == kExactly) {
    prog.regstart = *Operand(code, first);
  } else if (code[first] == kBol) {
    prog.reganch = 1;
  }
  if (!(flags & kSpStart)) return;
  std::size_t longest = 0;
  for (std::size_t node = first; node != 0; node = NextNode(code, node)) {
    if (code[node] != kExactly) continue;
    std::size_t length = std::strlen(Operand(code, node));
    if (length >= longest) {
      prog.regmust = Operand(code, node);
      longest = length;
    }
  }
  prog.regmlen = static_cast<int>(longest);
}

// ---------------------------------------------------------------------------------------------
// Matching. The matcher walks the nodes forward and keeps every point it may come back to on
// an explicit stack: pending alternatives, stars and pluses that may give characters back, and
// group positions to restore. A group slot is rewritten each time its open or close node is
// passed, so after a success it holds the position from the last pass on the successful path,
// the same result as filling each slot once while a recursive matcher returns.

enum FrameType : std::uint32_t { kAltFrame, kRepeatFrame, kStartFrame, kEndFrame };

enum class Step { kNext, kMatched, kBacktrack, kStop };
enum class Attempt { kNoMatch, kMatch, kStop };

constexpr std::size_t kNoCount = static_cast<std::size_t>(-1);
constexpr std::size_t kMaxRun = 0xffffffffu;  // frame counts are 32 bits

class Matcher {
 public:
  Matcher(regexp& prog, const char* subject)
      : prog_(prog),
        code_(prog.program.get()),
        size_(prog.program_size),
        bol_(subject),
        stack_(prog.stack.get()),
        allowance_(Allowance(prog)),
        steps_left_(allowance_) {}
  // Hands the steps this search took, its setup included, to the shared budget.
  ~Matcher() {
    RegexpBudget* shared = prog_.shared_budget;
    if (shared == nullptr) return;
    const std::uint32_t spent =
        exhausted_ ? shared->steps_left : kRegexpSearchSteps + (allowance_ - steps_left_);
    shared->steps_left -= std::min(spent, shared->steps_left);
  }

  Attempt Try(const char* at);

 private:
  Step Execute(std::size_t& node, const char*& pos);
  Step Branch(std::size_t& node, const char* pos);
  Step Repeat(std::size_t& node, const char*& pos);
  Step SetSlot(const char** slots, std::uint32_t type, int group, const char* pos);
  bool Backtrack(std::size_t& node, const char*& pos);
  bool Resume(RegexpFrame& frame, std::size_t& node, const char*& pos);
  std::size_t RunLength(std::size_t operand, const char* pos);
  std::size_t FindCount(std::size_t star, const char* base, std::size_t from);
  std::size_t FollowingText(std::size_t star) const;
  bool Push(std::uint32_t type, std::size_t node, const char* pos, std::size_t count);
  bool Charge(std::size_t steps);
  // The steps this search may take: its own limit, or what the shared budget has left after
  // the setup, whichever is less.
  static std::uint32_t Allowance(const regexp& prog) {
    const RegexpBudget* shared = prog.shared_budget;
    if (shared == nullptr) return prog.step_budget;
    const std::uint32_t left =
        shared->steps_left > kRegexpSearchSteps ? shared->steps_left - kRegexpSearchSteps : 0;
    return std::min(prog.step_budget, left);
  }
  // A limit reached or a damaged program ends the whole search with no match, after one
  // message: a damaged program would fail the same way at every later position.
  Step Stop(const char* message) {
    SendDebugMessage(message);
    stopped_ = true;
    return Step::kStop;
  }

  // The following node, 0 when missing or outside the program.
  std::size_t Next(std::size_t node) const {
    std::size_t next = NextNode(code_, node);
    return next != 0 && next + kNodeSize <= size_ ? next : 0;
  }
  std::size_t MinCount(std::size_t star) const { return code_[star] == kPlus ? 1 : 0; }

  regexp& prog_;
  const unsigned char* code_;
  std::size_t size_;
  const char* bol_;
  RegexpFrame* stack_;
  std::size_t depth_ = 0;
  std::uint32_t allowance_;
  std::uint32_t steps_left_;
  bool stopped_ = false;
  bool exhausted_ = false;  // the steps ran out
};

bool Matcher::Charge(std::size_t steps) {
  if (steps < steps_left_) {
    steps_left_ -= static_cast<std::uint32_t>(steps);
    return true;
  }
  // Out of its own limit, the search spent that much; out of the shared budget, all of it.
  exhausted_ = allowance_ < prog_.step_budget;
  steps_left_ = 0;
  Stop("RegExp: backtrack limit reached");
  return false;
}

bool Matcher::Push(std::uint32_t type, std::size_t node, const char* pos, std::size_t count) {
  if (depth_ == kRegexpStackFrames) {
    Stop("RegExp: backtrack stack full");
    return false;
  }
  stack_[depth_++] = {pos, (type << 16) | static_cast<std::uint32_t>(node),
                      static_cast<std::uint32_t>(count)};
  return true;
}

Attempt Matcher::Try(const char* at) {
  for (int group = 1; group <= prog_.group_count; ++group) {
    prog_.startp[group] = nullptr;
    prog_.endp[group] = nullptr;
  }
  depth_ = 0;
  std::size_t node = 1;
  const char* pos = at;
  for (;;) {
    switch (Execute(node, pos)) {
      case Step::kNext:
        break;
      case Step::kMatched:
        prog_.startp[0] = at;
        prog_.endp[0] = pos;
        return Attempt::kMatch;
      case Step::kBacktrack:
        if (!Backtrack(node, pos)) return stopped_ ? Attempt::kStop : Attempt::kNoMatch;
        break;
      case Step::kStop:
        return Attempt::kStop;
    }
  }
}

// Matches the node at `node`; on success moves `node` and `pos` on. Inlined into the loop of
// Try: the call would cost as much as most nodes.
[[gnu::always_inline]] inline Step Matcher::Execute(std::size_t& node, const char*& pos) {
  if (!Charge(1)) return Step::kStop;
  unsigned char kind = code_[node];
  switch (kind) {
    case kEnd:
      return Step::kMatched;
    case kBol:
      if (pos != bol_) return Step::kBacktrack;
      break;
    case kEol:
      if (*pos != '\0') return Step::kBacktrack;
      break;
    case kAny:
      if (*pos == '\0') return Step::kBacktrack;
      ++pos;
      break;
    case kAnyOf:
    case kAnyBut:
      if (*pos == '\0' || (std::strchr(Operand(code_, node), *pos) != nullptr) != (kind == kAnyOf))
        return Step::kBacktrack;
      ++pos;
      break;
    case kExactly: {
      const char* text = Operand(code_, node);
      if (*text != *pos) return Step::kBacktrack;
      std::size_t i = 1;
      for (; text[i] != '\0'; ++i) {
        if (text[i] != pos[i]) return Step::kBacktrack;
      }
      pos += i;
      break;
    }
    case kNothing:
    case kBack:
      break;
    case kBranch:
      return Branch(node, pos);
    case kStar:
    case kPlus:
      return Repeat(node, pos);
    default: {
      Step step = Step::kStop;
      if (IsOpen(kind)) {
        step = SetSlot(prog_.startp, kStartFrame, kind - kOpen, pos);
      } else if (IsClose(kind)) {
        step = SetSlot(prog_.endp, kEndFrame, kind - kClose, pos);
      } else {
        return Stop("RegExp: regexp corruption");
      }
      if (step != Step::kNext) return step;
    }
  }
  node = Next(node);
  return node != 0 ? Step::kNext : Stop("RegExp: corrupted pointers");
}

// Alternatives: the first one now, the next one (if any) when this one fails.
Step Matcher::Branch(std::size_t& node, const char* pos) {
  std::size_t next = Next(node);
  if (next != 0 && code_[next] == kBranch && !Push(kAltFrame, next, pos, 0)) return Step::kStop;
  node += kNodeSize;
  return Step::kNext;
}

Step Matcher::SetSlot(const char** slots, std::uint32_t type, int group, const char* pos) {
  // With no choice pending below, a failure ends the attempt and nothing needs restoring.
  if (depth_ > 0 && !Push(type, static_cast<std::size_t>(group), slots[group], 0)) {
    return Step::kStop;
  }
  slots[group] = pos;
  return Step::kNext;
}

// The number of repetitions of the one-character operand at `operand` found at `pos`.
std::size_t Matcher::RunLength(std::size_t operand, const char* pos) {
  std::size_t count = 0;
  switch (code_[operand]) {
    case kAny:
      count = std::min(std::strlen(pos), kMaxRun);
      break;
    case kExactly: {
      char c = *Operand(code_, operand);
      while (count < kMaxRun && pos[count] == c && c != '\0') ++count;
      break;
    }
    case kAnyOf:
    case kAnyBut: {
      bool member[256] = {};
      for (const char* m = Operand(code_, operand); *m != '\0'; ++m) {
        member[static_cast<unsigned char>(*m)] = true;
      }
      bool wanted = code_[operand] == kAnyOf;
      while (count < kMaxRun && pos[count] != '\0' &&
             member[static_cast<unsigned char>(pos[count])] == wanted) {
        ++count;
      }
      break;
    }
    default:
      Stop("RegExp internal error: bad call of regrepeat");
      return kNoCount;
  }
  return Charge(count) ? count : kNoCount;
}

// The exact-text node that must match right after the star or plus `star`, looking through
// group marks and nothing nodes, which match the empty string; 0 when there is none.
std::size_t Matcher::FollowingText(std::size_t star) const {
  std::size_t node = Next(star);
  while (node != 0 && (code_[node] == kNothing || IsOpen(code_[node]) || IsClose(code_[node]))) {
    node = Next(node);
  }
  return node != 0 && code_[node] == kExactly ? node : 0;
}

// The largest count from `from` down to the minimum after which the rest can begin: when an
// exact text follows (group marks aside), only counts followed by its first character.
// kNoCount when none is.
std::size_t Matcher::FindCount(std::size_t star, const char* base, std::size_t from) {
  std::size_t min = MinCount(star);
  if (from == kNoCount || from < min) return kNoCount;
  std::size_t next = FollowingText(star);
  if (next == 0) return from;
  char c = *Operand(code_, next);
  std::size_t count = from;
  while (base[count] != c) {
    if (count == min) {
      count = kNoCount;
      break;
    }
    --count;
  }
  return Charge(from - (count == kNoCount ? min : count)) ? count : kNoCount;
}

// Star and plus: take as many repetitions as fit, then give them back one by one.
Step Matcher::Repeat(std::size_t& node, const char*& pos) {
  std::size_t next = Next(node);
  if (next == 0) return Stop("RegExp: corrupted pointers");
  std::size_t count = FindCount(node, pos, RunLength(node + kNodeSize, pos));
  if (stopped_) return Step::kStop;
  if (count == kNoCount) return Step::kBacktrack;
  if (count > MinCount(node) && !Push(kRepeatFrame, node, pos, count)) return Step::kStop;
  pos += count;
  node = next;
  return Step::kNext;
}

bool Matcher::Resume(RegexpFrame& frame, std::size_t& node, const char*& pos) {
  std::size_t star = frame.node & 0xffff;
  std::size_t count = FindCount(star, frame.position, frame.count - 1);
  if (count == kNoCount) return false;
  frame.count = static_cast<std::uint32_t>(count);
  node = Next(star);
  pos = frame.position + count;
  return true;
}

// Returns to the latest pending choice; false when none is left (or the search must stop).
bool Matcher::Backtrack(std::size_t& node, const char*& pos) {
  while (depth_ > 0 && !stopped_) {
    RegexpFrame& frame = stack_[depth_ - 1];
    std::size_t target = frame.node & 0xffff;
    switch (frame.node >> 16) {
      case kAltFrame: {
        pos = frame.position;
        std::size_t after = Next(target);
        if (after != 0 && code_[after] == kBranch) {
          frame.node = (kAltFrame << 16) | static_cast<std::uint32_t>(after);
        } else {
          --depth_;
        }
        node = target + kNodeSize;
        return true;
      }
      case kRepeatFrame:
        if (frame.count > MinCount(target) && Resume(frame, node, pos)) return true;
        break;
      case kStartFrame:
        prog_.startp[target] = frame.position;
        break;
      case kEndFrame:
        prog_.endp[target] = frame.position;
        break;
    }
    --depth_;
  }
  return false;
}

// True when the zero-terminated `text` stands at `s`.
bool StartsWith(const char* s, const char* text) {
  for (; *text != '\0'; ++s, ++text) {
    if (*s != *text) return false;
  }
  return true;
}

// The search when every match begins with the pattern's leading exact text: attempts only
// where that whole text stands, found with strchr on its first character.
int SearchFrom(Matcher& matcher, const regexp& prog, const char* subject) {
  const char* text = Operand(prog.program.get(), 1 + kNodeSize);
  for (const char* s = std::strchr(subject, prog.regstart); s;
       s = std::strchr(s + 1, prog.regstart)) {
    if (!StartsWith(s + 1, text + 1)) continue;
    Attempt result = matcher.Try(s);
    if (result != Attempt::kNoMatch) return result == Attempt::kMatch;
  }
  return 0;
}

bool ValidProgram(const regexp* prog) {
  return prog->program && prog->program_size > 0 && prog->program[0] == kMagic;
}

// Writes into a destination of fixed capacity, always leaving room for the final 0 byte.
class Output {
 public:
  Output(char* dest, std::size_t capacity) : dest_(dest), room_(capacity > 0 ? capacity - 1 : 0) {}
  void Put(char c) {
    if (written_ < room_) dest_[written_++] = c;
  }
  void Append(const char* text, std::size_t length) {
    length = std::min(length, room_ - written_);
    std::memcpy(dest_ + written_, text, length);
    written_ += length;
  }
  void Finish(std::size_t capacity) {
    if (capacity > 0) dest_[written_] = '\0';
  }

 private:
  char* dest_;
  std::size_t room_;
  std::size_t written_ = 0;
};

// Copies piece `n` of the last match; false when the piece holds a 0 byte before its end.
bool CopyPiece(const regexp* prog, int n, Output& out) {
  const char* start = prog->startp[n];
  const char* end = prog->endp[n];
  if (start == nullptr || end == nullptr || end <= start) return true;
  std::size_t length = static_cast<std::size_t>(end - start);
  const void* damage = std::memchr(start, '\0', length);
  if (damage != nullptr)
    length = static_cast<std::size_t>(static_cast<const char*>(damage) - start);
  out.Append(start, length);
  if (damage != nullptr) SendDebugMessage("RegExp: damaged match string");
  return damage == nullptr;
}

}  // namespace

RegexpPtr regcomp(const char* pattern) {
  if (pattern == nullptr) {
    SendDebugMessage("RegExp: NULL argument to regcomp");
    return nullptr;
  }
  Compiler sizing(pattern, nullptr);
  int flags = 0;
  if (!sizing.Run(&flags)) return nullptr;
  if (sizing.size() >= kTooBig) {
    SendDebugMessage("RegExp: regexp too big");
    return nullptr;
  }
  RegexpPtr prog(new (std::nothrow) regexp);
  if (prog) {
    prog->program.reset(new (std::nothrow) unsigned char[sizing.size()]);
    prog->stack.reset(new (std::nothrow) RegexpFrame[kRegexpStackFrames]);
  }
  if (!prog || !prog->program || !prog->stack) {
    SendDebugMessage("RegExp: out of space");
    return nullptr;
  }
  prog->program_size = sizing.size();
  Compiler emitter(pattern, prog->program.get());
  emitter.Run(&flags);
  prog->group_count = emitter.groups();
  SetHints(*prog, flags);
  return prog;
}

int regexec(regexp* prog, const char* subject) {
  if (prog == nullptr || subject == nullptr) {
    SendDebugMessage("RegExp: NULL argument to regexec");
    return 0;
  }
  if (!ValidProgram(prog) || !prog->stack) {
    SendDebugMessage("RegExp: corrupted regexp");
    return 0;
  }
  for (int n = 0; n < kRegexpSlots; ++n) prog->startp[n] = prog->endp[n] = nullptr;
  Matcher matcher(*prog, subject);
  if (prog->regmust != nullptr && std::strstr(subject, prog->regmust) == nullptr) return 0;
  if (prog->reganch) return matcher.Try(subject) == Attempt::kMatch;
  if (prog->regstart != '\0') return SearchFrom(matcher, *prog, subject);
  for (const char* s = subject;; ++s) {
    Attempt result = matcher.Try(s);
    if (result != Attempt::kNoMatch) return result == Attempt::kMatch;
    if (*s == '\0') return 0;
  }
}

void regsub(const regexp* prog, const char* source, char* dest, std::size_t capacity) {
  if (prog == nullptr || source == nullptr || dest == nullptr) {
    SendDebugMessage("RegExp: NULL parameter to regsub");
    return;
  }
  if (!ValidProgram(prog)) {
    SendDebugMessage("RegExp: damaged regexp");
    return;
  }
  // A damaged piece ends the text where the damage starts; the destination is still
  // terminated so that the caller never reads an unterminated buffer.
  Output out(dest, capacity);
  for (char c; (c = *source++) != '\0';) {
    int n = -1;
    if (c == '&') {
      n = 0;
    } else if (c == '\\' && *source >= '0' && *source <= '9') {
      n = *source++ - '0';
    } else if (c == '\\' && (*source == '\\' || *source == '&')) {
      c = *source++;
    }
    if (n < 0) {
      out.Put(c);
    } else if (!CopyPiece(prog, n, out)) {
      break;
    }
  }
  out.Finish(capacity);
}

}  // namespace verdalin
