/*--------------------------------------------------------------------------
 * sfr78k0_demo.h
 *
 * Special function registers and their bits, shared by the C sources and
 * the assembler sources of the project. Include it as often as you like.
 *--------------------------------------------------------------------------*/
#ifndef SFR78K0_DEMO_H
#define SFR78K0_DEMO_H

#message "sfr78k0_demo.h: definitions read"

/* Ports */
#define P0          0xFF00      /* port 0 */
#define P1          0xFF01      /* port 1 */
#define P2          0xFF02      /* port 2 */

/* Port mode registers */
#define PM0         0xFF20      /* port mode 0 */
#define PM1         0xFF21      /* port mode 1 */
#define PM2         0xFF22      /* port mode 2 */

/* Interrupt request flags and masks */
#define IF0L        0xFFE0
#define MK0L        0xFFE4

/* Address helpers */
#define SFR_OFFSET(reg)     ((reg) - 0xFF00)
#define PORT_MODE(port)     ((port) + 0x20)
#define BIT(n)              (1 << (n))

#ifdef __VEK_SYSTEMS_ASM__
/* Bit symbols: address.bit, for the assembler only */
#define P0_0        P0.0        /* LED, active low */
#define P0_1        P0.1        /* key input */
#define PIF0        IF0L.1      /* INTP0 request */
#define PMK0        MK0L.1      /* INTP0 mask */
#else
/* The C view of the same registers */
extern volatile unsigned char  port0;   /* P0, see the linker's map */
extern volatile unsigned char  port1;
#define P0_0_MASK   BIT(0)
#endif

#if __CORE__ == __78K0S__
#define HAS_MULTIPLY    0
#elif __CORE__ == __78K0__
#define HAS_MULTIPLY    1
#else
#define HAS_MULTIPLY    0
#endif

#endif /* SFR78K0_DEMO_H */
