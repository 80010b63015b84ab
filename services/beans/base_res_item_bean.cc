#include "beans/base_res_item_bean.h"

#include "funcs/cost_account/qrv_service.h"
#include "host/base/ref_counted.h"
#include "host/engine/base_res_item.h"
#include "host/engine/document_object.h"
#include "host/engine/qrv/qrv_base_res_item.h"
#include "host/engine/qrv/qrv_cost_account.h"
#include "host/engine/qrv/qrv_project.h"
#include "host/engine/sub_project.h"
#include "host/proxy/element.h"
#include "internal/field_util.h"
#include "internal/qrv_keys.h"
#include "internal/upward_walk.h"

namespace marrow {
namespace qrv {

namespace {

// The path of the account |id| names in |object|'s document; "" when there
// is none.
std::string AccountPath(const engine::DocumentObject* object, const std::string& id) {
  if (id.empty()) return std::string();
  engine::Document* document = object->GetDocument();
  if (!document) return std::string();
  auto* account = dynamic_cast<engine::qrv::QRVCostAccount*>(document->FindObjectById(id));
  if (!account) return std::string();
  const scoped_refptr<proxy::Element> element = proxy::CreateElement(account);
  return element ? proxy::qrv::GetCostAccountPath(element.get()) : std::string();
}

// The product project at the end of the owner chain from |object| (itself
// included); null when the chain ends elsewhere, in a core project without a
// product face, or loops back.
engine::qrv::QRVProject* FindProject(engine::DocumentObject* object) {
  engine::DocumentObject* project = internal::FindUpward(
      object, &engine::DocumentObject::GetOwner, [](engine::DocumentObject* node) {
        return dynamic_cast<engine::qrv::QRVProject*>(node) || dynamic_cast<engine::Project*>(node);
      });
  return dynamic_cast<engine::qrv::QRVProject*>(project);
}

// Whether the account |id| of |project|'s tree lies under the account |code|.
bool AccountBelongsTo(engine::qrv::QRVProject* project, const std::string& id,
                      const std::string& code) {
  if (id.empty() || !project) return false;
  engine::qrv::QRVCostAccountGroup* tree = project->GetCostAccountGroup();
  if (!tree) return false;
  engine::qrv::QRVCostAccount* account = tree->FindCostAccountById(id);
  if (!account) return false;
  return CostAccountGroupFunc(tree).IsBelongToSpecifyCostAc(account, code);
}

}  // namespace

BaseResItemBean::BaseResItemBean(engine::BaseResItem* item) : item_(item) {}
BaseResItemBean::BaseResItemBean(const BaseResItemBean& other) = default;
BaseResItemBean& BaseResItemBean::operator=(const BaseResItemBean& other) = default;
BaseResItemBean::~BaseResItemBean() = default;

bool BaseResItemBean::GetCostAccountPath(std::string& path) {
  if (!item_) return false;
  path =
      AccountPath(item_, internal::GetTextField(item_->GetFieldContainer(), keys::kYSCostAccount));
  return true;
}

bool BaseResItemBean::IsBelongToSpecifyCostAc(const std::string& code) {
  if (!item_) return false;
  const std::string id = internal::GetTextField(item_->GetFieldContainer(), keys::kYSCostAccount);
  if (id.empty()) return false;
  return AccountBelongsTo(FindProject(item_->GetOwner()), id, code);
}

QRVBaseResItemBean::QRVBaseResItemBean(engine::qrv::QRVBaseResItem* item) : item_(item) {}
QRVBaseResItemBean::QRVBaseResItemBean(const QRVBaseResItemBean& other) = default;
QRVBaseResItemBean& QRVBaseResItemBean::operator=(const QRVBaseResItemBean& other) = default;
QRVBaseResItemBean::~QRVBaseResItemBean() = default;

bool QRVBaseResItemBean::GetCostAccountPath(std::string& path) {
  if (!item_) return false;
  path = AccountPath(item_, item_->GetCostAccount());
  return true;
}

bool QRVBaseResItemBean::IsBelongToSpecifyCostAc(const std::string& code) {
  if (!item_) return false;
  const std::string id = item_->GetCostAccount();
  if (id.empty()) return false;
  return AccountBelongsTo(FindProject(item_->GetGroup()), id, code);
}

}  // namespace qrv
}  // namespace marrow
