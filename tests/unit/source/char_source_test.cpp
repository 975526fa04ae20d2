// char_source_test.cpp — the character-source stack (A05): redirection,
// push-back, fall-through, the table limits, skip_line; the io status stack (A06).
#include <array>
#include <utility>

#include "support/asm_fixture.h"

namespace {

// Texts served by the test sources below, by slot; a source yields its text
// and then 0. Read functions carry no data of their own, hence the table.
struct fake_text {
  std::string text;
  std::size_t pos = 0;
};
fake_text fakes[kMaxCharSources + 1];

template <int N>
int fake_read(asm_context&) {
  fake_text& f = fakes[N];
  return f.pos < f.text.size() ? static_cast<unsigned char>(f.text[f.pos++]) : 0;
}

void serve(int slot, std::string text) { fakes[slot] = {std::move(text), 0}; }

template <int... N>
constexpr std::array<char_reader, sizeof...(N)> make_readers(std::integer_sequence<int, N...>) {
  return {fake_read<N>...};
}
constexpr auto kReaders = make_readers(std::make_integer_sequence<int, kMaxCharSources + 1>{});

class CharSourceTest : public AsmTest {
 protected:
  void SetUp() override {
    AsmTest::SetUp();
    for (fake_text& f : fakes) f = {};
  }
  std::string read(int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += static_cast<char>(get_char(cx));
    return out;
  }
};

TEST_F(CharSourceTest, InnerSourceFallsThroughToTheFile) {
  start("abc\n");
  EXPECT_EQ(get_char(cx), 'a');
  serve(0, "XY");
  ASSERT_TRUE(redirect_input(cx, kReaders[0]));
  EXPECT_TRUE(input_redirected(cx));
  EXPECT_EQ(read(5), "XYbc\n");
  EXPECT_FALSE(input_redirected(cx));
}

TEST_F(CharSourceTest, NestedSourcesEndInnermostFirst) {
  start("f\n");
  serve(0, "outer-");
  serve(1, "inner-");
  ASSERT_TRUE(redirect_input(cx, kReaders[0]));
  EXPECT_EQ(read(3), "out");
  ASSERT_TRUE(redirect_input(cx, kReaders[1]));
  EXPECT_EQ(read(11), "inner-er-f\n");
  EXPECT_EQ(get_char(cx), -1);
}

TEST_F(CharSourceTest, PushBackIsLastInFirstOutPerSource) {
  start("abc\n");
  EXPECT_EQ(read(2), "ab");
  unget_char(cx, 'b');  // the character just read
  unget_char(cx, 'Q');  // one the line never held
  unget_char(cx, 'R');
  EXPECT_EQ(read(5), "RQbc\n");
}

TEST_F(CharSourceTest, PushBackBelongsToTheSourceItWasMadeOn) {
  start("ab\n");
  EXPECT_EQ(get_char(cx), 'a');
  unget_char(cx, 'F');  // on the file
  serve(0, "xy");
  ASSERT_TRUE(redirect_input(cx, kReaders[0]));
  EXPECT_EQ(get_char(cx), 'x');
  unget_char(cx, 'I');  // on the inner source
  EXPECT_EQ(read(6), "IyFb\n" + std::string(1, static_cast<char>(-1)));
}

TEST_F(CharSourceTest, EndOfInputCanBePushedBack) {
  start("a\n");
  EXPECT_EQ(read(2), "a\n");
  EXPECT_EQ(get_char(cx), -1);
  unget_char(cx, -1);
  EXPECT_EQ(get_char(cx), -1);
}

TEST_F(CharSourceTest, UngetAcrossLineStartKeepsOrder) {
  start("ab\ncd\n");
  EXPECT_EQ(read(4), "ab\nc");
  unget_char(cx, 'c');
  unget_char(cx, '\n');  // from the previous line, no longer in the buffer
  EXPECT_EQ(read(4), "\ncd\n");
}

TEST_F(CharSourceTest, HundredPushedBackThenBufferFull) {
  start("a\n");
  serve(0, "z");
  ASSERT_TRUE(redirect_input(cx, kReaders[0]));
  for (int i = 0; i < kPushBackSize; ++i) unget_char(cx, '0' + i % 10);
  EXPECT_TRUE(stops([&] { unget_char(cx, 'x'); }));
  EXPECT_NE(cap.console.find("unget_char_A05"), std::string::npos) << cap.console;
  EXPECT_NE(cap.console.find("buffer full"), std::string::npos);
  // The hundred are still there, newest first.
  EXPECT_EQ(read(3), "987");
}

TEST_F(CharSourceTest, TwentyDistinctSourcesThenArrayTooSmall) {
  start("f\n");
  // The file's read_line is the first of the twenty.
  for (int i = 0; i < kMaxCharSources - 1; ++i) {
    serve(i, "");
    ASSERT_TRUE(redirect_input(cx, kReaders[i])) << i;
  }
  EXPECT_EQ(cx.source.source_count, kMaxCharSources);
  EXPECT_TRUE(stops([&] { redirect_input(cx, kReaders[kMaxCharSources - 1]); }));
  EXPECT_NE(cap.console.find("redirect_input_A05"), std::string::npos) << cap.console;
  EXPECT_NE(cap.console.find("array too small"), std::string::npos);
}

TEST_F(CharSourceTest, SameSourceAgainReusesItsEntry) {
  start("f\n");
  serve(0, "");
  for (int i = 0; i < 200; ++i) ASSERT_TRUE(redirect_input(cx, kReaders[0]));
  EXPECT_EQ(cx.source.source_count, 2);
  EXPECT_EQ(read(2), "f\n");  // all 200 end at once when the text is used up
}

TEST_F(CharSourceTest, InIdeModeAFullTableStopsTheRunToo) {
  cx.driver.ide_mode = 1;
  start("f\n");
  for (int i = 0; i < kMaxCharSources - 1; ++i) ASSERT_TRUE(redirect_input(cx, kReaders[i]));
  serve(kMaxCharSources - 1, "never");
  EXPECT_THROW(redirect_input(cx, kReaders[kMaxCharSources - 1]), run_stop);
  EXPECT_EQ(cx.driver.module_errors, 1);
}

TEST_F(CharSourceTest, SkipLineThrowsAwayThroughTheNewline) {
  start("abc\ndef\n");
  EXPECT_EQ(get_char(cx), 'a');
  skip_line(cx);
  EXPECT_EQ(get_char(cx), 'd');
  unget_char(cx, 'Z');
  skip_line(cx);  // the pushed-back character goes too
  EXPECT_EQ(get_char(cx), -1);
}

TEST_F(CharSourceTest, SkipLineOnAnInnerSource) {
  start("tail\n");
  serve(0, "one\ntwo");
  ASSERT_TRUE(redirect_input(cx, kReaders[0]));
  skip_line(cx);
  EXPECT_EQ(read(3), "two");
  EXPECT_EQ(get_char(cx), 't');
}

TEST_F(CharSourceTest, SkipLineAtLineEndSkipsTheNextLine) {
  start("a\nb\nc\n");
  EXPECT_EQ(read(2), "a\n");
  skip_line(cx);
  EXPECT_EQ(get_char(cx), 'c');
}

// ---- io status stack -------------------------------------------------------------

TEST_F(CharSourceTest, IoStatusPopsNewestFirst) {
  EXPECT_TRUE(io_status_empty(cx));
  push_io_status(cx, {10, 'a', 1});
  push_io_status(cx, {20, 'b', 2});
  io_status s = pop_io_status(cx);
  EXPECT_EQ(s.token_pos, 20);
  EXPECT_EQ(s.pending_char, 'b');
  push_io_status(cx, {30, 'c', 3});  // reuses the freed entry
  EXPECT_EQ(pop_io_status(cx).recording, 3u);
  EXPECT_EQ(pop_io_status(cx).token_pos, 10);
  EXPECT_TRUE(io_status_empty(cx));
}

TEST_F(CharSourceTest, PopOfEmptyIoStatusIsNoStack) {
  EXPECT_TRUE(stops([&] { pop_io_status(cx); }));
  EXPECT_NE(cap.console.find("pop_io_status_A06"), std::string::npos) << cap.console;
  EXPECT_NE(cap.console.find("no stack"), std::string::npos);
}

}  // namespace
