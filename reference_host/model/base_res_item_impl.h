// A resource entry that resource lines point to, with its core and product
// faces. A budget-side entry is owned by a sub-project's ResSummaryImpl and
// reports no group; a contract-level entry is owned by, and reports, its
// BaseResItemGroupImpl; an entry of the engine factory stands alone. Code,
// name, unit, price, type, number and both cost account references live in
// fields, so field-level rewrites reach them.
//
// The lines attached to an entry are kept by id, in id order, so that a set
// emptied and filled again reads (and saves) the same whatever the order of
// the moves; ids that no longer name a line of the document are kept too.
// Beside each id the entry keeps a weak pointer to the line it was given: the
// walk over its lines needs no lookup in the document, and an entry outside
// any document still walks them. A tree rather than a hash table: growing to
// a million lines, the table's rehashing cost more than the tree's depth.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/engine/base_res_item.h"
#include "host/engine/qrv/qrv_base_res_item.h"
#include "reference_host/model/document_object_impl.h"

namespace reference_host {

class BaseResItemGroupImpl;
class ResSummaryImpl;

class BaseResItemImpl : public DocumentObjectImpl,
                        public engine::BaseResItem,
                        public engine::qrv::QRVBaseResItem,
                        private FieldListener {
 public:
  explicit BaseResItemImpl(std::string id = std::string());

  // engine::BaseResItem and engine::qrv::QRVBaseResItem alike:
  // Replaces every field by those of |source| (an entry of this host).
  void CopyFrom(const engine::BaseResItem* source) override;
  // The field "BRIName".
  std::string GetName() const override { return name(); }
  void SetName(const std::string& name) override;

  // engine::BaseResItem:
  // Code, name, unit, type and price (excluding tax), each as stored: two
  // entries with equal keys print alike. Separated by U+001F.
  std::string GetKey() const override;
  // The code: entries of one code are numbered in one sequence.
  std::string GetNumberKey() const override { return code(); }
  // The int field "BRINumber".
  void SetNumber(int number) override;

  // engine::qrv::QRVBaseResItem:
  engine::qrv::QRVBaseResItemGroup* GetGroup() const override;
  // Kept in the field "QRV_CostAccount"; an empty id removes the field.
  std::string GetCostAccount() const override;
  void SetCostAccount(const std::string& account_id) override;
  // The field "BRIType".
  std::string GetResType() const override;
  // The attached set, by line id (a line without an id is never attached).
  void AddResItem(engine::qrv::QRVResItem* cost_item) override;
  void RemoveResItem(engine::qrv::QRVResItem* cost_item) override;
  int GetResItemCount() const override { return static_cast<int>(attached_.size()); }
  bool HasResItem() const override { return !attached_.empty(); }
  // Walks, in id order, the attached lines that are still alive: those it
  // was given, or else those its document holds under the ids it keeps.
  std::unique_ptr<engine::qrv::QRVResItemIterator> CreateResItemIterator() const override;
  // The lease quantity is kept as typed; false when absent or not a number.
  bool GetLeaseQuantity(double& quantity) const override;
  void SetLeaseQuantityText(const std::string& text) override;
  // Refreshes the registered quantity: the sum of the quantities of the
  // attached lines still found in the document. The document's observers
  // hear of it.
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
  std::string GetUnit() const override { return unit(); }
  // engine::BaseResItem: the field "BRINumber" (an int field, or a double
  // field holding a whole number within int range).
  bool GetNumber(int& number) const override;

  // Host side.
  BaseResItemGroupImpl* group() const;
  ResSummaryImpl* summary() const;
  std::string code() const;
  std::string name() const;
  std::string unit() const;
  std::string lease_quantity_text() const;
  // The number, or 0 when the entry has none.
  int number() const;
  // Ids of the attached lines, in id order.
  const std::vector<std::string>& registered_res_item_ids() const;
  bool IsAttached(const std::string& line_id) const { return attached_.count(line_id) != 0; }
  void AddRegisteredId(const std::string& cost_item_id);
  // Forgets the cost line (a line that left the entry).
  void RemoveRegisteredId(const std::string& cost_item_id);
  double registered_quantity() const { return registered_quantity_; }
  // Restores the figure as last recalculated (document loading).
  void set_registered_quantity(double quantity) { registered_quantity_ = quantity; }

 protected:
  ~BaseResItemImpl() override;

 private:
  // FieldListener: a summary indexes its entries by their fields.
  void OnFieldsChanged() override;

  std::map<std::string, base::WeakPtr<base::Object>> attached_;
  // The ids of attached_ in order, made when asked for after a change.
  mutable std::vector<std::string> attached_list_;
  mutable bool attached_list_stale_ = false;
  double registered_quantity_ = 0.0;
};

}  // namespace reference_host
