#define CONFIG_READ
