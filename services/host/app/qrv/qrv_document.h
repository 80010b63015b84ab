// The product module's document: an application document that hears of
// collection and merge changes made through the library.
#pragma once

#include <string>

#include "host/app/app_document.h"
#include "host/host_api.h"

namespace app {
namespace qrv {

// (The product's own spelling of the class name.)
class MARROW_HOST_API QRVDocumnet : public virtual AppDocument {
 public:
  virtual void NotifyResItemCollected(const std::string& budget_item_id,
                                      const std::string& cost_item_id, bool collected) = 0;
  virtual void NotifyBaseResItemMergeChanged(const std::string& base_res_item_id) = 0;
};

}  // namespace qrv
}  // namespace app
