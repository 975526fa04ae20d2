// forms_shared.h — what the form tables of both cores are written with (B01):
// the operand-mode lists, the SFR access lists, the flag and opcode
// shorthands, and the encoders the rows name.
#pragma once

#include "target/encoders.h"
#include "target/instr_form.h"

namespace forms {

// Shorthands of the table columns.
constexpr uint16_t NB = kNoByte;
constexpr uint16_t B = FF_BYTE;
constexpr uint16_t W = FF_WORD;
constexpr uint16_t S = FF_REG_78K0S;
constexpr uint16_t R2 = FF_REG_SECOND;
constexpr uint16_t SH = FF_SHORT_NEXT;
constexpr uint16_t NA = FF_NOT_A;
constexpr uint16_t L = FF_LAST;

// ---- Operand modes, in operand order --------------------------------------------
inline constexpr uint16_t m_a_imm[] = {MODE_A, MODE_IMM};
inline constexpr uint16_t m_saddr_imm[] = {MODE_SADDR, MODE_IMM};
inline constexpr uint16_t m_sfr_imm[] = {MODE_SFR, MODE_IMM};
inline constexpr uint16_t m_r_imm[] = {MODE_R, MODE_IMM};
inline constexpr uint16_t m_psw_imm[] = {MODE_PSW, MODE_IMM};
inline constexpr uint16_t m_r_a[] = {MODE_R, MODE_A};
inline constexpr uint16_t m_a_r[] = {MODE_A, MODE_R};
inline constexpr uint16_t m_a_x[] = {MODE_A, MODE_X};
inline constexpr uint16_t m_a_addr[] = {MODE_A, MODE_ADDR};   // also ROL A,1
inline constexpr uint16_t m_addr_a[] = {MODE_ADDR, MODE_A};
inline constexpr uint16_t m_a_saddr[] = {MODE_A, MODE_SADDR};
inline constexpr uint16_t m_saddr_a[] = {MODE_SADDR, MODE_A};
inline constexpr uint16_t m_a_sfr[] = {MODE_A, MODE_SFR};
inline constexpr uint16_t m_sfr_a[] = {MODE_SFR, MODE_A};
inline constexpr uint16_t m_a_psw[] = {MODE_A, MODE_PSW};
inline constexpr uint16_t m_psw_a[] = {MODE_PSW, MODE_A};
inline constexpr uint16_t m_a_hl[] = {MODE_A, MODE_HL_IND_FORM};
inline constexpr uint16_t m_hl_a[] = {MODE_HL_IND_FORM, MODE_A};
inline constexpr uint16_t m_a_de[] = {MODE_A, MODE_DE_IND_FORM};
inline constexpr uint16_t m_de_a[] = {MODE_DE_IND_FORM, MODE_A};
inline constexpr uint16_t m_a_hlbyte[] = {MODE_A, MODE_HL_BYTE};
inline constexpr uint16_t m_hlbyte_a[] = {MODE_HL_BYTE, MODE_A};
inline constexpr uint16_t m_a_hlb[] = {MODE_A, MODE_HL_B};
inline constexpr uint16_t m_hlb_a[] = {MODE_HL_B, MODE_A};
inline constexpr uint16_t m_a_hlc[] = {MODE_A, MODE_HL_C};
inline constexpr uint16_t m_hlc_a[] = {MODE_HL_C, MODE_A};

inline constexpr uint16_t m_ax_imm[] = {MODE_AX, MODE_IMM};
inline constexpr uint16_t m_rp_imm[] = {MODE_RP, MODE_IMM};
inline constexpr uint16_t m_sp_imm[] = {MODE_SP, MODE_IMM};
inline constexpr uint16_t m_ax_sp[] = {MODE_AX, MODE_SP};
inline constexpr uint16_t m_sp_ax[] = {MODE_SP, MODE_AX};
inline constexpr uint16_t m_ax_rp[] = {MODE_AX, MODE_RP};
inline constexpr uint16_t m_rp_ax[] = {MODE_RP, MODE_AX};
inline constexpr uint16_t m_ax_saddr[] = {MODE_AX, MODE_SADDR};
inline constexpr uint16_t m_saddr_ax[] = {MODE_SADDR, MODE_AX};
inline constexpr uint16_t m_ax_sfr[] = {MODE_AX, MODE_SFR};
inline constexpr uint16_t m_sfr_ax[] = {MODE_SFR, MODE_AX};
inline constexpr uint16_t m_ax_addr[] = {MODE_AX, MODE_ADDR};
inline constexpr uint16_t m_addr_ax[] = {MODE_ADDR, MODE_AX};

inline constexpr uint16_t m_cy_bitsym[] = {MODE_CY, MODE_BIT_SYMBOL};
inline constexpr uint16_t m_cy_saddrbit[] = {MODE_CY, MODE_SADDR_BIT};
inline constexpr uint16_t m_cy_sfrbit[] = {MODE_CY, MODE_SFR_BIT};
inline constexpr uint16_t m_cy_abit[] = {MODE_CY, MODE_A_BIT};
inline constexpr uint16_t m_cy_pswbit[] = {MODE_CY, MODE_PSW_BIT};
inline constexpr uint16_t m_cy_hlbit[] = {MODE_CY, MODE_HL_BIT_FORM};
inline constexpr uint16_t m_bitsym_cy[] = {MODE_BIT_SYMBOL, MODE_CY};
inline constexpr uint16_t m_saddrbit_cy[] = {MODE_SADDR_BIT, MODE_CY};
inline constexpr uint16_t m_sfrbit_cy[] = {MODE_SFR_BIT, MODE_CY};
inline constexpr uint16_t m_abit_cy[] = {MODE_A_BIT, MODE_CY};
inline constexpr uint16_t m_pswbit_cy[] = {MODE_PSW_BIT, MODE_CY};
inline constexpr uint16_t m_hlbit_cy[] = {MODE_HL_BIT_FORM, MODE_CY};

inline constexpr uint16_t m_bitsym_addr[] = {MODE_BIT_SYMBOL, MODE_ADDR};
inline constexpr uint16_t m_saddrbit_addr[] = {MODE_SADDR_BIT, MODE_ADDR};
inline constexpr uint16_t m_sfrbit_addr[] = {MODE_SFR_BIT, MODE_ADDR};
inline constexpr uint16_t m_abit_addr[] = {MODE_A_BIT, MODE_ADDR};
inline constexpr uint16_t m_pswbit_addr[] = {MODE_PSW_BIT, MODE_ADDR};
inline constexpr uint16_t m_hlbit_addr[] = {MODE_HL_BIT_FORM, MODE_ADDR};

inline constexpr uint16_t m_bitsym[] = {MODE_BIT_SYMBOL};
inline constexpr uint16_t m_saddrbit[] = {MODE_SADDR_BIT};
inline constexpr uint16_t m_sfrbit[] = {MODE_SFR_BIT};
inline constexpr uint16_t m_abit[] = {MODE_A_BIT};
inline constexpr uint16_t m_pswbit[] = {MODE_PSW_BIT};
inline constexpr uint16_t m_hlbit[] = {MODE_HL_BIT_FORM};
inline constexpr uint16_t m_cy[] = {MODE_CY};

inline constexpr uint16_t m_b_addr[] = {MODE_B, MODE_ADDR};
inline constexpr uint16_t m_c_addr[] = {MODE_C, MODE_ADDR};
inline constexpr uint16_t m_saddr_addr[] = {MODE_SADDR, MODE_ADDR};

inline constexpr uint16_t m_addr[] = {MODE_ADDR};
inline constexpr uint16_t m_ax[] = {MODE_AX};
inline constexpr uint16_t m_r[] = {MODE_R};
inline constexpr uint16_t m_rp[] = {MODE_RP};
inline constexpr uint16_t m_saddr[] = {MODE_SADDR};
inline constexpr uint16_t m_psw[] = {MODE_PSW};
inline constexpr uint16_t m_c[] = {MODE_C};
inline constexpr uint16_t m_x[] = {MODE_X};
inline constexpr uint16_t m_hl[] = {MODE_HL_IND_FORM};
inline constexpr uint16_t m_callt[] = {MODE_CALLT};
inline constexpr uint16_t m_rbank[] = {MODE_RBANK};

// ---- SFR access per operand: read, write, bit ---------------------------------------
constexpr uint32_t RD = kAccessRead;
constexpr uint32_t WR = kAccessWrite;
constexpr uint32_t BA = kAccessBit;

inline constexpr uint32_t acc_none[2] = {0, 0};
inline constexpr uint32_t acc_r_[2] = {RD, 0};             // the first operand is read
inline constexpr uint32_t acc__r[2] = {0, RD};             // the second operand is read
inline constexpr uint32_t acc_w_[2] = {WR, 0};             // the first operand is written
inline constexpr uint32_t acc_rw_[2] = {RD | WR, 0};       // the first operand is changed
inline constexpr uint32_t acc__rw[2] = {0, RD | WR};       // XCH: the second operand is swapped
inline constexpr uint32_t acc_br_[2] = {BA | RD, 0};       // a bit of the first operand is tested
inline constexpr uint32_t acc__br[2] = {0, BA | RD};       // a bit of the second operand is read
inline constexpr uint32_t acc_bw_[2] = {BA | WR, 0};       // a bit of the first operand is written
inline constexpr uint32_t acc_brw_[2] = {BA | RD | WR, 0}; // a bit of the first operand is tested and cleared

}  // namespace forms
