/* structured_grammar.y — the LALR(1) grammar of structured-assembly
   statements (B05). The scanner (structured_scan.cpp) delivers the
   directive's own token first, then the tokens of its operand field and END
   at the field's end; the actions hand the parsed parts to the handlers. */

%code requires {
#include "target/structured_internal.h"
}

%code {
int sa_yylex(SA_YYSTYPE* value, sa_parse& ps);
void sa_yyerror(sa_parse& ps, const char* message);
}

%define api.pure full
%define api.prefix {sa_yy}
%define api.token.prefix {SA_}
%parse-param {sa_parse& ps}
%lex-param {sa_parse& ps}

%union {
  int num;
  sa_mark mark;
  sa_operand op;
  sa_condition cond;
}

%token K_IFS K_ELSES K_ENDIFS K_ELSEIFS K_WHILE K_ENDW K_REPEAT K_UNTIL
%token K_SWITCH K_CASE K_DEFAULT K_ENDS K_FOR K_BREAK K_CONTINUE K_ENDF
%token <op> REG OPERAND
%token <mark> FLAG REL
%token RANGE TO DOWNTO STEP END

%type <cond> condition
%type <op> operand
%type <num> direction

%start statement

%%

/* Each form ends with END, so that a handler runs only for a statement that
   was read whole. */
statement
  : K_IFS condition END                      { handle_if(ps, $2); }
  | K_ELSEIFS condition END                  { handle_elseif(ps, $2); }
  | K_ELSES END                              { handle_else(ps); }
  | K_ENDIFS END                             { handle_endif(ps); }
  | K_WHILE condition END                    { handle_while(ps, $2); }
  | K_ENDW END                               { handle_endw(ps); }
  | K_REPEAT END                             { handle_repeat(ps); }
  | K_UNTIL condition END                    { handle_until(ps, $2); }
  | K_SWITCH REG END                         { handle_switch(ps, $2); }
  | K_CASE operand END                       { handle_case(ps, $2); }
  | K_CASE operand RANGE operand END         { handle_casein(ps, $2, $4); }
  | K_DEFAULT END                            { handle_default(ps); }
  | K_ENDS END                               { handle_ends(ps); }
  | K_FOR REG REL operand direction operand END
                                             { handle_for(ps, $2, $3, $4, $5, $6, nullptr); }
  | K_FOR REG REL operand direction operand STEP operand END
                                             { handle_for(ps, $2, $3, $4, $5, $6, &$8); }
  | K_ENDF END                               { handle_endf(ps); }
  | K_BREAK END                              { handle_break(ps); }
  | K_BREAK operand END                      { handle_break_n(ps, $2); }
  | K_CONTINUE END                           { handle_continue(ps); }
  ;

condition
  : FLAG                                     { $$ = sa_condition{$1.code, SA_NO_REG, 0, {}, $1.column}; }
  | REG REL operand                          { $$ = sa_condition{0, $1.reg, $2.code, $3, $1.column}; }
  ;

operand
  : REG
  | OPERAND
  ;

direction
  : TO                                       { $$ = 1; }
  | DOWNTO                                   { $$ = 0; }
  ;

%%
