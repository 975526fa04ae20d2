// forms_78k0.cpp — the instruction forms of the 78K0 (B01), one row per form
// in matching order, and its mnemonic table. Register fields: +r the register
// number, +2p twice the pair number; bit forms OR the bit number times 16 into
// the opcode byte the encoder names.
#include <iterator>

#include "target/forms_shared.h"

namespace {

using namespace forms;

// clang-format off
//                op1   op2   op3  flags       n  modes           encoder                 len sfr
constexpr instr_form kAdd[] = {
    {0x0D, NB,   NB,  B,          2, m_a_imm,        r1imm,                  2, acc_none},  // ADD A,#byte
    {0x88, NB,   NB,  B,          2, m_saddr_imm,    sfrimm,                 3, acc_rw_},   // ADD saddr,#byte
    {0x61, 0x00, NB,  B,          2, m_r_a,          rp,                     2, acc_none},  // ADD r,A
    {0x61, 0x08, NB,  B | R2,     2, m_a_r,          rp,                     2, acc_none},  // ADD A,r
    {0x08, NB,   NB,  B,          2, m_a_addr,       addr16,                 3, acc__r},    // ADD A,addr16
    {0x0E, NB,   NB,  B,          2, m_a_saddr,      dump_saddr,             2, acc__r},    // ADD A,saddr
    {0x0F, NB,   NB,  B,          2, m_a_hl,         rp,                     1, acc_none},  // ADD A,[HL]
    {0x09, NB,   NB,  B,          2, m_a_hlbyte,     r1imm,                  2, acc_none},  // ADD A,[HL+byte]
    {0x31, 0x0B, NB,  B,          2, m_a_hlb,        rp,                     2, acc_none},  // ADD A,[HL+B]
    {0x31, 0x0A, NB,  B | L,      2, m_a_hlc,        rp,                     2, acc_none},  // ADD A,[HL+C]
};
constexpr instr_form kAddc[] = {
    {0x2D, NB,   NB,  B,          2, m_a_imm,        r1imm,                  2, acc_none},  // ADDC A,#byte
    {0xA8, NB,   NB,  B,          2, m_saddr_imm,    sfrimm,                 3, acc_rw_},   // ADDC saddr,#byte
    {0x61, 0x20, NB,  B,          2, m_r_a,          rp,                     2, acc_none},  // ADDC r,A
    {0x61, 0x28, NB,  B | R2,     2, m_a_r,          rp,                     2, acc_none},  // ADDC A,r
    {0x28, NB,   NB,  B,          2, m_a_addr,       addr16,                 3, acc__r},    // ADDC A,addr16
    {0x2E, NB,   NB,  B,          2, m_a_saddr,      dump_saddr,             2, acc__r},    // ADDC A,saddr
    {0x2F, NB,   NB,  B,          2, m_a_hl,         rp,                     1, acc_none},  // ADDC A,[HL]
    {0x29, NB,   NB,  B,          2, m_a_hlbyte,     r1imm,                  2, acc_none},  // ADDC A,[HL+byte]
    {0x31, 0x2B, NB,  B,          2, m_a_hlb,        rp,                     2, acc_none},  // ADDC A,[HL+B]
    {0x31, 0x2A, NB,  B | L,      2, m_a_hlc,        rp,                     2, acc_none},  // ADDC A,[HL+C]
};
constexpr instr_form kAddw[] = {
    {0xCA, NB,   NB,  W | L,      2, m_ax_imm,       rpimm16_m,              3, acc_none},  // ADDW AX,#word
};
constexpr instr_form kAnd[] = {
    {0x5D, NB,   NB,  B,          2, m_a_imm,        r1imm,                  2, acc_none},  // AND A,#byte
    {0xD8, NB,   NB,  B,          2, m_saddr_imm,    sfrimm,                 3, acc_rw_},   // AND saddr,#byte
    {0x61, 0x50, NB,  B,          2, m_r_a,          rp,                     2, acc_none},  // AND r,A
    {0x61, 0x58, NB,  B | R2,     2, m_a_r,          rp,                     2, acc_none},  // AND A,r
    {0x58, NB,   NB,  B,          2, m_a_addr,       addr16,                 3, acc__r},    // AND A,addr16
    {0x5E, NB,   NB,  B,          2, m_a_saddr,      dump_saddr,             2, acc__r},    // AND A,saddr
    {0x5F, NB,   NB,  B,          2, m_a_hl,         rp,                     1, acc_none},  // AND A,[HL]
    {0x59, NB,   NB,  B,          2, m_a_hlbyte,     r1imm,                  2, acc_none},  // AND A,[HL+byte]
    {0x31, 0x5B, NB,  B,          2, m_a_hlb,        rp,                     2, acc_none},  // AND A,[HL+B]
    {0x31, 0x5A, NB,  B | L,      2, m_a_hlc,        rp,                     2, acc_none},  // AND A,[HL+C]
};
constexpr instr_form kAnd1[] = {
    {0x71, 0x05, NB,  B,          2, m_cy_bitsym,    dump_bit_78K4,          3, acc__br},   // AND1 CY,bit symbol
    {0x71, 0x05, NB,  B,          2, m_cy_saddrbit,  bit_operand,            3, acc__br},   // AND1 CY,saddr.bit
    {0x71, 0x0D, NB,  B,          2, m_cy_sfrbit,    bit_operand,            3, acc__br},   // AND1 CY,sfr.bit
    {0x61, 0x8D, NB,  B,          2, m_cy_abit,      bit_operand,            2, acc_none},  // AND1 CY,A.bit
    {0x71, 0x05, 0x1E, B,         2, m_cy_pswbit,    psw_bit,                3, acc_none},  // AND1 CY,PSW.bit
    {0x71, 0x85, NB,  B | L,      2, m_cy_hlbit,     bit_operand,            2, acc_none},  // AND1 CY,[HL].bit
};
constexpr instr_form kAdjba[] = {
    {0x61, 0x80, NB,  L,          0, nullptr,        rp,                     2, acc_none},  // ADJBA
};
constexpr instr_form kAdjbs[] = {
    {0x61, 0x90, NB,  L,          0, nullptr,        rp,                     2, acc_none},  // ADJBS
};
constexpr instr_form kBr[] = {
    {0x9B, NB,   NB,  SH,         1, m_addr,         addr16,                 3, acc_none},  // BR addr16
    {0xFA, NB,   NB,  0,          1, m_addr,         generate_branch_offset, 2, acc_none},  // BR addr16 (near: displacement)
    {0x31, 0x98, NB,  L,          1, m_ax,           rp,                     2, acc_none},  // BR AX
};
constexpr instr_form kBnz[] = {
    {0xBD, NB,   NB,  L,          1, m_addr,         generate_branch_offset, 2, acc_none},  // BNZ addr16
};
constexpr instr_form kBz[] = {
    {0xAD, NB,   NB,  L,          1, m_addr,         generate_branch_offset, 2, acc_none},  // BZ addr16
};
constexpr instr_form kBnc[] = {
    {0x9D, NB,   NB,  L,          1, m_addr,         generate_branch_offset, 2, acc_none},  // BNC addr16
};
constexpr instr_form kBc[] = {
    {0x8D, NB,   NB,  L,          1, m_addr,         generate_branch_offset, 2, acc_none},  // BC addr16
};
constexpr instr_form kBf[] = {
    {0x31, 0x03, NB,  B,          2, m_bitsym_addr,  dump_bit_78K4,          4, acc_br_},   // BF bit symbol,addr16
    {0x31, 0x03, NB,  B,          2, m_saddrbit_addr, bit_operand,           4, acc_br_},   // BF saddr.bit,addr16
    {0x31, 0x07, NB,  B,          2, m_sfrbit_addr,  bit_operand,            4, acc_br_},   // BF sfr.bit,addr16
    {0x31, 0x0F, NB,  B,          2, m_abit_addr,    bit_operand,            3, acc_none},  // BF A.bit,addr16
    {0x31, 0x03, 0x1E, B,         2, m_pswbit_addr,  psw_bit,                4, acc_none},  // BF PSW.bit,addr16
    {0x31, 0x87, NB,  B | L,      2, m_hlbit_addr,   bit_operand,            3, acc_none},  // BF [HL].bit,addr16
};
constexpr instr_form kBt[] = {
    {0x8C, NB,   NB,  B,          2, m_bitsym_addr,  dump_bit_78K4,          3, acc_br_},   // BT bit symbol,addr16
    {0x8C, NB,   NB,  B,          2, m_saddrbit_addr, bit_operand,           3, acc_br_},   // BT saddr.bit,addr16
    {0x31, 0x06, NB,  B,          2, m_sfrbit_addr,  bit_operand,            4, acc_br_},   // BT sfr.bit,addr16
    {0x31, 0x0E, NB,  B,          2, m_abit_addr,    bit_operand,            3, acc_none},  // BT A.bit,addr16
    {0x8C, 0x1E, NB,  B,          2, m_pswbit_addr,  psw_bit,                3, acc_none},  // BT PSW.bit,addr16
    {0x31, 0x86, NB,  B | L,      2, m_hlbit_addr,   bit_operand,            3, acc_none},  // BT [HL].bit,addr16
};
constexpr instr_form kBtclr[] = {
    {0x31, 0x01, NB,  B,          2, m_bitsym_addr,  dump_bit_78K4,          4, acc_brw_},  // BTCLR bit symbol,addr16
    {0x31, 0x01, NB,  B,          2, m_saddrbit_addr, bit_operand,           4, acc_brw_},  // BTCLR saddr.bit,addr16
    {0x31, 0x05, NB,  B,          2, m_sfrbit_addr,  bit_operand,            4, acc_brw_},  // BTCLR sfr.bit,addr16
    {0x31, 0x0D, NB,  B,          2, m_abit_addr,    bit_operand,            3, acc_none},  // BTCLR A.bit,addr16
    {0x31, 0x01, 0x1E, B,         2, m_pswbit_addr,  psw_bit,                4, acc_none},  // BTCLR PSW.bit,addr16
    {0x31, 0x85, NB,  B | L,      2, m_hlbit_addr,   bit_operand,            3, acc_none},  // BTCLR [HL].bit,addr16
};
constexpr instr_form kBrk[] = {
    {0xBF, NB,   NB,  L,          0, nullptr,        rp,                     1, acc_none},  // BRK
};
constexpr instr_form kClr1[] = {
    {0x0B, NB,   NB,  B,          1, m_bitsym,       dump_bit_78K4,          2, acc_bw_},   // CLR1 bit symbol
    {0x0B, NB,   NB,  B,          1, m_saddrbit,     bit_operand,            2, acc_bw_},   // CLR1 saddr.bit
    {0x71, 0x0B, NB,  B,          1, m_sfrbit,       bit_operand,            3, acc_bw_},   // CLR1 sfr.bit
    {0x61, 0x8B, NB,  B,          1, m_abit,         bit_operand,            2, acc_none},  // CLR1 A.bit
    {0x0B, 0x1E, NB,  B,          1, m_pswbit,       psw_bit,                2, acc_none},  // CLR1 PSW.bit
    {0x71, 0x83, NB,  B,          1, m_hlbit,        bit_operand,            2, acc_none},  // CLR1 [HL].bit
    {0x21, NB,   NB,  L,          1, m_cy,           rp,                     1, acc_none},  // CLR1 CY
};
constexpr instr_form kCmp[] = {
    {0x4D, NB,   NB,  B,          2, m_a_imm,        r1imm,                  2, acc_none},  // CMP A,#byte
    {0xC8, NB,   NB,  B,          2, m_saddr_imm,    sfrimm,                 3, acc_r_},    // CMP saddr,#byte
    {0x61, 0x40, NB,  B,          2, m_r_a,          rp,                     2, acc_none},  // CMP r,A
    {0x61, 0x48, NB,  B | R2,     2, m_a_r,          rp,                     2, acc_none},  // CMP A,r
    {0x48, NB,   NB,  B,          2, m_a_addr,       addr16,                 3, acc__r},    // CMP A,addr16
    {0x4E, NB,   NB,  B,          2, m_a_saddr,      dump_saddr,             2, acc__r},    // CMP A,saddr
    {0x4F, NB,   NB,  B,          2, m_a_hl,         rp,                     1, acc_none},  // CMP A,[HL]
    {0x49, NB,   NB,  B,          2, m_a_hlbyte,     r1imm,                  2, acc_none},  // CMP A,[HL+byte]
    {0x31, 0x4B, NB,  B,          2, m_a_hlb,        rp,                     2, acc_none},  // CMP A,[HL+B]
    {0x31, 0x4A, NB,  B | L,      2, m_a_hlc,        rp,                     2, acc_none},  // CMP A,[HL+C]
};
constexpr instr_form kCmpw[] = {
    {0xEA, NB,   NB,  W | L,      2, m_ax_imm,       rpimm16_m,              3, acc_none},  // CMPW AX,#word
};
constexpr instr_form kCall[] = {
    {0x9A, NB,   NB,  L,          1, m_addr,         addr16,                 3, acc_none},  // CALL addr16
};
constexpr instr_form kCallf[] = {
    {0x0C, NB,   NB,  L,          1, m_addr,         addr11,                 2, acc_none},  // CALLF addr11
};
constexpr instr_form kCallt[] = {
    {0xC1, NB,   NB,  L,          1, m_callt,        addr11,                 1, acc_none},  // CALLT [addr5]
};
constexpr instr_form kDbnz[] = {
    {0x8B, NB,   NB,  0,          2, m_b_addr,       generate_branch_offset, 2, acc_none},  // DBNZ B,addr16
    {0x8A, NB,   NB,  0,          2, m_c_addr,       generate_branch_offset, 2, acc_none},  // DBNZ C,addr16
    {0x04, NB,   NB,  B | L,      2, m_saddr_addr,   saddr_branch,           3, acc_rw_},   // DBNZ saddr,addr16
};
constexpr instr_form kDec[] = {
    {0x50, NB,   NB,  B,          1, m_r,            rp,                     1, acc_none},  // DEC r
    {0x91, NB,   NB,  B | L,      1, m_saddr,        dump_saddr,             2, acc_rw_},   // DEC saddr
};
constexpr instr_form kDecw[] = {
    {0x90, NB,   NB,  W | L,      1, m_rp,           rp,                     1, acc_none},  // DECW rp
};
constexpr instr_form kDi[] = {
    {0x7B, 0x1E, NB,  L,          0, nullptr,        rp,                     2, acc_none},  // DI
};
constexpr instr_form kDivuw[] = {
    {0x31, 0x82, NB,  L,          1, m_c,            rp,                     2, acc_none},  // DIVUW C
};
constexpr instr_form kEi[] = {
    {0x7A, 0x1E, NB,  L,          0, nullptr,        rp,                     2, acc_none},  // EI
};
constexpr instr_form kHalt[] = {
    {0x71, 0x10, NB,  L,          0, nullptr,        rp,                     2, acc_none},  // HALT
};
constexpr instr_form kInc[] = {
    {0x40, NB,   NB,  B,          1, m_r,            rp,                     1, acc_none},  // INC r
    {0x81, NB,   NB,  B | L,      1, m_saddr,        dump_saddr,             2, acc_rw_},   // INC saddr
};
constexpr instr_form kIncw[] = {
    {0x80, NB,   NB,  W | L,      1, m_rp,           rp,                     1, acc_none},  // INCW rp
};
constexpr instr_form kMov[] = {
    {0xA0, NB,   NB,  B,          2, m_r_imm,        r1imm,                  2, acc_none},  // MOV r,#byte
    {0x11, NB,   NB,  B,          2, m_saddr_imm,    sfrimm,                 3, acc_w_},    // MOV saddr,#byte
    {0x13, NB,   NB,  B,          2, m_sfr_imm,      sfrimm,                 3, acc_w_},    // MOV sfr,#byte
    {0x70, NB,   NB,  B | NA,     2, m_r_a,          rp,                     1, acc_none},  // MOV r,A
    {0x60, NB,   NB,  B | R2 | NA, 2, m_a_r,         rp,                     1, acc_none},  // MOV A,r
    {0xF0, NB,   NB,  B,          2, m_a_saddr,      dump_saddr,             2, acc__r},    // MOV A,saddr
    {0xF2, NB,   NB,  B,          2, m_saddr_a,      dump_saddr,             2, acc_w_},    // MOV saddr,A
    {0xF4, NB,   NB,  B,          2, m_a_sfr,        dump_saddr,             2, acc__r},    // MOV A,sfr
    {0xF6, NB,   NB,  B,          2, m_sfr_a,        dump_saddr,             2, acc_w_},    // MOV sfr,A
    {0x8E, NB,   NB,  B,          2, m_a_addr,       addr16,                 3, acc__r},    // MOV A,addr16
    {0x9E, NB,   NB,  B,          2, m_addr_a,       addr16,                 3, acc_w_},    // MOV addr16,A
    {0x87, NB,   NB,  B,          2, m_a_hl,         rp,                     1, acc_none},  // MOV A,[HL]
    {0xAE, NB,   NB,  B,          2, m_a_hlbyte,     r1imm,                  2, acc_none},  // MOV A,[HL+byte]
    {0xAB, NB,   NB,  B,          2, m_a_hlb,        rp,                     1, acc_none},  // MOV A,[HL+B]
    {0xAA, NB,   NB,  B,          2, m_a_hlc,        rp,                     1, acc_none},  // MOV A,[HL+C]
    {0x85, NB,   NB,  B,          2, m_a_de,         rp,                     1, acc_none},  // MOV A,[DE]
    {0x95, NB,   NB,  B,          2, m_de_a,         rp,                     1, acc_none},  // MOV [DE],A
    {0x97, NB,   NB,  B,          2, m_hl_a,         rp,                     1, acc_none},  // MOV [HL],A
    {0xBE, NB,   NB,  B,          2, m_hlbyte_a,     r1imm,                  2, acc_none},  // MOV [HL+byte],A
    {0xBB, NB,   NB,  B,          2, m_hlb_a,        rp,                     1, acc_none},  // MOV [HL+B],A
    {0xBA, NB,   NB,  B,          2, m_hlc_a,        rp,                     1, acc_none},  // MOV [HL+C],A
    {0x11, 0x1E, NB,  B,          2, m_psw_imm,      r1imm,                  3, acc_none},  // MOV PSW,#byte
    {0xF2, 0x1E, NB,  B,          2, m_psw_a,        rp,                     2, acc_none},  // MOV PSW,A
    {0xF0, 0x1E, NB,  B | L,      2, m_a_psw,        rp,                     2, acc_none},  // MOV A,PSW
};
constexpr instr_form kMovw[] = {
    {0xEE, 0x1C, NB,  W,          2, m_sp_imm,       SPimm16,                4, acc_none},  // MOVW SP,#word
    {0x89, 0x1C, NB,  W,          2, m_ax_sp,        rp,                     2, acc_none},  // MOVW AX,SP
    {0x99, 0x1C, NB,  W,          2, m_sp_ax,        rp,                     2, acc_none},  // MOVW SP,AX
    {0x10, NB,   NB,  W,          2, m_rp_imm,       rpimm16_m,              3, acc_none},  // MOVW rp,#word
    {0xEE, NB,   NB,  W,          2, m_saddr_imm,    sfrpimm16,              4, acc_w_},    // MOVW saddrp,#word
    {0xFE, NB,   NB,  W,          2, m_sfr_imm,      sfrpimm16,              4, acc_w_},    // MOVW sfrp,#word
    {0xC0, NB,   NB,  W | R2 | NA, 2, m_ax_rp,       rp,                     1, acc_none},  // MOVW AX,rp
    {0xD0, NB,   NB,  W | NA,     2, m_rp_ax,        rp,                     1, acc_none},  // MOVW rp,AX
    {0x89, NB,   NB,  W,          2, m_ax_saddr,     dump_saddr,             2, acc__r},    // MOVW AX,saddrp
    {0x99, NB,   NB,  W,          2, m_saddr_ax,     dump_saddr,             2, acc_w_},    // MOVW saddrp,AX
    {0xA9, NB,   NB,  W,          2, m_ax_sfr,       dump_saddr,             2, acc__r},    // MOVW AX,sfrp
    {0xB9, NB,   NB,  W,          2, m_sfr_ax,       dump_saddr,             2, acc_w_},    // MOVW sfrp,AX
    {0x02, NB,   NB,  W,          2, m_ax_addr,      addr16,                 3, acc__r},    // MOVW AX,addr16
    {0x03, NB,   NB,  W | L,      2, m_addr_ax,      addr16,                 3, acc_w_},    // MOVW addr16,AX
};
constexpr instr_form kMov1[] = {
    {0x71, 0x04, NB,  B,          2, m_cy_bitsym,    dump_bit_78K4,          3, acc__br},   // MOV1 CY,bit symbol
    {0x71, 0x04, NB,  B,          2, m_cy_saddrbit,  bit_operand,            3, acc__br},   // MOV1 CY,saddr.bit
    {0x71, 0x0C, NB,  B,          2, m_cy_sfrbit,    bit_operand,            3, acc__br},   // MOV1 CY,sfr.bit
    {0x61, 0x8C, NB,  B,          2, m_cy_abit,      bit_operand,            2, acc_none},  // MOV1 CY,A.bit
    {0x71, 0x04, 0x1E, B,         2, m_cy_pswbit,    psw_bit,                3, acc_none},  // MOV1 CY,PSW.bit
    {0x71, 0x84, NB,  B,          2, m_cy_hlbit,     bit_operand,            2, acc_none},  // MOV1 CY,[HL].bit
    {0x71, 0x01, NB,  B,          2, m_bitsym_cy,    dump_bit_78K4,          3, acc_bw_},   // MOV1 bit symbol,CY
    {0x71, 0x01, NB,  B,          2, m_saddrbit_cy,  bit_operand,            3, acc_bw_},   // MOV1 saddr.bit,CY
    {0x71, 0x09, NB,  B,          2, m_sfrbit_cy,    bit_operand,            3, acc_bw_},   // MOV1 sfr.bit,CY
    {0x61, 0x89, NB,  B,          2, m_abit_cy,      bit_operand,            2, acc_none},  // MOV1 A.bit,CY
    {0x71, 0x01, 0x1E, B,         2, m_pswbit_cy,    psw_bit,                3, acc_none},  // MOV1 PSW.bit,CY
    {0x71, 0x81, NB,  B | L,      2, m_hlbit_cy,     bit_operand,            2, acc_none},  // MOV1 [HL].bit,CY
};
constexpr instr_form kMulu[] = {
    {0x31, 0x88, NB,  L,          1, m_x,            rp,                     2, acc_none},  // MULU X
};
constexpr instr_form kNot1[] = {
    {0x01, NB,   NB,  L,          1, m_cy,           rp,                     1, acc_none},  // NOT1 CY
};
constexpr instr_form kNop[] = {
    {0x00, NB,   NB,  L,          0, nullptr,        rp,                     1, acc_none},  // NOP
};
constexpr instr_form kOr[] = {
    {0x6D, NB,   NB,  B,          2, m_a_imm,        r1imm,                  2, acc_none},  // OR A,#byte
    {0xE8, NB,   NB,  B,          2, m_saddr_imm,    sfrimm,                 3, acc_rw_},   // OR saddr,#byte
    {0x61, 0x60, NB,  B,          2, m_r_a,          rp,                     2, acc_none},  // OR r,A
    {0x61, 0x68, NB,  B | R2,     2, m_a_r,          rp,                     2, acc_none},  // OR A,r
    {0x68, NB,   NB,  B,          2, m_a_addr,       addr16,                 3, acc__r},    // OR A,addr16
    {0x6E, NB,   NB,  B,          2, m_a_saddr,      dump_saddr,             2, acc__r},    // OR A,saddr
    {0x6F, NB,   NB,  B,          2, m_a_hl,         rp,                     1, acc_none},  // OR A,[HL]
    {0x69, NB,   NB,  B,          2, m_a_hlbyte,     r1imm,                  2, acc_none},  // OR A,[HL+byte]
    {0x31, 0x6B, NB,  B,          2, m_a_hlb,        rp,                     2, acc_none},  // OR A,[HL+B]
    {0x31, 0x6A, NB,  B | L,      2, m_a_hlc,        rp,                     2, acc_none},  // OR A,[HL+C]
};
constexpr instr_form kOr1[] = {
    {0x71, 0x06, NB,  B,          2, m_cy_bitsym,    dump_bit_78K4,          3, acc__br},   // OR1 CY,bit symbol
    {0x71, 0x06, NB,  B,          2, m_cy_saddrbit,  bit_operand,            3, acc__br},   // OR1 CY,saddr.bit
    {0x71, 0x0E, NB,  B,          2, m_cy_sfrbit,    bit_operand,            3, acc__br},   // OR1 CY,sfr.bit
    {0x61, 0x8E, NB,  B,          2, m_cy_abit,      bit_operand,            2, acc_none},  // OR1 CY,A.bit
    {0x71, 0x06, 0x1E, B,         2, m_cy_pswbit,    psw_bit,                3, acc_none},  // OR1 CY,PSW.bit
    {0x71, 0x86, NB,  B | L,      2, m_cy_hlbit,     bit_operand,            2, acc_none},  // OR1 CY,[HL].bit
};
constexpr instr_form kPop[] = {
    {0x23, NB,   NB,  0,          1, m_psw,          rp,                     1, acc_none},  // POP PSW
    {0xB0, NB,   NB,  W | L,      1, m_rp,           rp,                     1, acc_none},  // POP rp
};
constexpr instr_form kPush[] = {
    {0x22, NB,   NB,  0,          1, m_psw,          rp,                     1, acc_none},  // PUSH PSW
    {0xB1, NB,   NB,  W | L,      1, m_rp,           rp,                     1, acc_none},  // PUSH rp
};
constexpr instr_form kRet[] = {
    {0xAF, NB,   NB,  L,          0, nullptr,        rp,                     1, acc_none},  // RET
};
constexpr instr_form kRetb[] = {
    {0x9F, NB,   NB,  L,          0, nullptr,        rp,                     1, acc_none},  // RETB
};
constexpr instr_form kReti[] = {
    {0x8F, NB,   NB,  L,          0, nullptr,        rp,                     1, acc_none},  // RETI
};
constexpr instr_form kRol[] = {
    {0x26, NB,   NB,  L,          2, m_a_addr,       rol,                    1, acc_none},  // ROL A,1
};
constexpr instr_form kRolc[] = {
    {0x27, NB,   NB,  L,          2, m_a_addr,       rol,                    1, acc_none},  // ROLC A,1
};
constexpr instr_form kRor[] = {
    {0x24, NB,   NB,  L,          2, m_a_addr,       rol,                    1, acc_none},  // ROR A,1
};
constexpr instr_form kRorc[] = {
    {0x25, NB,   NB,  L,          2, m_a_addr,       rol,                    1, acc_none},  // RORC A,1
};
constexpr instr_form kRol4[] = {
    {0x31, 0x80, NB,  L,          1, m_hl,           rp,                     2, acc_none},  // ROL4 [HL]
};
constexpr instr_form kRor4[] = {
    {0x31, 0x90, NB,  L,          1, m_hl,           rp,                     2, acc_none},  // ROR4 [HL]
};
constexpr instr_form kSel[] = {
    {0x61, 0xD0, NB,  L,          1, m_rbank,        sel,                    2, acc_none},  // SEL RBn
};
constexpr instr_form kSet1[] = {
    {0x0A, NB,   NB,  B,          1, m_bitsym,       dump_bit_78K4,          2, acc_bw_},   // SET1 bit symbol
    {0x0A, NB,   NB,  B,          1, m_saddrbit,     bit_operand,            2, acc_bw_},   // SET1 saddr.bit
    {0x71, 0x0A, NB,  B,          1, m_sfrbit,       bit_operand,            3, acc_bw_},   // SET1 sfr.bit
    {0x61, 0x8A, NB,  B,          1, m_abit,         bit_operand,            2, acc_none},  // SET1 A.bit
    {0x0A, 0x1E, NB,  B,          1, m_pswbit,       psw_bit,                2, acc_none},  // SET1 PSW.bit
    {0x71, 0x82, NB,  B,          1, m_hlbit,        bit_operand,            2, acc_none},  // SET1 [HL].bit
    {0x20, NB,   NB,  L,          1, m_cy,           rp,                     1, acc_none},  // SET1 CY
};
constexpr instr_form kStop[] = {
    {0x71, 0x00, NB,  L,          0, nullptr,        rp,                     2, acc_none},  // STOP
};
constexpr instr_form kSubc[] = {
    {0x3D, NB,   NB,  B,          2, m_a_imm,        r1imm,                  2, acc_none},  // SUBC A,#byte
    {0xB8, NB,   NB,  B,          2, m_saddr_imm,    sfrimm,                 3, acc_rw_},   // SUBC saddr,#byte
    {0x61, 0x30, NB,  B,          2, m_r_a,          rp,                     2, acc_none},  // SUBC r,A
    {0x61, 0x38, NB,  B | R2,     2, m_a_r,          rp,                     2, acc_none},  // SUBC A,r
    {0x38, NB,   NB,  B,          2, m_a_addr,       addr16,                 3, acc__r},    // SUBC A,addr16
    {0x3E, NB,   NB,  B,          2, m_a_saddr,      dump_saddr,             2, acc__r},    // SUBC A,saddr
    {0x3F, NB,   NB,  B,          2, m_a_hl,         rp,                     1, acc_none},  // SUBC A,[HL]
    {0x39, NB,   NB,  B,          2, m_a_hlbyte,     r1imm,                  2, acc_none},  // SUBC A,[HL+byte]
    {0x31, 0x3B, NB,  B,          2, m_a_hlb,        rp,                     2, acc_none},  // SUBC A,[HL+B]
    {0x31, 0x3A, NB,  B | L,      2, m_a_hlc,        rp,                     2, acc_none},  // SUBC A,[HL+C]
};
constexpr instr_form kSub[] = {
    {0x1D, NB,   NB,  B,          2, m_a_imm,        r1imm,                  2, acc_none},  // SUB A,#byte
    {0x98, NB,   NB,  B,          2, m_saddr_imm,    sfrimm,                 3, acc_rw_},   // SUB saddr,#byte
    {0x61, 0x10, NB,  B,          2, m_r_a,          rp,                     2, acc_none},  // SUB r,A
    {0x61, 0x18, NB,  B | R2,     2, m_a_r,          rp,                     2, acc_none},  // SUB A,r
    {0x18, NB,   NB,  B,          2, m_a_addr,       addr16,                 3, acc__r},    // SUB A,addr16
    {0x1E, NB,   NB,  B,          2, m_a_saddr,      dump_saddr,             2, acc__r},    // SUB A,saddr
    {0x1F, NB,   NB,  B,          2, m_a_hl,         rp,                     1, acc_none},  // SUB A,[HL]
    {0x19, NB,   NB,  B,          2, m_a_hlbyte,     r1imm,                  2, acc_none},  // SUB A,[HL+byte]
    {0x31, 0x1B, NB,  B,          2, m_a_hlb,        rp,                     2, acc_none},  // SUB A,[HL+B]
    {0x31, 0x1A, NB,  B | L,      2, m_a_hlc,        rp,                     2, acc_none},  // SUB A,[HL+C]
};
constexpr instr_form kSubw[] = {
    {0xDA, NB,   NB,  W | L,      2, m_ax_imm,       rpimm16_m,              3, acc_none},  // SUBW AX,#word
};
constexpr instr_form kXch[] = {
    {0x30, NB,   NB,  B | R2 | NA, 2, m_a_r,         rp,                     1, acc_none},  // XCH A,r
    {0x83, NB,   NB,  B,          2, m_a_saddr,      dump_saddr,             2, acc__rw},   // XCH A,saddr
    {0x93, NB,   NB,  B,          2, m_a_sfr,        dump_saddr,             2, acc__rw},   // XCH A,sfr
    {0xCE, NB,   NB,  B,          2, m_a_addr,       addr16,                 3, acc__rw},   // XCH A,addr16
    {0x07, NB,   NB,  B,          2, m_a_hl,         rp,                     1, acc_none},  // XCH A,[HL]
    {0xDE, NB,   NB,  B,          2, m_a_hlbyte,     r1imm,                  2, acc_none},  // XCH A,[HL+byte]
    {0x31, 0x8B, NB,  B,          2, m_a_hlb,        rp,                     2, acc_none},  // XCH A,[HL+B]
    {0x31, 0x8A, NB,  B,          2, m_a_hlc,        rp,                     2, acc_none},  // XCH A,[HL+C]
    {0x05, NB,   NB,  B | L,      2, m_a_de,         rp,                     1, acc_none},  // XCH A,[DE]
};
constexpr instr_form kXchw[] = {
    {0xE0, NB,   NB,  W | R2 | NA | L, 2, m_ax_rp,   rp,                     1, acc_none},  // XCHW AX,rp
};
constexpr instr_form kXor1[] = {
    {0x71, 0x07, NB,  B,          2, m_cy_bitsym,    dump_bit_78K4,          3, acc__br},   // XOR1 CY,bit symbol
    {0x71, 0x07, NB,  B,          2, m_cy_saddrbit,  bit_operand,            3, acc__br},   // XOR1 CY,saddr.bit
    {0x71, 0x0F, NB,  B,          2, m_cy_sfrbit,    bit_operand,            3, acc__br},   // XOR1 CY,sfr.bit
    {0x61, 0x8F, NB,  B,          2, m_cy_abit,      bit_operand,            2, acc_none},  // XOR1 CY,A.bit
    {0x71, 0x07, 0x1E, B,         2, m_cy_pswbit,    psw_bit,                3, acc_none},  // XOR1 CY,PSW.bit
    {0x71, 0x87, NB,  B | L,      2, m_cy_hlbit,     bit_operand,            2, acc_none},  // XOR1 CY,[HL].bit
};
constexpr instr_form kXor[] = {
    {0x7D, NB,   NB,  B,          2, m_a_imm,        r1imm,                  2, acc_none},  // XOR A,#byte
    {0xF8, NB,   NB,  B,          2, m_saddr_imm,    sfrimm,                 3, acc_rw_},   // XOR saddr,#byte
    {0x61, 0x70, NB,  B,          2, m_r_a,          rp,                     2, acc_none},  // XOR r,A
    {0x61, 0x78, NB,  B | R2,     2, m_a_r,          rp,                     2, acc_none},  // XOR A,r
    {0x78, NB,   NB,  B,          2, m_a_addr,       addr16,                 3, acc__r},    // XOR A,addr16
    {0x7E, NB,   NB,  B,          2, m_a_saddr,      dump_saddr,             2, acc__r},    // XOR A,saddr
    {0x7F, NB,   NB,  B,          2, m_a_hl,         rp,                     1, acc_none},  // XOR A,[HL]
    {0x79, NB,   NB,  B,          2, m_a_hlbyte,     r1imm,                  2, acc_none},  // XOR A,[HL+byte]
    {0x31, 0x7B, NB,  B,          2, m_a_hlb,        rp,                     2, acc_none},  // XOR A,[HL+B]
    {0x31, 0x7A, NB,  B | L,      2, m_a_hlc,        rp,                     2, acc_none},  // XOR A,[HL+C]
};
// clang-format on

}  // namespace

// clang-format off
//                               name     index forms    options
constexpr mnemonic_row kMnemonics78k0[] = {
    mnemonic("ADDC",  1,  kAddc,  V_K0),
    mnemonic("ADD",   2,  kAdd,   V_K0),
    mnemonic("ADDW",  3,  kAddw,  V_K0),
    mnemonic("AND",   4,  kAnd,   V_K0),
    mnemonic("AND1",  5,  kAnd1,  V_K0),
    mnemonic("ADJBA", 6,  kAdjba, V_K0),
    mnemonic("ADJBS", 7,  kAdjbs, V_K0),
    mnemonic("BR",    8,  kBr,    V_K0),
    mnemonic("BNZ",   9,  kBnz,   V_K0),
    mnemonic("BZ",    11, kBz,    V_K0),
    mnemonic("BNC",   13, kBnc,   V_K0),
    mnemonic("BC",    14, kBc,    V_K0),
    mnemonic("BF",    15, kBf,    V_K0),
    mnemonic("BT",    16, kBt,    V_K0),
    mnemonic("BTCLR", 17, kBtclr, V_K0),
    mnemonic("BRK",   18, kBrk,   V_K0),
    mnemonic("CLR1",  19, kClr1,  V_K0),
    mnemonic("CMP",   20, kCmp,   V_K0),
    mnemonic("CMPW",  21, kCmpw,  V_K0),
    mnemonic("CALL",  22, kCall,  V_K0),
    mnemonic("CALLF", 23, kCallf, V_K0),
    mnemonic("CALLT", 24, kCallt, V_K0),
    mnemonic("DBNZ",  25, kDbnz,  V_K0),
    mnemonic("DEC",   26, kDec,   V_K0),
    mnemonic("DECW",  27, kDecw,  V_K0),
    mnemonic("DI",    29, kDi,    V_K0),
    mnemonic("DIVUW", 30, kDivuw, V_78K0),
    mnemonic("EI",    31, kEi,    V_K0),
    mnemonic("HALT",  32, kHalt,  V_K0),
    mnemonic("INC",   33, kInc,   V_K0),
    mnemonic("INCW",  34, kIncw,  V_K0),
    mnemonic("MOV",   35, kMov,   V_K0),
    mnemonic("MOVW",  36, kMovw,  V_K0),
    mnemonic("MOV1",  37, kMov1,  V_K0),
    mnemonic("MULU",  38, kMulu,  V_78K0),
    mnemonic("NOT1",  39, kNot1,  V_K0),
    mnemonic("NOP",   40, kNop,   V_K0),
    mnemonic("OR",    41, kOr,    V_K0),
    mnemonic("OR1",   42, kOr1,   V_K0),
    mnemonic("POP",   43, kPop,   V_K0),
    mnemonic("PUSH",  44, kPush,  V_K0),
    mnemonic("RET",   45, kRet,   V_K0),
    mnemonic("RETB",  46, kRetb,  V_K0),
    mnemonic("RETI",  47, kReti,  V_K0),
    mnemonic("ROL",   48, kRol,   V_K0),
    mnemonic("ROLC",  49, kRolc,  V_K0),
    mnemonic("ROR",   50, kRor,   V_K0),
    mnemonic("RORC",  51, kRorc,  V_K0),
    mnemonic("ROL4",  52, kRol4,  V_K0),
    mnemonic("ROR4",  53, kRor4,  V_K0),
    mnemonic("SEL",   54, kSel,   V_K0),
    mnemonic("SET1",  55, kSet1,  V_K0),
    mnemonic("STOP",  56, kStop,  V_K0),
    mnemonic("SUBC",  57, kSubc,  V_K0),
    mnemonic("SUB",   58, kSub,   V_K0),
    mnemonic("SUBW",  59, kSubw,  V_K0),
    mnemonic("XCH",   60, kXch,   V_K0),
    mnemonic("XCHW",  61, kXchw,  V_K0),
    mnemonic("XOR1",  62, kXor1,  V_K0),
    mnemonic("XOR",   63, kXor,   V_K0),
};
// clang-format on
constexpr std::size_t kMnemonics78k0Count = std::size(kMnemonics78k0);
static_assert(end_flags_ok(kMnemonics78k0, std::size(kMnemonics78k0)), "each mnemonic's last form, and only it, ends the list");
