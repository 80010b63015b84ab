#include "funcs/cost_account/qrv_res_item_func.h"

#include "funcs/cost_account/qrv_service.h"
#include "host/engine/document_object.h"
#include "host/engine/qrv/qrv_base_res_item.h"
#include "host/engine/qrv/qrv_cost_account.h"

namespace marrow {
namespace qrv {

void QRVResItemFunc::SetCostAccount(std::vector<engine::DocumentObject*> objects,
                                    const std::string& value) {
  // Resources of one project share a tree: the value is resolved once per
  // tree met in a row, not walked again for every resource.
  engine::qrv::QRVCostAccountGroup* resolved_tree = nullptr;
  bool resolved_valid = false;
  std::string resolved;
  for (engine::DocumentObject* object : objects) {
    auto* resource = dynamic_cast<engine::qrv::QRVBaseResItem*>(object);
    if (!resource) continue;  // Not a resource: another kind of object is skipped.
    auto* file = dynamic_cast<engine::qrv::QRVBaseResItemGroupFile*>(resource->GetGroup());
    auto* tree = file ? dynamic_cast<engine::qrv::QRVCostAccountGroup*>(file->GetCostAccountGroup())
                      : nullptr;
    if (!tree) return;

    if (!value.empty()) {
      if (tree != resolved_tree) {
        resolved_tree = tree;
        resolved.clear();
        resolved_valid = ConvertToValidCostAccountId(tree, value, resolved);
      }
      if (!resolved_valid) continue;
    }

    engine::DocumentObject* key = resource;
    auto it = data_.lower_bound(key);
    if (it == data_.end() || it->first != key)
      data_.emplace_hint(it, key, resource->GetCostAccount());
    resource->SetCostAccount(resolved);
  }
}

std::map<engine::DocumentObject*, std::string> QRVResItemFunc::GetData() const { return data_; }

}  // namespace qrv
}  // namespace marrow
