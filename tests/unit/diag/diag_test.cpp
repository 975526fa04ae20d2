// diag_test.cpp — reporting of errors and warnings: layout, counting and the
// error limit, the warning filter, hidden letters, IDE markers, list pieces.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "diag/diag.h"
#include "driver/block_stack.h"
#include "driver/context.h"
#include "driver/statement.h"
#include "driver/stops.h"
#include "support/asm_fixture.h"
#include "support/param_names.h"

namespace {

int g_notified_errors = -1;  // last counts seen by the count notification
int g_notified_warnings = -1;
int g_notifications = 0;
void note_counts(void*, int errors, int warnings) {
  g_notified_errors = errors;
  g_notified_warnings = warnings;
  ++g_notifications;
}

class Diag : public AsmTest {
 protected:
  void SetUp() override {
    AsmTest::SetUp();
    at_line("t.s26", 7, "LOOP  MOVW AX,#1\n", 7);
    g_notifications = g_notified_errors = g_notified_warnings = 0;
    cap.table.entries.count_notification = note_counts;
  }
  void TearDown() override {
    if (cx.driver.files.list != nullptr) cap.table.close_file(cx.driver.files.list);
  }

  void at_line(const char* file, long line, const char* text, int column) {
    cx.source.file_name = file;
    cx.source.line_no = line;
    cx.source.line = text;
    cx.source.line_len = static_cast<long>(std::char_traits<char>::length(text));
    cx.diag.token_column = column;
  }
  void open_list() { cx.driver.files.list = cap.table.open_file("t.lst", "wt"); }

  // A statement record for a line of its own, with the three columns set.
  statement_rec* statement(const char* file, long line, const char* text) {
    statement_rec* rec = insert_avm_struct(cx, make_line_rec(cx, file, line, text, std::strlen(text)));
    rec->operation_column = 3;
    rec->operand_column[0] = 8;
    rec->operand_column[1] = 11;
    return rec;
  }
  static std::string pieces(const statement_rec* rec) {
    std::string all;
    for (const diag_piece* p = rec->diag_first; p != nullptr; p = p->next) all.append(p->text, p->length);
    return all;
  }
  int stop_code_of_error(error_id number, const char* text = nullptr, long value = 0) {
    try {
      user_error(cx, number, text, value);
    } catch (const run_stop& stop) {
      return stop.exit_code;
    }
    return -1;
  }
};

// ---- text expansion -------------------------------------------------------

struct expansion_case {
  int number;
  const char* text;
  long value;
  const char* expected;  // everything after the heading's "]: "
};

class Expansion : public Diag, public ::testing::WithParamInterface<expansion_case> {};

TEST_P(Expansion, FillsArgumentsIntoText) {
  const expansion_case& c = GetParam();
  user_error(cx, error_id{c.number}, c.text, c.value);
  const std::string heading = "\"t.s26\",7  Error[" + std::to_string(c.number) + "]: ";
  const auto at = cap.console.find(heading);
  ASSERT_NE(at, std::string::npos) << cap.console;
  EXPECT_EQ(cap.console.substr(at + heading.size()), std::string(c.expected) + "\n");
}

// Arguments the table of every message (messages_test.cpp) does not show:
// letters in a hexadecimal number, a negative decimal, no string at all.
INSTANTIATE_TEST_SUITE_P(
    ControlBytes, Expansion,
    ::testing::Values(expansion_case{66, nullptr, 0xFFFF, "Segment too long (max is ffff)"},
                      expansion_case{70, "LIM", -3, "Limit exceeded: 'LIM', value is: -3 (decimal)"},
                      expansion_case{50, nullptr, 0, "Undefined symbol:''"}),
    [](const auto& info) { return "error_" + std::to_string(info.param.number); });

TEST_F(Diag, StringArgumentIsNotCarriedToTheNextReport) {
  user_error(cx, gen_err::duplicate_label, "X");
  cap.console.clear();
  cx.diag.arg_number = 0;
  print_problem(cx, problem_sink::console, 42, "Error", find_message(cx, 42, true), nullptr, 7);
  EXPECT_EQ(cap.console, "\"t.s26\",7  Error[42]: Duplicate label:''\n");
}

// ---- layout ----------------------------------------------------------------

TEST_F(Diag, SamePositionShowsSourceAndMarkerOnce) {
  user_error(cx, gen_err::bad_instruction);
  user_warning(cx, gen_warn::constant_truncated);
  cx.diag.token_column = 9;  // another column on the same line
  user_error(cx, gen_err::bad_label);
  EXPECT_EQ(cap.console,
            "\nLOOP  MOVW AX,#1\n------^\n"
            "\"t.s26\",7  Error[40]: Bad instruction\n"
            "\"t.s26\",7  Warning[15]: Constant truncated\n"
            "\nLOOP  MOVW AX,#1\n--------^\n"
            "\"t.s26\",7  Error[41]: Bad label\n");
}

TEST_F(Diag, NewLineOrFileShowsSourceAgain) {
  user_error(cx, gen_err::bad_label);
  at_line("t.s26", 8, "LOOP  MOVW AX,#1\n", 7);
  user_error(cx, gen_err::bad_label);
  at_line("u.s26", 8, "LOOP  MOVW AX,#1\n", 7);
  user_error(cx, gen_err::bad_label);
  EXPECT_EQ(cap.console,
            "\nLOOP  MOVW AX,#1\n------^\n\"t.s26\",7  Error[41]: Bad label\n"
            "\nLOOP  MOVW AX,#1\n------^\n\"t.s26\",8  Error[41]: Bad label\n"
            "\nLOOP  MOVW AX,#1\n------^\n\"u.s26\",8  Error[41]: Bad label\n");
}

TEST_F(Diag, ControlCharactersEchoAsDollar) {
  at_line("t.s26", 2, "A\x01" "B\tC\x1f" "D\x7f\n", 1);
  user_error(cx, gen_err::invalid_character, "\x01");
  EXPECT_EQ(cap.console.substr(0, 12), "\nA$B$C$D\x7f\n^\n");
}

TEST_F(Diag, BlockNoteNamesInnermostOpenBlock) {
  user_error(cx, gen_err::structured_unbalanced);  // no block open: no note
  push_block(cx, block_type::conditional, 4);
  push_block(cx, block_type::structured, 12);
  user_error(cx, gen_err::structured_unbalanced);
  pop_block(cx);
  user_error(cx, gen_err::else_without_if);
  EXPECT_TRUE(said("Error[60]: Unbalanced structured assembly directives\n\"t.s26\""));
  EXPECT_TRUE(said("Error[60]: Unbalanced structured assembly directives\n"
                   "In structured assembly started in line 12\n\n"));
  EXPECT_TRUE(said("Error[58]: ELSE without IF\nIn conditional assembly started in line 4\n\n"));
}

// ---- counting and the error limit ------------------------------------------

// The report past the limit (100, or the one given) becomes error 9 and stops
// the run; a warning that letter W makes an error counts; IDE mode has none.
struct limit_case {
  const char* name;
  int limit, as_errors, ide;  // limit 0: the default
  int before;                 // errors reported first
  bool warning_last;          // the last report is warning 14, else error 41
  const char* shown;          // what the last report prints, "" for the plain report
  int errors;                 // counted in the end
};

class ErrorLimit : public Diag, public ::testing::WithParamInterface<limit_case> {};

TEST_P(ErrorLimit, LastReport) {
  const limit_case& c = GetParam();
  if (c.limit != 0) cx.driver.opt.error_limit = c.limit;
  cx.driver.opt.warnings_as_errors = c.as_errors;
  cx.driver.ide_mode = c.ide;
  for (int i = 0; i < c.before; ++i) user_error(cx, gen_err::bad_instruction);
  cap.console.clear();
  int code = -1;
  try {
    c.warning_last ? user_warning(cx, gen_warn::division_by_zero) : user_error(cx, gen_err::bad_label);
  } catch (const run_stop& stop) {
    code = stop.exit_code;
  }
  EXPECT_EQ(code, *c.shown != '\0' ? 3 : -1);
  if (*c.shown != '\0') {
    EXPECT_EQ(cap.console, std::string("\"t.s26\",7  ") + c.shown + "\n\nFatal! Execution terminated...\n");
  } else {
    EXPECT_NE(cap.console.find("Error[41]"), std::string::npos) << cap.console;
  }
  EXPECT_EQ(cx.driver.module_errors, c.errors);
  EXPECT_EQ(g_notifications, c.ide ? c.before + 1 : 0);
}

// clang-format off
const limit_case kLimits[] = {
    {"HundredthBecomesErrorNine", 0,  0, 0, 99,  false, "Error[9]: Too many errors encountered (>100).", 101},
    {"LimitFromTheOption",        3,  0, 0, 2,   false, "Error[9]: Too many errors encountered (>3).",   4},
    {"LetterWCountsAWarning",     2,  1, 0, 1,   true,  "Error[9]: Too many errors encountered (>2).",   3},
    {"NoneInIdeMode",             -1, 0, 1, 150, false, "",                                              151},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Counting, ErrorLimit, ::testing::ValuesIn(kLimits), by_name);

TEST_F(Diag, IdeModeMarksColumnAndMessage) {
  cx.driver.ide_mode = 1;
  user_error(cx, gen_err::bad_instruction);
  user_error(cx, gen_err::bad_label);
  EXPECT_EQ(cap.console,
            "\n\xC1" "7\n"
            "\xC0\"t.s26\",7  Error[40]: Bad instruction\n"
            "\xC0\"t.s26\",7  Error[41]: Bad label\n");
}

// ---- warnings --------------------------------------------------------------

// The filter: the -w switch, the table entry of the number, letter W of -c
// (warnings as errors) and IDE mode. Each row reports warnings 15 and 400.
struct filter_case {
  const char* name;
  int all_warnings, entry_on, as_errors, ide;
  const char* shown;  // the heading printed for warning 15, or "" for none
  int warnings, errors;
};

class WarningFilter : public Diag, public ::testing::WithParamInterface<filter_case> {};

TEST_P(WarningFilter, PrintsAndCounts) {
  const filter_case& c = GetParam();
  cx.driver.opt.all_warnings = c.all_warnings;
  cx.driver.opt.warning_enable_table[15] = cx.driver.opt.warning_enable_table[400] = c.entry_on;
  cx.driver.opt.warnings_as_errors = c.as_errors;
  cx.driver.ide_mode = c.ide;
  user_warning(cx, gen_warn::constant_truncated);
  user_warning(cx, tgt_warn::number_out_of_range);
  if (*c.shown == '\0') {
    EXPECT_EQ(cap.console, "");
  } else {
    EXPECT_TRUE(said(std::string("\"t.s26\",7  ") + c.shown + ": Constant truncated\n")) << cap.console;
  }
  EXPECT_EQ(cx.driver.module_warnings, c.warnings);
  EXPECT_EQ(cx.driver.module_errors, c.errors);
  if (c.ide) {
    EXPECT_EQ(g_notified_warnings, c.warnings);
  }
}

const filter_case kFilters[] = {
    {"PrintedAndCounted", 1, 1, 0, 0, "Warning[15]", 2, 0},
    {"EntryOff", 1, 0, 0, 0, "", 0, 0},
    {"EntryOffEvenAsError", 1, 0, 1, 0, "", 0, 0},
    {"SwitchOffCountsWithoutPrinting", 0, 1, 0, 0, "", 2, 0},
    {"SwitchAndEntriesOff", 0, 0, 0, 0, "", 0, 0},
    {"LetterWMakesErrors", 1, 1, 1, 0, "Error[15]", 0, 2},
    {"IdeModeCounts", 1, 1, 0, 1, "Warning[15]", 2, 0},
    {"IdeModeCountsOnlyWithTheSwitchOn", 0, 1, 0, 1, "", 0, 0},
};

INSTANTIATE_TEST_SUITE_P(Warnings, WarningFilter, ::testing::ValuesIn(kFilters), by_name);

TEST_F(Diag, FloatWarningCodes) {
  fp_warnings(&cx, 1);
  fp_warnings(&cx, 2);
  EXPECT_TRUE(said("Warning[5]: Floating point value out-of-range\n"));
  EXPECT_TRUE(said("Warning[6]: Floating point division by zero\n"));
  EXPECT_EQ(cx.driver.module_warnings, 2);
  EXPECT_THROW(fp_warnings(&cx, 3), run_stop);
  EXPECT_TRUE(said("In function: fp_warnings - A03\nDiagnostic: unknown warning\n"));
}

// ---- console silence and hidden records --------------------------------------

TEST_F(Diag, SilentOptionKeepsConsoleEmptyButCountsAndLists) {
  cx.driver.opt.silent_diagnostics = 1;
  open_list();
  statement_rec* rec = statement("t.s26", 7, "LOOP  MOVW AX,#1");
  user_error(cx, gen_err::bad_instruction);
  EXPECT_EQ(cap.console, "");
  EXPECT_EQ(cx.driver.module_errors, 1);
  EXPECT_EQ(pieces(rec), "\n------^\n\"t.s26\",7  Error[40]: Bad instruction\n");
}

TEST_F(Diag, LetterDollarHidesDiagnosticsOfOriginTwo) {
  cx.driver.opt.suppress_origin2 = 1;
  statement_rec* rec = statement("t.s26", 7, "LOOP  MOVW AX,#1");
  rec->line->origin = 2;
  user_error(cx, gen_err::bad_instruction);
  user_error_pass2(cx, AVM_RECORD, rec, gen_err::bad_label, OPERAND_2);
  EXPECT_EQ(cap.console, "");
  EXPECT_EQ(cx.driver.module_errors, 2);
  rec->line->origin = 0;
  user_error(cx, gen_err::bad_instruction);
  EXPECT_NE(cap.console, "");
}

// ---- the list buffer ---------------------------------------------------------

TEST_F(Diag, ListGetsMarkerButNoSourceEcho) {
  open_list();
  statement_rec* rec = statement("t.s26", 7, "LOOP  MOVW AX,#1");
  user_error(cx, gen_err::bad_instruction);
  user_error(cx, gen_err::bad_label);
  EXPECT_EQ(pieces(rec),
            "\n------^\n\"t.s26\",7  Error[40]: Bad instruction\n"
            "\"t.s26\",7  Error[41]: Bad label\n");
  ASSERT_NE(rec->diag_first, nullptr);
  EXPECT_EQ(rec->diag_first->next, rec->diag_last);  // one piece per diagnostic
  // The console got its own source echo despite the list having shown the position.
  EXPECT_EQ(cap.console.substr(0, 18), "\nLOOP  MOVW AX,#1\n");
}

TEST_F(Diag, LongListTextIsCutWhereFewerThanSixPlacesRemain) {
  open_list();
  statement_rec* rec = statement("t.s26", 7, "LOOP  MOVW AX,#1");
  const std::string name(300, 'N');
  user_error(cx, gen_err::undefined_symbol, name.c_str());
  const std::string expected = "\n------^\n\"t.s26\",7  Error[50]: Undefined symbol:'" + name + "'\n";
  EXPECT_EQ(pieces(rec), expected);
  std::size_t total = 0;
  for (const diag_piece* p = rec->diag_first; p != nullptr; p = p->next) {
    if (p->next != nullptr) {
      EXPECT_EQ(p->length, 123u);
    }
    total += p->length;
  }
  EXPECT_EQ(total, expected.size());
}

// Reports without a statement record: those raised while a line is read go
// to that line's record once it exists; the rest stay loose for the
// module's diagnostics block. None is an internal error.
TEST_F(Diag, ListWithoutStatementRecordStaysLoose) {
  open_list();
  EXPECT_NO_THROW(user_error(cx, gen_err::bad_instruction));
  const diag_piece* loose = take_loose_diagnostics(cx);
  ASSERT_NE(loose, nullptr);
  EXPECT_NE(std::string(loose->text, loose->length).find("Error[40]: Bad instruction"), std::string::npos);
  EXPECT_EQ(take_loose_diagnostics(cx), nullptr);  // taken once
}

TEST_F(Diag, HeldReportsGoToTheNextRecordNotThePrevious) {
  open_list();
  statement_rec* before = statement("t.s26", 6, "  DB 1");
  user_warning(cx, gen_warn::constant_truncated);  // on the current statement
  hold_diagnostics(cx);
  at_line("t.s26", 7, "LOOP  MOVW AX,#1\n", 1);
  user_error(cx, gen_err::line_too_long, nullptr, 31999);  // while line 7 is read
  statement_rec* line7 = statement("t.s26", 7, "LOOP  MOVW AX,#1");
  attach_held_diagnostics(cx, line7);
  user_error(cx, gen_err::bad_instruction);  // after the hold: the current statement
  EXPECT_EQ(pieces(before).find("Error"), std::string::npos) << pieces(before);
  EXPECT_NE(pieces(line7).find("Error[5]"), std::string::npos) << pieces(line7);
  EXPECT_NE(pieces(line7).find("Error[40]"), std::string::npos) << pieces(line7);
  EXPECT_EQ(take_loose_diagnostics(cx), nullptr);
}

TEST_F(Diag, OnlyWhatWasHeldMovesAndTheEndOfInputLeavesItLoose) {
  open_list();
  user_error(cx, gen_err::bad_label);  // no statement yet: loose
  hold_diagnostics(cx);
  user_error(cx, gen_err::invalid_syntax);
  statement_rec* first = statement("t.s26", 7, "LOOP  MOVW AX,#1");
  attach_held_diagnostics(cx, first);
  hold_diagnostics(cx);
  user_error(cx, gen_err::bad_instruction);
  release_held_diagnostics(cx);  // the input ended: no record follows
  user_error(cx, gen_err::invalid_syntax);  // after the release: the current statement again
  std::string loose;
  for (const diag_piece* p = take_loose_diagnostics(cx); p != nullptr; p = p->next) loose.append(p->text, p->length);
  EXPECT_NE(loose.find("Error[41]"), std::string::npos) << loose;
  EXPECT_NE(loose.find("Error[40]"), std::string::npos) << loose;
  EXPECT_EQ(loose.find("Error[0]"), std::string::npos) << loose;
  EXPECT_EQ(pieces(first).find("Error[41]"), std::string::npos) << pieces(first);
  EXPECT_NE(pieces(first).find("Error[0]"), pieces(first).rfind("Error[0]")) << pieces(first);  // both on it
}

// ---- pass-2 positions -------------------------------------------------------

struct operand_case {
  const char* name;
  int operand;
  const char* marker;
};

class Pass2Column : public Diag, public ::testing::WithParamInterface<operand_case> {};

TEST_P(Pass2Column, OperandPositionPicksColumn) {
  statement_rec* rec = statement("p.s26", 30, "  MOV A,B");
  cx.driver.pass1 = 0;
  at_line("other.s26", 99, "unrelated\n", 1);  // the reader has moved on
  user_error_pass2(cx, AVM_VIA_LINE, rec->line, gen_err::bad_effective_address, GetParam().operand);
  EXPECT_EQ(cap.console, std::string("\n  MOV A,B\n") + GetParam().marker +
                             "\n\"p.s26\",30  Error[43]: Illegal effective address\n");
}

INSTANTIATE_TEST_SUITE_P(OperandColumns, Pass2Column,
                         ::testing::Values(operand_case{"Operand1", OPERAND_1, "-------^"},
                                           operand_case{"Operand2", OPERAND_2, "----------^"},
                                           operand_case{"Operation", OPERATION_FIELD, "--^"}),
                         by_name);

TEST_F(Diag, Pass2CurrentStatementWhilePassOneRuns) {
  statement("c.s26", 3, "  BR $X");
  user_warning_pass2(cx, AVM_CURRENT, nullptr, tgt_warn::even_value_expected, OPERAND_1);
  EXPECT_EQ(cap.console, "\n  BR $X\n-------^\n\"c.s26\",3  Warning[405]: Even value expected\n");
}

TEST_F(Diag, Pass2WarningDisabledDoesNothing) {
  cx.driver.opt.warning_enable_table[400] = 0;
  user_warning_pass2(cx, AVM_RECORD, nullptr, tgt_warn::number_out_of_range, 7);
  EXPECT_EQ(cap.console, "");
  EXPECT_EQ(cx.driver.module_warnings, 0);
}

// Impossible requests stop the run with the internal-error report, in IDE
// mode too, and print nothing of the diagnostic itself.
struct internal_case {
  const char* name;
  int ide;
  bool via_line;  // a line without a statement record instead of a bad operand position
  const char* report;  // on the console; the IDE gets it as a message of its own
};

class Pass2Internal : public Diag, public ::testing::WithParamInterface<internal_case> {};

TEST_P(Pass2Internal, StopsWithTheReport) {
  const internal_case& c = GetParam();
  cx.driver.ide_mode = c.ide;
  statement_rec* rec = statement("p.s26", 30, "  MOV A,B");
  line_rec* orphan = make_line_rec(cx, "p.s26", 30, "  NOP", 5);
  EXPECT_THROW(c.via_line ? user_error_pass2(cx, AVM_VIA_LINE, orphan, gen_err::bad_label, OPERAND_1)
                          : user_error_pass2(cx, AVM_RECORD, rec, gen_err::bad_label, 4),
               run_stop);
  if (c.report != nullptr) {
    EXPECT_TRUE(said(c.report)) << cap.console;
  }
  EXPECT_EQ(cx.driver.module_errors, 1);
  EXPECT_EQ(cap.console.find("Error[41]"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Internal, Pass2Internal,
    ::testing::Values(internal_case{"OperandPosition", 0, false,
                                    "In function: user_error_pass2_A01\nDiagnostic: Illegal error type\n"
                                    "Line: 0   P0: 4    P1: 0\n"},
                      internal_case{"OperandPositionIde", 1, false, nullptr},
                      internal_case{"LineWithoutStatement", 0, true,
                                    "In function: print_problem A01\nDiagnostic: AVM missing\n"}),
    by_name);

}  // namespace
