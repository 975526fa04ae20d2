// listing_directives.h — the listing-control directives (A01): the LSTxxx
// switches of the listing bits, LSTPAG, PAGSIZ and PAGE.
#pragma once

struct asm_context;

// Registers LSTOUT, LSTCND, LSTCOD, LSTEXP, LSTMAC, LSTREP, LSTXRF, LSTSAS,
// LSTPAG, PAGSIZ and PAGE.
void register_listing_directives(asm_context& cx);
