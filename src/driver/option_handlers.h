// option_handlers.h — what each command-line option does when it takes effect (A03).
#pragma once

struct asm_context;

int handle_c(asm_context& cx, const char* arg);
int handle_o(asm_context& cx, const char* arg);
int handle_O(asm_context& cx, const char* arg);
int handle_v(asm_context& cx, const char* arg);
int handle_w(asm_context& cx, const char* arg);
int handle_E(asm_context& cx, const char* arg);
int handle_f(asm_context& cx, const char* arg);
int handle_r(asm_context& cx, const char* arg);
int handle_M(asm_context& cx, const char* arg);
int handle_l(asm_context& cx, const char* arg);
int handle_L(asm_context& cx, const char* arg);
int handle_t(asm_context& cx, const char* arg);
int handle_x(asm_context& cx, const char* arg);
int handle_p(asm_context& cx, const char* arg);
int handle_D(asm_context& cx, const char* arg);
int handle_U(asm_context& cx, const char* arg);
int handle_I(asm_context& cx, const char* arg);
int handle_G(asm_context& cx, const char* arg);
int handle_s(asm_context& cx, const char* arg);
int handle_S(asm_context& cx, const char* arg);
int handle_n(asm_context& cx, const char* arg);

int read_command_file(asm_context& cx, const char* name);
