#include "funcs/qrv_base_res_item_func.h"

#include "host/app/qrv/qrv_application.h"
#include "host/base/ref_counted.h"
#include "host/engine/base_res_item.h"
#include "host/engine/qrv/qrv_base_res_item.h"
#include "host/engine/qrv/qrv_res_item.h"

namespace marrow {
namespace qrv {
namespace {

void MoveLine(engine::qrv::QRVResItem* line, engine::qrv::QRVBaseResItem* from,
              engine::qrv::QRVBaseResItem* to) {
  if (from) from->RemoveResItem(line);
  to->AddResItem(line);
  line->SetBaseResItem(to);
}

}  // namespace

QRVBaseResItemFunc::QRVBaseResItemFunc(engine::qrv::QRVBaseResItem* item) : item_(item) {}
QRVBaseResItemFunc::~QRVBaseResItemFunc() = default;

bool QRVBaseResItemFunc::MergeContract(const std::set<engine::qrv::QRVResItem*>& items) {
  if (!item_ || items.empty()) return false;
  for (engine::qrv::QRVResItem* line : items)
    if (line) MoveLine(line, line->GetBaseResItem(), item_);
  return true;
}

engine::qrv::QRVBaseResItem* QRVBaseResItemFunc::SplitContract(
    std::vector<engine::qrv::QRVResItem*> items) {
  if (!item_) return nullptr;
  for (engine::qrv::QRVResItem* line : items)
    if (!line || line->GetBaseResItem() != item_) return nullptr;
  if (static_cast<long>(items.size()) >= item_->GetResItemCount()) return nullptr;
  app::qrv::QRVApplication* application = app::qrv::GetQRVApplication();
  app::qrv::QRVBaseResItemCreator* creator =
      application ? application->GetBaseResItemCreator() : nullptr;
  if (!creator) return nullptr;
  // The new entry would have nowhere to stand.
  engine::qrv::QRVBaseResItemGroup* group = item_->GetGroup();
  if (!group) return nullptr;
  // Held until the group holds it.
  scoped_refptr<engine::qrv::QRVBaseResItem> split = creator->CreateBaseResItem();
  if (!split) return nullptr;

  split->CopyFrom(dynamic_cast<engine::BaseResItem*>(item_));
  split->SetName(split->GetName() + "C");
  for (engine::qrv::QRVResItem* line : items) MoveLine(line, item_, split.get());
  group->AddBaseResItem(split.get(), item_, true);
  group->RefreshChildren();
  return split.get();
}

}  // namespace qrv
}  // namespace marrow
