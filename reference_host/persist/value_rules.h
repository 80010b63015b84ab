// The numbers of an estimate file that the model gives a meaning, and what
// they may hold: the kind codes of bill items and sub-projects, and the
// quantities and collect ratios that collection multiplies, sums and
// compares (a NaN there passes every "nothing left" test). Each check answers
// an empty text for a good value, else why it is refused.
#pragma once

#include <string>

namespace reference_host {
namespace persist {

// Node kinds of a bill item: 0 the root of a bill tree, 1 a measure item or
// heading, 2 a bill, 3 an entry under a bill, 4 an entry under an entry.
inline constexpr int kMinNodeKind = 0;
inline constexpr int kMaxNodeKind = 4;
// Measure kinds: the host's codes from 0 (none) to 16 (a lump-sum measure
// item); 3 marks a lump-sum group, the others mean nothing to the library.
inline constexpr int kMinMeasureKind = 0;
inline constexpr int kMaxMeasureKind = 16;

std::string CheckNodeKind(int kind);
std::string CheckMeasureKind(int kind);
// Sub-project kinds: 1 whole, 2 single, 3 unit.
std::string CheckSubProjectKind(int kind);
// The own quantity of a line or a bill item: finite.
std::string CheckQuantity(double quantity);
// The field "QRV_RICollectRatio" of a copy item (copy quantity / budget
// quantity): finite and above 0, since collecting never makes a copy of
// nothing or of the other sign.
std::string CheckCollectRatio(double ratio);

}  // namespace persist
}  // namespace reference_host
