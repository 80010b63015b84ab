#include "funcs/cost_account/qrv_service.h"

#include <glog/logging.h>

#include <cstddef>
#include <exception>
#include <nlohmann/json.hpp>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "host/base/ref_counted.h"
#include "host/engine/field_container.h"
#include "host/engine/field_value.h"
#include "host/engine/qrv/qrv_cost_account.h"
#include "host/engine/sub_project.h"
#include "host/proxy/element.h"
#include "internal/field_util.h"
#include "internal/qrv_keys.h"
#include "internal/upward_walk.h"

namespace marrow {
namespace qrv {

namespace {

// As strings once: the re-pointing after a merge reads both keys of every
// object, and "QRV_YSCostAccount" is too long for a string's inline buffer.
const std::string kCostAccountKeys[] = {keys::kCostAccount, keys::kYSCostAccount};

// The local account with the code of |other|'s account |id|, or
// null when either lookup fails.
engine::qrv::QRVCostAccount* FindLocalCounterpart(engine::qrv::QRVCostAccountGroup* local,
                                                  engine::qrv::QRVCostAccountGroup* other,
                                                  const std::string& id) {
  engine::qrv::QRVCostAccount* foreign = other->FindCostAccountById(id);
  if (!foreign) return nullptr;
  return local->FindCostAccountByCode(foreign->GetCode());
}

}  // namespace

CostAccountGroupFunc::CostAccountGroupFunc(engine::qrv::QRVCostAccountGroup* group)
    : group_(group) {}

CostAccountGroupFunc::~CostAccountGroupFunc() = default;

void CostAccountGroupFunc::GetCostAccountCodeLevel(std::map<std::string, int>& levels) {
  if (!group_) return;
  int counter = 0;
  const int count = group_->GetCostAccountCount();
  for (int i = 0; i < count; ++i)
    GetCostAccountCodeLevel(group_->GetCostAccount(i), levels, counter);
}

void CostAccountGroupFunc::GetCostAccountCodeLevel(engine::qrv::QRVCostAccount* account,
                                                   std::map<std::string, int>& levels,
                                                   int& counter) {
  // An explicit stack instead of recursion, so a deep tree cannot exhaust
  // the call stack; the visited set stops a child list that loops back.
  struct Frame {
    engine::qrv::QRVCostAccount* account;
    int next_child;
  };
  std::vector<Frame> stack;
  std::unordered_set<const engine::qrv::QRVCostAccount*> visited;
  auto enter = [&](engine::qrv::QRVCostAccount* node) {
    if (!node || !visited.insert(node).second) return;
    levels[node->GetCode()] = counter++;
    stack.push_back({node, 0});
  };
  enter(account);
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next_child >= top.account->GetChildCount()) {
      stack.pop_back();
      continue;
    }
    engine::qrv::QRVCostAccount* child = top.account->GetChild(top.next_child++);
    enter(child);  // May reallocate |stack|; |top| is not used afterwards.
  }
}

std::string CostAccountGroupFunc::GetCostAccountPathByCode(const std::string& code) {
  if (!group_) return std::string();
  // Walks up iteratively: each level is found again by its code, as the path
  // of a parent is the path of the account its code names. Shared codes could
  // make that lookup answer a descendant and lead round in a circle; an
  // account met a second time counts as an unknown level and ends the walk.
  std::vector<const std::string*> names;  // From the account up.
  std::unordered_set<const engine::qrv::QRVCostAccount*> seen;
  const std::string* level_code = &code;
  bool unknown_top = false;
  for (;;) {
    engine::qrv::QRVCostAccount* account = group_->FindCostAccountByCode(*level_code);
    if (!account || !seen.insert(account).second) {
      unknown_top = true;
      break;
    }
    names.push_back(&account->GetName());
    engine::qrv::QRVCostAccount* parent = account->GetParent();
    if (!parent) break;
    level_code = &parent->GetCode();
  }
  if (names.empty()) return std::string();

  std::string path;
  // An unknown parent level contributes an empty part before its separator.
  if (unknown_top) path.push_back('/');
  for (std::size_t i = names.size(); i-- > 0;) {
    path += *names[i];
    if (i > 0) path.push_back('/');
  }
  return path;
}

bool CostAccountGroupFunc::IsBelongToSpecifyCostAc(engine::qrv::QRVCostAccount* account,
                                                   const std::string& code) {
  // A parent chain that loops back answers false once it has gone round.
  return internal::FindUpward(account, &engine::qrv::QRVCostAccount::GetParent,
                              [&code](const engine::qrv::QRVCostAccount* node) {
                                return node->GetCode() == code;
                              }) != nullptr;
}

// An account the lookup misses belongs nowhere.
bool CostAccountGroupFunc::IsBelongToSpecifyCostAcByCode(const std::string& account_code,
                                                         const std::string& code) {
  return group_ && IsBelongToSpecifyCostAc(group_->FindCostAccountByCode(account_code), code);
}

bool CostAccountGroupFunc::IsBelongToSpecifyCostAcById(const std::string& account_id,
                                                       const std::string& code) {
  return group_ && IsBelongToSpecifyCostAc(group_->FindCostAccountById(account_id), code);
}

void CostAccountGroupFunc::UpdateLocalCostAccount(engine::FieldContainer* fields,
                                                  engine::qrv::QRVCostAccountGroup* other) {
  if (!group_ || !other || !fields) return;
  for (const std::string& key : kCostAccountKeys) {
    const std::string id = internal::GetTextField(fields, key);
    if (id.empty()) continue;
    engine::qrv::QRVCostAccount* local = FindLocalCounterpart(group_, other, id);
    if (!local) continue;
    fields->SetFieldValue(key, engine::FieldValue(local->GetId()), true);
  }
}

void CostAccountGroupFunc::UpdateLocalCostAccount(engine::SubProject* sub_project,
                                                  engine::qrv::QRVCostAccountGroup* other) {
  if (!sub_project || !group_ || !other) return;
  engine::FieldContainer* fields = sub_project->GetFieldContainer();
  if (!fields) return;
  for (const std::string& key : kCostAccountKeys) {
    // The document is rewritten in memory and stored only once it has been
    // serialised in full, so a failure anywhere leaves the field untouched.
    try {
      const std::string text = internal::GetTextField(fields, key);
      if (text.empty()) continue;
      nlohmann::json document = nlohmann::json::parse(text);
      // Iterating a json value visits an object's member values, an array's
      // elements, a scalar itself once, and nothing for null.
      for (nlohmann::json& member : document) {
        const std::string id = member.get<std::string>();
        engine::qrv::QRVCostAccount* local = FindLocalCounterpart(group_, other, id);
        if (local) member = local->GetId();
      }
      fields->SetFieldValue(key, engine::FieldValue(document.dump()), true);
    } catch (const std::exception& e) {
      LOG(ERROR) << e.what();
    }
  }
}

bool ConvertToValidCostAccountId(engine::qrv::QRVCostAccountGroup* group, const std::string& input,
                                 std::string& output) {
  if (!group) return false;
  const scoped_refptr<proxy::Element> element = proxy::CreateElement(group);
  if (!element) return false;
  output = input;
  std::string id = proxy::qrv::GetCostAccountIdFromPath(element.get(), input);
  if (!id.empty()) {
    output = std::move(id);
    return true;
  }
  return proxy::qrv::IsValidCostAccountId(element.get(), input);
}

}  // namespace qrv
}  // namespace marrow
