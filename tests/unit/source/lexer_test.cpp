// lexer_test.cpp — tokens (A05): numbers and their radixes, floating
// constants, strings and escapes, identifiers, operators, comments, the token
// backup, and every lexical error at its line and column.
#include <string>

#include "source/lexer_fixture.h"

namespace {

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
                      number_case{"0", 0, 0}, number_case{"007", 7, 0}));

INSTANTIATE_TEST_SUITE_P(
    WidthAndSuffixes, Numbers,
    ::testing::Values(number_case{"4294967295", 4294967295LL, 0},
                      number_case{"4294967296", 4294967296LL, TF_LONG},
                      number_case{"0FFFFFFFFFFFFFFFFH", -1, TF_LONG},
                      number_case{"1U", 1, TF_UNSIGNED}, number_case{"1l", 1, 0},
                      number_case{"1UL", 1, TF_UNSIGNED}, number_case{"1lu", 1, TF_UNSIGNED},
                      number_case{"1LL", 1, TF_LONG}, number_case{"1ULL", 1, TF_LONG | TF_UNSIGNED},
                      number_case{"1llu", 1, TF_LONG | TF_UNSIGNED}, number_case{"0FFHUL", 255, TF_UNSIGNED},
                      number_case{"0x10u", 16, TF_UNSIGNED}));

INSTANTIATE_TEST_SUITE_P(
    CharacterConstants, Numbers,
    ::testing::Values(number_case{"'A'", 65, TF_CHAR_QUOTES}, number_case{"''''", 39, TF_CHAR_QUOTES},
                      number_case{"'\\n'", 10, TF_CHAR_QUOTES}, number_case{"'\\xff'", 255, TF_CHAR_QUOTES},
                      number_case{"'\\''", 39, TF_CHAR_QUOTES}, number_case{"'\"'", 34, TF_CHAR_QUOTES}));

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
  EXPECT_EQ(get_ieee_high(cx.lex.floats, t.fvalue), c.high) << c.text;
  EXPECT_EQ(get_ieee_low(cx.lex.floats, t.fvalue), c.low) << c.text;
  EXPECT_EQ(t.flags & (TF_FLOAT_SINGLE | TF_FLOAT_LONG), c.flags);
  EXPECT_TRUE(diagnostics().empty()) << cap.console;
  EXPECT_EQ(next_token(cx).kind, TOK_EOL);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, Floats,
    ::testing::Values(float_case{"1.0", 0x3FF00000, 0, 0}, float_case{"1.5", 0x3FF80000, 0, 0},
                      float_case{"0.1", 0x3FB99999, 0x9999999A, 0}, float_case{"1.5E3", 0x40977000, 0, 0},
                      float_case{"2.5e-1", 0x3FD00000, 0, 0}, float_case{"2.5E+1f", 0x40390000, 0, TF_FLOAT_SINGLE},
                      float_case{"1.0L", 0x3FF00000, 0, TF_FLOAT_LONG}));

TEST_F(LexerTest, DotWithoutDigitAfterNumberIsBitSeparator) {
  start("0FE20H.3 12.X\n");
  std::vector<token> t = all_tokens();
  ASSERT_EQ(t.size(), 7u);
  EXPECT_EQ(t[0].value, 0xFE20);
  EXPECT_EQ(t[1].kind, TOK_PUNCT);
  EXPECT_EQ(t[1].code, '.');
  EXPECT_EQ(t[2].value, 3);
  EXPECT_EQ(t[3].value, 12);
  EXPECT_EQ(t[4].code, '.');
  EXPECT_STREQ(t[5].text, "X");
  EXPECT_EQ(t[6].kind, TOK_EOL);
}

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
                      string_case{R"("a;b//c")", "a;b//c"}, string_case{R"("")", ""}));

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

TEST_F(LexerTest, LongStringIsCutWithError12) {
  // The longest line holds an opening quote and 31998 characters.
  const std::string body(kMaxStringLength + 1, 'x');
  token t = first_token("\"" + body);
  ASSERT_EQ(t.kind, TOK_STRING);
  EXPECT_EQ(t.length, static_cast<uint32_t>(kMaxStringLength));
  std::vector<shown_diag> want = {{1, 1, "Error", 13, ""}, {1, 1, "Error", 12, ""}};
  EXPECT_EQ(diagnostics(), want) << cap.console.substr(0, 200);
  EXPECT_NE(cap.console.find("(max is 31997)"), std::string::npos);
  EXPECT_EQ(next_token(cx).kind, TOK_EOL);
}

TEST_F(LexerTest, StringOfExactlyTheLimitIsKept) {
  const std::string body(kMaxStringLength, 'y');
  token t = first_token("\"" + body + "\"");
  EXPECT_EQ(t.length, static_cast<uint32_t>(kMaxStringLength));
  EXPECT_TRUE(diagnostics().empty());
}

// ---- Identifiers --------------------------------------------------------------

TEST_F(LexerTest, IdentifierCharacters) {
  start("?a@b_1 _x9 @at A1B\n");
  std::vector<token> t = all_tokens();
  ASSERT_EQ(t.size(), 5u);
  EXPECT_STREQ(t[0].text, "?a@b_1");
  EXPECT_STREQ(t[1].text, "_x9");
  EXPECT_STREQ(t[2].text, "@at");
  EXPECT_STREQ(t[3].text, "A1B");
  for (int i = 0; i < 4; ++i) EXPECT_EQ(t[i].kind, TOK_IDENT);
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
  EXPECT_NE(cap.console.find("Error[15]"), std::string::npos) << cap.console;
  cap.table.close_file(bare.driver.files.source);
}

TEST_F(LexerTest, IdentifierOf256CharactersIsCutTo255) {
  const std::string name = std::string(254, 'A') + "BC";  // 256 characters
  token t = first_token("   " + name + " X");
  ASSERT_EQ(t.kind, TOK_IDENT);
  EXPECT_EQ(t.length, 255u);
  ASSERT_NE(t.node, nullptr);
  EXPECT_EQ(std::string(t.node->name), name.substr(0, 255));
  std::vector<shown_diag> d = diagnostics();
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0], (shown_diag{1, 4, "Error", 108, ""}));
  EXPECT_NE(d[0].text.find("(max is 255)"), std::string::npos) << d[0].text;
  EXPECT_NE(d[0].text.find("\"" + name.substr(0, 255) + "\""), std::string::npos);
  EXPECT_STREQ(next_token(cx).text, "X");  // the 256th character was swallowed
}

TEST_F(LexerTest, IdentifierOf255CharactersIsWhole) {
  const std::string name(255, 'Q');
  token t = first_token(name);
  EXPECT_EQ(t.length, 255u);
  EXPECT_TRUE(diagnostics().empty());
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

TEST_F(LexerTest, TwoCharacterOperatorsTakenGreedily) {
  start("<<= <><= >>> !x !X !xy !. !+ !^ !> !< == != && || ## ++ -- a-b\n");
  std::vector<std::string> spell;
  std::vector<int> codes;
  for (const token& t : all_tokens()) {
    if (t.kind == TOK_EOL) break;
    spell.emplace_back(t.text, t.length);
    codes.push_back(t.code);
  }
  std::vector<std::string> want = {"<<", "=", "<>", "<=", ">>", ">", "!x", "!X", "!x", "y", "!.", "!+", "!^", "!>",
                                   "!<", "==", "!=", "&&", "||", "##", "++", "--", "a", "-", "b"};
  EXPECT_EQ(spell, want);
  EXPECT_EQ(codes[6], punct2('!', 'X'));  // "!x" and "!X" are one operator
  EXPECT_EQ(codes[7], punct2('!', 'X'));
  EXPECT_EQ(codes[0], punct2('<', '<'));
}

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
  EXPECT_STREQ(t[0].text, "A");
  EXPECT_EQ(t[1].code, '.');
  EXPECT_EQ(t[2].value, 3);
  EXPECT_EQ(t[3].kind, TOK_IDENT);
  EXPECT_STREQ(t[3].text, ".PAGE.");
  EXPECT_EQ(t[3].node->kind, KIND_OPERATOR);
  EXPECT_EQ(t[3].column, 5);
  EXPECT_STREQ(t[4].text, "X");
  EXPECT_EQ(t[5].code, '.');  // ".FOO." is no operator: ".", FOO, "."
  EXPECT_STREQ(t[6].text, "FOO");
  EXPECT_EQ(t[6].column, 15);
  EXPECT_EQ(t[7].code, '.');
  EXPECT_STREQ(t[8].text, "Y");
}

// ---- Comments, blanks, columns --------------------------------------------------

TEST_F(LexerTest, CommentsEndTheLine) {
  start("a ; b\nc // d\ne / f\n");
  std::vector<token> t = all_tokens();
  std::vector<std::string> seen;
  for (const token& k : t) seen.push_back(k.kind == TOK_EOL ? "EOL" : std::string(k.text, k.length));
  std::vector<std::string> want = {"a", "EOL", "c", "EOL", "e", "/", "f", "EOL"};
  EXPECT_EQ(seen, want);
}

TEST_F(LexerTest, BlockCommentInsideALineActsAsBlank) {
  start("a/*x*/b\n");
  std::vector<token> t = all_tokens();
  ASSERT_EQ(t.size(), 3u);
  EXPECT_STREQ(t[1].text, "b");
  EXPECT_TRUE(t[1].flags & TF_BLANK_BEFORE);
  EXPECT_EQ(t[1].column, 7);
}

TEST_F(LexerTest, BlockCommentSpansLinesAndEachLineEnds) {
  start("a /* one\ntwo ; still comment\n*/ b\nc\n");
  std::vector<token> t = all_tokens();
  std::vector<std::string> seen;
  for (const token& k : t) seen.push_back(k.kind == TOK_EOL ? "EOL" : std::string(k.text, k.length));
  std::vector<std::string> want = {"a", "EOL", "EOL", "b", "EOL", "c", "EOL"};
  EXPECT_EQ(seen, want);
  EXPECT_EQ(t[3].column, 4);
  EXPECT_TRUE(t[3].flags & TF_FIRST);
  EXPECT_TRUE(diagnostics().empty());
}

TEST_F(LexerTest, EndOfFileInsideBlockCommentIsError4) {
  start("a\n/* open\n\nx");
  std::vector<token> t = all_tokens();
  std::vector<shown_diag> d = diagnostics();
  ASSERT_EQ(d.size(), 1u) << cap.console;
  EXPECT_EQ(d[0].number, 4);
  EXPECT_EQ(d[0].kind, "Error");
  EXPECT_NE(cap.console.find("Fatal!"), std::string::npos);
}

TEST_F(LexerTest, FlagsAndColumns) {
  start("AB  CD\n  EF\n");
  std::vector<token> t = all_tokens();
  ASSERT_EQ(t.size(), 5u);
  EXPECT_EQ(t[0].column, 1);
  EXPECT_TRUE(t[0].flags & TF_FIRST);
  EXPECT_FALSE(t[0].flags & TF_BLANK_BEFORE);
  EXPECT_EQ(t[1].column, 5);
  EXPECT_FALSE(t[1].flags & TF_FIRST);
  EXPECT_TRUE(t[1].flags & TF_BLANK_BEFORE);
  EXPECT_EQ(t[3].column, 3);
  EXPECT_TRUE(t[3].flags & TF_FIRST);
  EXPECT_TRUE(t[3].flags & TF_BLANK_BEFORE);
}

// ---- Lexical errors at their line and column ------------------------------------

struct error_case {
  const char* name;
  const char* text;
  std::vector<shown_diag> want;  // text not compared
  std::vector<std::string> tokens;  // what the lexer goes on with ("EOL" for line ends)
};

class LexErrors : public LexerTest, public ::testing::WithParamInterface<error_case> {};

TEST_P(LexErrors, ReportedAndSkipped) {
  const error_case& c = GetParam();
  start(c.text);
  std::vector<std::string> seen;
  for (const token& k : all_tokens()) seen.push_back(k.kind == TOK_EOL ? "EOL" : std::string(k.text, k.length));
  EXPECT_EQ(diagnostics(), c.want) << cap.console;
  EXPECT_EQ(seen, c.tokens);
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

INSTANTIATE_TEST_SUITE_P(All, LexErrors, ::testing::ValuesIn(kErrorCases),
                         [](const ::testing::TestParamInfo<error_case>& i) { return std::string(i.param.name); });

TEST_F(LexerTest, InvalidCharacterNamedInMessage) {
  start("  {\n\x02\n");
  all_tokens();
  std::vector<shown_diag> d = diagnostics();
  ASSERT_EQ(d.size(), 2u) << cap.console;
  EXPECT_EQ(d[0].text, "Invalid character encountered: '{'; ignored");
  EXPECT_EQ(d[1].text, "Invalid character encountered: '\\x02'; ignored");
}

TEST_F(LexerTest, TooManyDigitsIsError12) {
  token t = first_token(std::string(kMaxDigits + 1, '1'));
  EXPECT_EQ(t.kind, TOK_NUMBER);
  std::vector<shown_diag> d = diagnostics();
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0], (shown_diag{1, 1, "Error", 12, ""}));
  EXPECT_NE(d[0].text.find("(max is 31998)"), std::string::npos) << d[0].text;
  EXPECT_EQ(next_token(cx).kind, TOK_EOL);
}

TEST_F(LexerTest, DigitsUpToTheLimitAreOneNumber) {
  token t = first_token(std::string(kMaxDigits - 1, '0') + "7");
  EXPECT_EQ(t.kind, TOK_NUMBER);
  EXPECT_EQ(t.value, 7);
  EXPECT_TRUE(diagnostics().empty());
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
  EXPECT_NE(cap.console.find("Diagnostic: Backup overflow"), std::string::npos) << cap.console;
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

TEST(ReverseConvert, EscapesWhatIsNotPrintable) {
  const char text[] = "a\tb\x01\"\\\x7f\n";
  char out[64];
  std::size_t n = reverse_convert(text, sizeof text - 1, out, sizeof out, false);
  EXPECT_STREQ(out, "a\\tb\\x01\"\\\\x7f\\n");
  EXPECT_EQ(n, std::strlen(out));
  reverse_convert(text, sizeof text - 1, out, sizeof out, true);
  EXPECT_STREQ(out, "a\\tb\\x01\\\"\\\\\\x7f\\n");
}

TEST(ReverseConvert, RoundTripsThroughTheLexer) {
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  char out[2048];
  reverse_convert(all.data(), all.size(), out, sizeof out, true);
  capture_table cap;
  asm_context cx{cap.table};
  for (auto& entry : cx.driver.opt.warning_enable_table) entry = 1;
  init_symbol_table(cx);
  cap.files["rt.s26"] = std::string("\"") + out + "\"\n";
  cx.driver.files.source = cap.table.open_file("rt.s26", "rt");
  cx.driver.files.source_name = "rt.s26";
  cx.driver.include_paths = {""};
  source_start(cx);
  init_lexer(cx);
  const token& t = next_token(cx);
  ASSERT_EQ(t.kind, TOK_STRING);
  EXPECT_EQ(std::string(t.text, t.length), all);
  EXPECT_EQ(cap.console.find("Error"), std::string::npos) << cap.console;
  cap.table.close_file(cx.driver.files.source);
}

TEST(ReverseConvert, CutToCapacityButReportsFullLength) {
  char out[4];
  EXPECT_EQ(reverse_convert("\x01\x02", 2, out, sizeof out, false), 8u);
  EXPECT_STREQ(out, "\\x0");
}

}  // namespace
