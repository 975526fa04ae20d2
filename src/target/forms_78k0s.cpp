// forms_78k0s.cpp — the instruction forms of the 78K0S (B01), one row per form
// in matching order, and its mnemonic table. Register fields (flag S): +2r
// twice the register number, +4p four times the pair number. CALLT writes
// the table address itself, 40H + (a AND 3EH), a code no other form uses.
#include <iterator>

#include "target/forms_shared.h"

namespace {

using namespace forms;

// clang-format off
//                op1   op2   op3  flags            n  modes            encoder                 len sfr
constexpr instr_form kAdd[] = {
    {0x83, NB,   NB,  B,               2, m_a_imm,        r1imm,                  2, acc_none},  // ADD A,#byte
    {0x81, NB,   NB,  B,               2, m_saddr_imm,    sfrimm,                 3, acc_rw_},   // ADD saddr,#byte
    {0x0A, 0x81, NB,  B | S | R2,      2, m_a_r,          rp,                     2, acc_none},  // ADD A,r
    {0x89, NB,   NB,  B,               2, m_a_addr,       addr16,                 3, acc__r},    // ADD A,addr16
    {0x85, NB,   NB,  B,               2, m_a_saddr,      dump_saddr,             2, acc__r},    // ADD A,saddr
    {0x8F, NB,   NB,  B,               2, m_a_hl,         rp,                     1, acc_none},  // ADD A,[HL]
    {0x8D, NB,   NB,  B | L,           2, m_a_hlbyte,     r1imm,                  2, acc_none},  // ADD A,[HL+byte]
};
constexpr instr_form kAddc[] = {
    {0xA3, NB,   NB,  B,               2, m_a_imm,        r1imm,                  2, acc_none},  // ADDC A,#byte
    {0xA1, NB,   NB,  B,               2, m_saddr_imm,    sfrimm,                 3, acc_rw_},   // ADDC saddr,#byte
    {0x0A, 0xA1, NB,  B | S | R2,      2, m_a_r,          rp,                     2, acc_none},  // ADDC A,r
    {0xA9, NB,   NB,  B,               2, m_a_addr,       addr16,                 3, acc__r},    // ADDC A,addr16
    {0xA5, NB,   NB,  B,               2, m_a_saddr,      dump_saddr,             2, acc__r},    // ADDC A,saddr
    {0xAF, NB,   NB,  B,               2, m_a_hl,         rp,                     1, acc_none},  // ADDC A,[HL]
    {0xAD, NB,   NB,  B | L,           2, m_a_hlbyte,     r1imm,                  2, acc_none},  // ADDC A,[HL+byte]
};
constexpr instr_form kAddw[] = {
    {0xD2, NB,   NB,  W | L,           2, m_ax_imm,       rpimm16_m,              3, acc_none},  // ADDW AX,#word
};
constexpr instr_form kAnd[] = {
    {0x63, NB,   NB,  B,               2, m_a_imm,        r1imm,                  2, acc_none},  // AND A,#byte
    {0x61, NB,   NB,  B,               2, m_saddr_imm,    sfrimm,                 3, acc_rw_},   // AND saddr,#byte
    {0x0A, 0x61, NB,  B | S | R2,      2, m_a_r,          rp,                     2, acc_none},  // AND A,r
    {0x69, NB,   NB,  B,               2, m_a_addr,       addr16,                 3, acc__r},    // AND A,addr16
    {0x65, NB,   NB,  B,               2, m_a_saddr,      dump_saddr,             2, acc__r},    // AND A,saddr
    {0x6F, NB,   NB,  B,               2, m_a_hl,         rp,                     1, acc_none},  // AND A,[HL]
    {0x6D, NB,   NB,  B | L,           2, m_a_hlbyte,     r1imm,                  2, acc_none},  // AND A,[HL+byte]
};
constexpr instr_form kBr[] = {
    {0xB2, NB,   NB,  SH,              1, m_addr,         addr16,                 3, acc_none},  // BR addr16
    {0x30, NB,   NB,  0,               1, m_addr,         generate_branch_offset, 2, acc_none},  // BR addr16 (near: displacement)
    {0xB0, NB,   NB,  L,               1, m_ax,           rp,                     1, acc_none},  // BR AX
};
constexpr instr_form kBnz[] = {
    {0x3E, NB,   NB,  L,               1, m_addr,         generate_branch_offset, 2, acc_none},  // BNZ addr16
};
constexpr instr_form kBz[] = {
    {0x3C, NB,   NB,  L,               1, m_addr,         generate_branch_offset, 2, acc_none},  // BZ addr16
};
constexpr instr_form kBnc[] = {
    {0x3A, NB,   NB,  L,               1, m_addr,         generate_branch_offset, 2, acc_none},  // BNC addr16
};
constexpr instr_form kBc[] = {
    {0x38, NB,   NB,  L,               1, m_addr,         generate_branch_offset, 2, acc_none},  // BC addr16
};
constexpr instr_form kBf[] = {
    {0x0A, 0x08, NB,  B,               2, m_bitsym_addr,  dump_bit_78K4,          4, acc_br_},   // BF bit symbol,addr16
    {0x0A, 0x08, NB,  B,               2, m_saddrbit_addr, bit_operand,           4, acc_br_},   // BF saddr.bit,addr16
    {0x0A, 0x04, NB,  B,               2, m_sfrbit_addr,  bit_operand,            4, acc_br_},   // BF sfr.bit,addr16
    {0x0A, 0x00, NB,  B,               2, m_abit_addr,    bit_operand,            3, acc_none},  // BF A.bit,addr16
    {0x0A, 0x08, 0x1E, B | L,          2, m_pswbit_addr,  psw_bit,                4, acc_none},  // BF PSW.bit,addr16
};
constexpr instr_form kBt[] = {
    {0x0A, 0x88, NB,  B,               2, m_bitsym_addr,  dump_bit_78K4,          4, acc_br_},   // BT bit symbol,addr16
    {0x0A, 0x88, NB,  B,               2, m_saddrbit_addr, bit_operand,           4, acc_br_},   // BT saddr.bit,addr16
    {0x0A, 0x84, NB,  B,               2, m_sfrbit_addr,  bit_operand,            4, acc_br_},   // BT sfr.bit,addr16
    {0x0A, 0x80, NB,  B,               2, m_abit_addr,    bit_operand,            3, acc_none},  // BT A.bit,addr16
    {0x0A, 0x88, 0x1E, B | L,          2, m_pswbit_addr,  psw_bit,                4, acc_none},  // BT PSW.bit,addr16
};
constexpr instr_form kClr1[] = {
    {0x0A, 0x8A, NB,  B,               1, m_bitsym,       dump_bit_78K4,          3, acc_bw_},   // CLR1 bit symbol
    {0x0A, 0x8A, NB,  B,               1, m_saddrbit,     bit_operand,            3, acc_bw_},   // CLR1 saddr.bit
    {0x0A, 0x86, NB,  B,               1, m_sfrbit,       bit_operand,            3, acc_bw_},   // CLR1 sfr.bit
    {0x0A, 0x82, NB,  B,               1, m_abit,         bit_operand,            2, acc_none},  // CLR1 A.bit
    {0x0A, 0x8A, 0x1E, B,              1, m_pswbit,       psw_bit,                3, acc_none},  // CLR1 PSW.bit
    {0x0A, 0x8E, NB,  B,               1, m_hlbit,        bit_operand,            2, acc_none},  // CLR1 [HL].bit
    {0x04, NB,   NB,  L,               1, m_cy,           rp,                     1, acc_none},  // CLR1 CY
};
constexpr instr_form kCmp[] = {
    {0x13, NB,   NB,  B,               2, m_a_imm,        r1imm,                  2, acc_none},  // CMP A,#byte
    {0x11, NB,   NB,  B,               2, m_saddr_imm,    sfrimm,                 3, acc_r_},    // CMP saddr,#byte
    {0x0A, 0x11, NB,  B | S | R2,      2, m_a_r,          rp,                     2, acc_none},  // CMP A,r
    {0x19, NB,   NB,  B,               2, m_a_addr,       addr16,                 3, acc__r},    // CMP A,addr16
    {0x15, NB,   NB,  B,               2, m_a_saddr,      dump_saddr,             2, acc__r},    // CMP A,saddr
    {0x1F, NB,   NB,  B,               2, m_a_hl,         rp,                     1, acc_none},  // CMP A,[HL]
    {0x1D, NB,   NB,  B | L,           2, m_a_hlbyte,     r1imm,                  2, acc_none},  // CMP A,[HL+byte]
};
constexpr instr_form kCmpw[] = {
    {0xE2, NB,   NB,  W | L,           2, m_ax_imm,       rpimm16_m,              3, acc_none},  // CMPW AX,#word
};
constexpr instr_form kCall[] = {
    {0x22, NB,   NB,  L,               1, m_addr,         addr16,                 3, acc_none},  // CALL addr16
};
constexpr instr_form kCallt[] = {
    {0x40, NB,   NB,  L,               1, m_callt,        addr11,                 1, acc_none},  // CALLT [addr5]
};
constexpr instr_form kDbnz[] = {
    {0x36, NB,   NB,  0,               2, m_b_addr,       generate_branch_offset, 2, acc_none},  // DBNZ B,addr16
    {0x34, NB,   NB,  0,               2, m_c_addr,       generate_branch_offset, 2, acc_none},  // DBNZ C,addr16
    {0x32, NB,   NB,  B | L,           2, m_saddr_addr,   saddr_branch,           3, acc_rw_},   // DBNZ saddr,addr16
};
constexpr instr_form kDec[] = {
    {0x0A, 0xD1, NB,  B | S,           1, m_r,            rp,                     2, acc_none},  // DEC r
    {0xD5, NB,   NB,  B | L,           1, m_saddr,        dump_saddr,             2, acc_rw_},   // DEC saddr
};
constexpr instr_form kDecw[] = {
    {0x90, NB,   NB,  W | S | L,       1, m_rp,           rp,                     1, acc_none},  // DECW rp
};
constexpr instr_form kDi[] = {
    {0x0A, 0xFA, 0x1E, L,              0, nullptr,        rp,                     3, acc_none},  // DI
};
constexpr instr_form kEi[] = {
    {0x0A, 0x7A, 0x1E, L,              0, nullptr,        rp,                     3, acc_none},  // EI
};
constexpr instr_form kHalt[] = {
    {0x0C, NB,   NB,  L,               0, nullptr,        rp,                     1, acc_none},  // HALT
};
constexpr instr_form kInc[] = {
    {0x0A, 0xC1, NB,  B | S,           1, m_r,            rp,                     2, acc_none},  // INC r
    {0xC5, NB,   NB,  B | L,           1, m_saddr,        dump_saddr,             2, acc_rw_},   // INC saddr
};
constexpr instr_form kIncw[] = {
    {0x80, NB,   NB,  W | S | L,       1, m_rp,           rp,                     1, acc_none},  // INCW rp
};
constexpr instr_form kMov[] = {
    {0x0A, 0xF1, NB,  B | S,           2, m_r_imm,        r1imm,                  3, acc_none},  // MOV r,#byte
    {0xF5, NB,   NB,  B,               2, m_saddr_imm,    sfrimm,                 3, acc_w_},    // MOV saddr,#byte
    {0xF7, NB,   NB,  B,               2, m_sfr_imm,      sfrimm,                 3, acc_w_},    // MOV sfr,#byte
    {0x0A, 0xE1, NB,  B | S | NA,      2, m_r_a,          rp,                     2, acc_none},  // MOV r,A
    {0x0A, 0x21, NB,  B | S | R2 | NA, 2, m_a_r,          rp,                     2, acc_none},  // MOV A,r
    {0x25, NB,   NB,  B,               2, m_a_saddr,      dump_saddr,             2, acc__r},    // MOV A,saddr
    {0xE5, NB,   NB,  B,               2, m_saddr_a,      dump_saddr,             2, acc_w_},    // MOV saddr,A
    {0x27, NB,   NB,  B,               2, m_a_sfr,        dump_saddr,             2, acc__r},    // MOV A,sfr
    {0xE7, NB,   NB,  B,               2, m_sfr_a,        dump_saddr,             2, acc_w_},    // MOV sfr,A
    {0x29, NB,   NB,  B,               2, m_a_addr,       addr16,                 3, acc__r},    // MOV A,addr16
    {0xE9, NB,   NB,  B,               2, m_addr_a,       addr16,                 3, acc_w_},    // MOV addr16,A
    {0x2F, NB,   NB,  B,               2, m_a_hl,         rp,                     1, acc_none},  // MOV A,[HL]
    {0x2D, NB,   NB,  B,               2, m_a_hlbyte,     r1imm,                  2, acc_none},  // MOV A,[HL+byte]
    {0x2B, NB,   NB,  B,               2, m_a_de,         rp,                     1, acc_none},  // MOV A,[DE]
    {0xEB, NB,   NB,  B,               2, m_de_a,         rp,                     1, acc_none},  // MOV [DE],A
    {0xEF, NB,   NB,  B,               2, m_hl_a,         rp,                     1, acc_none},  // MOV [HL],A
    {0xED, NB,   NB,  B,               2, m_hlbyte_a,     r1imm,                  2, acc_none},  // MOV [HL+byte],A
    {0xF5, 0x1E, NB,  B,               2, m_psw_imm,      r1imm,                  3, acc_none},  // MOV PSW,#byte
    {0xE5, 0x1E, NB,  B,               2, m_psw_a,        rp,                     2, acc_none},  // MOV PSW,A
    {0x25, 0x1E, NB,  B | L,           2, m_a_psw,        rp,                     2, acc_none},  // MOV A,PSW
};
constexpr instr_form kMovw[] = {
    {0xD6, 0x1C, NB,  W,               2, m_ax_sp,        rp,                     2, acc_none},  // MOVW AX,SP
    {0xE6, 0x1C, NB,  W,               2, m_sp_ax,        rp,                     2, acc_none},  // MOVW SP,AX
    {0xF0, NB,   NB,  W | S,           2, m_rp_imm,       rpimm16_m,              3, acc_none},  // MOVW rp,#word
    {0xD0, NB,   NB,  W | S | R2 | NA, 2, m_ax_rp,        rp,                     1, acc_none},  // MOVW AX,rp
    {0xE0, NB,   NB,  W | S | NA,      2, m_rp_ax,        rp,                     1, acc_none},  // MOVW rp,AX
    {0xD6, NB,   NB,  W,               2, m_ax_saddr,     dump_saddr,             2, acc__r},    // MOVW AX,saddrp
    {0xE6, NB,   NB,  W | L,           2, m_saddr_ax,     dump_saddr,             2, acc_w_},    // MOVW saddrp,AX
};
constexpr instr_form kNot1[] = {
    {0x06, NB,   NB,  L,               1, m_cy,           rp,                     1, acc_none},  // NOT1 CY
};
constexpr instr_form kNop[] = {
    {0x08, NB,   NB,  L,               0, nullptr,        rp,                     1, acc_none},  // NOP
};
constexpr instr_form kOr[] = {
    {0x73, NB,   NB,  B,               2, m_a_imm,        r1imm,                  2, acc_none},  // OR A,#byte
    {0x71, NB,   NB,  B,               2, m_saddr_imm,    sfrimm,                 3, acc_rw_},   // OR saddr,#byte
    {0x0A, 0x71, NB,  B | S | R2,      2, m_a_r,          rp,                     2, acc_none},  // OR A,r
    {0x79, NB,   NB,  B,               2, m_a_addr,       addr16,                 3, acc__r},    // OR A,addr16
    {0x75, NB,   NB,  B,               2, m_a_saddr,      dump_saddr,             2, acc__r},    // OR A,saddr
    {0x7F, NB,   NB,  B,               2, m_a_hl,         rp,                     1, acc_none},  // OR A,[HL]
    {0x7D, NB,   NB,  B | L,           2, m_a_hlbyte,     r1imm,                  2, acc_none},  // OR A,[HL+byte]
};
constexpr instr_form kPop[] = {
    {0x2C, NB,   NB,  0,               1, m_psw,          rp,                     1, acc_none},  // POP PSW
    {0xA0, NB,   NB,  W | S | L,       1, m_rp,           rp,                     1, acc_none},  // POP rp
};
constexpr instr_form kPush[] = {
    {0x2E, NB,   NB,  0,               1, m_psw,          rp,                     1, acc_none},  // PUSH PSW
    {0xA2, NB,   NB,  W | S | L,       1, m_rp,           rp,                     1, acc_none},  // PUSH rp
};
constexpr instr_form kRet[] = {
    {0x20, NB,   NB,  L,               0, nullptr,        rp,                     1, acc_none},  // RET
};
constexpr instr_form kReti[] = {
    {0x24, NB,   NB,  L,               0, nullptr,        rp,                     1, acc_none},  // RETI
};
constexpr instr_form kRol[] = {
    {0x10, NB,   NB,  L,               2, m_a_addr,       rol,                    1, acc_none},  // ROL A,1
};
constexpr instr_form kRolc[] = {
    {0x12, NB,   NB,  L,               2, m_a_addr,       rol,                    1, acc_none},  // ROLC A,1
};
constexpr instr_form kRor[] = {
    {0x00, NB,   NB,  L,               2, m_a_addr,       rol,                    1, acc_none},  // ROR A,1
};
constexpr instr_form kRorc[] = {
    {0x02, NB,   NB,  L,               2, m_a_addr,       rol,                    1, acc_none},  // RORC A,1
};
constexpr instr_form kSet1[] = {
    {0x0A, 0x0A, NB,  B,               1, m_bitsym,       dump_bit_78K4,          3, acc_bw_},   // SET1 bit symbol
    {0x0A, 0x0A, NB,  B,               1, m_saddrbit,     bit_operand,            3, acc_bw_},   // SET1 saddr.bit
    {0x0A, 0x06, NB,  B,               1, m_sfrbit,       bit_operand,            3, acc_bw_},   // SET1 sfr.bit
    {0x0A, 0x02, NB,  B,               1, m_abit,         bit_operand,            2, acc_none},  // SET1 A.bit
    {0x0A, 0x0A, 0x1E, B,              1, m_pswbit,       psw_bit,                3, acc_none},  // SET1 PSW.bit
    {0x0A, 0x0E, NB,  B,               1, m_hlbit,        bit_operand,            2, acc_none},  // SET1 [HL].bit
    {0x14, NB,   NB,  L,               1, m_cy,           rp,                     1, acc_none},  // SET1 CY
};
constexpr instr_form kStop[] = {
    {0x0E, NB,   NB,  L,               0, nullptr,        rp,                     1, acc_none},  // STOP
};
constexpr instr_form kSubc[] = {
    {0xB3, NB,   NB,  B,               2, m_a_imm,        r1imm,                  2, acc_none},  // SUBC A,#byte
    {0xB1, NB,   NB,  B,               2, m_saddr_imm,    sfrimm,                 3, acc_rw_},   // SUBC saddr,#byte
    {0x0A, 0xB1, NB,  B | S | R2,      2, m_a_r,          rp,                     2, acc_none},  // SUBC A,r
    {0xB5, NB,   NB,  B,               2, m_a_saddr,      dump_saddr,             2, acc__r},    // SUBC A,saddr
    {0xB9, NB,   NB,  B,               2, m_a_addr,       addr16,                 3, acc__r},    // SUBC A,addr16
    {0xBF, NB,   NB,  B,               2, m_a_hl,         rp,                     1, acc_none},  // SUBC A,[HL]
    {0xBD, NB,   NB,  B | L,           2, m_a_hlbyte,     r1imm,                  2, acc_none},  // SUBC A,[HL+byte]
};
constexpr instr_form kSub[] = {
    {0x93, NB,   NB,  B,               2, m_a_imm,        r1imm,                  2, acc_none},  // SUB A,#byte
    {0x91, NB,   NB,  B,               2, m_saddr_imm,    sfrimm,                 3, acc_rw_},   // SUB saddr,#byte
    {0x0A, 0x91, NB,  B | S | R2,      2, m_a_r,          rp,                     2, acc_none},  // SUB A,r
    {0x95, NB,   NB,  B,               2, m_a_saddr,      dump_saddr,             2, acc__r},    // SUB A,saddr
    {0x99, NB,   NB,  B,               2, m_a_addr,       addr16,                 3, acc__r},    // SUB A,addr16
    {0x9F, NB,   NB,  B,               2, m_a_hl,         rp,                     1, acc_none},  // SUB A,[HL]
    {0x9D, NB,   NB,  B | L,           2, m_a_hlbyte,     r1imm,                  2, acc_none},  // SUB A,[HL+byte]
};
constexpr instr_form kSubw[] = {
    {0xC2, NB,   NB,  W | L,           2, m_ax_imm,       rpimm16_m,              3, acc_none},  // SUBW AX,#word
};
constexpr instr_form kXch[] = {
    {0xC0, NB,   NB,  B,               2, m_a_x,          rp,                     1, acc_none},  // XCH A,X
    {0x0A, 0x01, NB,  B | S | R2 | NA, 2, m_a_r,          rp,                     2, acc_none},  // XCH A,r
    {0x05, NB,   NB,  B,               2, m_a_saddr,      dump_saddr,             2, acc__rw},   // XCH A,saddr
    {0x07, NB,   NB,  B,               2, m_a_sfr,        dump_saddr,             2, acc__rw},   // XCH A,sfr
    {0x0B, NB,   NB,  B,               2, m_a_de,         rp,                     1, acc_none},  // XCH A,[DE]
    {0x0F, NB,   NB,  B,               2, m_a_hl,         rp,                     1, acc_none},  // XCH A,[HL]
    {0x0D, NB,   NB,  B | L,           2, m_a_hlbyte,     r1imm,                  2, acc_none},  // XCH A,[HL+byte]
};
constexpr instr_form kXchw[] = {
    {0xC0, NB,   NB,  W | S | R2 | NA | L, 2, m_ax_rp,    rp,                     1, acc_none},  // XCHW AX,rp
};
constexpr instr_form kXor[] = {
    {0x43, NB,   NB,  B,               2, m_a_imm,        r1imm,                  2, acc_none},  // XOR A,#byte
    {0x41, NB,   NB,  B,               2, m_saddr_imm,    sfrimm,                 3, acc_rw_},   // XOR saddr,#byte
    {0x0A, 0x41, NB,  B | S | R2,      2, m_a_r,          rp,                     2, acc_none},  // XOR A,r
    {0x45, NB,   NB,  B,               2, m_a_saddr,      dump_saddr,             2, acc__r},    // XOR A,saddr
    {0x49, NB,   NB,  B,               2, m_a_addr,       addr16,                 3, acc__r},    // XOR A,addr16
    {0x4F, NB,   NB,  B,               2, m_a_hl,         rp,                     1, acc_none},  // XOR A,[HL]
    {0x4D, NB,   NB,  B | L,           2, m_a_hlbyte,     r1imm,                  2, acc_none},  // XOR A,[HL+byte]
};
// clang-format on

}  // namespace

// clang-format off
//                               name     index forms    options
constexpr mnemonic_row kMnemonics78k0s[] = {
    mnemonic("ADDC",  1,  kAddc,  V_78K0S),
    mnemonic("ADD",   2,  kAdd,   V_78K0S),
    mnemonic("ADDW",  3,  kAddw,  V_78K0S),
    mnemonic("AND",   4,  kAnd,   V_78K0S),
    mnemonic("BR",    8,  kBr,    V_78K0S),
    mnemonic("BNZ",   9,  kBnz,   V_78K0S),
    mnemonic("BZ",    11, kBz,    V_78K0S),
    mnemonic("BNC",   13, kBnc,   V_78K0S),
    mnemonic("BC",    14, kBc,    V_78K0S),
    mnemonic("BF",    15, kBf,    V_78K0S),
    mnemonic("BT",    16, kBt,    V_78K0S),
    mnemonic("CLR1",  19, kClr1,  V_78K0S),
    mnemonic("CMP",   20, kCmp,   V_78K0S),
    mnemonic("CMPW",  21, kCmpw,  V_78K0S),
    mnemonic("CALL",  22, kCall,  V_78K0S),
    mnemonic("CALLT", 24, kCallt, V_78K0S),
    mnemonic("DBNZ",  25, kDbnz,  V_78K0S),
    mnemonic("DEC",   26, kDec,   V_78K0S),
    mnemonic("DECW",  27, kDecw,  V_78K0S),
    mnemonic("DI",    29, kDi,    V_78K0S),
    mnemonic("EI",    31, kEi,    V_78K0S),
    mnemonic("HALT",  32, kHalt,  V_78K0S),
    mnemonic("INC",   33, kInc,   V_78K0S),
    mnemonic("INCW",  34, kIncw,  V_78K0S),
    mnemonic("MOV",   35, kMov,   V_78K0S),
    mnemonic("MOVW",  36, kMovw,  V_78K0S),
    mnemonic("NOT1",  39, kNot1,  V_78K0S),
    mnemonic("NOP",   40, kNop,   V_78K0S),
    mnemonic("OR",    41, kOr,    V_78K0S),
    mnemonic("POP",   43, kPop,   V_78K0S),
    mnemonic("PUSH",  44, kPush,  V_78K0S),
    mnemonic("RET",   45, kRet,   V_78K0S),
    mnemonic("RETI",  47, kReti,  V_78K0S),
    mnemonic("ROL",   48, kRol,   V_78K0S),
    mnemonic("ROLC",  49, kRolc,  V_78K0S),
    mnemonic("ROR",   50, kRor,   V_78K0S),
    mnemonic("RORC",  51, kRorc,  V_78K0S),
    mnemonic("SET1",  55, kSet1,  V_78K0S),
    mnemonic("STOP",  56, kStop,  V_78K0S),
    mnemonic("SUBC",  57, kSubc,  V_78K0S),
    mnemonic("SUB",   58, kSub,   V_78K0S),
    mnemonic("SUBW",  59, kSubw,  V_78K0S),
    mnemonic("XCH",   60, kXch,   V_78K0S),
    mnemonic("XCHW",  61, kXchw,  V_78K0S),
    mnemonic("XOR",   63, kXor,   V_78K0S),
};
// clang-format on
constexpr std::size_t kMnemonics78k0sCount = std::size(kMnemonics78k0s);
static_assert(end_flags_ok(kMnemonics78k0s, std::size(kMnemonics78k0s)), "each mnemonic's last form, and only it, ends the list");
