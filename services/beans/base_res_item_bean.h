// Views answering cost account questions about base resource entries: the
// path of the entry's account and whether it lies under an account code.
// Each holds one non-owning pointer (null makes an empty view); copy freely.
#pragma once

#include <string>

#include "host/host_forward.h"
#include "qrv_export.h"

namespace marrow {
namespace qrv {

// A core (project-level) entry, whose account is the budget-side one in its
// field "QRV_YSCostAccount".
class MARROW_QRV_EXPORT BaseResItemBean {
 public:
  explicit BaseResItemBean(engine::BaseResItem* item);
  BaseResItemBean(const BaseResItemBean& other);
  BaseResItemBean& operator=(const BaseResItemBean& other);
  ~BaseResItemBean();

  // False on an empty view (|path| untouched). Otherwise true, with |path|
  // the account's "/"-joined path, or "" when the entry has no account or
  // its document does not know it.
  bool GetCostAccountPath(std::string& path);
  // True when the entry's account, found in its project's cost account tree,
  // is the account with |code| or lies below it. Codes compare exactly.
  bool IsBelongToSpecifyCostAc(const std::string& code);

 private:
  engine::BaseResItem* item_;
};

// A contract-level entry, whose account is its own (GetCostAccount); its
// project is reached through the entry's group.
class MARROW_QRV_EXPORT QRVBaseResItemBean {
 public:
  explicit QRVBaseResItemBean(engine::qrv::QRVBaseResItem* item);
  QRVBaseResItemBean(const QRVBaseResItemBean& other);
  QRVBaseResItemBean& operator=(const QRVBaseResItemBean& other);
  ~QRVBaseResItemBean();

  // As BaseResItemBean::GetCostAccountPath.
  bool GetCostAccountPath(std::string& path);
  // As BaseResItemBean::IsBelongToSpecifyCostAc.
  bool IsBelongToSpecifyCostAc(const std::string& code);

 private:
  engine::qrv::QRVBaseResItem* item_;
};

}  // namespace qrv
}  // namespace marrow
