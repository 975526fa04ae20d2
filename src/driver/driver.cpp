// driver.cpp — program entry, start-up order, the module loop, clean-up and the
// exit code (A03). Each pass of a module is a seam that the subsystems fill.
#include "driver/driver.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "diag/diag.h"
#include "listing/listing.h"
#include "driver/command_line.h"
#include "driver/context.h"
#include "driver/ide/console_agent.h"
#include "driver/passes.h"
#include "driver/stops.h"

namespace {

constexpr std::time_t kFakeTime = 826366246;  // 0x31415926

// The assembly time is read once; a fixed time makes listings reproducible.
void read_assembly_time(asm_context& cx) {
  cx.driver.assembly_time = std::getenv("VEK_INTERNAL__USE_FAKE_TIME") ? kFakeTime : std::time(nullptr);
}

// The multibyte locale of -n (empty: the environment's). Without -n a locale
// the environment names but the system lacks is no reason to refuse a source
// that uses no multibyte characters; the run goes on in the "C" locale.
void set_multibyte_locale(asm_context& cx) {
  const option_settings& o = cx.driver.opt;
  if (std::setlocale(LC_CTYPE, o.locale_name.c_str()) != nullptr) return;
  if (!o.multibyte) {
    std::setlocale(LC_CTYPE, "C");
    return;
  }
  command_line_message(cx, "\nError when setting multibyte locale\n");
  fatal_exit(cx);
}

// The module's summary: the block closing its listing, and on the console
// the counts.
void print_module_summary(asm_context& cx) {
  driver_state& d = cx.driver;
  const bool totals = d.program_ended && d.module_count > 1;
  const bool cycles = d.opt.cycle_counting != 0 && target_counts_cycles(cx);
  if (listing_open(cx)) {
    std::vector<std::string> texts;
    char text[64];
    const auto add = [&](int length) { texts.emplace_back(text, static_cast<std::size_t>(std::max(0, length))); };
    if (d.module_errors == 0) add(std::snprintf(text, sizeof text, "CRC:%X", d.module_checksum));
    add(std::snprintf(text, sizeof text, "Errors:   %d", d.module_errors));
    add(std::snprintf(text, sizeof text, "Warnings: %d", d.module_warnings));
    add(std::snprintf(text, sizeof text, "Bytes: %ld", d.module_bytes));
    if (cycles) add(std::snprintf(text, sizeof text, "Cycles:  %ld", d.module_cycles));
    if (totals) {
      add(std::snprintf(text, sizeof text, "Modules:        %d", d.module_count));
      add(std::snprintf(text, sizeof text, "Total errors:   %d", d.total_errors + d.module_errors));
      add(std::snprintf(text, sizeof text, "Total warnings: %d", d.total_warnings + d.module_warnings));
      if (cycles)
        add(std::snprintf(text, sizeof text, "Total cycles: %d", static_cast<int>(d.total_cycles + d.module_cycles)));
    }
    list_summary(cx, texts);
  }
  if (d.opt.sign_on) {
    out_print(*cx.out, "\nErrors:   %d\n", d.module_errors);
    out_print(*cx.out, "Warnings: %d\n", d.module_warnings);
    out_print(*cx.out, "Bytes: %ld\n", d.module_bytes);
    if (totals) {
      out_print(*cx.out, "\nModules:   %d\n", d.module_count);
      out_print(*cx.out, "Total errors:   %d\n", d.total_errors + d.module_errors);
      out_print(*cx.out, "Total warnings: %d\n", d.total_warnings + d.module_warnings);
    }
  }
}

// Clears what each module starts without.
void reset_module(asm_context& cx) {
  driver_state& d = cx.driver;
  d.module_errors = 0;
  d.module_warnings = 0;
  d.module_ended = 0;
  d.program_ended = 0;
  d.module_bytes = 0;
  d.module_cycles = 0;
  d.module_checksum = 0;
}

// The module loop: pass 1, end-of-pass checks, pass 2, listing and summary.
void assemble(asm_context& cx) {
  driver_state& d = cx.driver;
  read_assembly_time(cx);
  start_assembly(cx);
  bool any_object_output = false;
  for (;;) {
    reset_module(cx);
    start_module(cx);
    d.pass1 = 1;
    if (d.ide_mode) cx.out->progress_hook(5);
    run_pass1(cx);
    if (d.ide_mode) cx.out->progress_hook(6);
    const bool input_ended = !d.module_ended;
    end_pass1(cx);
    d.pass1 = 0;
    if (run_pass2(cx)) any_object_output = true;
    // The input ended before END: the error is the module's, so its listing
    // and summary show it; the run stops after them.
    const bool stop = input_ended && user_error_deferred(cx, gen_err::unexpected_eof);
    list_module(cx);
    print_module_summary(cx);
    d.total_errors += d.module_errors;
    d.total_warnings += d.module_warnings;
    d.total_cycles += d.module_cycles;
    // The counts now live in the totals; the module's stay for the clean-up check.
    if (stop) fatal_exit(cx);
    if (input_ended || d.program_ended) break;
  }
  if (any_object_output) complete_object_file(cx);
}

int exit_code(const asm_context& cx) {
  const driver_state& d = cx.driver;
  if (d.ide_mode) return d.total_errors ? 2 : d.total_warnings ? 1 : 0;
  if (d.total_errors) return 2;
  if (d.opt.warnings_exit_code && d.opt.all_warnings && d.total_warnings) return 1;
  return 0;
}

// The start-up order, the assembly and the exit code of a run.
int run(asm_context& cx, int argc, char** argv) {
  register_options(cx);
  if (argc <= 1) {
    if (!cx.driver.ide_mode) print_sign_on(cx);  // an IDE gets no sign-on, only the usage
    print_usage(cx);
    return exit_code(cx);
  }
  build_arguments(cx, argc, argv);
  apply_default_warnings(cx);
  parse_arguments(cx);
  set_multibyte_locale(cx);
  start_source(cx);
  check_and_apply_options(cx);
  if (cx.driver.files.object == nullptr) open_object_file(cx, output_name_in_directory(cx, "", kObjectExtension));
  if (!cx.driver.ide_mode) {
    if (cx.driver.opt.sign_on) print_sign_on(cx);
    add_environment_include_paths(cx);
  }
  cx.driver.include_paths.emplace_back("");
  cx.driver.files.assembly_started = true;
  assemble(cx);
  if (cx.driver.opt.ignore_errors) {
    cx.driver.module_errors = 0;
    cx.driver.total_errors = 0;
  }
  clean_up_files(cx);
  return exit_code(cx);
}

// The IDE switch: "--IDE" or "--IDE2" as the first argument.
int ide_switch(const char* word) {
  if (std::strcmp(word, "--IDE") == 0) return 1;
  if (std::strcmp(word, "--IDE2") == 0) return 2;
  return 0;
}

}  // namespace

void apply_default_warnings(asm_context& cx) {
  std::memset(cx.driver.opt.warning_enable_table, 1, sizeof cx.driver.opt.warning_enable_table);
  apply_warning_string(cx, target_default_warnings());
}

namespace {

// The run inside its guard: every stop ends here with the clean-up and its code.
int guarded_run(const output_table& out, int argc, char** argv, bool ide_mode) {
  asm_context cx(out);
  if (ide_mode) {
    cx.driver.ide_mode = 1;
    cx.driver.opt.error_limit = -1;
  }
  try {
    try {
      return run(cx, argc, argv);
    } catch (const std::bad_alloc&) {
      out_of_memory(cx);
    } catch (const run_stop&) {
      throw;
    } catch (const WtConsoleAgent::InputRefused&) {
      fatal_exit(cx);
    } catch (...) {
      internal_error(cx, "Assembler", "non-initialized parameter");
    }
  } catch (const run_stop& stop) {
    // What the module reported before the stop goes into its listing.
    try {
      list_after_stop(cx);
    } catch (...) {
    }
    clean_up_files(cx);
    return stop.exit_code;
  }
  clean_up_files(cx);
  return 3;
}

}  // namespace

int qasm_main(const output_table& out, int argc, char** argv) {
  const int version = argc >= 2 ? ide_switch(argv[1]) : 0;
  if (version == 0) return guarded_run(out, argc, argv, false);
  // IDE mode: the switch is removed (the program name moves up one place) and
  // the run goes through the agent, which leaves through its own exit entry.
  WtConsoleAgentExe agent(out, static_cast<unsigned long>(version));
  argv[1] = argv[0];
  const int code = guarded_run(agent.table(), argc - 1, argv + 1, true);
  agent.table().exit(code);
  return code;
}
