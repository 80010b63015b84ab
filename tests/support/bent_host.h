// Host objects for states a sound host never holds but the library must
// survive: a null slot in a list, a line or bill item without a product face,
// a fee calculator without one or of another make, an entry whose owner is not the group it
// reports, a cost account tree whose code lookup disagrees with its parent
// links. The reference host's model cannot hold these (its faces are one
// object, its lists hold lines, its lookups follow its tree), and its loader
// refuses them, so they are made here, once, for every test: each class
// implements the host interfaces itself and delegates to a real object of a
// built document, bending only the answers named. None enters a document;
// tests hold them in scoped_refptr and hand them to the library in place of
// the real object:
//
//   scoped_refptr<BentBill> bill = BentBill::Over(Bill("b1"));
//   bill->InsertCostSlot(0, nullptr);            // a null slot before cbA
//   scoped_refptr<BentLine> ys = BentLine::Over(Item("ys"));
//   ys->ListedBy(bill.get());                    // ys as that bill lists it
//   EXPECT_EQ(ViewOf(ys.get()).GetLinkedCBRes(), Cost("cbL"));
#pragma once

#include <gmock/gmock.h>

#include <map>
#include <optional>
#include <string>

#include "host/base/ref_counted.h"
#include "host/engine/base_res_item.h"
#include "host/engine/qrv/qrv_base_res_item.h"
#include "host/engine/qrv/qrv_cost_account.h"
#include "host/engine/qrv/qrv_res_item.h"
#include "host/engine/qrv/qrv_sub_engineering.h"
#include "host/engine/res_item.h"
#include "host/engine/sub_engineering.h"
#include "reference_host/model/base_res_item_impl.h"
#include "reference_host/model/cost_account_group_impl.h"
#include "reference_host/model/field_container_impl.h"
#include "reference_host/model/res_item_impl.h"
#include "reference_host/model/sub_engineering_impl.h"

namespace test_support {

// Slots of a real sequence with extra slots (null or foreign objects) put in
// at fixed positions; the real elements fill the others in their order.
template <class T>
class SlotsWithExtras {
 public:
  // |index| counts the slots as they stand; out of range appends.
  void Insert(int index, int real_count, scoped_refptr<T> extra) {
    const int count = Count(real_count);
    if (index < 0 || index > count) index = count;
    std::map<int, scoped_refptr<T>> shifted;
    for (auto& [position, item] : extras_)
      shifted.emplace(position >= index ? position + 1 : position, std::move(item));
    shifted.emplace(index, std::move(extra));
    extras_ = std::move(shifted);
  }
  bool empty() const { return extras_.empty(); }
  int Count(int real_count) const { return real_count + static_cast<int>(extras_.size()); }
  // |real_at| gives the real element at an index of the real sequence.
  template <class RealAt>
  T* At(int index, int real_count, RealAt real_at) const {
    if (index < 0 || index >= Count(real_count)) return nullptr;
    int before = 0;
    for (const auto& [position, item] : extras_) {
      if (position == index) return item.get();
      if (position < index) ++before;
    }
    return real_at(index - before);
  }

 private:
  std::map<int, scoped_refptr<T>> extras_;
};

// A resource line with a core face only: no collection record, no entry, no
// links, no list. |quantity| nullopt: it has none to give.
class CoreOnlyLine : public engine::ResItem {
 public:
  static scoped_refptr<CoreOnlyLine> Make(const std::string& id,
                                          std::optional<double> quantity = 1.0);

  const std::string& GetId() const override { return id_; }
  engine::Document* GetDocument() const override { return nullptr; }
  engine::DocumentObject* GetOwner() const override { return nullptr; }
  engine::FieldContainer* GetFieldContainer() const override { return &fields_; }
  bool GetQuantity(double& quantity) const override;
  void CopyFrom(const engine::ResItem* source) override;
  void ResetOwnerRef(int) override {}
  engine::ResItemSourceRef GetSourceRef() const override { return source_ref_; }
  void SetSourceRef(const std::string& source) override { source_ref_ = source; }
  engine::BaseResItem* GetBaseResItem() const override { return nullptr; }
  std::string GetResType() const override { return ""; }
  int GetDetailCount() const override { return 0; }
  engine::ResItem* GetDetailResItem(int) const override { return nullptr; }
  std::unique_ptr<engine::Iterator<engine::ResItem>> CreateDetailIterator() const override;

 protected:
  ~CoreOnlyLine() override = default;

 private:
  CoreOnlyLine(std::string id, std::optional<double> quantity)
      : id_(std::move(id)), quantity_(quantity) {}

  std::string id_;
  std::optional<double> quantity_;
  std::string source_ref_;
  mutable reference_host::FieldContainerImpl fields_;
};

// A fee calculator with a core face only.
class CoreOnlyFeeCalc : public engine::SubEngineeringFeeCalc {};

// A fee calculator with both faces whose answers a test sets.
class MockFeeCalc : public engine::SubEngineeringFeeCalc,
                    public engine::qrv::QRVSubEngineeringFeeCalc {
 public:
  MOCK_METHOD(bool, GetFeeCost, (const std::string& kind, double& value), (const, override));
  MOCK_METHOD(bool, GetFeeTotalCost, (const std::string& kind, double& value), (const, override));
};

// A bill item seen with its core face only; everything else as the real one.
class CoreOnlyBill : public engine::SubEngineering {
 public:
  static scoped_refptr<CoreOnlyBill> Over(reference_host::SubEngineeringImpl* real);

  const std::string& GetId() const override { return real_->GetId(); }
  engine::Document* GetDocument() const override { return real_->GetDocument(); }
  engine::DocumentObject* GetOwner() const override { return real_->GetOwner(); }
  engine::FieldContainer* GetFieldContainer() const override { return real_->GetFieldContainer(); }
  int GetNodeKind() const override { return real_->GetNodeKind(); }
  int GetMeasureKind() const override { return real_->GetMeasureKind(); }
  engine::SubEngineering* GetParent() const override { return real_->GetParent(); }
  bool GetQuantity(double& quantity) const override { return real_->GetQuantity(quantity); }
  engine::SubEngineeringFeeCalc* GetFeeCalc() const override { return real_->GetFeeCalc(); }
  engine::ResItemList* GetResItemList() const override { return real_->GetResItemList(); }
  int GetChildCount() const override { return real_->GetChildCount(); }
  engine::SubEngineering* GetChildSubEngineering(int index) const override {
    return real_->GetChildSubEngineering(index);
  }

 protected:
  ~CoreOnlyBill() override = default;

 private:
  explicit CoreOnlyBill(reference_host::SubEngineeringImpl* real) : real_(real) {}

  scoped_refptr<reference_host::SubEngineeringImpl> real_;
};

// The lines of a real list (which may be absent) with extra slots, held by
// |owner|.
class BentList : public engine::qrv::QRVCBResItemList {
 public:
  // |cost| is the real list again when it is a cost list, so that lines the
  // library adds reach the real bill; null for a budget list.
  BentList(const engine::ResItemList* real, engine::DocumentObject* owner,
           engine::qrv::QRVCBResItemList* cost = nullptr)
      : real_(real), owner_(owner), cost_(cost) {}
  ~BentList() override = default;

  void Insert(int index, engine::ResItem* item) { slots_.Insert(index, RealCount(), item); }
  // After the real bill took a new list; the extra slots stay.
  void Rebind(const engine::ResItemList* real, engine::qrv::QRVCBResItemList* cost) {
    real_ = real;
    cost_ = cost;
  }
  // Absent as a whole: no real list and no extra slot.
  bool absent() const { return !real_ && slots_.empty(); }

  int GetCount() const override { return slots_.Count(RealCount()); }
  engine::ResItem* GetAt(int index) const override;
  engine::DocumentObject* GetOwner() const override { return owner_; }
  void AddCBResItem(engine::qrv::QRVResItem* item, engine::qrv::QRVResItem* before) override {
    if (cost_) cost_->AddCBResItem(item, before);
  }
  void Refresh() override {
    if (cost_) cost_->Refresh();
  }

 private:
  int RealCount() const { return real_ ? real_->GetCount() : 0; }

  const engine::ResItemList* real_;
  engine::DocumentObject* owner_;
  engine::qrv::QRVCBResItemList* cost_;
  SlotsWithExtras<engine::ResItem> slots_;
};

// A bill item with both faces whose lists and children may hold extra slots
// and whose fee calculator may be another.
class BentBill : public engine::SubEngineering, public engine::qrv::QRVSubEngineering {
 public:
  static scoped_refptr<BentBill> Over(reference_host::SubEngineeringImpl* real);

  // Slots counted as they stand; -1 appends. |item| may be null.
  void InsertBudgetSlot(int index, engine::ResItem* item) { budget_.Insert(index, item); }
  void InsertCostSlot(int index, engine::ResItem* item) { cost_.Insert(index, item); }
  void InsertChildSlot(int index, engine::SubEngineering* child);
  // Answers |calc| (not owned; null for none) for its fee calculator.
  void UseFeeCalc(engine::SubEngineeringFeeCalc* calc) { fee_calc_ = calc; }

  const std::string& GetId() const override { return real_->GetId(); }
  engine::Document* GetDocument() const override { return real_->GetDocument(); }
  engine::DocumentObject* GetOwner() const override { return real_->GetOwner(); }
  engine::FieldContainer* GetFieldContainer() const override { return real_->GetFieldContainer(); }
  int GetNodeKind() const override { return real_->GetNodeKind(); }
  int GetMeasureKind() const override { return real_->GetMeasureKind(); }
  engine::SubEngineering* GetParent() const override { return real_->GetParent(); }
  bool GetQuantity(double& quantity) const override { return real_->GetQuantity(quantity); }
  engine::SubEngineeringFeeCalc* GetFeeCalc() const override;
  engine::ResItemList* GetResItemList() const override;
  int GetChildCount() const override { return children_.Count(real_->GetChildCount()); }
  engine::SubEngineering* GetChildSubEngineering(int index) const override;
  engine::SubEngineering* GetSubEngineering() override { return this; }
  engine::qrv::QRVCBResItemList* GetCBResItemList() const override;
  void SetCBResItemList(engine::qrv::QRVCBResItemList* list) override;
  engine::SubProject* GetSubProject() const override { return real_->GetSubProject(); }

 protected:
  ~BentBill() override = default;

 private:
  explicit BentBill(reference_host::SubEngineeringImpl* real);

  scoped_refptr<reference_host::SubEngineeringImpl> real_;
  mutable BentList budget_;
  mutable BentList cost_;
  SlotsWithExtras<engine::SubEngineering> children_;
  std::optional<engine::SubEngineeringFeeCalc*> fee_calc_;
};

// A base resource entry with both faces that may report another owner or
// another group than the real one has.
class BentEntry : public engine::BaseResItem, public engine::qrv::QRVBaseResItem {
 public:
  static scoped_refptr<BentEntry> Over(reference_host::BaseResItemImpl* real);

  // Each may be null.
  void OwnedBy(engine::DocumentObject* owner) { owner_ = owner; }
  void ReportingGroup(engine::qrv::QRVBaseResItemGroup* group) { group_ = group; }

  const std::string& GetId() const override { return real_->GetId(); }
  engine::Document* GetDocument() const override { return real_->GetDocument(); }
  engine::DocumentObject* GetOwner() const override;
  engine::FieldContainer* GetFieldContainer() const override { return real_->GetFieldContainer(); }
  engine::qrv::QRVBaseResItemGroup* GetGroup() const override;
  std::string GetCostAccount() const override { return real_->GetCostAccount(); }
  void SetCostAccount(const std::string& id) override { real_->SetCostAccount(id); }
  std::string GetResType() const override { return real_->GetResType(); }
  void AddResItem(engine::qrv::QRVResItem* cost_item) override { real_->AddResItem(cost_item); }
  bool GetLeaseQuantity(double& quantity) const override {
    return real_->GetLeaseQuantity(quantity);
  }
  void SetLeaseQuantityText(const std::string& text) override { real_->SetLeaseQuantityText(text); }
  void Recalculate() override { real_->Recalculate(); }
  std::string GetNumberKey() const override { return real_->GetNumberKey(); }
  bool GetNumber(int& number) const override { return real_->GetNumber(number); }
  std::string GetName() const override { return real_->GetName(); }
  std::string GetUnit() const override { return real_->GetUnit(); }
  engine::DocumentObject* GetIdentityItem(bool self_when_none) const override;
  bool GetQuantity(double& quantity) const override { return real_->GetQuantity(quantity); }
  void SetQuantity(const double& quantity) override { real_->SetQuantity(quantity); }
  std::string GetSortText() const override { return real_->GetSortText(); }

 protected:
  ~BentEntry() override = default;

 private:
  explicit BentEntry(reference_host::BaseResItemImpl* real) : real_(real) {}

  scoped_refptr<reference_host::BaseResItemImpl> real_;
  std::optional<engine::DocumentObject*> owner_;
  std::optional<engine::qrv::QRVBaseResItemGroup*> group_;
};

// A resource line with both faces that may stand in another holder's list
// or point to a bent entry. Records, links, content and quantity are the
// real line's; its core face is itself.
class BentLine : public engine::ResItem, public engine::qrv::QRVResItem {
 public:
  static scoped_refptr<BentLine> Over(reference_host::ResItemImpl* real);

  // Seen in a list held by |owner| (a bill item, bent or not; null for none;
  // kept alive) with the slots of the real line's list.
  void ListedBy(engine::DocumentObject* owner);
  // Its entry on both faces (null for none); at first the real entry, seen
  // through a BentEntry that bends nothing.
  void PointTo(scoped_refptr<BentEntry> entry) { entry_ = std::move(entry); }

  const std::string& GetId() const override { return real_->GetId(); }
  engine::Document* GetDocument() const override { return real_->GetDocument(); }
  engine::DocumentObject* GetOwner() const override { return real_->GetOwner(); }
  engine::FieldContainer* GetFieldContainer() const override { return real_->GetFieldContainer(); }
  bool GetQuantity(double& quantity) const override { return real_->GetQuantity(quantity); }
  void CopyFrom(const engine::ResItem* source) override { real_->CopyFrom(source); }
  void ResetOwnerRef(int owner) override { real_->ResetOwnerRef(owner); }
  engine::ResItemSourceRef GetSourceRef() const override { return real_->GetSourceRef(); }
  void SetSourceRef(const std::string& source) override { real_->SetSourceRef(source); }
  BentEntry* GetBaseResItem() const override { return entry_.get(); }
  void SetBaseResItem(engine::qrv::QRVBaseResItem* entry) override { real_->SetBaseResItem(entry); }
  std::string GetResType() const override { return real_->GetResType(); }
  int GetDetailCount() const override { return real_->GetDetailCount(); }
  engine::ResItem* GetDetailResItem(int index) const override {
    return real_->GetDetailResItem(index);
  }
  std::unique_ptr<engine::Iterator<engine::ResItem>> CreateDetailIterator() const override {
    return real_->CreateDetailIterator();
  }
  engine::ResItem* GetResItem() override { return this; }
  engine::ResItemList* GetOwnerList() const override;
  engine::qrv::QRVResCollect* GetCollect() const override { return real_->GetCollect(); }
  void SetCollect(engine::qrv::QRVResCollect* record) override { real_->SetCollect(record); }
  bool IsLinkedTo(const engine::ResItem* budget_item) const override {
    return real_->IsLinkedTo(budget_item);
  }
  void AddLinkedResItem(engine::ResItem* budget_item) override {
    real_->AddLinkedResItem(budget_item);
  }
  void RemoveLinkedResItem(engine::ResItem* budget_item) override {
    real_->RemoveLinkedResItem(budget_item);
  }
  bool CanBeCollectTarget() const override { return real_->CanBeCollectTarget(); }
  std::string GetContent() const override { return real_->GetContent(); }
  bool GetContent(double& content) const override { return real_->GetContent(content); }
  void SetContent(const std::string& content) override { real_->SetContent(content); }
  void Recalculate() override { real_->Recalculate(); }

 protected:
  ~BentLine() override = default;

 private:
  explicit BentLine(reference_host::ResItemImpl* real);

  scoped_refptr<reference_host::ResItemImpl> real_;
  scoped_refptr<BentEntry> entry_;
  scoped_refptr<engine::DocumentObject> list_owner_;
  mutable std::optional<BentList> list_;
};

// A cost account tree whose code lookup may answer another account than the
// first one of a depth-first walk, or none, as a host with a stale or
// differently kept code index could.
class BentCostAccountTree : public engine::qrv::QRVCostAccountGroup {
 public:
  static scoped_refptr<BentCostAccountTree> Over(reference_host::CostAccountGroupImpl* real);

  // FindCostAccountByCode(|code|) answers |account| (null: finds nothing).
  void BendCode(const std::string& code, engine::qrv::QRVCostAccount* account) {
    bent_[code] = account;
  }

  const std::string& GetId() const override { return real_->GetId(); }
  engine::Document* GetDocument() const override { return real_->GetDocument(); }
  engine::DocumentObject* GetOwner() const override { return real_->GetOwner(); }
  engine::FieldContainer* GetFieldContainer() const override { return real_->GetFieldContainer(); }
  int GetCostAccountCount() const override { return real_->GetCostAccountCount(); }
  engine::qrv::QRVCostAccount* GetCostAccount(int index) const override {
    return real_->GetCostAccount(index);
  }
  engine::qrv::QRVCostAccount* FindCostAccountById(const std::string& id) const override {
    return real_->FindCostAccountById(id);
  }
  engine::qrv::QRVCostAccount* FindCostAccountByCode(const std::string& code) const override;

 protected:
  ~BentCostAccountTree() override = default;

 private:
  explicit BentCostAccountTree(reference_host::CostAccountGroupImpl* real) : real_(real) {}

  scoped_refptr<reference_host::CostAccountGroupImpl> real_;
  std::map<std::string, engine::qrv::QRVCostAccount*> bent_;
};

}  // namespace test_support
