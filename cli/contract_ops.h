// The script operations on contract-level and base resource entries:
// merge-contract, split-contract, copy-from, merge-changed and rename. What
// can be told from the ids alone (unknown ids, wrong kinds, a target that is
// also a source) is checked when a script is read; what depends on the state
// the earlier operations leave (which lines an entry holds) when the
// operation runs, before the library is asked.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/op_script.h"
#include "host/app/undo_action.h"
#include "host/base/ref_counted.h"
#include "reference_host/app/app_document_impl.h"

namespace cli {

bool IsContractOp(OpKind kind);

// The rules of the five operations, in help order.
std::vector<OpRule> ContractOpRules();

// Reports each problem of |op| through |fail| (place, what).
void CheckContractOp(const reference_host::AppDocumentImpl& document, const Op& op,
                     const std::function<void(const std::string&, const std::string&)>& fail);

// "merge e-c01b into e-c01", ...
std::string DescribeContractOp(const Op& op);

// The objects |op| would change if run now: entries and their lines.
std::vector<std::string> ContractObjectsOf(const reference_host::AppDocumentImpl& document,
                                           const Op& op);

// What running |op| takes: the library actions (run by the caller), a note,
// and whether it changes the document even when no saved object differs.
struct ContractStep {
  std::vector<scoped_refptr<app::UndoAction>> actions;
  std::string refusal;  // why nothing can be done now; no actions then
  bool always_changes = false;
};
ContractStep PrepareContractOp(reference_host::AppDocumentImpl* document, const Op& op);

// After the actions ran: what came of them, in words ("new entry X 'name'"),
// or "".
std::string ContractOutcome(const reference_host::AppDocumentImpl& document, const Op& op);

}  // namespace cli
