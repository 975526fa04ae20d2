// reader.h — physical source lines, include files and the character-source stack (A05, A06).
#pragma once

struct asm_context;

struct source_state {
  const char* file_name = "";  // file of the current line
  long line_no = 0;            // line number of the current line in its file
  const char* line = "";       // text of the current line (tabs expanded)
  long line_len = 0;
};
