// writer_file.cpp — the module file writer (A23): the spooled records go to
// the object file block by block, with the records only the file writer
// writes after the module header (format version, target and banner, runtime
// model, debug file tables, text definitions) and the checksum after the end
// record; the end-of-file byte closes the file once.
#include <ctime>
#include <string>

#include "driver/command_line.h"
#include "driver/context.h"
#include "driver/stops.h"
#include "object/quill_format.h"
#include "object/writer.h"
#include "source/preprocessor.h"
#include "source/reader.h"

namespace {

constexpr uint32_t kFormatVersion = 1;
constexpr uint32_t kTargetBase = 0x1E00;  // plus 16 times the processor option

// A write the file did not take (disk full, I/O error) ends the run; the
// clean-up deletes the incomplete object.
[[noreturn]] void write_failed(asm_context& cx) {
  command_line_message(cx, "\nCould not write file: '%s'\n", cx.driver.files.object_name.c_str());
  fatal_exit(cx);
}

void put_file(asm_context& cx, const uint8_t* bytes, std::size_t size) {
  qfile* file = cx.driver.files.object;
  if (file == nullptr || size == 0) return;
  if (cx.out->block_write(bytes, 1, size, file) != size) write_failed(cx);
}

// The six time-stamp bytes of a source file: day, month, year - 1900, hour,
// minute, second. The file table keeps no file times; the assembly time stands
// for them (so that objects of one run agree), or the fixed file date of -c#.
void time_stamp(const asm_context& cx, quill_writer& w) {
  if (cx.driver.opt.fixed_version) {
    for (uint32_t b : {17u, 8u, 80u, 7u, 20u, 0u}) w.byte(b);
    return;
  }
  std::tm t{};
  const std::time_t when = cx.driver.assembly_time;
  localtime_r(&when, &t);
  for (int v : {t.tm_mday, t.tm_mon + 1, t.tm_year, t.tm_hour, t.tm_min, t.tm_sec}) w.byte(static_cast<uint32_t>(v));
}

// The source files the debugger finds the lines in.
void file_tables(asm_context& cx, quill_writer& w) {
  const int count = file_table_size(cx);
  if (!cx.object.settings.numbered_files) {
    for (int i = 0; i < count; ++i) {
      w.byte(QT_SRC_FILE);
      w.u16(static_cast<uint32_t>(i));
      w.lstr16(file_table_name(cx, i));
      time_stamp(cx, w);
    }
    return;
  }
  w.byte(QT_SRC_TABLE);
  w.u16(static_cast<uint32_t>(count));
  w.str8(count > 0 ? file_table_name(cx, 0) : "");
  for (int i = 0; i < count; ++i) {
    std::string path = file_table_name(cx, i);
    for (char& c : path)
      if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    w.lstr16(path);
  }
}

// One 0x4E record per #define that has a text, in name order.
void text_definitions(asm_context& cx, quill_writer& w) {
  struct visit_state {
    quill_writer* w;
  } state{&w};
  walk_symbols_sorted(
      cx,
      [](asm_context& c, ident_node* node, void* user) {
        if (node->kind != KIND_DEFINE) return;
        const auto* d = static_cast<const define_rec*>(node->keyword.data);
        if (d == nullptr || d->removed || d->value != nullptr) return;
        quill_writer& out = *static_cast<visit_state*>(user)->w;
        out.byte(QT_TEXTDEF);
        out.str8(std::string_view(node->name, node->length));
        out.lstr16(define_display_text(c, d));
      },
      &state);
}

// The records the file writer adds after the module header.
void own_records(asm_context& cx, quill_writer& w) {
  w.bytes().clear();
  w.byte(QT_VERSION);
  w.u16(kFormatVersion);
  w.byte(QT_TARGET);
  w.u16(kTargetBase + 16u * static_cast<uint32_t>(cx.driver.opt.processor_option));
  w.str8(" Assembler " + version_text());
  for (const rtmodel_entry& e : cx.module.rtmodel) {
    const std::string_view key(e.key), value(e.value);
    w.byte(QT_RTMODEL);
    w.u32(static_cast<uint32_t>(key.size() + value.size() + 8));
    w.str32(key);
    w.str32(value);
  }
  if (!(cx.driver.opt.debug_output & 1)) return;
  if (!cx.object.settings.suppress_line_tags) {
    w.byte(QT_DEBUG);
    w.byte(0);
    file_tables(cx, w);
  }
  text_definitions(cx, w);
}

}  // namespace

void write_module_file(asm_context& cx) {
  object_state& o = cx.object;
  uint16_t crc = 0;
  auto emit = [&](const uint8_t* bytes, std::size_t size) {
    crc = quill_checksum(crc, bytes, size);
    put_file(cx, bytes, size);
  };
  const uint32_t total = o.spool.size();
  const uint32_t header = o.records.empty() ? 0 : o.records.front().count;
  o.spool.read(0, header, emit);
  own_records(cx, o.own);
  const std::string& own = o.own.bytes();
  emit(reinterpret_cast<const uint8_t*>(own.data()), own.size());
  o.spool.read(header, total - header, emit);
  const uint8_t sum[2] = {static_cast<uint8_t>(crc >> 8), static_cast<uint8_t>(crc)};
  put_file(cx, sum, 2);
  o.last_checksum = crc;
  o.module_written = true;
}

void object_complete_file(asm_context& cx) {
  object_state& o = cx.object;
  if (!o.module_written || o.eof_written) return;
  const uint8_t eof = QT_EOF;
  put_file(cx, &eof, 1);
  o.eof_written = true;
  if (cx.driver.files.object != nullptr && cx.out->flush_file(cx.driver.files.object) != 0) write_failed(cx);
}
