// command_line.cpp — matching the words of the command line against the option
// table, the checks between options, and the two phases of taking effect (A03).
#include "driver/command_line.h"

#include <cstdarg>
#include <cstring>

#include "driver/context.h"
#include "driver/stops.h"

namespace {

[[noreturn]] void option_error(asm_context& cx, const char* word, const char* reason) {
  command_line_message(cx, "\nError in command line option '%s': %s\n", word, reason);
  fatal_exit(cx);
}

option_rec* find_option(asm_context& cx, char letter) {
  option_rec& head = cx.cmdline.head;
  for (option_rec* rec = head.next; rec != &head; rec = rec->next)
    if (rec->letter == letter && (rec->flags & (OPT_PHASE1 | OPT_PHASE2)) != 0) return rec;
  return nullptr;
}

// A repeated option gets an entry of its own behind the last entry of its letter,
// so that the second phase takes repeated options in command-line order. The
// last copy of each letter is remembered: a word costs the same however often
// its option came before.
option_rec* copy_behind_same_letter(asm_context& cx, option_rec* rec) {
  option_rec& head = cx.cmdline.head;
  option_rec*& remembered = cx.cmdline.last_copy[static_cast<unsigned char>(rec->letter)];
  option_rec* last = remembered != nullptr ? remembered : rec;
  while (last->next != &head && last->next->letter == rec->letter) last = last->next;
  auto* copy = static_cast<option_rec*>(am_memory(cx, sizeof(option_rec)));
  *copy = option_rec{last->next, last, rec->letter, nullptr, rec->help, rec->handler, rec->variable,
                     rec->flags & ~OPT_GIVEN};
  last->next->prev = copy;
  last->next = copy;
  remembered = copy;
  return copy;
}

void take_effect(asm_context& cx, option_rec* rec) {
  if (rec->variable != nullptr) *rec->variable = *rec->variable == 0 ? 1 : 0;
  if (rec->handler != nullptr && rec->handler(cx, rec->argument ? rec->argument : "") != 0) {
    command_line_message(cx, "\nError in command line: Invalid argument to option '-%c'\n", rec->letter);
    fatal_exit(cx);
  }
}

// The checks of one given entry against the nearest earlier anchor and the
// one before that, then its second phase.
void check_and_apply(asm_context& cx, option_rec* rec, option_rec* nearer, option_rec* before_nearer) {
  if ((rec->flags & OPT_NOT_WITH_ANCHOR) && nearer != nullptr && (nearer->flags & OPT_GIVEN)) {
    command_line_message(cx, "\nError in command line: Option '-%c' cannot be combined with the '-%c' option\n",
                         nearer->letter, rec->letter);
    fatal_exit(cx);
  }
  if (rec->flags & (OPT_NEEDS_ONE_OF_TWO | OPT_NEEDS_ANCHOR)) {
    bool two = (rec->flags & OPT_NEEDS_ONE_OF_TWO) != 0;
    option_rec* farther = two && nearer ? before_nearer : nullptr;
    bool ok = (nearer && (nearer->flags & OPT_GIVEN)) || (farther && (farther->flags & OPT_GIVEN));
    if (!ok) {
      if (two)
        command_line_message(cx, "\nError in command line: Option '-%c' also requires the '-%c' or the '-%c' option\n",
                             rec->letter, farther ? farther->letter : '?', nearer ? nearer->letter : '?');
      else
        command_line_message(cx, "\nError in command line: Option '-%c' also requires the '-%c' option\n",
                             rec->letter, nearer ? nearer->letter : '?');
      fatal_exit(cx);
    }
  }
  if (rec->flags & OPT_PHASE2) take_effect(cx, rec);
}

void parse_word(asm_context& cx, arg_entry* entry) {
  const char* word = entry->word;
  if (word[0] != '-') {
    ++cx.driver.source_count;
    open_source_file(cx, word);
    return;
  }
  if (word[1] == '\0') option_error(cx, word, "'-' not succeeded by character");
  option_rec* rec = find_option(cx, word[1]);
  if (rec == nullptr) option_error(cx, word, "No such option");
  if (rec->flags & OPT_GIVEN) {
    if (rec->flags & OPT_ONCE) option_error(cx, word, "Option multiply defined");
    rec = copy_behind_same_letter(cx, rec);
  }
  const char* rest = word + 2;
  if ((rec->flags & (OPT_NO_ARG | OPT_NEXT_WORD)) && *rest != '\0')
    option_error(cx, word, "Illegal characters specified");
  if ((rec->flags & OPT_REQUIRED_ARG) && *rest == '\0') option_error(cx, word, "Argument missing");
  rec->argument = (rec->flags & (OPT_OPTIONAL_ARG | OPT_REQUIRED_ARG)) ? rest : nullptr;
  rec->flags |= OPT_GIVEN;
  if (rec->flags & OPT_NEXT_WORD) {
    arg_entry* next = entry->next;
    if (next == nullptr) option_error(cx, word, "Argument missing");
    if (next->word[0] == '-') option_error(cx, word, "Argument started with '-'");
    rec->argument = next->word;
    cx.cmdline.cursor = next;
  }
  if (rec->flags & OPT_PHASE1) take_effect(cx, rec);
}

}  // namespace

void command_line_message(asm_context& cx, const char* format, ...) {
  if (cx.driver.ide_mode) cx.out->write_char(0xC8, cx.out->std_out);
  std::va_list args;
  va_start(args, format);
  cx.out->print(format, args);
  va_end(args);
}

void parse_arguments(asm_context& cx) {
  command_line_state& cl = cx.cmdline;
  cl.cursor = cl.args;
  while (cl.cursor->next != nullptr) {
    cl.cursor = cl.cursor->next;
    parse_word(cx, cl.cursor);
  }
  if (cx.driver.source_count == 0) {
    command_line_message(cx, "\nError in command line: No source file specified\n");
    fatal_exit(cx);
  }
}

// The anchors are carried along the walk, so that many copies of a repeated
// option cost no search each.
void check_and_apply_options(asm_context& cx) {
  option_rec& head = cx.cmdline.head;
  option_rec* nearer = nullptr;         // nearest anchor before rec
  option_rec* before_nearer = nullptr;  // the anchor before that one
  for (option_rec* rec = head.next; rec != &head; rec = rec->next) {
    if (rec->flags & OPT_GIVEN) check_and_apply(cx, rec, nearer, before_nearer);
    if (rec->flags & OPT_ANCHOR) {
      before_nearer = nearer;
      nearer = rec;
    }
  }
}
