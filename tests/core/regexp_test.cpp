// The pattern engine: syntax, sets, quantifiers, groups, anchors, hints, substitution and errors.
#include "base/regexp.h"

#include <gtest/gtest.h>

#include <string>

#include "fakes/fake_debug_output.h"

namespace verdalin {
namespace {

constexpr const char* kUnset = "<unset>";

// Piece n of the last match, or kUnset.
std::string Piece(const regexp& re, int n) {
  if (re.startp[n] == nullptr || re.endp[n] == nullptr) return kUnset;
  return std::string(re.startp[n], re.endp[n]);
}

// The whole match of `pattern` in `subject`, or kUnset when it does not match.
std::string Find(const char* pattern, const std::string& subject, std::string* group1 = nullptr) {
  RegexpPtr re = regcomp(pattern);
  if (!re) return "<compile error>";
  if (!regexec(re.get(), subject.c_str())) return kUnset;
  if (group1) *group1 = Piece(*re, 1);
  return Piece(*re, 0);
}

// The message sent while compiling `pattern`, which must fail.
std::string CompileError(const char* pattern) {
  CapturedDebugOutput captured;
  RegexpPtr re = regcomp(pattern);
  if (re) return "<compiled>";
  return captured.messages.size() == 1
             ? captured.messages[0]
             : "<messages: " + std::to_string(captured.messages.size()) + ">";
}

TEST(Regexp, GatewayPatterns) {
  RegexpPtr inventel = regcomp("ADSL_(.+)=(.+)\\<br\\>");
  ASSERT_TRUE(inventel);
  ASSERT_TRUE(regexec(inventel.get(), "ADSL_MODE=G.DMT<br>"));
  EXPECT_EQ(Piece(*inventel, 1), "MODE");
  EXPECT_EQ(Piece(*inventel, 2), "G.DMT");
  ASSERT_TRUE(regexec(inventel.get(), "ADSL_A=B=C<br>"));
  EXPECT_EQ(Piece(*inventel, 1), "A=B");
  EXPECT_EQ(Piece(*inventel, 2), "C");
  EXPECT_FALSE(regexec(inventel.get(), "ADSL_MODE=<br>"));

  RegexpPtr sagem = regcomp("var +([a-zA-Z_]+)\t+= \"(.+)\";");
  ASSERT_TRUE(sagem);
  ASSERT_TRUE(regexec(sagem.get(), "var  v_downstream\t\t= \"1024\";"));
  EXPECT_EQ(Piece(*sagem, 1), "v_downstream");
  EXPECT_EQ(Piece(*sagem, 2), "1024");
  ASSERT_TRUE(regexec(sagem.get(), "var v_firm\t= \"a\";b\";"));
  EXPECT_EQ(Piece(*sagem, 2), "a\";b");
  EXPECT_FALSE(regexec(sagem.get(), "var v_downstream  = \"1024\";"));  // blanks, no tab
  EXPECT_FALSE(regexec(sagem.get(), "varv_x\t= \"1\";"));               // no blank
  EXPECT_FALSE(regexec(sagem.get(), "var v2\t= \"1\";"));               // digit in the name

  RegexpPtr tecom = regcomp("\\<td\\>(.*)\\<\\/td\\>");
  ASSERT_TRUE(tecom);
  ASSERT_TRUE(regexec(tecom.get(), "<td>1</td><td>2</td>"));
  EXPECT_EQ(Piece(*tecom, 1), "1</td><td>2");
  RegexpPtr label = regcomp("\\<td class\\=\\'hd\\'\\>(.*)\\<\\/td\\>");
  ASSERT_TRUE(label);
  ASSERT_TRUE(regexec(label.get(), "  <td class='hd'>Mode:</td>\r"));
  EXPECT_EQ(Piece(*label, 1), "Mode:");
}

TEST(Regexp, Syntax) {
  EXPECT_EQ(Find("ab*", "acabbbc"), "a");
  EXPECT_EQ(Find("ab*", "abbbc"), "abbb");
  EXPECT_EQ(Find("(ab)*", "ababb"), "abab");
  EXPECT_EQ(Find("abc+", "abcabccc"), "abc");
  EXPECT_EQ(Find("x{1}]", "ax{1}]"), "x{1}]");
  EXPECT_EQ(Find("\\t", "a\tt"), "t");
  EXPECT_EQ(Find("\\d", "12d"), "d");
  EXPECT_EQ(Find("a\\.b", "axb a.b"), "a.b");
  EXPECT_EQ(Find("\\*\\+\\?\\(\\)\\|\\^\\$\\\\", "*+?()|^$\\"), "*+?()|^$\\");
  EXPECT_EQ(Find(".", "\r"), "\r");
  EXPECT_EQ(Find("a.b", "a\nb"), "a\nb");
  EXPECT_EQ(Find("caf\xe9", "un caf\xe9"), "caf\xe9");  // bytes above 127
  EXPECT_EQ(Find("a|", "b"), "");
  EXPECT_EQ(Find("(|b)c", "bc"), "bc");
  EXPECT_EQ(Find("Abc", "abc"), kUnset);  // letter case counts
  EXPECT_EQ(Find("", "xyz"), "");
}

TEST(Regexp, Sets) {
  EXPECT_EQ(Find("[]a]+", "x]a]b"), "]a]");
  EXPECT_EQ(Find("[^]a]+", "]a]bcd]"), "bcd");
  EXPECT_EQ(Find("[a-]+", "xa-a-y"), "a-a-");
  EXPECT_EQ(Find("[-a]+", "x-a"), "-a");
  EXPECT_EQ(Find("[a-c-e]+", "xabcdef"), "abcde");
  EXPECT_EQ(Find("[\\]]", "a\\]"), "\\]");  // a backslash, then a literal ]
  EXPECT_EQ(Find("[\\]]", "a]"), kUnset);
  EXPECT_EQ(Find("[a-a]", "ba"), "a");
  EXPECT_EQ(Find("[\x80-\xff]+", "ab\x80\xe9\xffz"), "\x80\xe9\xff");  // unsigned ranges
  EXPECT_EQ(Find("[^a]", "a"), kUnset);                                // not the end of the subject
  EXPECT_EQ(Find("[^a]*", "bcab"), "bc");
  EXPECT_EQ(Find("x[.]y", "xzy x.y"), "x.y");
  EXPECT_EQ(Find("[a-zA-Z_]+", "12 v_Down 3"), "v_Down");
}

TEST(Regexp, Quantifiers) {
  EXPECT_EQ(Find("x*", "abc"), "");
  EXPECT_EQ(Find("x*", "xxa"), "xx");
  EXPECT_EQ(Find("a+", "baaab"), "aaa");
  EXPECT_EQ(Find("ba?c", "bc"), "bc");
  EXPECT_EQ(Find("ba?c", "bac"), "bac");
  EXPECT_EQ(Find("a*ab", "aaab"), "aaab");  // the star gives back what the rest needs
  EXPECT_EQ(Find("a+a", "a"), kUnset);
  EXPECT_EQ(Find(".*b", "abcb d"), "abcb");
  EXPECT_EQ(Find("(ab)+c", "ababcx"), "ababc");
  EXPECT_EQ(Find("(ab)+", "xaby"), "ab");
  EXPECT_EQ(Find("(a|b)*c", "abbac"), "abbac");
  EXPECT_EQ(Find("(a|ab)(c|bcd)", "abcd"), "abcd");
  EXPECT_EQ(Find("a|ab", "ab"), "a");
  EXPECT_EQ(Find("(a*)?b", "b"), "b");
  EXPECT_EQ(Find("(a|b?)?c", "c"), "c");
  EXPECT_EQ(Find("(aa|a)*$", "aaa"), "aaa");
}

TEST(Regexp, GroupsAndSlots) {
  std::string group;
  EXPECT_EQ(Find("(a|b)*", "abba", &group), "abba");
  EXPECT_EQ(group, "a");  // the last repetition
  EXPECT_EQ(Find("(.*)", "", &group), "");
  EXPECT_EQ(group, "");
  EXPECT_EQ(Find("(a)|b", "b", &group), "b");
  EXPECT_EQ(group, kUnset);  // not on the successful path
  EXPECT_EQ(Find("(a)b|a(c)", "ac", &group), "ac");
  EXPECT_EQ(group, kUnset);  // set by the failed alternative, then restored
  EXPECT_EQ(Find("(x)?y", "xz y", &group), "y");
  EXPECT_EQ(group, kUnset);  // an earlier failed attempt leaves nothing behind

  RegexpPtr nested = regcomp("((a)|b)*");
  ASSERT_TRUE(nested);
  ASSERT_TRUE(regexec(nested.get(), "ab"));
  EXPECT_EQ(Piece(*nested, 1), "b");
  EXPECT_EQ(Piece(*nested, 2), "a");  // kept from the earlier repetition

  RegexpPtr nine = regcomp("(a)(b)(c)(d)(e)(f)(g)(h)(i)");
  ASSERT_TRUE(nine);
  ASSERT_TRUE(regexec(nine.get(), "xabcdefghi"));
  for (int n = 1; n <= 9; ++n) EXPECT_EQ(Piece(*nine, n), std::string(1, 'a' + n - 1));
  EXPECT_EQ(nine->startp[0] - nine->startp[1], 0);

  RegexpPtr empty = regcomp("a()b");
  ASSERT_TRUE(empty);
  ASSERT_TRUE(regexec(empty.get(), "ab"));
  EXPECT_EQ(empty->startp[1], empty->endp[1]);
  EXPECT_NE(empty->startp[1], nullptr);
}

TEST(Regexp, Anchors) {
  EXPECT_EQ(Find("^abc", "xabc"), kUnset);
  EXPECT_EQ(Find("^abc", "abcx"), "abc");
  EXPECT_EQ(Find("^abc", "x\nabc"), kUnset);  // not after a line break
  EXPECT_EQ(Find("abc$", "abc\r"), kUnset);
  EXPECT_EQ(Find("abc$", "abc\nabc"), "abc");
  EXPECT_EQ(Find("a^b", "ab"), kUnset);
  EXPECT_EQ(Find("a$b", "ab"), kUnset);
  EXPECT_EQ(Find("(^a|b)+", "cab"), "b");
  EXPECT_EQ(Find("$", "abc"), "");
  EXPECT_EQ(Find("^$", ""), "");
}

TEST(Regexp, SearchHints) {
  RegexpPtr re = regcomp("ADSL_(.+)=(.+)\\<br\\>");
  ASSERT_TRUE(re);
  EXPECT_EQ(re->regstart, 'A');
  EXPECT_EQ(re->reganch, 0);
  EXPECT_EQ(re->regmust, nullptr);

  re = regcomp("^abc");
  EXPECT_EQ(re->reganch, 1);
  EXPECT_EQ(re->regstart, 0);

  re = regcomp("x*abc.de.fgh");
  ASSERT_TRUE(re);
  EXPECT_EQ(re->regstart, 0);
  EXPECT_EQ(std::string(re->regmust), "fgh");  // of equally long texts, the last
  EXPECT_EQ(re->regmlen, 3);
  EXPECT_FALSE(regexec(re.get(), "abc de fg"));
  EXPECT_TRUE(regexec(re.get(), "xxabcQdeQfgh"));

  re = regcomp("(ab)+cd");
  EXPECT_EQ(std::string(re->regmust), "cd");
  re = regcomp("a|b");
  EXPECT_EQ(re->regstart, 0);
  EXPECT_EQ(re->regmust, nullptr);
  re = regcomp("a?bcd");  // the optional text is not required
  EXPECT_EQ(std::string(re->regmust), "bcd");
  EXPECT_EQ(Find("a?bcd", "bcd"), "bcd");
  EXPECT_EQ(re->program[0], 156);
}

TEST(Regexp, NodeProgram) {
  RegexpPtr re = regcomp("a(b)*");
  ASSERT_TRUE(re);
  // marker, top branch, exact "a", then the loop's branch holding open 1.
  const unsigned char* p = re->program.get();
  EXPECT_EQ(p[0], 156);
  EXPECT_EQ(p[1], 6);
  EXPECT_EQ(p[4], 8);
  EXPECT_EQ(p[7], 'a');
  EXPECT_EQ(p[8], 0);
  EXPECT_EQ(p[9], 6);
  EXPECT_EQ(p[12], 21);
  EXPECT_EQ(p[re->program_size - 3], 0);  // the end node closes the program

  re = regcomp("a*");
  EXPECT_EQ(re->program[4], 10);
  EXPECT_EQ(re->program[7], 8);
  re = regcomp("[ab]+");
  EXPECT_EQ(re->program[4], 11);
  EXPECT_EQ(re->program[7], 4);
}

TEST(Regexp, Substitution) {
  RegexpPtr re = regcomp("(a+)(x)?(b+)");
  ASSERT_TRUE(re);
  ASSERT_TRUE(regexec(re.get(), "zaabbbz"));
  char out[64];
  regsub(re.get(), "[&|\\0|\\1|\\3]", out, sizeof out);
  EXPECT_STREQ(out, "[aabbb|aabbb|aa|bbb]");
  regsub(re.get(), "<\\2>", out, sizeof out);  // group 2 did not take part
  EXPECT_STREQ(out, "<>");
  regsub(re.get(), "\\\\1", out, sizeof out);
  EXPECT_STREQ(out, "\\1");
  regsub(re.get(), "a\\qb", out, sizeof out);
  EXPECT_STREQ(out, "a\\qb");
  regsub(re.get(), "\\&\\", out, sizeof out);
  EXPECT_STREQ(out, "&\\");
  regsub(re.get(), "\\9", out, sizeof out);  // a group the pattern does not have
  EXPECT_STREQ(out, "");

  char small[4] = {'#', '#', '#', '#'};
  regsub(re.get(), "\\3", small, 3);  // cut at the capacity, always terminated
  EXPECT_STREQ(small, "bb");
  EXPECT_EQ(small[3], '#');
  regsub(re.get(), "xy\\1", small, 1);
  EXPECT_STREQ(small, "");
  small[0] = '#';
  regsub(re.get(), "xy", small, 0);
  EXPECT_EQ(small[0], '#');
}

TEST(Regexp, SubstitutionErrors) {
  CapturedDebugOutput captured;
  RegexpPtr re = regcomp("b(c+)");
  char subject[] = "abccd";
  ASSERT_TRUE(regexec(re.get(), subject));
  char out[16] = "untouched";
  regsub(nullptr, "\\1", out, sizeof out);
  regsub(re.get(), nullptr, out, sizeof out);
  regsub(re.get(), "\\1", nullptr, 4);
  EXPECT_STREQ(out, "untouched");
  subject[3] = '\0';  // the subject changed after the search
  regsub(re.get(), "<&>", out, sizeof out);
  EXPECT_STREQ(out, "<bc");
  re->program[0] = 0;
  regsub(re.get(), "x", out, sizeof out);
  EXPECT_STREQ(out, "<bc");
  EXPECT_EQ(captured.messages,
            (std::vector<std::string>{"RegExp: NULL parameter to regsub",
                                      "RegExp: NULL parameter to regsub",
                                      "RegExp: NULL parameter to regsub",
                                      "RegExp: damaged match string", "RegExp: damaged regexp"}));
}

TEST(Regexp, CompileErrors) {
  EXPECT_EQ(CompileError("a**"), "RegExp: nested *?+");
  EXPECT_EQ(CompileError("a*?"), "RegExp: nested *?+");
  EXPECT_EQ(CompileError("a+*"), "RegExp: nested *?+");
  EXPECT_EQ(CompileError("(a*)*"), "RegExp: *+ operand could be empty");
  EXPECT_EQ(CompileError("()+"), "RegExp: *+ operand could be empty");
  EXPECT_EQ(CompileError("(x|)*"), "RegExp: *+ operand could be empty");
  EXPECT_EQ(CompileError("(a|b*)+"), "RegExp: *+ operand could be empty");
  EXPECT_EQ(CompileError("^*"), "RegExp: *+ operand could be empty");
  EXPECT_EQ(CompileError("(b?)*"), "RegExp: *+ operand could be empty");
  EXPECT_NE(regcomp("(a*b)*"), nullptr);
  EXPECT_NE(regcomp("(a*)?"), nullptr);
  EXPECT_NE(regcomp("$?"), nullptr);
  EXPECT_EQ(CompileError("(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)"), "RegExp: too many ()");
  EXPECT_EQ(CompileError("(ab"), "RegExp: unterminated ()");
  EXPECT_EQ(CompileError("((a)"), "RegExp: unterminated ()");
  EXPECT_EQ(CompileError("ab)"), "RegExp: unmatched ()");
  EXPECT_EQ(CompileError("*a"), "RegExp: ?+* follows nothing");
  EXPECT_EQ(CompileError("a|+"), "RegExp: ?+* follows nothing");
  EXPECT_EQ(CompileError("(?a)"), "RegExp: ?+* follows nothing");
  EXPECT_EQ(CompileError("ab\\"), "RegExp: trailing \\");
  EXPECT_EQ(CompileError("[ab"), "RegExp: unmatched []");
  EXPECT_EQ(CompileError("[^]"), "RegExp: unmatched []");
  EXPECT_EQ(CompileError("[z-a]"), "RegExp: invalid [] range");
  EXPECT_EQ(CompileError("[a-c-b]"), "RegExp: invalid [] range");
  EXPECT_EQ(CompileError(nullptr), "RegExp: NULL argument to regcomp");

  // The program, marker included, must stay below 32767 bytes: marker, branch, exact text
  // with its 0 byte and end make 11 bytes around the text.
  EXPECT_NE(regcomp(std::string(32755, 'a').c_str()), nullptr);
  EXPECT_EQ(CompileError(std::string(32756, 'a').c_str()), "RegExp: regexp too big");
  EXPECT_EQ(CompileError(std::string(40000, 'a').append("(").c_str()), "RegExp: unterminated ()");
}

TEST(Regexp, SearchErrors) {
  CapturedDebugOutput captured;
  EXPECT_EQ(regexec(nullptr, "a"), 0);
  RegexpPtr re = regcomp("ab");
  EXPECT_EQ(regexec(re.get(), nullptr), 0);
  re->program[0] = 155;
  EXPECT_EQ(regexec(re.get(), "ab"), 0);

  re = regcomp("ab");
  re->program[5] = re->program[6] = 0;  // the exact node loses its next node
  EXPECT_EQ(regexec(re.get(), "ab"), 0);
  re = regcomp("ab");
  re->program[4] = 99;
  EXPECT_EQ(regexec(re.get(), "ab"), 0);
  re = regcomp("a*");
  re->program[7] = kRegexpSlots;  // the star's operand becomes a node of another kind
  EXPECT_EQ(regexec(re.get(), "ab"), 0);
  EXPECT_EQ(captured.messages,
            (std::vector<std::string>{
                "RegExp: NULL argument to regexec", "RegExp: NULL argument to regexec",
                "RegExp: corrupted regexp", "RegExp: corrupted pointers",
                "RegExp: regexp corruption", "RegExp internal error: bad call of regrepeat"}));
}

TEST(Regexp, BoundedOnHugeSubjects) {
  CapturedDebugOutput captured;
  std::string line;
  for (int i = 0; i < (1 << 19); ++i) line += "ab";
  RegexpPtr loop = regcomp("(a|b)*c");
  EXPECT_EQ(regexec(loop.get(), (line + "c").c_str()), 0);
  RegexpPtr pairs = regcomp("(ab)*");
  EXPECT_EQ(regexec(pairs.get(), line.c_str()), 0);
  EXPECT_EQ(captured.messages, (std::vector<std::string>{"RegExp: backtrack stack full",
                                                         "RegExp: backtrack stack full"}));

  // One-character repetitions need no stack, whatever the length.
  RegexpPtr run = regcomp("(.*)b$");
  ASSERT_TRUE(regexec(run.get(), line.c_str()));
  EXPECT_EQ(run->endp[1] - run->startp[1], static_cast<long>(line.size()) - 1);
  // Short group loops still match.
  std::string short_line = line.substr(0, 800) + "c";
  ASSERT_TRUE(regexec(loop.get(), short_line.c_str()));
  EXPECT_EQ(Piece(*loop, 1), "b");

  // Exponential backtracking ends at the step budget.
  captured.messages.clear();
  RegexpPtr blowup = regcomp("(a|a)*b");
  blowup->step_budget = 100000;
  EXPECT_EQ(regexec(blowup.get(), (std::string(40, 'a') + "cb").c_str()), 0);
  EXPECT_EQ(captured.messages, std::vector<std::string>{"RegExp: backtrack limit reached"});
}

// Searches through a shared budget: each pays its setup and its steps, results are those of a
// search on its own, and once the budget has run out every search fails at once.
TEST(Regexp, ASharedBudgetBoundsManySearchesTogether) {
  CapturedDebugOutput captured;
  RegexpPtr re = regcomp("ADSL_(.+)=(.+)\\<br\\>");
  RegexpBudget budget{100000};
  re->shared_budget = &budget;
  ASSERT_TRUE(regexec(re.get(), "ADSL_A=B=C<br>"));
  EXPECT_EQ(Piece(*re, 1), "A=B");
  EXPECT_EQ(regexec(re.get(), "none"), 0);
  const std::uint32_t after_two = budget.steps_left;
  EXPECT_LE(after_two, 100000u - 2 * kRegexpSearchSteps);
  EXPECT_GT(after_two, 100000u - 200);
  EXPECT_TRUE(captured.messages.empty());

  const std::string hostile = "ADSL_" + std::string(2000, '=');  // about two million steps
  EXPECT_EQ(regexec(re.get(), hostile.c_str()), 0);
  EXPECT_TRUE(budget.Exhausted());
  EXPECT_EQ(regexec(re.get(), "ADSL_A=B<br>"), 0);
  EXPECT_EQ(captured.messages, (std::vector<std::string>{"RegExp: backtrack limit reached",
                                                         "RegExp: backtrack limit reached"}));
  // Its own limit still holds within a larger shared budget, and spends only that much of it.
  RegexpBudget large{1u << 30};
  re->shared_budget = &large;
  re->step_budget = 1000;
  EXPECT_EQ(regexec(re.get(), hostile.c_str()), 0);
  EXPECT_EQ(large.steps_left, (1u << 30) - 1000 - kRegexpSearchSteps);
}

}  // namespace
}  // namespace verdalin
