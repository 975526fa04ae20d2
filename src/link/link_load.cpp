// link_load.cpp — qlink's first stage: every module's segments, symbols and
// references; program modules and the library modules that something loaded
// needs; the public symbols bound by name.
#include "link/linker.h"

#include <cstdio>
#include <deque>

#include "driver/output_table.h"
#include "object/tool_io.h"

namespace {

bool is_public(uint32_t cls) { return cls == QS_ABSOLUTE || cls == QS_RELOCATABLE || cls == QS_WEAK || cls == QS_WEAK_ALT; }
bool is_weak(uint32_t cls) { return cls == QS_WEAK || cls == QS_WEAK_ALT; }
bool is_relocatable(uint32_t cls) { return cls == QS_RELOCATABLE || cls == QS_REL_LOCAL || is_weak(cls); }

// Reads one module's declarations, part sizes and references. False after an
// error that makes the module unusable.
class module_scan {
 public:
  module_scan(link_state& st, uint32_t module) : st_(st), id_(module), lm_(st.modules[module]),
      obj_(st.files[lm_.file]->obj) {}
  bool run();

 private:
  bool fail(const quill_record& r, const std::string& text) {
    st_.error(st_.module_name(id_) + ", record at " + tool_hex(r.offset) + ": " + text);
    return false;
  }
  uint32_t part_of(uint32_t index) const {
    auto it = lm_.parts.find(index);
    return it == lm_.parts.end() ? kNoPart : it->second;
  }
  bool declare_part(const quill_record& r);
  bool note_reference(const quill_record& r, uint32_t from);

  link_state& st_;
  uint32_t id_;
  link_module& lm_;
  const quill_object& obj_;
  const quill_record* last_symbol_ = nullptr;
};

bool module_scan::declare_part(const quill_record& r) {
  const uint32_t index = obj_.number(r, "segment");
  if (lm_.parts.count(index)) return fail(r, "segment index " + std::to_string(index) + " declared twice");
  link_part p{id_, index, obj_.text(r, "name"), static_cast<uint8_t>(obj_.number(r, "segbyte")),
              static_cast<uint8_t>(obj_.number(r, "flags")), r.layout->tag == QT_ASEG, obj_.number(r, "address")};
  lm_.parts[index] = static_cast<uint32_t>(st_.parts.size());
  st_.parts.push_back(p);
  return true;
}

bool module_scan::note_reference(const quill_record& r, uint32_t from) {
  switch (r.layout->tag) {
    case QT_SEGREL: case QT_SFB: case QT_SFE: case QT_END_REL: {
      const uint32_t to = part_of(obj_.number(r, "segment"));
      if (to == kNoPart) return fail(r, "segment index " + std::to_string(obj_.number(r, "segment")) + " not declared");
      lm_.part_edges.push_back({from, to});
      return true;
    }
    case QT_EXTERN: {
      auto it = lm_.externals.find(obj_.number(r, "external"));
      if (it == lm_.externals.end())
        return fail(r, "external number " + std::to_string(obj_.number(r, "external")) + " not declared");
      lm_.to_symbols.push_back({from, it->second});
      return true;
    }
    case QT_FN_REF: {
      auto it = lm_.functions.find(obj_.number(r, "function"));
      if (it == lm_.functions.end())
        return fail(r, "function number " + std::to_string(obj_.number(r, "function")) + " not declared");
      if (it->second.external) lm_.to_symbols.push_back({from, it->second.name});
      else if (it->second.part != kNoPart) lm_.part_edges.push_back({from, it->second.part});
      return true;
    }
    default: return true;
  }
}

bool module_scan::run() {
  const quill_module& m = *lm_.m;
  quill_cursor at;
  // Externals first: an expression may name one declared later in the module.
  for (uint32_t i = 0; i < m.record_count; ++i) {
    const quill_record& r = obj_.records[m.first_record + i];
    if (r.layout->tag == QT_SYMBOL && obj_.number(r, "class") == QS_EXTERNAL)
      lm_.externals[obj_.number(r, "segment")] = obj_.text(r, "name");
    if ((r.layout->tag == QT_RSEG || r.layout->tag == QT_ASEG) && !declare_part(r)) return false;
  }
  for (uint32_t i = 0; i < m.record_count; ++i) {
    const quill_record& r = obj_.records[m.first_record + i];
    const uint8_t tag = r.layout->tag;
    if (tag == QT_SYMBOL) last_symbol_ = &r;
    if (tag == QT_FN_DEF || tag == QT_FN_EXT) {
      if (last_symbol_ == nullptr) return fail(r, "function record without a symbol record before it");
      const uint32_t cls = obj_.number(*last_symbol_, "class");
      link_function f{cls == QS_EXTERNAL, obj_.text(*last_symbol_, "name"), kNoPart, obj_.number(*last_symbol_, "value")};
      if (!f.external && is_relocatable(cls)) f.part = part_of(obj_.number(*last_symbol_, "segment"));
      lm_.functions[obj_.number(r, "function")] = f;
    }
    // The start address of the end record keeps its segment like a root does.
    const uint32_t from = at.absolute || tag == QT_END_REL ? kNoPart : part_of(at.segment);
    if (!note_reference(r, from)) return false;
    if (tag == QT_LOC_REL && part_of(obj_.number(r, "segment")) == kNoPart)
      return fail(r, "location in undeclared segment index " + std::to_string(obj_.number(r, "segment")));
    const quill_cursor before = at;
    const uint64_t n = quill_step_cursor(obj_, r, at);
    if (at.offset > 0x100000000ull)
      return fail(r, "location " + tool_hex(at.offset) + " beyond the 32-bit address space");
    // A part reaches as far as its location ever goes: storage that DS or ORG
    // reserves at its end places no bytes but is the part's all the same.
    if (!at.absolute) {
      link_part& p = st_.parts[part_of(at.segment)];
      if (at.offset > p.size) p.size = at.offset;
    }
    if (n != 0 && before.absolute) {
      auto& spans = lm_.absolute_spans;
      if (!spans.empty() && spans.back().first + spans.back().second == before.offset)
        spans.back().second += n;
      else
        spans.push_back({static_cast<uint32_t>(before.offset), n});
    }
  }
  return true;
}

bool read_inputs(link_state& st) {
  bool ok = true;
  for (const link_input& input : st.options.inputs) {
    const std::string& name = input.name;
    auto f = std::make_unique<link_file>();
    f->name = name;
    f->library = input.library;
    if (!tool_read_file(*st.out, name.c_str(), f->bytes)) {
      st.error("cannot read object file '" + name + "'");
      st.fatal = true;
      ok = false;
      continue;
    }
    if (f->bytes.size() > 0x7FFFFFFFu) {
      st.error("object file '" + name + "' is larger than 2 GiB");
      st.fatal = true;
      ok = false;
      continue;
    }
    quill_read_options ro;
    ro.variable_indexes = st.options.variable_indexes;
    f->obj = quill_read(f->bytes, ro);
    for (const quill_problem& p : f->obj.problems) {
      st.error("'" + name + "', offset " + tool_hex(p.offset) + ": " + p.text);
      ok = false;
    }
    st.files.push_back(std::move(f));
  }
  return ok;
}

// Program modules, then each library module (a 0x01 module, or any module of a
// file given with --library) that defines a symbol that a loaded module refers
// to and nothing loaded defines.
void select_modules(link_state& st) {
  std::unordered_map<std::string_view, uint32_t> library;  // name -> first library module defining it
  std::unordered_map<std::string_view, bool> defined;
  std::deque<uint32_t> queue;
  for (uint32_t i = 0; i < st.modules.size(); ++i) {
    link_module& lm = st.modules[i];
    const quill_object& obj = st.files[lm.file]->obj;
    for (uint32_t k = 0; k < lm.m->record_count; ++k) {
      const quill_record& r = obj.records[lm.m->first_record + k];
      if (r.layout->tag != QT_SYMBOL || !is_public(obj.number(r, "class"))) continue;
      if (lm.library) library.try_emplace(obj.text(r, "name"), i);
    }
    if (!lm.library) queue.push_back(i);
  }
  auto load = [&](uint32_t i) {
    link_module& lm = st.modules[i];
    lm.loaded = true;
    const quill_object& obj = st.files[lm.file]->obj;
    for (uint32_t k = 0; k < lm.m->record_count; ++k) {
      const quill_record& r = obj.records[lm.m->first_record + k];
      if (r.layout->tag == QT_SYMBOL && is_public(obj.number(r, "class"))) defined[obj.text(r, "name")] = true;
    }
  };
  for (uint32_t i : queue) load(i);
  while (!queue.empty()) {
    const uint32_t i = queue.front();
    queue.pop_front();
    for (const auto& [number, name] : st.modules[i].externals) {
      if (defined.count(name)) continue;
      auto it = library.find(name);
      if (it == library.end() || st.modules[it->second].loaded) continue;
      load(it->second);
      queue.push_back(it->second);
    }
  }
}

// Public definitions of the loaded modules by name: a strong definition wins over
// a weak one; two strong ones are an error.
void bind_symbols(link_state& st) {
  for (uint32_t i = 0; i < st.modules.size(); ++i) {
    const link_module& lm = st.modules[i];
    if (!lm.loaded) continue;
    const quill_object& obj = st.files[lm.file]->obj;
    for (uint32_t k = 0; k < lm.m->record_count; ++k) {
      const quill_record& r = obj.records[lm.m->first_record + k];
      const uint32_t cls = obj.number(r, "class");
      if (r.layout->tag != QT_SYMBOL || !is_public(cls)) continue;
      uint32_t part = kNoPart;
      if (is_relocatable(cls)) {
        auto it = lm.parts.find(obj.number(r, "segment"));
        if (it == lm.parts.end()) {
          st.error(st.module_name(i) + ": symbol '" + std::string(obj.text(r, "name")) +
                   "' is in undeclared segment index " + std::to_string(obj.number(r, "segment")));
          continue;
        }
        part = it->second;
      }
      const link_symbol s{obj.text(r, "name"), i, part, obj.number(r, "value"), is_weak(cls)};
      auto [it, fresh] = st.by_name.try_emplace(s.name, static_cast<uint32_t>(st.symbols.size()));
      if (fresh) {
        st.symbols.push_back(s);
        continue;
      }
      link_symbol& old = st.symbols[it->second];
      if (!old.weak && !s.weak)
        st.error("symbol '" + std::string(s.name) + "' defined PUBLIC in module " + st.module_name(old.module) +
                 " and in module " + st.module_name(i));
      else if (old.weak && !s.weak)
        old = s;
    }
  }
  for (uint32_t i = 0; i < st.modules.size(); ++i) {
    const link_module& lm = st.modules[i];
    if (!lm.loaded) continue;
    for (const auto& [number, name] : lm.externals)
      if (!st.by_name.count(name))
        st.error("undefined external '" + std::string(name) + "' referred to by module " + st.module_name(i));
  }
}

}  // namespace

void link_state::error(const std::string& text) {
  // Past the limit errors are only counted, as the assembler stops listing them.
  ++errors;
  if (errors <= kErrorsShown) tool_print(*out, "qlink: error: " + text + "\n");
  if (errors == kErrorsShown + 1) tool_print(*out, "qlink: more errors are counted but not shown\n");
}

void link_state::warning(const std::string& text) {
  ++warnings;
  tool_print(*out, "qlink: warning: " + text + "\n");
}

std::string link_state::module_name(uint32_t module) const {
  const link_module& lm = modules[module];
  return "'" + std::string(lm.m->name) + "' (" + files[lm.file]->name + ")";
}

std::string link_state::part_name(uint32_t part) const {
  if (part == kNoPart) return "the absolute segment";
  const link_part& p = parts[part];
  return "segment " + std::string(p.name) + " of module " + module_name(p.module);
}

bool link_load(link_state& st) {
  if (!read_inputs(st)) return false;
  for (uint32_t f = 0; f < st.files.size(); ++f)
    for (const quill_module& m : st.files[f]->obj.modules) {
      link_module lm;
      lm.file = f;
      lm.m = &m;
      lm.library = m.library || st.files[f]->library;
      st.modules.push_back(std::move(lm));
    }
  if (st.modules.empty()) {
    st.error("no module in the object files");
    return false;
  }
  bool ok = true;
  for (uint32_t i = 0; i < st.modules.size(); ++i) ok = module_scan(st, i).run() && ok;
  if (!ok) return false;
  select_modules(st);
  const int before = st.errors;
  bind_symbols(st);
  return st.errors == before;
}
