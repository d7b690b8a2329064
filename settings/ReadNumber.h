// Number readers shared by the settings file and the command line.  They read the way the C
// library's atoi and atof do, but never depend on the process's locale (the window toolkit sets
// the locale from the environment, and a German locale would otherwise turn "1.5" into 1).
#pragma once

#include <string_view>

namespace tavolin {

// Reads a number like atoi: leading blanks, an optional sign, decimal digits up to the first
// other character; no digits give 0.  Values beyond the 32-bit range saturate.
int ReadDecimal(std::string_view text);

// Reads a number like atof: leading blanks, an optional sign, then a decimal number with an
// optional fraction and exponent, a hexadecimal one ("0x1.8p1"), "inf", "infinity" or "nan"; the
// first character that does not fit ends it.  Text that is not a number gives 0.0.  Magnitudes
// beyond the range of double saturate to infinity, tiny ones to 0.
double ReadFloat(std::string_view text);

}  // namespace tavolin
