// quill_reader.cpp — the one QUILL decoder behind qdump and qlink. Every read is
// checked against the bytes left, every count against the bytes it would need,
// so that any input ends in modules decoded so far plus a problem with its offset.
#include "object/quill_reader.h"

#include <cstdio>
#include <cstring>

namespace {

using F = quill_field;

// Fields of the three kinds of 0xCD alias body.
constexpr quill_field_layout kAliasKind{F::byte, 0, "kind"};
constexpr quill_field_layout kAliasString{F::str32, 0, "string"};
constexpr quill_field_layout kAliasNumber{F::u32, 0, "number"};
constexpr quill_field_layout kAliasSymbol{F::index, 0, "symbol"};
constexpr quill_field_layout kAliasValue{F::u32, 0, "value"};

std::string hex(uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%X", v);
  return buf;
}

class decoder {
 public:
  decoder(quill_object& obj, const quill_read_options& options)
      : obj_(obj),
        p_(reinterpret_cast<const uint8_t*>(obj.bytes.data())),
        size_(static_cast<uint32_t>(obj.bytes.size())),
        variable_indexes_(options.variable_indexes) {}

  void run();

 private:
  // A structural fault: recorded, and decoding stops.
  bool fail(uint32_t offset, std::string text) {
    obj_.problems.push_back({offset, std::move(text)});
    return false;
  }
  bool need(uint32_t n, const char* what) {
    if (n <= limit_ - pos_) return true;
    return fail(pos_, std::string("truncated ") + what + " in " + record_name() + ": needs " + std::to_string(n) +
                          " byte" + (n == 1 ? "" : "s") + ", " + std::to_string(limit_ - pos_) + " left");
  }
  std::string record_name() const {
    return std::string("record ") + hex(layout_->tag) + " (" + layout_->name + ") at " + hex(record_at_);
  }
  bool read_number(quill_field kind, uint32_t* out);
  bool read_text(quill_field kind, quill_value* v);
  void push(const quill_field_layout* layout, uint32_t number, uint32_t at = 0, uint32_t size = 0, uint32_t number2 = 0) {
    obj_.values.push_back({layout, number, number2, at, size});
  }
  bool read_field(const quill_field_layout* f, uint32_t previous_number);
  bool read_alias();
  bool read_record();
  bool check_sequence(const quill_tag_layout* layout, uint32_t at);
  bool end_module();

  quill_object& obj_;
  const uint8_t* p_;
  uint32_t size_;
  bool variable_indexes_;
  uint32_t pos_ = 0;
  uint32_t limit_ = 0;          // end of the current record's length-covered body, or of the file
  uint32_t record_at_ = 0;
  const quill_tag_layout* layout_ = nullptr;
  quill_module* module_ = nullptr;  // open module
  uint16_t crc_ = 0;
  uint32_t frames_due_ = 0;     // 0xCA records still owed to the last 0xC4
};

bool decoder::read_number(quill_field kind, uint32_t* out) {
  switch (kind) {
    case F::byte:
      if (!need(1, "byte")) return false;
      *out = p_[pos_++];
      return true;
    case F::u16:
      if (!need(2, "u16")) return false;
      *out = static_cast<uint32_t>(p_[pos_] << 8 | p_[pos_ + 1]);
      pos_ += 2;
      return true;
    case F::u32:
    case F::length32:
      if (!need(4, "u32")) return false;
      *out = static_cast<uint32_t>(p_[pos_]) << 24 | static_cast<uint32_t>(p_[pos_ + 1]) << 16 |
             static_cast<uint32_t>(p_[pos_ + 2]) << 8 | p_[pos_ + 3];
      pos_ += 4;
      return true;
    case F::index: {
      if (!variable_indexes_) return read_number(F::u16, out);
      uint32_t value = 0;
      for (int group = 0; group < 5; ++group) {
        if (!need(1, "index")) return false;
        const uint8_t b = p_[pos_++];
        if (group == 4 && b > 0x0F) return fail(pos_ - 1, "index larger than 32 bits in " + record_name());
        value |= static_cast<uint32_t>(b & 0x7F) << (7 * group);
        if ((b & 0x80) == 0) {
          *out = value;
          return true;
        }
      }
      return fail(pos_ - 1, "index larger than 32 bits in " + record_name());
    }
    default:
      return fail(pos_, "field kind without a number in " + record_name());
  }
}

bool decoder::read_text(quill_field kind, quill_value* v) {
  uint32_t n = 0;
  const quill_field length_kind = kind == F::str8 ? F::byte : kind == F::lstr16 ? F::u16 : F::u32;
  if (!read_number(length_kind, &n) || !need(n, "string")) return false;
  v->at = pos_;
  v->size = n;
  pos_ += n;
  return true;
}

bool decoder::read_field(const quill_field_layout* f, uint32_t previous_number) {
  switch (f->kind) {
    case F::byte:
    case F::u16:
    case F::u32:
    case F::index: {
      uint32_t n = 0;
      if (!read_number(f->kind, &n)) return false;
      push(f, n);
      return true;
    }
    case F::length32: {
      uint32_t n = 0;
      const uint32_t at = pos_;
      if (!read_number(F::u32, &n)) return false;
      if (n > limit_ - pos_)
        return fail(at, "length " + std::to_string(n) + " of " + record_name() + " runs past the end of the file (" +
                            std::to_string(limit_ - pos_) + " bytes left)");
      limit_ = pos_ + n;
      push(f, n);
      return true;
    }
    case F::str8:
    case F::str32:
    case F::lstr16: {
      quill_value v{f, 0, 0, 0, 0};
      if (!read_text(f->kind, &v)) return false;
      v.number = v.size;
      obj_.values.push_back(v);
      return true;
    }
    case F::expect:
      if (!need(1, "byte")) return false;
      if (p_[pos_] != f->value)
        return fail(pos_, "expected byte " + hex(f->value) + " in " + record_name() + ", found " + hex(p_[pos_]));
      ++pos_;
      return true;
    case F::bytes:
      if (!need(f->value, "bytes")) return false;
      push(f, f->value, pos_, f->value);
      pos_ += f->value;
      return true;
    case F::opaque:
      push(f, limit_ - pos_, pos_, limit_ - pos_);
      pos_ = limit_;
      return true;
    case F::lstr16s:
    case F::pairs: {
      const uint32_t least = f->kind == F::pairs ? 4 : 2;
      if (previous_number > (limit_ - pos_) / least)
        return fail(pos_, "count " + std::to_string(previous_number) + " in " + record_name() +
                              " needs more bytes than the file has left");
      for (uint32_t i = 0; i < previous_number; ++i) {
        quill_value v{f, 0, 0, 0, 0};
        if (f->kind == F::lstr16s) {
          if (!read_text(F::lstr16, &v)) return false;
          v.number = v.size;
        } else if (!read_number(F::u16, &v.number) || !read_number(F::u16, &v.number2)) {
          return false;
        }
        obj_.values.push_back(v);
      }
      return true;
    }
    case F::alias:
      return read_alias();
    case F::none:
      return true;
  }
  return fail(pos_, "unknown field kind in " + record_name());
}

bool decoder::read_alias() {
  uint32_t kind = 0, number = 0, second = 0;
  if (!read_number(F::byte, &kind)) return false;
  push(&kAliasKind, kind);
  if (kind == 1) {
    quill_value v{&kAliasString, 0, 0, 0, 0};
    if (!read_text(F::str32, &v) || !read_number(F::u32, &number)) return false;
    v.number = v.size;
    obj_.values.push_back(v);
    push(&kAliasNumber, number);
    return true;
  }
  if (kind != 2 && kind != 3) return fail(pos_ - 1, "unknown alias kind " + std::to_string(kind) + " in " + record_name());
  if (!read_number(F::u32, &number) || !read_number(kind == 2 ? F::index : F::u32, &second)) return false;
  push(&kAliasNumber, number);
  push(kind == 2 ? &kAliasSymbol : &kAliasValue, second);
  return true;
}

// Order rules between records: headers only between modules, frame entries
// right after their count.
bool decoder::check_sequence(const quill_tag_layout* layout, uint32_t at) {
  if (layout->tag == QT_FRAME) {
    if (frames_due_ == 0) return fail(at, "frame entry 0xCA without a frame list 0xC4 before it");
    --frames_due_;
  } else if (frames_due_ > 0) {
    return fail(at, "frame list ends after " + std::string("record ") + hex(layout->tag) + ": " +
                        std::to_string(frames_due_) + " frame entries 0xCA missing");
  }
  if (layout->role == quill_role::header)
    return fail(at, "module header " + hex(layout->tag) + " inside module '" + std::string(module_->name) +
                        "' (no end record before it)");
  if (layout->role == quill_role::end_of_file)
    return fail(at, "end-of-file byte 0xFF inside module '" + std::string(module_->name) + "'");
  return true;
}

bool decoder::read_record() {
  record_at_ = pos_;
  const uint8_t tag = p_[pos_];
  layout_ = quill_find_tag(tag);
  if (layout_ == nullptr) return fail(pos_, "unknown record tag " + hex(tag));
  const bool first_of_module = module_ != nullptr && obj_.records.size() == module_->first_record;
  if (module_ != nullptr && !first_of_module && !check_sequence(layout_, pos_)) return false;
  ++pos_;
  limit_ = size_;
  const uint32_t first = static_cast<uint32_t>(obj_.values.size());
  uint32_t previous = 0;
  bool has_length = false;
  for (const quill_field_layout& f : layout_->fields) {
    if (f.kind == F::none) break;
    if (f.kind == F::length32) has_length = true;
    if (!read_field(&f, previous)) return false;
    const bool numeric = f.kind == F::byte || f.kind == F::u16 || f.kind == F::u32 || f.kind == F::index;
    if (numeric) previous = obj_.values.back().number;
  }
  if (has_length && pos_ != limit_)
    return fail(record_at_, "length of " + record_name() + " covers " + std::to_string(limit_ - pos_) +
                                " bytes more than its fields");
  if (layout_->tag == QT_ABS_BLOCK && obj_.values[first].number > 4)
    return fail(record_at_ + 1, "absolute block item size " + std::to_string(obj_.values[first].number) +
                                    " is not within 0-4");
  if (layout_->tag == QT_FRAME_LIST) {
    if (previous > (size_ - pos_) / 8)
      return fail(record_at_, "frame count " + std::to_string(previous) + " of " + record_name() +
                                  " needs more bytes than the file has left");
    frames_due_ = previous;
  }
  obj_.records.push_back({record_at_, pos_ - record_at_, layout_, first, static_cast<uint32_t>(obj_.values.size()) - first});
  crc_ = quill_checksum(crc_, p_ + record_at_, pos_ - record_at_);
  return true;
}

bool decoder::end_module() {
  quill_module& m = *module_;
  m.record_count = static_cast<uint32_t>(obj_.records.size()) - m.first_record;
  m.checksum_computed = crc_;
  if (size_ - pos_ < 2)
    return fail(pos_, "truncated checksum of module '" + std::string(m.name) + "': needs 2 bytes, " +
                          std::to_string(size_ - pos_) + " left");
  m.checksum_stored = static_cast<uint16_t>(p_[pos_] << 8 | p_[pos_ + 1]);
  m.closed = true;
  if (!m.checksum_ok())
    obj_.problems.push_back({pos_, "checksum of module '" + std::string(m.name) + "' is " + hex(m.checksum_stored) +
                                       ", the bytes give " + hex(m.checksum_computed)});
  pos_ += 2;
  module_ = nullptr;
  return true;
}

void decoder::run() {
  if (obj_.bytes.size() > 0xFFFFFFF0u) {  // offsets are 32-bit
    fail(0, "file larger than 4 GiB");
    return;
  }
  if (size_ == 0) {
    fail(0, "empty file: no module");
    return;
  }
  while (pos_ < size_) {
    if (module_ == nullptr) {
      const uint8_t tag = p_[pos_];
      if (tag == QT_EOF) {
        obj_.end_of_file = true;
        if (obj_.modules.empty()) fail(pos_, "end-of-file byte 0xFF before any module");
        if (pos_ + 1 < size_) fail(pos_ + 1, std::to_string(size_ - pos_ - 1) + " bytes after the end-of-file byte");
        return;
      }
      if (tag != QT_PROGRAM && tag != QT_LIBRARY) {
        fail(pos_, "expected a module header (0x00 or 0x01), found " + hex(tag));
        return;
      }
      crc_ = 0;
      frames_due_ = 0;
      obj_.modules.push_back({pos_, static_cast<uint32_t>(obj_.records.size()), 0, tag == QT_LIBRARY, 0, {}, false, 0, 0});
      module_ = &obj_.modules.back();
      if (!read_record()) {
        module_->record_count = static_cast<uint32_t>(obj_.records.size()) - module_->first_record;
        return;
      }
      module_->flags = static_cast<uint8_t>(obj_.number(obj_.records.back(), "flags"));
      module_->name = obj_.text(obj_.records.back(), "name");
      continue;
    }
    if (!read_record()) {
      module_->record_count = static_cast<uint32_t>(obj_.records.size()) - module_->first_record;
      return;
    }
    if (layout_->role == quill_role::end && !end_module()) {
      module_->record_count = static_cast<uint32_t>(obj_.records.size()) - module_->first_record;
      return;
    }
  }
  if (module_ != nullptr) {
    module_->record_count = static_cast<uint32_t>(obj_.records.size()) - module_->first_record;
    fail(size_, "truncated module '" + std::string(module_->name) + "': the file ends before its end record");
  } else {
    fail(size_, "truncated file: no end-of-file byte 0xFF after the last module");
  }
}

}  // namespace

const quill_value* quill_object::field(const quill_record& r, std::string_view name) const {
  if (name.empty()) return nullptr;
  for (uint32_t i = 0; i < r.value_count; ++i) {
    const quill_value& v = values[r.first_value + i];
    // The first letter settles most mismatches without measuring the layout's name.
    if (v.layout->name[0] == name[0] && name == v.layout->name) return &v;
  }
  return nullptr;
}

uint32_t quill_object::number(const quill_record& r, std::string_view name) const {
  const quill_value* v = field(r, name);
  return v ? v->number : 0;
}

std::string_view quill_object::text(const quill_record& r, std::string_view name) const {
  const quill_value* v = field(r, name);
  return v ? text(*v) : std::string_view();
}

quill_object quill_read(std::string_view bytes, const quill_read_options& options) {
  quill_object obj;
  obj.bytes = bytes;
  // Records are at least one byte and values rarely outnumber bytes: reserve
  // by a fraction of the size so that growth stays linear without overcommitting.
  obj.records.reserve(bytes.size() / 4 + 1);
  obj.values.reserve(bytes.size() / 4 + 1);
  decoder(obj, options).run();
  return obj;
}

uint32_t quill_data_value(const quill_object& obj, const quill_record& r, bool little_endian, unsigned* placed) {
  const quill_value* v = obj.field(r, "bytes");
  if (v == nullptr) {
    *placed = 0;
    return 0;
  }
  const uint8_t* b = obj.data(*v);
  const unsigned n = r.layout->tag == QT_DATA3 ? 3 : v->size;
  uint32_t value = 0;
  for (unsigned i = 0; i < n; ++i) value |= static_cast<uint32_t>(little_endian ? b[i] : b[n - 1 - i]) << (8 * i);
  *placed = n;
  return value;
}

uint64_t quill_step_cursor(const quill_object& obj, const quill_record& r, quill_cursor& at) {
  uint64_t n = 0;
  switch (r.layout->tag) {
    case QT_LOC_ABS:
      at.absolute = true;
      at.offset = obj.number(r, "address");
      return 0;
    case QT_LOC_REL:
      at.absolute = false;
      at.segment = obj.number(r, "segment");
      at.offset = obj.number(r, "offset");
      return 0;
    case QT_DATA1: case QT_STORE1: case 0xAE: n = 1; break;
    case QT_DATA2: case QT_STORE2: case 0xAD: n = 2; break;
    case QT_DATA3: case QT_STORE3: n = 3; break;
    case QT_DATA4: case QT_STORE4: n = 4; break;
    case 0xAC: {
      const uint32_t kind = obj.number(r, "kind");
      n = kind == 2 || kind == 6 ? 2 : 1;
      break;
    }
    case QT_ABS_BLOCK: n = static_cast<uint64_t>(obj.number(r, "size")) * obj.number(r, "count"); break;
    default: return 0;
  }
  at.offset += n;
  at.emitted += static_cast<uint32_t>(n);
  return n;
}
