// segment_directives.h — RSEG, ASEGN, STACK, COMMON, ASEG, ORG, ALIGN, EVEN,
// ODD and the segment type words (A09).
#pragma once

#include <cstdint>

struct asm_context;

// Registers the segment type words and the segment directives.
void register_segment_directives(asm_context& cx);
