#include "beans/qrv_sub_engineering.h"

#include <utility>
#include <vector>

#include "beans/qrv_resitem.h"
#include "host/engine/qrv/qrv_sub_engineering.h"
#include "host/engine/res_item.h"
#include "host/engine/sub_engineering.h"

namespace marrow {
namespace qrv {

namespace {

struct FeeField {
  const char* unit_field;
  const char* total_field;
  const char* kind;
};

constexpr FeeField kFeeFields[] = {
    {"YSMXComplex", "YSMXComplexTotal", "Complex"},
    {"YSMXLabor", "YSMXLaborTotal", "Labor"},
    {"YSMXPrimaryMaterial", "YSMXPrimaryMaterialTotal", "MainMaterial"},
    {"YSMXEquipment", "YSMXEquipmentTotal", "Equipment"},
    {"YSMXOtherMaterial", "YSMXOtherMaterialTotal", "OtherMaterial"},
    {"YSMXRevolvingMaterial", "YSMXRevolvingMaterialTotal", "RevolvingMaterial"},
    {"ZYMXFBFee", "ZYMXFBFeeTotal", "Subcontract"},
    {"YSMXMachine", "YSMXMachineTotal", "Machine"},
};

const char* KindOfUnitField(const std::string& name) {
  for (const FeeField& field : kFeeFields)
    if (name == field.unit_field) return field.kind;
  return nullptr;
}

const char* KindOfTotalField(const std::string& name) {
  for (const FeeField& field : kFeeFields)
    if (name == field.total_field) return field.kind;
  return nullptr;
}

constexpr int kMeasureKindZJCSGroup = 3;
constexpr int kMeasureKindZJCSItem = 16;

engine::qrv::QRVSubEngineeringFeeCalc* FeeCalcOf(engine::qrv::QRVSubEngineering* facet) {
  auto* core = dynamic_cast<engine::SubEngineering*>(facet);
  if (!core) return nullptr;
  return dynamic_cast<engine::qrv::QRVSubEngineeringFeeCalc*>(core->GetFeeCalc());
}

}  // namespace

QRVSubEngineeringBean::QRVSubEngineeringBean(engine::qrv::QRVSubEngineering* sub_engineering)
    : sub_engineering_(sub_engineering) {}

QRVSubEngineeringBean::QRVSubEngineeringBean(engine::SubEngineering* sub_engineering)
    : sub_engineering_(dynamic_cast<engine::qrv::QRVSubEngineering*>(sub_engineering)) {}

QRVSubEngineeringBean::QRVSubEngineeringBean(std::nullptr_t) : sub_engineering_(nullptr) {}

bool QRVSubEngineeringBean::GetYSFieldValue(const std::string& field_name, double& value) {
  if (KindOfUnitField(field_name)) return GetYSFieldCost(field_name, value);
  if (KindOfTotalField(field_name)) return GetYSFieldTotalCost(field_name, value);
  return false;
}

bool QRVSubEngineeringBean::GetYSFieldCost(const std::string& field_name, double& value) {
  const char* kind = KindOfUnitField(field_name);
  return kind && GetYSFeeCost(kind, value);
}

bool QRVSubEngineeringBean::GetYSFieldTotalCost(const std::string& field_name, double& value) {
  const char* kind = KindOfTotalField(field_name);
  return kind && GetYSFeeTotalCost(kind, value);
}

bool QRVSubEngineeringBean::GetYSFeeCost(const std::string& kind, double& value) {
  engine::qrv::QRVSubEngineeringFeeCalc* calc = FeeCalcOf(sub_engineering_);
  return calc && calc->GetFeeCost(kind, value);
}

bool QRVSubEngineeringBean::GetYSFeeTotalCost(const std::string& kind, double& value) {
  engine::qrv::QRVSubEngineeringFeeCalc* calc = FeeCalcOf(sub_engineering_);
  return calc && calc->GetFeeTotalCost(kind, value);
}

void QRVSubEngineeringBean::GetYSAllResCostAccount(std::set<std::string>& codes,
                                                   bool include_children) {
  // Depth first, a node's own lines before its children. An explicit stack
  // keeps deep bill trees off the call stack; a child without a product facet
  // is skipped together with its subtree, as a view over it would be empty.
  auto visit_items = [&codes](engine::SubEngineering* core) {
    engine::ResItemList* list = core->GetResItemList();
    if (!list) return;
    for (int i = 0; i < list->GetCount(); ++i) {
      if (engine::ResItem* item = list->GetAt(i)) QRVResItemBean(item).GetCostAccount(codes);
    }
  };

  if (!sub_engineering_) return;
  engine::SubEngineering* root = sub_engineering_->GetSubEngineering();
  if (!root) return;
  visit_items(root);
  if (!include_children) return;

  std::vector<std::pair<engine::SubEngineering*, int>> stack;
  stack.emplace_back(root, 0);
  while (!stack.empty()) {
    engine::SubEngineering* node = stack.back().first;
    const int index = stack.back().second;
    if (index >= node->GetChildCount()) {
      stack.pop_back();
      continue;
    }
    ++stack.back().second;
    auto* facet =
        dynamic_cast<engine::qrv::QRVSubEngineering*>(node->GetChildSubEngineering(index));
    if (!facet) continue;
    engine::SubEngineering* child = facet->GetSubEngineering();
    if (!child) continue;
    visit_items(child);
    stack.emplace_back(child, 0);
  }
}

bool QRVSubEngineeringBean::IsZJCS() const {
  if (!sub_engineering_) return false;
  engine::SubEngineering* core = sub_engineering_->GetSubEngineering();
  if (!core) return false;
  const int kind = core->GetMeasureKind();
  if (kind != kMeasureKindZJCSGroup && kind != kMeasureKindZJCSItem) return false;
  engine::SubEngineering* parent = core->GetParent();
  if (!parent) return false;
  return parent->GetMeasureKind() == kMeasureKindZJCSGroup || kind == kMeasureKindZJCSItem;
}

}  // namespace qrv
}  // namespace marrow
