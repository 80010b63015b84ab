// A resource entry that resource lines point to, with its core and product
// faces. A budget-side entry is owned by a sub-project's ResSummaryImpl and
// reports no group; a contract-level entry is owned by, and reports, its
// BaseResItemGroupImpl. Code, name, unit, price, type and both cost account
// references live in fields, so field-level rewrites reach them.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

#include "host/engine/base_res_item.h"
#include "host/engine/qrv/qrv_base_res_item.h"
#include "reference_host/model/document_object_impl.h"

namespace reference_host {

class BaseResItemGroupImpl;
class ResSummaryImpl;

class BaseResItemImpl : public DocumentObjectImpl,
                        public engine::BaseResItem,
                        public engine::qrv::QRVBaseResItem {
 public:
  explicit BaseResItemImpl(std::string id = std::string());

  // engine::qrv::QRVBaseResItem:
  engine::qrv::QRVBaseResItemGroup* GetGroup() const override;
  // Kept in the field "QRV_CostAccount"; an empty id removes the field.
  std::string GetCostAccount() const override;
  void SetCostAccount(const std::string& account_id) override;
  // The field "BRIType".
  std::string GetResType() const override;
  // Registers the cost line by id; a line registered before is not repeated.
  void AddResItem(engine::qrv::QRVResItem* cost_item) override;
  // The lease quantity is kept as typed; false when absent or not a number.
  bool GetLeaseQuantity(double& quantity) const override;
  void SetLeaseQuantityText(const std::string& text) override;
  // Refreshes the registered quantity: the sum of the quantities of the
  // registered cost lines still found in the document. The document's
  // observers hear of it.
  void Recalculate() override;
  // The contract entry named by the field "QRV_IdentityItem", when it is in
  // the document (one step: that entry's own identity is not followed);
  // otherwise the entry itself or null.
  engine::DocumentObject* GetIdentityItem(bool self_when_none) const override;
  // The field "BRIQuantity" (a double or int field).
  bool GetQuantity(double& quantity) const override;
  void SetQuantity(const double& quantity) override;
  // The field "QRV_SortText" when it is non-empty text, else the code.
  std::string GetSortText() const override;

  // engine::BaseResItem and engine::qrv::QRVBaseResItem:
  std::string GetName() const override { return name(); }
  std::string GetUnit() const override { return unit(); }
  // engine::BaseResItem: the code, and the field "BRINumber" (an int field,
  // or a double field holding a whole number within int range).
  std::string GetNumberKey() const override { return code(); }
  bool GetNumber(int& number) const override;

  // Host side.
  BaseResItemGroupImpl* group() const;
  ResSummaryImpl* summary() const;
  std::string code() const;
  std::string name() const;
  std::string unit() const;
  std::string lease_quantity_text() const;
  const std::vector<std::string>& registered_res_item_ids() const { return registered_ids_; }
  void AddRegisteredId(const std::string& cost_item_id);
  // Forgets the cost line (a line that left the entry); O(registered lines).
  void RemoveRegisteredId(const std::string& cost_item_id);
  double registered_quantity() const { return registered_quantity_; }
  // Restores the figure as last recalculated (document loading).
  void set_registered_quantity(double quantity) { registered_quantity_ = quantity; }

 protected:
  ~BaseResItemImpl() override = default;

 private:
  std::vector<std::string> registered_ids_;
  std::unordered_set<std::string> registered_set_;  // dedupe for large forms
  double registered_quantity_ = 0.0;
};

}  // namespace reference_host
