/* Compiled as C: the locator's header must serve C callers as well. */
#include <sifter/sifter.h>

int sifterEntrySizeFromC(void)
{
    SifterTableEntry entry;
    entry.name[0] = '\0';
    return (int)sizeof entry + (SIFTER() == SIFTER_VERSION ? 0 : 1000);
}
