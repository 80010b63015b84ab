// Field keys the reference host itself reads or writes.
#pragma once

namespace reference_host {
namespace keys {

// Resource entry and resource line data.
inline constexpr char kCode[] = "BRICode";
inline constexpr char kName[] = "BRIName";
inline constexpr char kUnit[] = "BRIUnit";
inline constexpr char kResType[] = "BRIType";
inline constexpr char kPrice[] = "BRIExcludedTaxFee";
inline constexpr char kPriceWithTax[] = "BRIIncluedTaxFee";
// An entry's number within the entries of its code (an int).
inline constexpr char kNumber[] = "BRINumber";
// Self-lease forms keep the lease quantity as text, as the user typed it.
inline constexpr char kLeaseQuantity[] = "QRV_LeaseQuantity";

// Cost-side references.
inline constexpr char kCostAccount[] = "QRV_CostAccount";
inline constexpr char kYSCostAccount[] = "QRV_YSCostAccount";
inline constexpr char kBillStage[] = "QRV_BillStage";

// Collection copy quantity = budget quantity x this ratio.
inline constexpr char kCollectRatio[] = "QRV_RICollectRatio";

}  // namespace keys
}  // namespace reference_host
