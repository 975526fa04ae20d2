/* operand_grammar.y — the LALR(1) grammar of operand fields and expressions
   (B03). The actions build postfix expressions and classify each operand
   into its mode code; yylex and yyerror are in operand_lex.cpp. */

%code top {
#include <cstdint>
}

%code requires {
#include "target/operand_internal.h"
struct asm_context;
}

%code {
#include "target/operand_grammar.h"
#include "expr/operators.h"

int b03_yylex(B03_YYSTYPE* value, asm_context& cx);
void b03_yyerror(asm_context& cx, const char* message);

// The state and value stacks hold this many entries and never grow.
#define YYINITDEPTH 200
#define YYMAXDEPTH 200
// The parser's own message for a full stack.
#define YY_(Msgid) b03_message(Msgid)
const char* b03_message(const char* text);
}

%define api.pure full
%define api.prefix {b03_yy}
%define api.token.prefix {TK_}
%parse-param {asm_context& cx}
%lex-param {asm_context& cx}

/* Operands are stored as each shape is reduced, so the value stack stays small. */
%union {
  int32_t num;
  uint16_t code;
  ident_node* node;
  b03_reg_val reg;
  b03_str_val str;
  b03_expr_val ex;
  b03_addr_val addr;
}

%token <str> STRING
%token <node> LABEL SEGNAME
%token <num> NUMBER PREFIX RBANK
%token <code> OP1 OP4 OP8 OP16 OP32 OP64 SFBE
%token MINUS PLUS SIZEOF LOC
%token <reg> REG SP
%token CY HASH DOT COMMA COLON EQ NE LBRACK RBRACK LPAREN RPAREN BLANK EXPRMODE

%type <ex> expression string_compare
%type <code> relation
%type <num> prefixes
%type <addr> addr_expr
%type <reg> reg

%start line

%%

line
  : operands
  | BLANK operands
  | BLANK
  | EXPRMODE expression             { act_expression_result(cx, $2.e); }
  | EXPRMODE bitpair
  | EXPRMODE indexed
  | %empty
  | error
  ;

bitpair
  : expression DOT expression       { if (!act_bitpair(cx, $1, $3)) YYERROR; }
  ;

operands
  : operand
  | operand separator operand
  | operand separator operand BLANK
  | operand BLANK
  ;

separator
  : COMMA
  | BLANK COMMA
  | COMMA BLANK
  | COMMA BLANK COMMA
  ;

operand
  : address
  | register_operand
  | indirect
  | based
  | based_reg
  | immediate
  | memory_index
  | carry
  | bank
  ;

address
  : addr_expr                       { act_store_operand(cx, act_address(cx, $1)); }
  | addr_expr DOT expression        { act_store_operand(cx, act_address_bit(cx, $1, $3)); }
  ;

addr_expr
  : expression                      { $$ = {$1, 0}; }
  | prefixes expression             { $$ = {$2, static_cast<uint16_t>($1)}; }
  ;

prefixes
  : PREFIX COLON                    { $$ = $1; }
  | PREFIX COLON PREFIX COLON       { $$ = $1 | $3; }
  ;

register_operand
  : reg                             { operand_desc d; if (!act_register(cx, $1, &d)) YYERROR; act_store_operand(cx, d); }
  | REG DOT expression              { operand_desc d; if (!act_register_bit(cx, $1, $3, &d)) YYERROR; act_store_operand(cx, d); }
  ;

reg
  : REG
  | SP
  ;

immediate
  : HASH expression                 { act_store_operand(cx, act_immediate(cx, $2, 0)); }
  | HASH prefixes expression        { act_store_operand(cx, act_immediate(cx, $3, static_cast<uint16_t>($2))); }
  ;

memory_index
  : LBRACK expression RBRACK        { act_store_operand(cx, act_memory_index($2)); }
  ;

indirect
  : LBRACK reg RBRACK               { operand_desc d; if (!act_indirect(cx, $2, &d)) YYERROR; act_store_operand(cx, d); }
  | LBRACK reg RBRACK DOT expression  { operand_desc d; if (!act_indirect_bit(cx, $2, $5, &d)) YYERROR; act_store_operand(cx, d); }
  ;

based
  : LBRACK reg PLUS expression RBRACK { operand_desc d; if (!act_based(cx, $2, $4, &d)) YYERROR; act_store_operand(cx, d); }
  ;

based_reg
  : LBRACK reg PLUS REG RBRACK      { operand_desc d; if (!act_based_reg(cx, $2, $4, &d)) YYERROR; act_store_operand(cx, d); }
  ;

carry
  : CY                              { act_store_operand(cx, act_carry()); }
  ;

bank
  : RBANK                           { act_store_operand(cx, act_bank(cx, $1)); }
  ;

indexed
  : expression LPAREN expression RPAREN        { if (!act_indexed(cx, $1, $3)) YYERROR; }
  | expression LPAREN expression RPAREN BLANK  { if (!act_indexed(cx, $1, $3)) YYERROR; }
  ;

expression
  : string_compare
  | expr64                          { $$ = act_finish(cx); }
  ;

expr64
  : expr64 OP64 expr32              { act_operator(cx, $2, false); }
  | expr32
  ;

expr32
  : expr32 OP32 expr16              { act_operator(cx, $2, false); }
  | expr32 PLUS expr16              { act_operator(cx, OP_PLUS, false); }
  | expr32 MINUS expr16             { act_operator(cx, OP_MINUS, false); }
  | expr16
  ;

expr16
  : expr16 OP16 expr8               { act_operator(cx, $2, false); }
  | expr8
  ;

expr8
  : expr8 OP8 expr4                 { act_operator(cx, $2, false); }
  | expr4
  ;

expr4
  : expr4 OP4 unary                 { act_operator(cx, $2, false); }
  | unary
  ;

unary
  : primary
  | OP1 primary                     { act_operator(cx, $1, true); }
  | MINUS primary                   { act_operator(cx, OP_MINUS, true); }
  | PLUS primary                    { act_operator(cx, OP_PLUS, true); }
  | SFBE SEGNAME                    { act_segment_bound(cx, $1, $2, false); }
  | SFBE LPAREN SEGNAME RPAREN      { act_segment_bound(cx, $1, $3, false); }
  | SFBE LPAREN SEGNAME expr64 RPAREN  { act_segment_bound(cx, $1, $3, true); }
  | SIZEOF SEGNAME                  { act_sizeof(cx, $2); }
  | SIZEOF LPAREN SEGNAME RPAREN    { act_sizeof(cx, $3); }
  ;

primary
  : LABEL                           { act_label(cx, $1); }
  | NUMBER                          { act_number(cx, $1); }
  | LPAREN expr64 RPAREN
  | LOC                             { act_location(cx); }
  ;

string_compare
  : STRING relation STRING          { if (!act_string_compare(cx, $1, $2, $3, &$$)) YYERROR; }
  | STRING COMMA STRING             { if (!act_string_compare(cx, $1, kRelationComma, $3, &$$)) YYERROR; }
  ;

relation
  : EQ                              { $$ = OP_EQ_SYM; }
  | NE                              { $$ = OP_NE_SYM; }
  | OP1
  | OP4
  | OP8
  | OP16
  | OP32
  | OP64
  | PLUS                            { $$ = OP_PLUS; }
  | MINUS                           { $$ = OP_MINUS; }
  ;

%%
