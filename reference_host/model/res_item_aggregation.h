// The engine's aggregation of resource lines: feeds lines to a callback,
// keeps those it finds valid and puts lines with equal fingerprints into one
// AggregatedResItemImpl, in the order each fingerprint is first met. One
// aggregation serves one run; Finish hands over the group. O(1) per line
// beyond the callback's own work.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "host/base/ref_counted.h"
#include "host/engine/res_item_group.h"

namespace engine {
class ResItem;
class ResItemCallBack;
}  // namespace engine

namespace reference_host {

class AggregatedResItemImpl;
class SubEngineeringImpl;
class SubProjectImpl;

class ResItemAggregation {
 public:
  // A null |callback| aggregates nothing.
  explicit ResItemAggregation(engine::ResItemCallBack* callback);
  ResItemAggregation(const ResItemAggregation&) = delete;
  ResItemAggregation& operator=(const ResItemAggregation&) = delete;
  ~ResItemAggregation();

  void AddLine(engine::ResItem* line);
  // Which lists of a bill item AddBillTree walks.
  enum class Side { kBudget, kCost };
  // The lines of |item|'s list, then of its children, depth first.
  void AddBillTree(const SubEngineeringImpl* item, Side side);
  // The budget lines of the sub-project's bill items, then of its
  // sub-projects, depth first in order.
  void AddSubProjectTree(const SubProjectImpl* sub_project);

  scoped_refptr<engine::ResItemGroup> Finish();

 private:
  engine::ResItemCallBack* callback_;
  scoped_refptr<engine::ResItemGroupImpl> group_;
  std::unordered_map<uint64_t, AggregatedResItemImpl*> by_fingerprint_;
};

}  // namespace reference_host
