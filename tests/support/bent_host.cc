#include "tests/support/bent_host.h"

#include <vector>

#include "reference_host/model/vector_iterator.h"

namespace test_support {

scoped_refptr<CoreOnlyLine> CoreOnlyLine::Make(const std::string& id,
                                               std::optional<double> quantity) {
  return scoped_refptr<CoreOnlyLine>(new CoreOnlyLine(id, quantity));
}

bool CoreOnlyLine::GetQuantity(double& quantity) const {
  if (!quantity_) return false;
  quantity = *quantity_;
  return true;
}

void CoreOnlyLine::CopyFrom(const engine::ResItem* source) {
  if (!source || source == this) return;
  fields_.Assign(source->GetFieldContainer()->GetAllFields());
  double quantity = 0.0;
  quantity_ = source->GetQuantity(quantity) ? std::optional<double>(quantity) : std::nullopt;
  source_ref_ = source->GetSourceRef().text();
}

std::unique_ptr<engine::Iterator<engine::ResItem>> CoreOnlyLine::CreateDetailIterator() const {
  return std::make_unique<reference_host::VectorIterator<engine::ResItem>>(
      std::vector<engine::ResItem*>{});
}

scoped_refptr<CoreOnlyBill> CoreOnlyBill::Over(reference_host::SubEngineeringImpl* real) {
  return scoped_refptr<CoreOnlyBill>(new CoreOnlyBill(real));
}

engine::ResItem* BentList::GetAt(int index) const {
  return slots_.At(index, RealCount(), [this](int real_index) { return real_->GetAt(real_index); });
}

scoped_refptr<BentBill> BentBill::Over(reference_host::SubEngineeringImpl* real) {
  return scoped_refptr<BentBill>(new BentBill(real));
}

BentBill::BentBill(reference_host::SubEngineeringImpl* real)
    : real_(real),
      budget_(real->GetResItemList(), this),
      cost_(real->GetCBResItemList(), this, real->GetCBResItemList()) {}

void BentBill::InsertChildSlot(int index, engine::SubEngineering* child) {
  children_.Insert(index, real_->GetChildCount(), child);
}

engine::SubEngineeringFeeCalc* BentBill::GetFeeCalc() const {
  return fee_calc_ ? *fee_calc_ : real_->GetFeeCalc();
}

engine::ResItemList* BentBill::GetResItemList() const {
  return budget_.absent() ? nullptr : &budget_;
}

engine::qrv::QRVCBResItemList* BentBill::GetCBResItemList() const {
  return cost_.absent() ? nullptr : &cost_;
}

void BentBill::SetCBResItemList(engine::qrv::QRVCBResItemList* list) {
  real_->SetCBResItemList(list);
  cost_.Rebind(real_->GetCBResItemList(), real_->GetCBResItemList());
}

engine::SubEngineering* BentBill::GetChildSubEngineering(int index) const {
  return children_.At(index, real_->GetChildCount(),
                      [this](int real_index) { return real_->GetChildSubEngineering(real_index); });
}

scoped_refptr<BentEntry> BentEntry::Over(reference_host::BaseResItemImpl* real) {
  return scoped_refptr<BentEntry>(new BentEntry(real));
}

engine::DocumentObject* BentEntry::GetOwner() const { return owner_ ? *owner_ : real_->GetOwner(); }

engine::DocumentObject* BentEntry::GetIdentityItem(bool self_when_none) const {
  engine::DocumentObject* identity = real_->GetIdentityItem(false);
  if (identity || !self_when_none) return identity;
  const engine::qrv::QRVBaseResItem* self = this;
  return const_cast<engine::qrv::QRVBaseResItem*>(self);
}

engine::qrv::QRVBaseResItemGroup* BentEntry::GetGroup() const {
  return group_ ? *group_ : real_->GetGroup();
}

scoped_refptr<BentLine> BentLine::Over(reference_host::ResItemImpl* real) {
  return scoped_refptr<BentLine>(new BentLine(real));
}

BentLine::BentLine(reference_host::ResItemImpl* real) : real_(real) {
  if (real->GetBaseResItem()) entry_ = BentEntry::Over(real->GetBaseResItem());
}

void BentLine::ListedBy(engine::DocumentObject* owner) {
  list_owner_ = owner;
  list_.reset();
  list_.emplace(real_->GetOwnerList(), owner);
}

engine::ResItemList* BentLine::GetOwnerList() const {
  return list_ ? &*list_ : real_->GetOwnerList();
}

scoped_refptr<BentCostAccountTree> BentCostAccountTree::Over(
    reference_host::CostAccountGroupImpl* real) {
  return scoped_refptr<BentCostAccountTree>(new BentCostAccountTree(real));
}

engine::qrv::QRVCostAccount* BentCostAccountTree::FindCostAccountByCode(
    const std::string& code) const {
  auto it = bent_.find(code);
  return it != bent_.end() ? it->second : real_->FindCostAccountByCode(code);
}

}  // namespace test_support
