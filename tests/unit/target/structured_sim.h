// structured_sim.h — a small 78K0 machine for the instructions structured
// assembly generates: byte registers, the Z and CY flags, a word stack and
// memory reached through symbols. A program is generated text; running it
// tells where control leaves it (a branch to a label it does not define).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <sstream>
#include <string>
#include <vector>

struct sim_machine {
  uint8_t r[8] = {};                      // X A C B E D L H
  bool z = false;
  bool cy = false;
  std::vector<uint16_t> stack;
  std::map<std::string, uint16_t> symbols;  // name -> address
  std::vector<uint8_t> mem = std::vector<uint8_t>(65536, 0);
  long nops = 0;                          // NOP lines run (the body of a loop)

  struct line {
    std::string label, mnemonic, a, b;
  };

  static int reg8(const std::string& n) {
    static const char* names[] = {"X", "A", "C", "B", "E", "D", "L", "H"};
    for (int i = 0; i < 8; ++i)
      if (n == names[i]) return i;
    return -1;
  }
  static int reg16(const std::string& n) {
    static const char* names[] = {"AX", "BC", "DE", "HL"};
    for (int i = 0; i < 4; ++i)
      if (n == names[i]) return i;
    return -1;
  }
  uint16_t get16(int p) const { return static_cast<uint16_t>(r[2 * p] | (r[2 * p + 1] << 8)); }
  void set16(int p, unsigned v) {
    r[2 * p] = static_cast<uint8_t>(v);
    r[2 * p + 1] = static_cast<uint8_t>(v >> 8);
  }

  static std::string trim(const std::string& s) {
    const std::size_t a = s.find_first_not_of(' ');
    const std::size_t b = s.find_last_not_of(' ');
    return a == std::string::npos ? "" : s.substr(a, b - a + 1);
  }

  static std::vector<line> parse(const std::string& text) {
    std::vector<line> out;
    std::istringstream in(text);
    std::string s;
    while (std::getline(in, s)) {
      for (char& c : s)
        if (c == '\t') c = ' ';
      const std::size_t semi = s.find(';');
      if (semi != std::string::npos) s.resize(semi);
      line l;
      std::size_t i = 0;
      if (!s.empty() && s[0] != ' ') {
        i = s.find(' ');
        if (i == std::string::npos) i = s.size();
        l.label = s.substr(0, i);
      }
      std::istringstream rest(s.substr(i));
      rest >> l.mnemonic;
      std::string ops;
      std::getline(rest, ops);
      const std::size_t comma = ops.find(',');
      l.a = trim(ops.substr(0, comma));
      if (comma != std::string::npos) l.b = trim(ops.substr(comma + 1));
      out.push_back(l);
    }
    return out;
  }

  // NAME, NAME+n, numbers (decimal, or hexadecimal with H), 'c'.
  long value(const std::string& e) const {
    const std::size_t plus = e.find('+');
    if (plus != std::string::npos && plus > 0) return value(e.substr(0, plus)) + value(e.substr(plus + 1));
    if (e.size() == 3 && e[0] == '\'') return static_cast<unsigned char>(e[1]);
    if (!e.empty() && (std::isdigit(static_cast<unsigned char>(e[0])) != 0)) {
      if (e.back() == 'H' || e.back() == 'h') return std::stol(e.substr(0, e.size() - 1), nullptr, 16);
      return std::stol(e);
    }
    auto it = symbols.find(e);
    if (it == symbols.end()) {
      ADD_FAILURE() << "unknown symbol " << e;
      return 0;
    }
    return it->second;
  }

  unsigned read8(const std::string& o) const {
    if (reg8(o) >= 0) return r[reg8(o)];
    if (!o.empty() && o[0] == '#') return static_cast<unsigned>(value(o.substr(1))) & 0xFF;
    return mem[static_cast<uint16_t>(value(o))];
  }
  void write8(const std::string& o, unsigned v) {
    if (reg8(o) >= 0)
      r[reg8(o)] = static_cast<uint8_t>(v);
    else
      mem[static_cast<uint16_t>(value(o))] = static_cast<uint8_t>(v);
  }
  unsigned read16(const std::string& o) const {
    if (reg16(o) >= 0) return get16(reg16(o));
    if (!o.empty() && o[0] == '#') return static_cast<unsigned>(value(o.substr(1))) & 0xFFFF;
    const uint16_t at = static_cast<uint16_t>(value(o));
    return static_cast<unsigned>(mem[at] | (mem[static_cast<uint16_t>(at + 1)] << 8));
  }

  void subtract(unsigned a, unsigned b, unsigned borrow) {
    cy = a < b + borrow;
    r[1] = static_cast<uint8_t>(a - b - borrow);
    z = r[1] == 0;
  }

  // Runs `text` from its first line. Returns the label a branch left to, ""
  // when control ran off the end, "ENDLESS" after `limit` lines.
  std::string run(const std::string& text, long limit = 100000) {
    const std::vector<line> prog = parse(text);
    std::map<std::string, std::size_t> labels;
    for (std::size_t i = 0; i < prog.size(); ++i)
      if (!prog[i].label.empty()) labels[prog[i].label] = i;
    std::size_t pc = 0;
    for (long n = 0; n < limit; ++n) {
      if (pc >= prog.size()) return "";
      const line& l = prog[pc++];
      const std::string& m = l.mnemonic;
      bool jump = false;
      if (m.empty() || m == "NOP") {
        if (m == "NOP") ++nops;
      } else if (m == "MOV") {
        write8(l.a, read8(l.b));
      } else if (m == "MOVW") {
        set16(reg16(l.a), read16(l.b));
      } else if (m == "XCH") {
        const unsigned t = read8(l.b);
        write8(l.b, r[1]);
        r[1] = static_cast<uint8_t>(t);
      } else if (m == "XCHW") {
        const unsigned t = read16(l.b);
        set16(reg16(l.b), get16(0));
        set16(0, t);
      } else if (m == "CMP") {
        z = r[1] == read8(l.b);
        cy = r[1] < read8(l.b);
      } else if (m == "CMPW") {
        z = get16(0) == read16(l.b);
        cy = get16(0) < read16(l.b);
      } else if (m == "SUB") {
        subtract(r[1], read8(l.b), 0);
      } else if (m == "SUBC") {
        subtract(r[1], read8(l.b), cy ? 1 : 0);
      } else if (m == "OR") {
        r[1] = static_cast<uint8_t>(r[1] | read8(l.b));
        z = r[1] == 0;
      } else if (m == "PUSH") {
        stack.push_back(static_cast<uint16_t>(read16(l.a)));
      } else if (m == "POP") {
        if (stack.empty()) return "STACK EMPTY";
        set16(reg16(l.a), stack.back());
        stack.pop_back();
      } else if (m == "INC" || m == "DEC") {
        write8(l.a, read8(l.a) + (m == "INC" ? 1u : 0xFFu));
        z = read8(l.a) == 0;
      } else if (m == "INCW" || m == "DECW") {
        set16(reg16(l.a), read16(l.a) + (m == "INCW" ? 1u : 0xFFFFu));
      } else if (m == "BR") {
        jump = true;
      } else if (m == "BC" || m == "BNC" || m == "BZ" || m == "BNZ") {
        jump = (m == "BC" && cy) || (m == "BNC" && !cy) || (m == "BZ" && z) || (m == "BNZ" && !z);
      } else {
        ADD_FAILURE() << "the machine has no " << m;
        return "BAD";
      }
      if (!jump) continue;
      auto target = labels.find(l.a);
      if (target == labels.end()) return l.a;
      pc = target->second;
    }
    return "ENDLESS";
  }
};
