// Which budget resource lines count as one resource (the fingerprints of
// design-side lines), and the gathering of both sides of a budget-to-cost
// resource match into a matching context, with the links that exist now.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "host/base/ref_counted.h"
#include "host/engine/qrv/qrv_base_res_item.h"
#include "host/engine/res_item.h"
#include "host/marrow/res_item_fingerprint.h"
#include "qrv_export.h"

namespace engine {
namespace qrv {
class QRVSubProject;
}  // namespace qrv
}  // namespace engine

namespace marrow {
namespace qrv {

// The fingerprint of budget lines of design-side bill items. Only the 15
// defining base-resource fields enter it ("BRIMarkup", "BRIType", "BRICode",
// "BRIName", "BRISpec", "BRIUnit", "BRIExcludedTaxFee",
// "BRIRateOfTransTaxFee", "BRIFloatRateOfMarketFee", "BRIMarketPriceLocked",
// "BRIProvisional", "BRIIssueContract", "BRIContractProcurementMethod",
// "BRIPriceSource", "BRISupplyTime"; exact keys, whatever the value kind),
// plus a suffix for the line's state: "collected"; "linked" and the cost
// account id of the linked cost line's entry; or else the budget cost
// account ("QRV_YSCostAccount" of the line's base entry, "" when absent or
// not text). A line that is itself a collection copy never takes part.
// Holds no document; one object fingerprints any number of lines, on one
// thread at a time.
class MARROW_QRV_EXPORT QRVDesResItemFingerprint : public marrow::ResItemFingerprint {
 public:
  QRVDesResItemFingerprint();
  ~QRVDesResItemFingerprint() override;

 protected:
  bool IsValid(engine::ResItem* item) override;
  std::string GetOtherFinger(engine::ResItem* item) override;
  void Visit(const std::string& key, const std::string& value) override;
  void Visit(const std::string& key, double value) override;
  void Visit(const std::string& key, int value) override;
  void Visit(const std::string& key, bool value) override;
};

// The same field filter over the provisional-estimate fingerprint, whose
// validity and suffix it keeps.
class MARROW_QRV_EXPORT QRVDesZGResItemFingerprint : public marrow::ResItemZGFingerprint {
 public:
  QRVDesZGResItemFingerprint();
  ~QRVDesZGResItemFingerprint() override;

 protected:
  void Visit(const std::string& key, const std::string& value) override;
  void Visit(const std::string& key, double value) override;
  void Visit(const std::string& key, int value) override;
  void Visit(const std::string& key, bool value) override;
};

// Orders counted references by the address of the object they hold: stable
// within one run, meaningless across runs.
struct RefAddressLess {
  template <class T>
  bool operator()(const scoped_refptr<T>& a, const scoped_refptr<T>& b) const {
    return std::less<T*>()(a.get(), b.get());
  }
};

using MergedItemRef = scoped_refptr<engine::qrv::QRVBaseResItem>;
using SummaryRef = scoped_refptr<engine::ResItem>;
using SummarySet = std::set<SummaryRef, RefAddressLess>;
// Merged entry -> the summary entries paired with it.
using MatchLinks = std::map<MergedItemRef, SummarySet, RefAddressLess>;

// The state shared by the two matching stages; owned by the caller. The
// caller sets |sub_project| and |group_ids|; QRVCollectMatchData::Collect
// fills the next four; the caller writes |wanted_links| (keys taken from
// |merged_items|, elements from |summaries|) for QRVBuildRCJ::Apply.
// Merged entries are detached: dropping the context destroys them.
struct RCJMatchingContext {
  // Root of the scope; its sub-tree is searched. Not owned.
  engine::qrv::QRVSubProject* sub_project = nullptr;
  // Ids of the contract forms whose entries form the cost side, looked up in
  // every sub-project of the tree.
  std::vector<std::string> group_ids;
  // One detached entry per distinct contract resource, sorted by sort text,
  // then name.
  std::vector<MergedItemRef> merged_items;
  // One aggregated entry per distinct budget resource, sorted by number text
  // ("<number key>@<number>"), then name.
  std::vector<SummaryRef> summaries;
  // The real entries each merged entry stands for, in gathering order.
  std::map<MergedItemRef, std::vector<MergedItemRef>, RefAddressLess> merged_sources;
  // Summary entries whose first line is linked now to a cost line of one of
  // the merged entry's sources.
  MatchLinks current_links;
  // The pairing Apply is to establish.
  MatchLinks wanted_links;
};

// Fills a matching context. Holds no state.
//
// Contract entries of one bucket are merged: in a unit project (kind 3) each
// entry is its own bucket; elsewhere entries sharing an identity item
// (GetIdentityItem(true)) are one. The merged entry carries the first
// entry's fields and the summed quantity. Budget lines of types "C", "Z" and
// "F" that are neither collection copies nor collected are aggregated by a
// summary fingerprint: the 15 defining fields plus the id of the linked cost
// line's contract entry, so lines linked to different entries stay apart.
//
// Collect appends and never clears; a second call appends a second copy of
// everything, its links indexed among its own merged entries. A bucket for
// which the product factory makes no entry is left out. Nothing is logged.
class MARROW_QRV_EXPORT QRVCollectMatchData {
 public:
  QRVCollectMatchData();
  QRVCollectMatchData(const QRVCollectMatchData& other);
  QRVCollectMatchData(QRVCollectMatchData&& other) noexcept;
  QRVCollectMatchData& operator=(const QRVCollectMatchData& other);
  QRVCollectMatchData& operator=(QRVCollectMatchData&& other) noexcept;
  ~QRVCollectMatchData();

  // Does nothing without |context.sub_project|.
  void Collect(RCJMatchingContext& context);
};

}  // namespace qrv
}  // namespace marrow
