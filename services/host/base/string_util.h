// Number and text helpers of the host's base library.
#pragma once

#include <string>

#include "host/host_api.h"

namespace base {

// Rounds half away from zero to |digits| decimals.
MARROW_HOST_API double DoubleRound(double value, int digits);

// ASCII lower case; other bytes (UTF-8 sequences included) pass unchanged.
MARROW_HOST_API std::string ToLower(const std::string& text);

// Plain decimal text (never exponent form) with at most |digits| decimals,
// rounded, trailing zeros and a trailing point removed; "-0" becomes "0".
MARROW_HOST_API std::string ToPlainStringWithStripTrailingZeros(double value, int digits = 4);

}  // namespace base
