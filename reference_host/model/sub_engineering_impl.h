// A bill item: a bill (node kind 2), an entry under a bill (3, 4) or a
// measure item, with its budget and cost resource lists, its fee calculator
// and its children. Owned by its parent, or by its sub-project when on top.
// Lists and calculator are there from the start and each may be dropped to
// model a bill that has none; most items use only some of them (a bill its
// cost lines, an entry its budget lines). The lists stand in place and make
// their storage with their first line, so asking allocates nothing; the
// calculator is made, empty, when first asked for.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/engine/qrv/qrv_sub_engineering.h"
#include "host/engine/sub_engineering.h"
#include "reference_host/model/document_object_impl.h"
#include "reference_host/model/fee_calc_impl.h"
#include "reference_host/model/owned_children.h"
#include "reference_host/model/res_item_list_impl.h"

namespace reference_host {

class SubProjectImpl;

class SubEngineeringImpl : public DocumentObjectImpl,
                           public engine::SubEngineering,
                           public engine::qrv::QRVSubEngineering {
 public:
  SubEngineeringImpl(std::string id, int node_kind, int measure_kind = 0);

  // engine::SubEngineering:
  int GetNodeKind() const override { return node_kind_; }
  int GetMeasureKind() const override { return measure_kind_; }
  SubEngineeringImpl* GetParent() const override;
  bool GetQuantity(double& quantity) const override;
  engine::SubEngineeringFeeCalc* GetFeeCalc() const override { return fee_calc(); }
  // The budget lines.
  engine::ResItemList* GetResItemList() const override { return budget_list(); }
  int GetChildCount() const override { return children_.size(); }
  engine::SubEngineering* GetChildSubEngineering(int index) const override {
    return children_.at(index);
  }
  // Code and name live in the fields "SECode" and "SEName".
  std::string GetCode() const override;
  void SetCode(const std::string& code) override;
  std::string GetName() const override;
  void SetName(const std::string& name) override;
  // Among the parent's children, or on top of its sub-project's bills.
  int GetIndex() const override;
  bool AddChild(engine::SubEngineering* child, engine::SubEngineering* before) override;
  bool RemoveChild(engine::SubEngineering* child) override;
  void RefreshChildren() override {}

  // engine::qrv::QRVSubEngineering:
  engine::SubEngineering* GetSubEngineering() override { return this; }
  ResItemListImpl* GetCBResItemList() const override { return cost_list(); }
  // Takes over a free, empty list made by the product factory, in place of
  // any list the item has; anything else is refused with a log line.
  void SetCBResItemList(engine::qrv::QRVCBResItemList* list) override;
  engine::SubProject* GetSubProject() const override;

  // Host side.
  void set_node_kind(int kind) { node_kind_ = kind; }
  void set_measure_kind(int kind) { measure_kind_ = kind; }
  void SetQuantity(double quantity) {
    quantity_ = quantity;
    has_quantity_ = true;
  }
  void ClearQuantity() { has_quantity_ = false; }
  std::optional<double> own_quantity() const {
    return has_quantity_ ? std::optional<double>(quantity_) : std::nullopt;
  }

  // Null when the item has none.
  ResItemListImpl* budget_list() const {
    return has_budget_list_ ? const_cast<ResItemListImpl*>(&budget_list_) : nullptr;
  }
  ResItemListImpl* cost_list() const {
    if (!has_cost_list_) return nullptr;
    return adopted_cost_list_ ? adopted_cost_list_.get()
                              : const_cast<ResItemListImpl*>(&cost_list_);
  }
  // Null when the item has none; made, empty, on first call otherwise.
  FeeCalcImpl* fee_calc() const;
  bool has_budget_list() const { return has_budget_list_; }
  bool has_cost_list() const { return has_cost_list_; }
  bool has_fee_calc() const { return has_fee_calc_; }
  // What was made so far, for readers that should not make anything: null
  // for one never asked for, which reads as empty, or for one the item lacks.
  const FeeCalcImpl* made_fee_calc() const { return fee_calc_.get(); }
  // Kept by the lists as lines come and go, so that the document's walks
  // skip a list left empty without reading it.
  void set_list_holds_lines(ResItemListImpl::Side side, bool holds) {
    (side == ResItemListImpl::Side::kBudget ? budget_holds_lines_ : cost_holds_lines_) = holds;
    NoteMembers();
  }
  // Dropping a list takes its lines out of the document.
  void SetHasBudgetList(bool has);
  void SetHasCostList(bool has);
  void SetHasFeeCalc(bool has);

  bool AddChild(scoped_refptr<SubEngineeringImpl> child, int index = -1) {
    const bool added = children_.Insert(std::move(child), index);
    NoteMembers();
    return added;
  }
  scoped_refptr<SubEngineeringImpl> RemoveChild(const SubEngineeringImpl* child) {
    scoped_refptr<SubEngineeringImpl> removed = children_.Remove(child);
    NoteMembers();
    return removed;
  }
  SubEngineeringImpl* child(int index) const { return children_.at(index); }
  int IndexOfChild(const SubEngineeringImpl* child) const { return children_.IndexOf(child); }
  // The sub-project whose measure tree holds this item.
  SubProjectImpl* sub_project() const;

  void AppendMembers(std::vector<DocumentObjectImpl*>& members) const override;

 protected:
  ~SubEngineeringImpl() override;

 private:
  // Takes |list|'s lines out of the document and lets go of them.
  void DropList(ResItemListImpl* list);
  // Most bill items of a large tree are leaves without lines: the
  // document's walks then skip them after their first line.
  void NoteMembers() {
    set_may_have_members(budget_holds_lines_ || cost_holds_lines_ || children_.size() > 0);
  }

  int node_kind_;
  int measure_kind_;
  double quantity_ = 0.0;
  bool has_quantity_ = true;
  bool has_budget_list_ = true;
  bool has_cost_list_ = true;
  bool has_fee_calc_ = true;
  bool budget_holds_lines_ = false;
  bool cost_holds_lines_ = false;
  OwnedChildren<SubEngineeringImpl> children_{this};
  // Read while the matching has_ flag is set.
  ResItemListImpl budget_list_{this, ResItemListImpl::Side::kBudget};
  ResItemListImpl cost_list_{this, ResItemListImpl::Side::kCost};
  // A free list from the product factory, once SetCBResItemList took it
  // over: it then stands for cost_list_, so that the caller's list is the
  // item's.
  std::unique_ptr<ResItemListImpl> adopted_cost_list_;
  mutable std::unique_ptr<FeeCalcImpl> fee_calc_;
};

}  // namespace reference_host
