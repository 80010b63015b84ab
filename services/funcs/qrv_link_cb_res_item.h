// Links budget resource lines to the cost resource line that represents them
// as a whole, and removes such links. Stateless: make one on the stack.
#pragma once

#include <functional>
#include <vector>

#include "host/host_forward.h"
#include "qrv_export.h"

namespace marrow {
namespace qrv {

// The caller decides which cost line represents a budget line: the resolver
// gives it (or null). Binding the resolver's own argument to the cost line is
// the resolver's business; these operations set the cost line's per-unit
// content ("%f" of budget quantity / bill quantity) and register it with its
// base entry. An empty resolver throws std::bad_function_call.
class MARROW_QRV_EXPORT ResItemLinkToCB {
 public:
  using Resolver = std::function<engine::qrv::QRVResItem*(engine::ResItem*)>;

  ResItemLinkToCB();
  ResItemLinkToCB(const ResItemLinkToCB& other);
  ResItemLinkToCB(ResItemLinkToCB&& other) noexcept;
  ResItemLinkToCB& operator=(const ResItemLinkToCB& other);
  ResItemLinkToCB& operator=(ResItemLinkToCB&& other) noexcept;
  ~ResItemLinkToCB();

  // Links one budget line. False, without change, for a null or collected
  // line or when the resolver gives no cost line. When the line's or its
  // bill's quantity cannot be read the content is left as it is.
  bool LinkToCB(engine::ResItem* budget_item, Resolver resolver);
  // Links budget lines of one bill to the cost line resolved for the first;
  // the others are bound here. Self-lease entries get their lease quantity
  // raised by the linked total.
  bool LinkToCB(const std::vector<engine::ResItem*>& budget_items, Resolver resolver);
  // Unbinds |budget_item| from every cost line of its owner bill. True when
  // that list was searched, whether or not a link was found.
  bool DeLinkToCB(engine::ResItem* budget_item);
};

}  // namespace qrv
}  // namespace marrow
