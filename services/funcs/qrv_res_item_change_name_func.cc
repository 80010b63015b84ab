#include "funcs/qrv_res_item_change_name_func.h"

#include <vector>

#include "beans/qrv_resitem.h"
#include "host/app/factories.h"
#include "host/base/ref_counted.h"
#include "host/engine/base_res_item.h"
#include "host/engine/factory.h"
#include "host/engine/qrv/qrv_res_collect.h"
#include "host/engine/res_item.h"
#include "host/engine/shared_item_set.h"
#include "host/engine/sub_project.h"

namespace marrow {
namespace qrv {
namespace {

engine::SubProject* OwningSubProject(engine::DocumentObject* object) {
  for (engine::DocumentObject* up = object->GetOwner(); up; up = up->GetOwner())
    if (auto* sub_project = dynamic_cast<engine::SubProject*>(up)) return sub_project;
  return nullptr;
}

}  // namespace

void QRVResItemChangeNameFunc::ChangeResItemName(engine::ResItem* item, const std::string& name) {
  if (!item) return;
  engine::BaseResItem* current = item->GetBaseResItem();
  if (!current) return;
  engine::SubProject* sub_project = OwningSubProject(item);
  if (!sub_project) return;
  engine::SharedItemSet* set = sub_project->GetSharedItemSet();
  if (!set) return;

  engine::Factory* factory = app::GetEngineFactory();
  scoped_refptr<engine::BaseResItem> candidate = factory ? factory->CreateBaseResItem() : nullptr;
  if (!candidate) return;
  candidate->CopyFrom(current);
  candidate->SetName(name);

  engine::BaseResItem* chosen = set->Find(candidate->GetKey());
  if (!chosen) {
    if (engine::NumberAllocator* numbers = set->GetNumberAllocator())
      candidate->SetNumber(numbers->Next(candidate->GetNumberKey()));
    if (!set->Add(candidate.get())) return;
    chosen = candidate.get();
  }

  QRVResItemBean view(item);
  if (view.IsCollected()) {
    if (engine::qrv::QRVResCollectTemplete* templete = view.GetResItemCollectTemplete(false)) {
      std::vector<engine::ResItem*> copies;
      templete->GetCopies(copies);
      for (engine::ResItem* copy : copies)
        if (copy) copy->SetBaseResItem(chosen);
    }
  }
  new_base_item_ = chosen;
  item->SetBaseResItem(chosen);
}

engine::BaseResItem* QRVResItemChangeNameFunc::GetNewBaseItem() const { return new_base_item_; }

}  // namespace qrv
}  // namespace marrow
