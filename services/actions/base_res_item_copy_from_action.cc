#include "actions/base_res_item_copy_from_action.h"

#include "host/app/factories.h"
#include "host/engine/base_res_item.h"
#include "host/engine/factory.h"
#include "host/engine/field_container.h"

namespace marrow {
namespace qrv {
namespace {

// Every field of |from| written into |to|, with notification.
void WriteFields(const engine::BaseResItem* from, engine::BaseResItem* to) {
  engine::FieldContainer* source = from->GetFieldContainer();
  engine::FieldContainer* target = to->GetFieldContainer();
  if (!source || !target) return;
  // A copy: writing into the map being walked is the host's business.
  const engine::FieldContainer::FieldMap fields = source->GetAllFields();
  for (const auto& [key, value] : fields) target->SetFieldValue(key, value, true);
}

}  // namespace

BaseResItemCopyFromAction::BaseResItemCopyFromAction(engine::BaseResItem* target,
                                                     engine::BaseResItem* source)
    : target_(target), source_(source) {
  engine::Factory* factory = app::GetEngineFactory();
  if (factory) backup_ = factory->CreateBaseResItem();
  if (backup_) backup_->CopyFrom(target_);
}

BaseResItemCopyFromAction::~BaseResItemCopyFromAction() = default;

void BaseResItemCopyFromAction::InternalRedo(app::AppDocument* /*document*/) {
  if (!target_ || !source_ || !backup_) return;
  WriteFields(source_, target_);
}

void BaseResItemCopyFromAction::InternalUndo(app::AppDocument* /*document*/) {
  if (!target_ || !source_ || !backup_) return;
  WriteFields(backup_.get(), target_);
}

}  // namespace qrv
}  // namespace marrow
