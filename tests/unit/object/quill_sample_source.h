// quill_sample_source.h — an assembler source whose object carries most of
// what a module can: qdump's bad-input test and the reader's fuzz target
// damage the object the assembler makes of it.
#pragma once

// Two modules with most of what a module carries: source tags and file
// tables (-r), a runtime model, externals and publics, a function with its
// call-frame block, relocatable fields with their checks, DS, a filled
// ALIGN, LIMIT, an absolute part and a start address.
inline constexpr const char* kQuillSampleSource =
    "        NAME    first\n"
    "        RTMODEL \"__rt_version\", \"1\"\n"
    "        EXTERN  helper, table\n"
    "        PUBLIC  work, count\n"
    "count   EQU     10H\n"
    "        CFI NAMES frame\n"
    "        CFI STACKFRAME CFA SP\n"
    "        CFI RESOURCE A:1, X:1, SP:2\n"
    "        CFI VIRTUALRESOURCE ?RET:2\n"
    "        CFI ENDNAMES frame\n"
    "        CFI COMMON common USING frame\n"
    "        CFI CODEALIGN 1\n"
    "        CFI DATAALIGN -1\n"
    "        CFI RETURNADDRESS ?RET\n"
    "        CFI CFA SP+2\n"
    "        CFI A UNDEFINED\n"
    "        CFI X UNDEFINED\n"
    "        CFI SP CFA\n"
    "        CFI ?RET FRAME(CFA, -2)\n"
    "        CFI ENDCOMMON common\n"
    "        RSEG    CODE:CODE\n"
    "        FUNCTION work,0211H\n"
    "work:\n"
    "        CFI BLOCK workblock USING common\n"
    "        CFI FUNCTION work\n"
    "        PUSH    AX\n"
    "        CFI CFA SP+4\n"
    "        CALL    helper\n"
    "        MOVW    AX,#table+2\n"
    "        POP     AX\n"
    "        CFI CFA SP+2\n"
    "        RET\n"
    "        CFI ENDBLOCK workblock\n"
    "        RSEG    DATA:DATA(1)\n"
    "        DW      work, table, LOW helper\n"
    "        DS      4\n"
    "        ALIGN   2, 0EEH\n"
    "        LIMIT   table, 0, 0FFFH, \"table out of range\"\n"
    "        ENDMOD  work\n"
    "        NAME    second\n"
    "        ASEG    100H\n"
    "        DB      \"text\", 0\n"
    "        END\n";
