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
inline constexpr char kSpec[] = "BRISpec";
// Entries numbered apart within one code (engine::BaseResItem::GetNumber).
inline constexpr char kNumber[] = "BRINumber";
// A contract entry's contract quantity.
inline constexpr char kContractQuantity[] = "BRIQuantity";
// Provisional-estimate lines (marrow::ResItemZGFingerprint).
inline constexpr char kProvisional[] = "BRIProvisional";
// What a contract entry is listed by, when not by its code.
inline constexpr char kSortText[] = "QRV_SortText";
// Id of the entry that stands for the resource itself (GetIdentityItem).
inline constexpr char kIdentityItem[] = "QRV_IdentityItem";
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
