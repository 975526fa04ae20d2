// structured_emit.cpp — the lines structured assembly generates (B05): the
// text buffer with its tab stops, the generated labels, the opposite branches,
// and the comparison and load sequences of the 78K0 and the 78K0S.
#include <charconv>
#include <cstring>

#include "target/target_state.h"
#include "diag/diag.h"
#include "driver/context.h"
#include "driver/stops.h"
#include "target/structured_internal.h"

namespace {

constexpr const char* kSimulateStart = " ; *** Simulate a CMPW AX, !addr16";
constexpr const char* kSimulateEnd = " ; *** End CMPW AX, !addr16";

bool core_78k0s(const asm_context& cx) { return cx.driver.opt.processor_option == 2; }

// The eight byte registers as bits; a pair is its two halves.
unsigned reg_bits(int reg) {
  if (reg >= SA_X && reg <= SA_H) return 1u << reg;
  if (reg >= SA_AX && reg <= SA_HL) return 3u << (2 * (reg - SA_AX));
  return 0;
}

// Low and high halves of a register pair.
int low_half(int pair) { return 2 * (pair - SA_AX); }
int high_half(int pair) { return 2 * (pair - SA_AX) + 1; }

// Opposite branches of the relations; "<=" needs two labels of its own.
struct opposite_row {
  int relation;
  const char* first;
  const char* second;
};
// clang-format off
constexpr opposite_row kOpposites[] = {
    // relation     branch  second branch
    {SA_REL_EQ,    "BNZ",  nullptr},
    {SA_REL_NE,    "BZ",   nullptr},
    {SA_REL_LT,    "BNC",  nullptr},
    {SA_REL_GE,    "BC",   nullptr},
    {SA_REL_GT,    "BC",   "BZ"},
};

struct flag_row {
  int flag;
  const char* branch;  // taken when the condition is false
};
constexpr flag_row kFlagBranches[] = {
    {SA_FLAG_CC, "BC"},
    {SA_FLAG_CS, "BNC"},
    {SA_FLAG_EQ, "BNZ"},
    {SA_FLAG_NE, "BZ"},
};
// clang-format on

// Appends `s` to the line that began at `line_start`, tabs to the next stop.
void append_text(std::string& out, std::size_t line_start, std::string_view s, int tab) {
  for (;;) {
    const std::size_t at = s.find('\t');
    out.append(s.substr(0, at));
    if (at == std::string_view::npos) return;
    const std::size_t column = out.size() - line_start;
    out.append(static_cast<std::size_t>(tab) - column % static_cast<std::size_t>(tab), ' ');
    s.remove_prefix(at + 1);
  }
}

void tab_to_stop(std::string& out, std::size_t line_start, int tab) {
  const std::size_t column = out.size() - line_start;
  out.append(static_cast<std::size_t>(tab) - column % static_cast<std::size_t>(tab), ' ');
}

void append_label(std::string& out, long label) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, label).ptr;
  out += "_?";
  out.append(digits, end);
}

// The operand as a generated line writes it: a register by its name, a number
// with "#" in front unless it has one.
std::string& operand_text(asm_context& cx, const sa_operand& op) {
  std::string& s = target_of(cx).structured.scratch;
  s.clear();
  if (op.reg != SA_NO_REG) {
    s = register_name(op.reg);
    return s;
  }
  if (op.number && op.text[0] != '#') s += '#';
  s.append(op.text, static_cast<std::size_t>(op.len));
  return s;
}

// After reg and A (or AX) were exchanged, an operand that named A names reg.
sa_operand exchanged(const sa_operand& op, int reg) {
  sa_operand out = op;
  if (op.reg == SA_A || op.reg == SA_AX) out.reg = reg;
  return out;
}

// "CMP A,op" and the like: a prefix register and the operand.
void emit_with(asm_context& cx, const char* mnemonic, const char* prefix, const sa_operand& op) {
  emit_line(cx, operand_text(cx, op), 0, mnemonic, prefix);
}

void emit_plain(asm_context& cx, const char* mnemonic, const char* operands, const char* comment = nullptr) {
  emit_line(cx, operands, 0, mnemonic, nullptr, comment);
}

// Two registers as "A,X".
void emit_regs(asm_context& cx, const char* mnemonic, int first, int second) {
  std::string& s = target_of(cx).structured.scratch;
  s = register_name(first);
  s += ',';
  s += register_name(second);
  emit_line(cx, s, 0, mnemonic, nullptr);
}

// The word at a memory operand into AX.
void emit_word_load(asm_context& cx, const sa_operand& op) {
  if (!core_78k0s(cx) || op.reg != SA_NO_REG) {
    emit_with(cx, "MOVW", "AX,", op);
    return;
  }
  emit_with(cx, "MOV", "A,", op);
  emit_plain(cx, "MOV", "X,A");
  std::string& s = operand_text(cx, op);
  s += "+1";
  emit_line(cx, s, 0, "MOV", "A,");
}

// AX compared with a word: an immediate, a register pair or a memory word.
void emit_word_compare(asm_context& cx, const sa_operand& op) {
  if (op.reg == SA_NO_REG && op.number) {
    emit_with(cx, "CMPW", "AX,", op);
    return;
  }
  int low = SA_C;
  int high = SA_B;
  if (op.reg != SA_NO_REG) {
    low = low_half(op.reg);
    high = high_half(op.reg);
    emit_plain(cx, "PUSH", "AX");
  } else {
    emit_plain(cx, "PUSH", "BC", kSimulateStart);
    emit_plain(cx, "PUSH", "AX");
    emit_plain(cx, "MOVW", "BC,AX");
    emit_word_load(cx, op);
    emit_plain(cx, "XCHW", "AX,BC");
  }
  emit_plain(cx, "XCH", "A,X");
  emit_regs(cx, "SUB", SA_A, low);
  emit_plain(cx, "XCH", "A,X");
  emit_regs(cx, "SUBC", SA_A, high);
  emit_plain(cx, "OR", "A,X");
  emit_plain(cx, "POP", "AX");
  if (op.reg == SA_NO_REG) emit_plain(cx, "POP", "BC", kSimulateEnd);
}

// Registers a sequence exchanges or uses while `op` is read; an operand
// naming one of them, or addressed through one, would read the wrong value.
unsigned busy_registers(int reg, const sa_operand& op, bool load) {
  const bool word = reg >= SA_AX;
  unsigned busy = reg_bits(reg);
  if (reg != SA_A && reg != SA_AX) busy |= reg_bits(word ? SA_AX : SA_A);  // exchanged with it
  // A memory word is loaded into AX; the compare keeps it in BC.
  if (word && op.reg == SA_NO_REG && !op.number) busy |= reg_bits(SA_AX) | (load ? 0u : reg_bits(SA_BC));
  return busy;
}

}  // namespace

void emit_line(asm_context& cx, std::string_view text, long label, const char* mnemonic, const char* prefix,
               const char* comment) {
  std::string& out = target_of(cx).structured.text;
  const int tab = cx.source.tab_width >= 2 ? cx.source.tab_width : 8;
  const std::size_t start = out.size();
  if (label != 0) append_label(out, label);
  tab_to_stop(out, start, tab);
  if (mnemonic != nullptr) out += mnemonic;
  tab_to_stop(out, start, tab);
  if (prefix != nullptr) out += prefix;
  append_text(out, start, text, tab);
  if (comment != nullptr) append_text(out, start, comment, tab);
  out += '\n';
}

void emit_label_line(asm_context& cx, long label) { emit_line(cx, {}, label, nullptr, nullptr); }

void emit_branch(asm_context& cx, const char* mnemonic, long target, long label) {
  std::string& s = target_of(cx).structured.scratch;
  s.clear();
  append_label(s, target);
  emit_line(cx, s, label, mnemonic, nullptr);
}

long new_label(asm_context& cx) {
  structured_state& st = target_of(cx).structured;
  ident_node* const current = cx.symbols.current;
  char name[32];
  for (;;) {
    const long n = ++st.label_counter;
    std::memcpy(name, "_?", 2);
    const auto end = std::to_chars(name + 2, name + sizeof name, n).ptr;
    if (check_ident(cx, name, static_cast<std::size_t>(end - name), false) == nullptr) {
      cx.symbols.current = current;
      return n;
    }
  }
}

void emit_opposite_rel(asm_context& cx, int relation, long label) {
  if (relation == SA_REL_LE) {
    const long t1 = new_label(cx);
    const long t2 = new_label(cx);
    emit_branch(cx, "BNC", t1);
    emit_branch(cx, "BR", t2);
    emit_branch(cx, "BNZ", label, t1);
    emit_label_line(cx, t2);
    return;
  }
  for (const opposite_row& row : kOpposites) {
    if (row.relation != relation) continue;
    emit_branch(cx, row.first, label);
    if (row.second != nullptr) emit_branch(cx, row.second, label);
    return;
  }
  internal_error(cx, "emit_opposite_rel_B05", "unknown relation", relation);
}

const char* opposite_branch(asm_context& cx, int flag) {
  for (const flag_row& row : kFlagBranches)
    if (row.flag == flag) return row.branch;
  internal_error(cx, "opposite_branch_B05", "illegal branch code", flag);
  return "BR";
}

int get_reg_size(asm_context& cx, int reg) {
  if (reg >= SA_X && reg <= SA_H) return 0;
  if (reg >= SA_AX && reg <= SA_HL) return 1;
  internal_error(cx, "get_reg_size_B05", "Illegal register", reg);
  return 0;
}

bool check_operand(sa_parse& ps, int reg, const sa_operand& op, bool load) {
  asm_context& cx = ps.cx;
  const int size = get_reg_size(cx, reg);
  if (op.reg != SA_NO_REG) {
    // A register operand: of the same size, and not the register itself.
    if (get_reg_size(cx, op.reg) != size || op.reg == reg) {
      const std::string name(op.text, static_cast<std::size_t>(op.len));
      sa_error(cx, op.column, static_cast<int>(tgt_err::illegal_register), name.c_str());
      return false;
    }
    return true;
  }
  if (op.number) return true;
  // A memory operand: no register name in it that the sequence changes.
  const unsigned busy = busy_registers(reg, op, load);
  const std::string_view text(op.text, static_cast<std::size_t>(op.len));
  std::size_t pos = 0;
  for (std::string_view word = next_name(cx, text, pos); !word.empty(); word = next_name(cx, text, pos)) {
    const int named = register_by_name(word);
    if (named != SA_NO_REG && (reg_bits(named) & busy) != 0) {
      const std::string name(word);
      sa_error(cx, op.column, static_cast<int>(tgt_err::illegal_register), name.c_str());
      return false;
    }
  }
  return true;
}

void emit_compare(asm_context& cx, int reg, const sa_operand& op) {
  if (get_reg_size(cx, reg) == 0) {
    if (reg == SA_A) {
      emit_with(cx, "CMP", "A,", op);
      return;
    }
    emit_regs(cx, "XCH", SA_A, reg);
    emit_with(cx, "CMP", "A,", exchanged(op, reg));
    emit_regs(cx, "XCH", SA_A, reg);
    return;
  }
  if (reg == SA_AX) {
    emit_word_compare(cx, op);
    return;
  }
  emit_regs(cx, "XCHW", SA_AX, reg);
  emit_word_compare(cx, exchanged(op, reg));
  emit_regs(cx, "XCHW", SA_AX, reg);
}

void emit_load(asm_context& cx, int reg, const sa_operand& init) {
  const bool number = init.reg == SA_NO_REG && init.number;
  if (get_reg_size(cx, reg) == 0) {
    if (reg == SA_A || number) {
      std::string& s = operand_text(cx, init);
      s.insert(0, ", ");
      s.insert(0, register_name(reg));
      emit_line(cx, s, 0, "MOV", nullptr);
      return;
    }
    emit_regs(cx, "XCH", SA_A, reg);
    emit_with(cx, "MOV", "A,", exchanged(init, reg));
    emit_regs(cx, "XCH", SA_A, reg);
    return;
  }
  if (number) {
    std::string& s = operand_text(cx, init);
    s.insert(0, ",");
    s.insert(0, register_name(reg));
    emit_line(cx, s, 0, "MOVW", nullptr);
    return;
  }
  if (reg == SA_AX) {
    emit_word_load(cx, init);
    return;
  }
  emit_regs(cx, "XCHW", SA_AX, reg);
  emit_word_load(cx, exchanged(init, reg));
  emit_regs(cx, "XCHW", SA_AX, reg);
}

void emit_condition(asm_context& cx, const sa_condition& c, long label) {
  if (c.flag != 0) {
    emit_branch(cx, opposite_branch(cx, c.flag), label);
    return;
  }
  emit_compare(cx, c.reg, c.op);
  emit_opposite_rel(cx, c.rel, label);
}
