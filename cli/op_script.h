// Operations on a document, as a script gives them (a JSON array of objects)
// or as one shell command gives one. Reading checks everything up front:
// shape, member types, ids and the kinds of the objects they name, so that a
// bad script is refused before anything changes.
#pragma once

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "reference_host/app/app_document_impl.h"

namespace cli {

enum class OpKind {
  kCollect,
  kUncollect,
  kModifyQuantity,
  kLink,
  kLinkGroup,
  kUnlink,
  kSetCostAccount,
  kRepoint,
  // Contract-level and base resource entries (cli/contract_ops.h).
  kMergeContract,
  kSplitContract,
  kCopyFrom,
  kMergeChanged,
  kRename,
  kUndo,
  kRedo,
  kShow,
};

// One member an operation takes.
struct MemberRule {
  enum class Type { kId, kIdList, kNumber, kText };
  const char* name;
  Type type;
  bool required;
  const char* help;
};

struct OpRule {
  const char* name;
  OpKind kind;
  bool undoable;
  bool shell;  // also offered as a command of its own
  const char* help;
  std::vector<MemberRule> members;
};

// Every operation, in the order the help lists them.
const std::vector<OpRule>& OpRules();

struct Op {
  OpKind kind = OpKind::kShow;
  const OpRule* rule = nullptr;
  std::string place;  // "ops[3]"; empty for a shell command
  std::string cost, budget, copy, account, from;
  std::vector<std::string> budgets, objects;
  // Entry operations.
  std::string target, source_id, entry, line, name;
  std::vector<std::string> sources, lines;
  double quantity = 0;
  // repoint: the other document, loaded while the op is read.
  std::shared_ptr<reference_host::AppDocumentImpl> source;

  // Where |member| came from: "ops[3].cost" in a script, "--cost" from the shell.
  std::string Where(const std::string& member) const;
  // "ops[3]" or the command name.
  std::string Label() const;
  // What the op does, in words: "collect 4 of ys1 into cb1".
  std::string Describe() const;
};

// Reads and checks |ops| against |document|: a JSON array of operation
// objects (a script), or with |shell| one object (a command). Relative
// repoint paths are taken from |base_dir| ("" for the current folder).
// Nothing is changed. Each problem adds one line to |errors|.
bool ReadOps(const nlohmann::json& ops, const reference_host::AppDocumentImpl& document,
             const std::string& base_dir, bool shell, std::vector<Op>* out,
             std::vector<std::string>* errors);

// Parses |text| (the script file |name|) and reads it as above.
bool ReadScript(const std::string& text, const std::string& name,
                const reference_host::AppDocumentImpl& document, const std::string& base_dir,
                std::vector<Op>* out, std::vector<std::string>* errors);

}  // namespace cli
