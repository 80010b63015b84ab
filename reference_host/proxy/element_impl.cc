// Cost account conversions of the proxy library. A path is the account names
// from the top joined by "/"; names may themselves contain "/", so a path is
// matched against each account's full path (the first match of a depth-first
// walk wins) rather than split into names.
#include "reference_host/proxy/element_impl.h"

#include <string>
#include <utility>
#include <vector>

#include "host/engine/qrv/qrv_cost_account.h"

namespace reference_host {

ElementImpl::ElementImpl(base::Object* object) : object_(object->AsWeakPtr()) {}

}  // namespace reference_host

namespace proxy {

scoped_refptr<Element> CreateElement(base::Object* object) {
  if (!object) return nullptr;
  return scoped_refptr<Element>(new reference_host::ElementImpl(object));
}

namespace qrv {
namespace {

template <class T>
T* Wrapped(Element* element) {
  return element ? dynamic_cast<T*>(element->GetObject()) : nullptr;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

std::string GetCostAccountIdFromPath(Element* tree, const std::string& path) {
  auto* group = Wrapped<engine::qrv::QRVCostAccountGroup>(tree);
  if (!group) return "";
  // Depth-first, parents first; a subtree is entered only while its path is
  // a prefix of |path| followed by "/".
  std::vector<std::pair<engine::qrv::QRVCostAccount*, std::string>> stack;
  for (int i = group->GetCostAccountCount() - 1; i >= 0; --i) {
    engine::qrv::QRVCostAccount* account = group->GetCostAccount(i);
    if (account) stack.emplace_back(account, account->GetName());
  }
  while (!stack.empty()) {
    auto [account, account_path] = std::move(stack.back());
    stack.pop_back();
    if (account_path == path) return account->GetId();
    if (!StartsWith(path, account_path + "/")) continue;
    for (int i = account->GetChildCount() - 1; i >= 0; --i) {
      engine::qrv::QRVCostAccount* child = account->GetChild(i);
      if (child) stack.emplace_back(child, account_path + "/" + child->GetName());
    }
  }
  return "";
}

bool IsValidCostAccountId(Element* tree, const std::string& id) {
  auto* group = Wrapped<engine::qrv::QRVCostAccountGroup>(tree);
  return group && !id.empty() && group->FindCostAccountById(id) != nullptr;
}

std::string GetCostAccountPath(Element* account_element) {
  auto* account = Wrapped<engine::qrv::QRVCostAccount>(account_element);
  if (!account) return "";
  std::vector<const engine::qrv::QRVCostAccount*> chain;
  for (const engine::qrv::QRVCostAccount* up = account; up; up = up->GetParent())
    chain.push_back(up);
  std::string path;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (it != chain.rbegin()) path += "/";
    path += (*it)->GetName();
  }
  return path;
}

}  // namespace qrv
}  // namespace proxy
