// Services over a project's cost account tree: code positions, account paths,
// subtree membership, conversion of a path or id into a valid id, and the
// re-pointing of references from another project's tree to the bound one.
// CostAccountGroupFunc holds one non-owning pointer (may be null); copy freely.
#pragma once

#include <map>
#include <string>

#include "funcs/cost_account/bill_stage_group_func.h"
#include "host/host_forward.h"
#include "qrv_export.h"

namespace marrow {
namespace qrv {

// Bound to one cost account tree, the "local" one. With a null tree every
// query answers false, "" or leaves its output as it was. Codes compare
// exactly (byte for byte). Nothing here logs except the sub-project form of
// UpdateLocalCostAccount, which reports JSON it cannot handle.
class MARROW_QRV_EXPORT CostAccountGroupFunc {
 public:
  explicit CostAccountGroupFunc(engine::qrv::QRVCostAccountGroup* group);
  CostAccountGroupFunc(const CostAccountGroupFunc& other);
  CostAccountGroupFunc& operator=(const CostAccountGroupFunc& other);
  virtual ~CostAccountGroupFunc();

  // Stores, under each account's code, its position in a depth-first,
  // parent-before-children walk of the whole tree, counted from 0 across all
  // top-level accounts. The map is not cleared; a later account overwrites an
  // earlier one with the same code.
  void GetCostAccountCodeLevel(std::map<std::string, int>& levels);

  // The "/"-joined names from the top-level account down to the account with
  // |code|; "" when the code is unknown. Each level is looked up by its code
  // again, so an unknown parent code leaves that part empty ("/Name"). Should
  // the code lookups ever lead back to an account already on the path (shared
  // codes on a corrupt tree), that level counts as unknown and the walk ends.
  std::string GetCostAccountPathByCode(const std::string& code);

  // True when |account| or one of its ancestors has exactly |code|; false
  // for a null |account|. A parent chain that loops back on itself ends the
  // walk with false.
  bool IsBelongToSpecifyCostAc(engine::qrv::QRVCostAccount* account, const std::string& code);
  // The same test for the account of the bound tree with |account_code|.
  bool IsBelongToSpecifyCostAcByCode(const std::string& account_code, const std::string& code);
  // The same test for the account of the bound tree with |account_id|; the
  // target is still a code.
  bool IsBelongToSpecifyCostAcById(const std::string& account_id, const std::string& code);

  // Rewrites "QRV_CostAccount" and "QRV_YSCostAccount" of |fields| from ids of
  // |other| to the ids of the bound tree's accounts with the same codes.
  // References that find no match stay as they are.
  void UpdateLocalCostAccount(engine::FieldContainer* fields,
                              engine::qrv::QRVCostAccountGroup* other);
  // The same for a sub-project, whose two fields hold JSON documents (an
  // object of ids, an array of ids or one id). Member names never change. A
  // field that cannot be parsed, holds a non-string member or cannot be
  // written back is logged and left exactly as it was.
  void UpdateLocalCostAccount(engine::SubProject* sub_project,
                              engine::qrv::QRVCostAccountGroup* other);

 private:
  // Numbers |account| and its whole subtree, advancing |counter|.
  void GetCostAccountCodeLevel(engine::qrv::QRVCostAccount* account,
                               std::map<std::string, int>& levels, int& counter);

  engine::qrv::QRVCostAccountGroup* group_;
};

// Turns |input|, a path or an id of |group|'s accounts, into an account id.
// A path sets |output| to its account's id and answers true; otherwise
// |output| is |input| and the answer tells whether it is a valid id of the
// tree. A null tree answers false and leaves |output| untouched.
MARROW_QRV_EXPORT bool ConvertToValidCostAccountId(engine::qrv::QRVCostAccountGroup* group,
                                                   const std::string& input, std::string& output);

}  // namespace qrv
}  // namespace marrow
