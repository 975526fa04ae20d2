// lexer_test.cpp — tokens (A05): numbers and their radixes, floating
// constants, strings and escapes, identifiers, operators, comments, the token
// backup, and every lexical error at its line and column.
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "expr/float_constant.h"
#include "support/asm_fixture.h"
#include "support/param_names.h"

namespace {

class LexerTest : public AsmTest {
 protected:
  std::deque<std::string> kept;  // texts of collected tokens

  // Every token up to the end of the input (the end token not included); the
  // texts are kept beyond the lexer's one token of look-ahead.
  std::vector<token> all_tokens() {
    std::vector<token> out;
    stops([&] {
      for (token t = next_token(cx); t.kind != TOK_EOF; t = next_token(cx)) {
        t.text = kept.emplace_back(t.text, t.length).c_str();
        out.push_back(t);
      }
    });
    return out;
  }
  // The tokens as their texts, "EOL" for line ends.
  std::vector<std::string> spellings() {
    std::vector<std::string> out;
    for (const token& t : all_tokens()) out.push_back(t.kind == TOK_EOL ? "EOL" : std::string(t.text, t.length));
    return out;
  }
  // The first token of `text` (a line of its own); once per test.
  token first_token(const std::string& text) {
    start(text + "\n");
    token t;
    stops([&] { t = next_token(cx); });
    return t;
  }
};

const auto by_text = [](const auto& info) { return spelled_name(info.param.text); };

// ---- Numbers ----------------------------------------------------------------

struct number_case {
  const char* text;
  int64_t value;
  uint16_t flags;  // of TF_LONG, TF_UNSIGNED, TF_CHAR_QUOTES
};

class Numbers : public LexerTest, public ::testing::WithParamInterface<number_case> {};

TEST_P(Numbers, ValueAndFlags) {
  const number_case& c = GetParam();
  token t = first_token(c.text);
  EXPECT_EQ(t.kind, TOK_NUMBER) << c.text;
  EXPECT_EQ(t.value, c.value) << c.text;
  EXPECT_EQ(t.flags & (TF_LONG | TF_UNSIGNED | TF_CHAR_QUOTES), c.flags) << c.text;
  EXPECT_TRUE(diagnostics().empty()) << cap.console;
  EXPECT_EQ(next_token(cx).kind, TOK_EOL) << c.text << ": the number must end there";
}

INSTANTIATE_TEST_SUITE_P(
    Radixes, Numbers,
    ::testing::Values(number_case{"0FFH", 255, 0}, number_case{"0ffh", 255, 0},
                      number_case{"101B", 5, 0}, number_case{"101b", 5, 0},
                      number_case{"17Q", 15, 0}, number_case{"17O", 15, 0}, number_case{"17o", 15, 0},
                      number_case{"19D", 19, 0}, number_case{"1BH", 27, 0}, number_case{"1DH", 29, 0},
                      number_case{"0x1F", 31, 0}, number_case{"0XaB", 171, 0}, number_case{"1234", 1234, 0},
                      number_case{"0", 0, 0}, number_case{"007", 7, 0}),
    by_text);

INSTANTIATE_TEST_SUITE_P(
    WidthAndSuffixes, Numbers,
    ::testing::Values(number_case{"4294967295", 4294967295LL, 0},
                      number_case{"4294967296", 4294967296LL, TF_LONG},
                      number_case{"0FFFFFFFFFFFFFFFFH", -1, TF_LONG},
                      number_case{"1U", 1, TF_UNSIGNED}, number_case{"1l", 1, 0},
                      number_case{"1UL", 1, TF_UNSIGNED}, number_case{"1lu", 1, TF_UNSIGNED},
                      number_case{"1LL", 1, TF_LONG}, number_case{"1ULL", 1, TF_LONG | TF_UNSIGNED},
                      number_case{"1llu", 1, TF_LONG | TF_UNSIGNED}, number_case{"0FFHUL", 255, TF_UNSIGNED},
                      number_case{"0x10u", 16, TF_UNSIGNED}),
    by_text);

INSTANTIATE_TEST_SUITE_P(
    CharacterConstants, Numbers,
    ::testing::Values(number_case{"'A'", 65, TF_CHAR_QUOTES}, number_case{"''''", 39, TF_CHAR_QUOTES},
                      number_case{"'\\n'", 10, TF_CHAR_QUOTES}, number_case{"'\\xff'", 255, TF_CHAR_QUOTES},
                      number_case{"'\\''", 39, TF_CHAR_QUOTES}, number_case{"'\"'", 34, TF_CHAR_QUOTES}),
    by_text);

// Beyond 64 bits a constant keeps its low 64 bits and says so, once.
TEST_F(LexerTest, ConstantsBeyondSixtyFourBitsAreTruncatedWithWarning15) {
  const struct {
    const char* text;
    int64_t value;
  } cases[] = {
      {"18446744073709551616", 0}, {"18446744073709551617", 1}, {"0x10000000000000000", 0},
      {"1FFFFFFFFFFFFFFFFFH", -1}, {"99999999999999999999999", 200376420520689663LL},
  };
  std::string text;
  for (const auto& c : cases) text += std::string(" ") + c.text + "\n";
  start(text);
  std::vector<token> got = all_tokens();
  std::vector<int64_t> values;
  for (const token& t : got)
    if (t.kind == TOK_NUMBER) {
      values.push_back(t.value);
      EXPECT_EQ(t.flags & (TF_LONG | TF_TRUNCATED), TF_LONG | TF_TRUNCATED);
    }
  std::vector<int64_t> want;
  for (const auto& c : cases) want.push_back(c.value);
  EXPECT_EQ(values, want);
  std::vector<shown_diag> warned = diagnostics();
  ASSERT_EQ(warned.size(), std::size(cases)) << cap.console;
  for (std::size_t i = 0; i < warned.size(); ++i)
    EXPECT_EQ(warned[i], (shown_diag{static_cast<long>(i + 1), 2, "Warning", 15, ""}));
}

TEST_F(LexerTest, HexSuffixWithoutLeadingDigitIsAnIdentifier) {
  token t = first_token("FFH");
  ASSERT_EQ(t.kind, TOK_IDENT);
  EXPECT_STREQ(t.text, "FFH");
  ASSERT_NE(t.node, nullptr);
  EXPECT_EQ(t.node->kind, KIND_USER);
}

TEST_F(LexerTest, RadixDirectiveChangesNumbersWithoutSuffix) {
  start("10 10D 12\n");
  cx.lex.radix = 16;
  EXPECT_EQ(next_token(cx).value, 16);
  EXPECT_EQ(next_token(cx).value, 10);  // the suffix still decides
  cx.lex.radix = 8;
  EXPECT_EQ(next_token(cx).value, 10);
}

// ---- Floating constants ---------------------------------------------------------

struct float_case {
  const char* text;
  uint32_t high;
  uint32_t low;
  uint16_t flags;
};

class Floats : public LexerTest, public ::testing::WithParamInterface<float_case> {};

TEST_P(Floats, ConvertedExactly) {
  const float_case& c = GetParam();
  token t = first_token(c.text);
  ASSERT_EQ(t.kind, TOK_FLOAT) << c.text;
  soft_float value;
  ASSERT_TRUE(float_constant(cx, std::string_view(t.text, t.length), value)) << c.text;
  EXPECT_EQ(get_ieee_high(cx.floats, value), c.high) << c.text;
  EXPECT_EQ(get_ieee_low(cx.floats, value), c.low) << c.text;
  EXPECT_EQ(t.flags & (TF_FLOAT_SINGLE | TF_FLOAT_LONG), c.flags);
  EXPECT_TRUE(diagnostics().empty()) << cap.console;
  EXPECT_EQ(next_token(cx).kind, TOK_EOL);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, Floats,
    ::testing::Values(float_case{"1.0", 0x3FF00000, 0, 0}, float_case{"1.5", 0x3FF80000, 0, 0},
                      float_case{"0.1", 0x3FB99999, 0x9999999A, 0}, float_case{"1.5E3", 0x40977000, 0, 0},
                      float_case{"2.5e-1", 0x3FD00000, 0, 0}, float_case{"2.5E+1f", 0x40390000, 0, TF_FLOAT_SINGLE},
                      float_case{"1.0L", 0x3FF00000, 0, TF_FLOAT_LONG}),
    by_text);

// ---- Strings ------------------------------------------------------------------

struct string_case {
  const char* text;
  std::string value;
};

class Strings : public LexerTest, public ::testing::WithParamInterface<string_case> {};

TEST_P(Strings, EscapesApplied) {
  const string_case& c = GetParam();
  token t = first_token(c.text);
  ASSERT_EQ(t.kind, TOK_STRING) << c.text;
  EXPECT_EQ(std::string(t.text, t.length), c.value) << c.text;
  EXPECT_TRUE(diagnostics().empty()) << cap.console;
}

INSTANTIATE_TEST_SUITE_P(
    Escapes, Strings,
    ::testing::Values(string_case{R"("plain")", "plain"}, string_case{R"("\a\b\f\n\r\t\v")", "\a\b\f\n\r\t\v"},
                      string_case{R"("\"\'\>\\")", "\"'>\\"}, string_case{R"("\101\60\0x")", std::string("A0\0x", 4)},
                      string_case{R"("\1012")", "A2"},  // at most three octal digits
                      string_case{R"("\777")", "\xff"}, string_case{R"("\x41\x4a")", "AJ"},
                      string_case{R"("\x1234")", "\x34"},  // every hex digit that follows
                      string_case{R"('AB')", "AB"}, string_case{R"('')", ""}, string_case{R"('a''b')", "a'b"},
                      string_case{R"("a;b//c")", "a;b//c"}, string_case{R"("")", ""}),
    by_text);

TEST_F(LexerTest, UnknownEscapeWarnsAndKeepsCharacter) {
  token t = first_token(R"(  "a\qb\x")");
  ASSERT_EQ(t.kind, TOK_STRING);
  EXPECT_EQ(std::string(t.text, t.length), "aqbx");
  std::vector<shown_diag> want = {{1, 5, "Warning", 2, ""}, {1, 8, "Warning", 2, ""}};
  EXPECT_EQ(diagnostics(), want) << cap.console;
}

TEST_F(LexerTest, SingleQuotedStringsMarked) {
  start("'AB' \"AB\"\n");
  std::vector<token> t = all_tokens();
  ASSERT_EQ(t.size(), 3u);
  EXPECT_TRUE(t[0].flags & TF_CHAR_QUOTES);
  EXPECT_FALSE(t[1].flags & TF_CHAR_QUOTES);
  EXPECT_STREQ(t[0].text, t[1].text);
}

// ---- Lengths at their limit and one beyond ------------------------------------------

struct length_case {
  const char* name;
  std::string text;
  token_kind kind;
  uint32_t length;               // of the first token
  std::vector<shown_diag> want;  // on line 1
  const char* limit;             // a piece of the message naming the limit, or null
  const char* next;              // the text of the next token, "EOL" for the line end
};

class Lengths : public LexerTest, public ::testing::WithParamInterface<length_case> {};

TEST_P(Lengths, CutWithTheirError) {
  const length_case& c = GetParam();
  token t = first_token(c.text);
  ASSERT_EQ(t.kind, c.kind);
  EXPECT_EQ(t.length, c.length);
  EXPECT_EQ(diagnostics(), c.want) << cap.console.substr(0, 300);
  if (c.limit != nullptr) {
    EXPECT_TRUE(said(c.limit)) << cap.console.substr(0, 300);
  }
  const token& next = next_token(cx);  // what was cut off is swallowed
  EXPECT_EQ(next.kind == TOK_EOL ? "EOL" : std::string(next.text, next.length), c.next);
}

// The longest line holds an opening quote and 31998 characters.
const length_case kLengths[] = {
    {"StringAtTheLimit", "\"" + std::string(kMaxStringLength, 'y') + "\"", TOK_STRING, kMaxStringLength, {}, nullptr,
     "EOL"},
    {"StringBeyondTheLimit", "\"" + std::string(kMaxStringLength + 1, 'x'), TOK_STRING, kMaxStringLength,
     {{1, 1, "Error", 13, ""}, {1, 1, "Error", 12, ""}}, "(max is 31997)", "EOL"},
    {"IdentifierOf255", std::string(255, 'Q'), TOK_IDENT, 255, {}, nullptr, "EOL"},
    {"IdentifierOf256", "   " + std::string(254, 'A') + "BC X", TOK_IDENT, 255, {{1, 4, "Error", 108, ""}},
     "(max is 255). The symbol is \"AAAA", "X"},
    {"DigitsAtTheLimit", std::string(kMaxDigits - 1, '0') + "7", TOK_NUMBER, kMaxDigits, {}, nullptr, "EOL"},
    {"DigitsBeyondTheLimit", std::string(kMaxDigits + 1, '1'), TOK_NUMBER, kMaxDigits, {{1, 1, "Error", 12, ""}},
     "(max is 31998)", "EOL"},
};

INSTANTIATE_TEST_SUITE_P(Limits, Lengths, ::testing::ValuesIn(kLengths), by_name);

// ---- Token streams ----------------------------------------------------------------

struct stream_case {
  const char* name;
  const char* text;
  std::vector<std::string> tokens;  // their texts, "EOL" for line ends
};

class Streams : public LexerTest, public ::testing::WithParamInterface<stream_case> {};

TEST_P(Streams, Tokens) {
  start(GetParam().text);
  EXPECT_EQ(spellings(), GetParam().tokens);
  EXPECT_TRUE(diagnostics().empty()) << cap.console;
}

const stream_case kStreams[] = {
    {"IdentifierCharacters", "?a@b_1 _x9 @at A1B\n", {"?a@b_1", "_x9", "@at", "A1B", "EOL"}},
    {"DotWithoutDigitAfterNumberIsBitSeparator", "0FE20H.3 12.X\n", {"0FE20H", ".", "3", "12", ".", "X", "EOL"}},
    {"TwoCharacterOperatorsTakenGreedily", "<<= <><= >>> !x !X !xy !. !+ !^ !> !< == != && || ## ++ -- a-b\n",
     {"<<", "=", "<>", "<=", ">>", ">", "!x", "!X", "!x", "y", "!.", "!+", "!^", "!>", "!<", "==", "!=", "&&", "||",
      "##", "++", "--", "a", "-", "b", "EOL"}},
    {"CommentsEndTheLine", "a ; b\nc // d\ne / f\n", {"a", "EOL", "c", "EOL", "e", "/", "f", "EOL"}},
    {"BlockCommentInsideALineActsAsBlank", "a/*x*/b\n", {"a", "b", "EOL"}},
    {"BlockCommentSpansLinesAndEachLineEnds", "a /* one\ntwo ; still comment\n*/ b\nc\n",
     {"a", "EOL", "EOL", "b", "EOL", "c", "EOL"}},
};

INSTANTIATE_TEST_SUITE_P(Lexer, Streams, ::testing::ValuesIn(kStreams), by_name);

TEST_F(LexerTest, ExclusiveOrIsOneOperatorInBothCases) {
  start("!x !X <<\n");
  EXPECT_EQ(next_token(cx).code, punct2('!', 'X'));
  EXPECT_EQ(next_token(cx).code, punct2('!', 'X'));
  EXPECT_EQ(next_token(cx).code, punct2('<', '<'));
}

TEST_F(LexerTest, AtSignIsAnInvalidCharacterUntilRegistered) {
  asm_context bare{cap.table};
  init_symbol_table(bare);
  cap.files["bare.s26"] = "a@b\n";
  bare.driver.files.source = cap.table.open_file("bare.s26", "rt");
  bare.driver.files.source_name = "bare.s26";
  bare.driver.include_paths = {""};
  for (auto& entry : bare.driver.opt.warning_enable_table) entry = 1;
  source_start(bare);
  init_lexer(bare);
  EXPECT_STREQ(next_token(bare).text, "a");
  EXPECT_STREQ(next_token(bare).text, "b");
  EXPECT_TRUE(said("Error[15]")) << cap.console;
  cap.table.close_file(bare.driver.files.source);
}

TEST_F(LexerTest, ReferenceCreatesUserSymbolUnlessAskedNotTo) {
  start("NEWNAME OTHER\n");
  token t = next_token(cx);
  ASSERT_NE(t.node, nullptr);
  EXPECT_EQ(t.node->kind, KIND_USER);
  cx.lex.create_symbols = false;
  t = next_token(cx);
  EXPECT_EQ(t.kind, TOK_IDENT);
  EXPECT_EQ(t.node, nullptr);
  EXPECT_EQ(check_ident(cx, "OTHER", 5, false), nullptr);
}

// ---- Operators and delimiters -------------------------------------------------

TEST_F(LexerTest, SingleCharacterTokensAndTheirDelimiterNodes) {
  start("( ) [ ] , : + * % = & | ^ ~ # $ .\n");
  std::vector<token> t = all_tokens();
  ASSERT_EQ(t.size(), 18u);
  EXPECT_EQ(t[0].code, '(');
  ASSERT_NE(t[0].node, nullptr);
  EXPECT_EQ(find_kind(t[0].node, KIND_DELIMITER)->keyword.code, 26);
  EXPECT_EQ(find_kind(t[5].node, KIND_DELIMITER)->keyword.code, 22);  // ":"
  EXPECT_EQ(t[6].node, nullptr);  // "+" is not registered (yet)
  EXPECT_EQ(t[15].code, '$');
  for (int i = 0; i < 17; ++i) EXPECT_EQ(t[i].kind, TOK_PUNCT);
}

TEST_F(LexerTest, DottedWordOperator) {
  init_operator(cx, ".PAGE.", 131, 1, nullptr);
  start("A.3 .PAGE. X .FOO. Y\n");
  std::vector<token> t = all_tokens();
  ASSERT_EQ(t.size(), 10u);
  EXPECT_EQ(t[1].code, '.');
  EXPECT_STREQ(t[3].text, ".PAGE.");
  EXPECT_EQ(t[3].node->kind, KIND_OPERATOR);
  EXPECT_EQ(t[3].column, 5);
  EXPECT_EQ(t[5].code, '.');  // ".FOO." is no operator: ".", FOO, "."
  EXPECT_STREQ(t[6].text, "FOO");
  EXPECT_EQ(t[6].column, 15);
  EXPECT_EQ(t[7].code, '.');
}

// ---- Blanks, columns, the end of the input -------------------------------------------

TEST_F(LexerTest, FlagsAndColumns) {
  start("AB  CD\n  EF\na/*x*/b /* one\n*/ c\n");
  std::vector<token> t = all_tokens();
  ASSERT_EQ(t.size(), 10u);
  const struct {
    std::size_t index;
    int column;
    bool first, blank_before;
  } want[] = {{0, 1, true, false}, {1, 5, false, true}, {3, 3, true, true}, {6, 7, false, true}, {8, 4, true, true}};
  for (const auto& w : want) {
    SCOPED_TRACE(t[w.index].text);
    EXPECT_EQ(t[w.index].column, w.column);
    EXPECT_EQ((t[w.index].flags & TF_FIRST) != 0, w.first);
    EXPECT_EQ((t[w.index].flags & TF_BLANK_BEFORE) != 0, w.blank_before);
  }
}

TEST_F(LexerTest, EndOfFileInsideBlockCommentIsError4) {
  start("a\n/* open\n\nx");
  all_tokens();
  std::vector<shown_diag> d = diagnostics();
  ASSERT_EQ(d.size(), 1u) << cap.console;
  EXPECT_EQ(d[0].number, 4);
  EXPECT_EQ(d[0].kind, "Error");
  EXPECT_TRUE(said("Fatal!"));
}

// ---- Lexical errors at their line and column ------------------------------------

struct error_case {
  const char* name;
  const char* text;
  std::vector<shown_diag> want;     // text not compared
  std::vector<std::string> tokens;  // what the lexer goes on with ("EOL" for line ends)
};

class LexErrors : public LexerTest, public ::testing::WithParamInterface<error_case> {};

TEST_P(LexErrors, ReportedAndSkipped) {
  const error_case& c = GetParam();
  start(c.text);
  EXPECT_EQ(spellings(), c.tokens);
  EXPECT_EQ(diagnostics(), c.want) << cap.console;
}

const error_case kErrorCases[] = {
    {"BadDigitBinary", "  102B x\n", {{1, 3, "Error", 6, ""}}, {"102B", "x", "EOL"}},
    {"BadDigitDecimal", "ok\n 12A\n", {{2, 2, "Error", 6, ""}}, {"ok", "EOL", "12A", "EOL"}},
    {"BadDigitOctal", "8Q\n", {{1, 1, "Error", 6, ""}}, {"8Q", "EOL"}},
    {"BadSuffixRun", "  1LUL\n", {{1, 3, "Error", 6, ""}}, {"1LUL", "EOL"}},
    {"HexPrefixAlone", "a 0x\n", {{1, 3, "Error", 7, ""}}, {"a", "", "EOL"}},
    {"HexPrefixThenLetter", "0xG,1\n", {{1, 1, "Error", 7, ""}}, {"G", ",", "1", "EOL"}},
    {"HexPrefixBadDigit", "0x1G\n", {{1, 1, "Error", 6, ""}}, {"1G", "EOL"}},
    {"MalformedFloatExponent", "  1.5E+\n", {{1, 3, "Error", 8, ""}}, {"1.5E+", "EOL"}},
    {"MalformedFloatTail", "1.5Q\n", {{1, 1, "Error", 8, ""}}, {"1.5", "EOL"}},
    {"MissingQuote", "  \"abc\n", {{1, 3, "Error", 13, ""}}, {"abc", "EOL"}},
    {"MissingCharQuote", "x 'ab\ny\n", {{1, 3, "Error", 13, ""}}, {"x", "ab", "EOL", "y", "EOL"}},
    {"BackslashAtLineEnd", "\"ab\\\n", {{1, 1, "Error", 13, ""}}, {"ab", "EOL"}},
    {"InvalidCharacter", "a { b\n", {{1, 3, "Error", 15, ""}}, {"a", "b", "EOL"}},
    {"InvalidCharacters", "\\`\n", {{1, 1, "Error", 15, ""}, {1, 2, "Error", 15, ""}}, {"EOL"}},
    {"ControlCharacter", "a\x01" "b\n", {{1, 2, "Error", 15, ""}}, {"a", "b", "EOL"}},
    {"HighByte", "\xe4q\n", {{1, 1, "Error", 15, ""}}, {"q", "EOL"}},
    {"LastLineWithoutNewline", "x \"abc", {{1, 3, "Error", 13, ""}}, {"x", "abc", "EOL"}},
};

INSTANTIATE_TEST_SUITE_P(All, LexErrors, ::testing::ValuesIn(kErrorCases), by_name);

TEST_F(LexerTest, InvalidCharacterNamedInMessage) {
  start("  {\n\x02\n");
  all_tokens();
  std::vector<shown_diag> d = diagnostics();
  ASSERT_EQ(d.size(), 2u) << cap.console;
  EXPECT_EQ(d[0].text, "Invalid character encountered: '{'; ignored");
  EXPECT_EQ(d[1].text, "Invalid character encountered: '\\x02'; ignored");
}

// ---- Token backup ------------------------------------------------------------

TEST_F(LexerTest, GivenBackTokensComeFirstNewestFirst) {
  start("\"one\" \"two\" three\n");
  token a = next_token(cx);
  token b = next_token(cx);
  save_or_get_token(cx, TOKEN_SAVE, b);
  save_or_get_token(cx, TOKEN_SAVE, a);
  next_token(cx);  // "one" again, from its own copy
  EXPECT_EQ(std::string(cx.lex.tok.text), "one");
  token again = cx.lex.tok;
  save_or_get_token(cx, TOKEN_SAVE, again);
  EXPECT_STREQ(next_token(cx).text, "one");
  EXPECT_STREQ(next_token(cx).text, "two");
  EXPECT_STREQ(next_token(cx).text, "three");
  EXPECT_EQ(next_token(cx).kind, TOK_EOL);
}

TEST_F(LexerTest, BackupOverflowIsInternalError) {
  start("x\n");
  token t = next_token(cx);
  for (int i = 0; i < kTokenBackup; ++i) ASSERT_TRUE(save_or_get_token(cx, TOKEN_SAVE, t));
  EXPECT_TRUE(stops([&] { save_or_get_token(cx, TOKEN_SAVE, t); }));
  EXPECT_TRUE(said("Diagnostic: Backup overflow")) << cap.console;
  token got;
  int n = 0;
  while (save_or_get_token(cx, TOKEN_GET, got)) ++n;
  EXPECT_EQ(n, kTokenBackup);
}

TEST_F(LexerTest, SkipToEndOfLineHonoursStringsAndComments) {
  start("a \"; not a comment\" /* x\ny */ b\nc\n");
  next_token(cx);
  EXPECT_EQ(skip_tokens_to_end_of_line(cx), TOK_EOL);
  EXPECT_EQ(skip_tokens_to_end_of_line(cx), TOK_EOL);  // the comment's line
  EXPECT_STREQ(next_token(cx).text, "c");
}

// ---- Reverse conversion -------------------------------------------------------

TEST(ReverseConvert, EscapesWhatIsNotPrintableAndCutsToCapacity) {
  const char text[] = "a\tb\x01\"\\\x7f\n";
  char out[64];
  std::size_t n = reverse_convert(text, sizeof text - 1, out, sizeof out, false);
  EXPECT_STREQ(out, "a\\tb\\x01\"\\\\x7f\\n");
  EXPECT_EQ(n, std::strlen(out));
  reverse_convert(text, sizeof text - 1, out, sizeof out, true);
  EXPECT_STREQ(out, "a\\tb\\x01\\\"\\\\\\x7f\\n");
  char small[4];
  EXPECT_EQ(reverse_convert("\x01\x02", 2, small, sizeof small, false), 8u);  // the full length
  EXPECT_STREQ(small, "\\x0");
}

TEST_F(LexerTest, ReverseConversionRoundTripsThroughTheLexer) {
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  char out[2048];
  reverse_convert(all.data(), all.size(), out, sizeof out, true);
  const token t = first_token(std::string("\"") + out + "\"");
  ASSERT_EQ(t.kind, TOK_STRING);
  EXPECT_EQ(std::string(t.text, t.length), all);
  EXPECT_FALSE(said("Error")) << cap.console;
}

}  // namespace
