// link_image.cpp — qlink's third stage: every loaded module's records once more,
// now with addresses: data bytes placed, expressions evaluated with their range
// checks and stored; then the placed bytes checked for overlaps.
#include "link/linker.h"
#include "object/tool_io.h"

#include <algorithm>
#include <cstdio>

#include "link/link_eval.h"

namespace {

// The operands of one module's expressions, as placement decided them.
class module_env : public link_resolver {
 public:
  module_env(link_state& st, uint32_t module) : st_(st), lm_(st.modules[module]) {}
  quill_cursor at;

  uint32_t part_of(uint32_t index) const {
    auto it = lm_.parts.find(index);
    return it == lm_.parts.end() ? kNoPart : it->second;
  }
  uint32_t current_part() const { return at.absolute ? kNoPart : part_of(at.segment); }
  // The bytes go to a part that placement dropped: nothing there is evaluated.
  bool dropped() const {
    const uint32_t p = current_part();
    return p != kNoPart && !st_.parts[p].placed;
  }
  uint32_t address() const {
    const uint32_t p = current_part();
    return static_cast<uint32_t>(at.offset) + (p == kNoPart ? 0 : st_.parts[p].base);
  }

  bool segment_address(uint32_t index, uint32_t* v, std::string* why) override {
    const uint32_t p = part_of(index);
    if (p == kNoPart || !st_.parts[p].placed) return missing(index, why);
    *v = st_.parts[p].base;
    return true;
  }
  // SFB and SFE span every placed part of the segment's name.
  bool segment_begin(uint32_t index, uint32_t* v, std::string* why) override { return span(index, v, why, false); }
  bool segment_end(uint32_t index, uint32_t* v, std::string* why) override { return span(index, v, why, true); }
  bool external_value(uint32_t number, uint32_t* v, std::string* why) override {
    auto it = lm_.externals.find(number);
    if (it == lm_.externals.end()) {
      *why = "external number " + std::to_string(number) + " not declared";
      return false;
    }
    return symbol(it->second, v, why);
  }
  bool function_address(uint32_t number, uint32_t* v, std::string* why) override {
    auto it = lm_.functions.find(number);
    if (it == lm_.functions.end()) {
      *why = "function number " + std::to_string(number) + " not declared";
      return false;
    }
    const link_function& f = it->second;
    if (f.external) return symbol(f.name, v, why);
    *v = f.value + (f.part == kNoPart ? 0 : st_.parts[f.part].base);
    return true;
  }
  uint32_t location(uint32_t delta) override {
    const uint32_t p = current_part();
    return delta + at.emitted + (p == kNoPart ? 0 : st_.parts[p].base);
  }
  uint32_t date_field(uint32_t which) override { return st_.options.date[which]; }

 private:
  bool missing(uint32_t index, std::string* why) {
    *why = "segment index " + std::to_string(index) + " is not declared or not placed";
    return false;
  }
  bool symbol(std::string_view name, uint32_t* v, std::string* why) {
    auto it = st_.by_name.find(name);
    if (it == st_.by_name.end()) {
      *why = "undefined external '" + std::string(name) + "'";
      return false;
    }
    *v = st_.symbols[it->second].address;
    return true;
  }
  bool span(uint32_t index, uint32_t* v, std::string* why, bool end) {
    const uint32_t p = part_of(index);
    if (p == kNoPart) return missing(index, why);
    auto it = st_.extents.find(st_.parts[p].name);
    if (it == st_.extents.end()) return missing(index, why);
    *v = static_cast<uint32_t>(end ? it->second.second : it->second.first);
    return true;
  }

  link_state& st_;
  const link_module& lm_;
};

class image_builder {
 public:
  image_builder(link_state& st, uint32_t module)
      : st_(st), id_(module), lm_(st.modules[module]), obj_(st.files[lm_.file]->obj), env_(st, module) {}
  void run();

 private:
  void place(const uint8_t* bytes, uint64_t n);
  void place_block(const quill_record& r);
  void store(const quill_record& r);
  void problem(const quill_record& r, const std::string& text, bool warning = false) {
    const std::string where = "module " + st_.module_name(id_) + ", record at " + tool_hex(r.offset) + ", address " +
                              tool_hex(env_.address()) + ": ";
    if (warning) st_.warning(where + text);
    else st_.error(where + text);
  }

  link_state& st_;
  uint32_t id_;
  const link_module& lm_;
  const quill_object& obj_;
  module_env env_;
  link_evaluator eval_;
  bool stopped_ = false;
  bool skipping_ = false;  // the rest of an expression that failed, up to its store
};

void image_builder::place(const uint8_t* bytes, uint64_t n) {
  if (env_.dropped()) return;
  const uint32_t part = env_.current_part();
  if (st_.image.size() + n > kImageLimit) {
    st_.error("module " + st_.module_name(id_) + ": more than " + std::to_string(kImageLimit) + " bytes placed");
    stopped_ = true;
    return;
  }
  const uint32_t address = env_.address();
  if (!st_.runs.empty()) {
    link_run& last = st_.runs.back();
    if (last.module == id_ && last.part == part && last.address + last.length == address &&
        last.at + last.length == st_.image.size()) {
      last.length += static_cast<uint32_t>(n);
      st_.image.append(reinterpret_cast<const char*>(bytes), n);
      return;
    }
  }
  st_.runs.push_back({address, static_cast<uint32_t>(n), static_cast<uint32_t>(st_.image.size()), id_, part});
  st_.image.append(reinterpret_cast<const char*>(bytes), n);
}

void image_builder::place_block(const quill_record& r) {
  const unsigned size = obj_.number(r, "size");
  const uint64_t count = obj_.number(r, "count");
  if (size == 0 || count == 0) return;
  if (size * count + st_.image.size() > kImageLimit) {
    problem(r, "absolute block of " + std::to_string(size * count) + " bytes exceeds the image limit");
    stopped_ = true;
    return;
  }
  uint8_t item[4];
  const uint32_t value = obj_.number(r, "value");
  for (unsigned k = 0; k < size; ++k)
    item[k] = static_cast<uint8_t>(value >> (8 * (lm_.m->little_endian() ? k : size - 1 - k)));
  std::string bytes;
  bytes.reserve(size * count);
  for (uint64_t i = 0; i < count; ++i) bytes.append(reinterpret_cast<const char*>(item), size);
  place(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

void image_builder::store(const quill_record& r) {
  if (eval_.empty()) return;
  unsigned n = 0;
  switch (r.layout->tag) {
    case QT_STORE1: n = 1; break;
    case QT_STORE2: n = 2; break;
    case QT_STORE3: n = 3; break;
    case QT_STORE4: n = 4; break;
    default: return;
  }
  const uint32_t v = eval_.top();
  uint8_t b[4];
  for (unsigned k = 0; k < n; ++k) b[k] = static_cast<uint8_t>(v >> (8 * (lm_.m->little_endian() ? k : n - 1 - k)));
  place(b, n);
}

void image_builder::run() {
  const quill_module& m = *lm_.m;
  for (uint32_t i = 0; i < m.record_count && !stopped_; ++i) {
    const quill_record& r = obj_.records[m.first_record + i];
    const quill_role role = r.layout->role;
    const bool expression = role == quill_role::operand || role == quill_role::op || role == quill_role::store ||
                            role == quill_role::funcref;
    if (!expression) {
      eval_.reset();
      skipping_ = false;
    } else if (env_.dropped()) {
      // A dropped part may refer to other dropped parts; its fields need no value.
    } else if (skipping_) {
      if (role == quill_role::store) skipping_ = false;
    } else {
      const eval_result e = eval_.step(obj_, r, env_);
      if (e.status == eval_status::error) {
        problem(r, e.message);
        eval_.reset();
        skipping_ = role != quill_role::store;
        quill_step_cursor(obj_, r, env_.at);
        continue;
      }
      if (e.status == eval_status::warning) problem(r, e.message, true);
      if (e.status == eval_status::range_failed) {
        std::string text = "range check failed: value " + std::to_string(e.value) + " is not in " +
                           std::to_string(e.low) + ".." + std::to_string(e.high);
        // The assembler's message: its instruction texts start a line of their own.
        if (!e.message.empty()) text += (e.message[0] == '\n' ? ":" : ": ") + e.message;
        problem(r, text);
      }
      if (role == quill_role::store) store(r);
    }
    if (r.layout->role == quill_role::data) {
      if (r.layout->tag == QT_ABS_BLOCK) {
        place_block(r);
      } else {
        const quill_value* v = obj_.field(r, "bytes");
        place(obj_.data(*v), r.layout->tag == QT_DATA3 ? 3 : v->size);
      }
    }
    quill_step_cursor(obj_, r, env_.at);
    if (r.layout->tag == QT_END_ABS || r.layout->tag == QT_END_REL) {
      uint32_t start = obj_.number(r, "start");
      if (r.layout->tag == QT_END_REL) {
        const uint32_t p = env_.part_of(obj_.number(r, "segment"));
        start += p == kNoPart ? 0 : st_.parts[p].base;
      }
      if (st_.has_start) {
        st_.warning("start address given by more than one module; " + st_.module_name(id_) + "'s " + tool_hex(start) +
                    " is ignored");
      } else {
        st_.has_start = true;
        st_.start = start;
      }
    }
  }
}

bool same_common(const link_state& st, const link_run& a, const link_run& b) {
  return a.part != kNoPart && b.part != kNoPart && st.parts[a.part].common != kNoPart &&
         st.parts[a.part].common == st.parts[b.part].common;
}

}  // namespace

bool link_build_image(link_state& st) {
  const int before = st.errors;
  for (uint32_t i = 0; i < st.modules.size(); ++i)
    if (st.modules[i].loaded) image_builder(st, i).run();
  std::stable_sort(st.runs.begin(), st.runs.end(),
                   [](const link_run& a, const link_run& b) { return a.address < b.address; });
  int reported = 0;
  uint64_t reach = 0;
  std::size_t holder = 0;
  for (std::size_t i = 0; i < st.runs.size(); ++i) {
    const link_run& r = st.runs[i];
    if (i > 0 && r.address < reach && !same_common(st, st.runs[holder], r) && reported < 20) {
      st.error("placed bytes overlap at " + tool_hex(r.address) + ": " + st.part_name(st.runs[holder].part) + " and " +
               st.part_name(r.part) + (r.part == kNoPart ? " of module " + st.module_name(r.module) : "") +
               (st.runs[holder].part == kNoPart ? " (first in module " + st.module_name(st.runs[holder].module) + ")"
                                                : ""));
      ++reported;
    }
    if (uint64_t{r.address} + r.length > reach) {
      reach = uint64_t{r.address} + r.length;
      holder = i;
    }
  }
  return st.errors == before;
}
