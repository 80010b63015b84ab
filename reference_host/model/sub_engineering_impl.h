// A bill item: a bill (node kind 2), an entry under a bill (3, 4) or a
// measure item, with its budget and cost resource lists, its fee calculator
// and its children. Owned by its parent, or by its sub-project when on top.
// Lists and calculator exist from the start; each may be dropped to model
// a bill that has none.
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
  engine::SubEngineeringFeeCalc* GetFeeCalc() const override { return fee_calc_.get(); }
  // The budget lines.
  engine::ResItemList* GetResItemList() const override { return budget_list_.get(); }
  int GetChildCount() const override { return children_.size(); }
  engine::SubEngineering* GetChildSubEngineering(int index) const override {
    return children_.at(index);
  }

  // engine::qrv::QRVSubEngineering:
  engine::SubEngineering* GetSubEngineering() override { return this; }
  ResItemListImpl* GetCBResItemList() const override { return cost_list_.get(); }
  // Takes over a free, empty list made by the product factory, in place of
  // any list the item has; anything else is refused with a log line.
  void SetCBResItemList(engine::qrv::QRVCBResItemList* list) override;
  engine::SubProject* GetSubProject() const override;

  // Host side.
  void set_node_kind(int kind) { node_kind_ = kind; }
  void set_measure_kind(int kind) { measure_kind_ = kind; }
  void SetQuantity(double quantity) { quantity_ = quantity; }
  void ClearQuantity() { quantity_.reset(); }
  const std::optional<double>& own_quantity() const { return quantity_; }

  ResItemListImpl* budget_list() const { return budget_list_.get(); }
  ResItemListImpl* cost_list() const { return cost_list_.get(); }
  FeeCalcImpl* fee_calc() const { return fee_calc_.get(); }
  // Dropping a list takes its lines out of the document.
  void SetHasBudgetList(bool has);
  void SetHasCostList(bool has);
  void SetHasFeeCalc(bool has);

  bool AddChild(scoped_refptr<SubEngineeringImpl> child, int index = -1) {
    return children_.Insert(std::move(child), index);
  }
  scoped_refptr<SubEngineeringImpl> RemoveChild(const SubEngineeringImpl* child) {
    return children_.Remove(child);
  }
  SubEngineeringImpl* child(int index) const { return children_.at(index); }
  int IndexOfChild(const SubEngineeringImpl* child) const { return children_.IndexOf(child); }
  // The sub-project whose measure tree holds this item.
  SubProjectImpl* sub_project() const;

  void AppendMembers(std::vector<DocumentObjectImpl*>& members) const override;

 protected:
  ~SubEngineeringImpl() override;

 private:
  void DropList(std::unique_ptr<ResItemListImpl>& list);

  int node_kind_;
  int measure_kind_;
  std::optional<double> quantity_ = 0.0;
  OwnedChildren<SubEngineeringImpl> children_{this};
  std::unique_ptr<ResItemListImpl> budget_list_;
  std::unique_ptr<ResItemListImpl> cost_list_;
  std::unique_ptr<FeeCalcImpl> fee_calc_;
};

}  // namespace reference_host
