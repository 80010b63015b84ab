// Field keys the library reads and writes, and the tolerances its quantity
// rules share. Internal: not installed, and no installed header may include it.
#pragma once

namespace marrow {
namespace qrv {
namespace keys {

inline constexpr char kCollectRatio[] = "QRV_RICollectRatio";
inline constexpr char kCostAccount[] = "QRV_CostAccount";
inline constexpr char kYSCostAccount[] = "QRV_YSCostAccount";
inline constexpr char kBillStage[] = "QRV_BillStage";
// A budget entry's contract-level entry, written when matching links it.
inline constexpr char kBindedBaseResItemId[] = "QRV_BindedBaseResItemId";
// Prices copied from the budget side when matching links a resource.
inline constexpr char kIncluedTaxFee[] = "BRIIncluedTaxFee";
inline constexpr char kExcludedTaxFee[] = "BRIExcludedTaxFee";
inline constexpr char kRateOfTransTaxFee[] = "BRIRateOfTransTaxFee";
inline constexpr char kFloatRateOfMarketFee[] = "BRIFloatRateOfMarketFee";

}  // namespace keys

// The zero test for quantities, ratios and divisors.
inline constexpr double kZeroTolerance = 1e-6;
// Below this nothing counts as collected or collectable; also the snap of a
// requested collect quantity to the allowed one.
inline constexpr double kCollectTolerance = 0.0001;

}  // namespace qrv
}  // namespace marrow
