// A resource line (labour, material, machinery) with its core and product
// faces. Owned by the ResItemListImpl of a bill, or, for a collection copy
// item, by the records that list it. A copy item's quantity always follows
// its budget item: budget quantity x "QRV_RICollectRatio".
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/base/ref_counted.h"
#include "host/engine/qrv/qrv_res_item.h"
#include "host/engine/res_item.h"
#include "reference_host/model/base_res_item_impl.h"
#include "reference_host/model/document_object_impl.h"

namespace reference_host {

class ResCollectImpl;
class ResItemListImpl;
class SubEngineeringImpl;

class ResItemImpl : public DocumentObjectImpl,
                    public engine::ResItem,
                    public engine::qrv::QRVResItem {
 public:
  // An empty |id| draws a random one.
  explicit ResItemImpl(std::string id = std::string());

  // engine::ResItem:
  // A copy item with a copy record naming a budget item answers budget
  // quantity x its ratio field; any other item its own quantity.
  bool GetQuantity(double& quantity) const override;
  // Fields (replaced as a whole), quantity, entry and source reference.
  void CopyFrom(const engine::ResItem* source) override;
  // Any value takes the item out of its list; our lines have no other owner.
  void ResetOwnerRef(int owner) override;
  // The text as set, with the bill item the line stands in (a copy item: the
  // one its budget item stands in).
  engine::ResItemSourceRef GetSourceRef() const override;
  void SetSourceRef(const std::string& source) override;
  // Both faces ask for the same entry.
  BaseResItemImpl* GetBaseResItem() const override { return entry_.get(); }
  // The field "BRIType".
  std::string GetResType() const override;
  // A line stands for no other lines.
  int GetDetailCount() const override { return 0; }
  engine::ResItem* GetDetailResItem(int) const override { return nullptr; }
  std::unique_ptr<engine::Iterator<engine::ResItem>> CreateDetailIterator() const override;
  // Both faces point the line the same way; an entry of another host is
  // refused (logged) and the line keeps its entry.
  void SetBaseResItem(engine::BaseResItem* entry) override;

  // engine::qrv::QRVResItem:
  engine::ResItem* GetResItem() override { return this; }
  void SetBaseResItem(engine::qrv::QRVBaseResItem* entry) override;
  engine::ResItemList* GetOwnerList() const override;
  engine::qrv::QRVResCollect* GetCollect() const override { return record_.get(); }
  // Attaches |record| (null detaches); refused when another item holds it.
  void SetCollect(engine::qrv::QRVResCollect* record) override;
  bool IsLinkedTo(const engine::ResItem* budget_item) const override;
  void AddLinkedResItem(engine::ResItem* budget_item) override;
  void RemoveLinkedResItem(engine::ResItem* budget_item) override;
  // A line that represents linked budget lines takes no collected parts.
  bool CanBeCollectTarget() const override { return !rare_ || rare_->links.slots.empty(); }
  std::string GetContent() const override { return rare_ ? rare_->content : std::string(); }
  // The whole content read as a decimal number.
  bool GetContent(double& content) const override;
  void SetContent(const std::string& content) override;
  // Refreshes the collected quantity: the sum of the quantities of the
  // copies its object record lists. The document's observers hear of it.
  void Recalculate() override;

  // Host side.
  void SetQuantity(double quantity) {
    quantity_ = quantity;
    has_quantity_ = true;
  }
  // Makes GetQuantity answer false (a line without a quantity).
  void ClearQuantity() { has_quantity_ = false; }
  std::optional<double> own_quantity() const {
    return has_quantity_ ? std::optional<double>(quantity_) : std::nullopt;
  }
  void SetBaseResItem(BaseResItemImpl* entry) { entry_ = entry; }
  void SetBaseResItem(std::nullptr_t) { entry_ = nullptr; }
  // The list is the one of its side in the bill item that owns the line.
  ResItemListImpl* owner_list() const;
  // The bill (or entry) whose list holds the line.
  SubEngineeringImpl* owner_sub_engineering() const;
  ResCollectImpl* record() const;
  // Ids of the budget lines this cost line represents, in link order.
  const std::vector<std::string>& linked_ids() const;
  void AddLinkedId(const std::string& budget_item_id);
  double collected_quantity() const { return collected_quantity_; }
  // Restores the figure as last recalculated (document loading).
  void set_collected_quantity(double quantity) { collected_quantity_ = quantity; }

  void AppendMembers(std::vector<DocumentObjectImpl*>& members) const override;

 protected:
  ~ResItemImpl() override;

 private:
  friend class ResItemListImpl;

  // A removed link leaves an empty slot, dropped once half the slots are
  // empty or when the ids are read, so linking and unlinking a group of n
  // lines costs O(n) where erasing in place cost O(n^2).
  struct Links {
    std::vector<std::string> ids;                        // in link order; "" marks a removed link
    std::unordered_map<std::string, std::size_t> slots;  // id -> index in |ids|
    std::size_t removed = 0;
    void Compact();
  };
  // What few lines have (texts, links), made on the first text that is not
  // empty or the first link: a line without them costs one pointer.
  struct Rare {
    std::string source_ref;
    std::string content;
    Links links;
  };
  Rare& rare() const {
    if (!rare_) rare_ = std::make_unique<Rare>();
    return *rare_;
  }

  double quantity_ = 0.0;
  mutable std::unique_ptr<Rare> rare_;
  scoped_refptr<BaseResItemImpl> entry_;
  scoped_refptr<engine::qrv::QRVResCollect> record_;
  double collected_quantity_ = 0.0;
  bool has_quantity_ = true;
  // Which list of its owner holds the line, if any: a line in a list is
  // owned by that list's bill item, so one byte names the list.
  enum class InList : uint8_t { kNone, kBudget, kCost };
  InList in_list_ = InList::kNone;
};

}  // namespace reference_host
