// Builds a fresh estimate document from its JSON form (docs/format.md) in two
// passes: the first creates every object and checks every value, the second
// resolves the references by id. The first fault ends the read; the partly
// built objects are dropped with the reader. One reader serves one read.
#pragma once

#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "host/base/ref_counted.h"
#include "reference_host/model/estimate_document.h"

namespace reference_host {

class BaseResItemImpl;
class CostAccountImpl;
class DocumentObjectImpl;
class FieldContainerImpl;
class ProjectImpl;
class ResCollectImpl;
class ResItemImpl;
class SubEngineeringImpl;
class SubProjectImpl;
class TupleImpl;

namespace persist {

class DocumentReader {
 public:
  DocumentReader();
  DocumentReader(const DocumentReader&) = delete;
  DocumentReader& operator=(const DocumentReader&) = delete;
  ~DocumentReader();

  // The document, or null with |error| set.
  std::unique_ptr<EstimateDocument> Read(const nlohmann::json& root, std::string* error);

 private:
  struct Failure {
    std::string message;
  };
  // One object of the input: where it sits, for error messages.
  struct PathNode {
    int parent;
    const char* member;
    long index;  // -1 when the object is the member's value itself
    int depth;   // JSON nesting levels down to the object
  };
  enum class LineSide { kBudget, kCost, kCopy };
  enum class RefKind { kEntry, kLinked, kRegistered, kListedCopy, kBudgetItem, kCostItem, kOwner };
  // A reference resolved in the second pass.
  struct PendingRef {
    RefKind kind;
    DocumentObjectImpl* holder;  // the line or entry holding the reference
    ResCollectImpl* record;      // for references held by a record
    std::string id;
    int node;
    const char* member;
    long index;
  };
  struct Known {
    DocumentObjectImpl* object;
    int node;
    bool in_document;
  };

  int Node(int parent, const char* member, long index = -1);
  std::string PathOf(int node, const std::vector<std::string>& more) const;
  [[noreturn]] void Fail(int node, std::vector<std::string> more, const std::string& what) const;

  // Value readers; |object| is the JSON object at |node|.
  const nlohmann::json& Object(const nlohmann::json& json, int node) const;
  const nlohmann::json* Member(const nlohmann::json& object, int node, const char* name,
                               bool required) const;
  std::string Text(const nlohmann::json& object, int node, const char* name) const;
  int Integer(const nlohmann::json& object, int node, const char* name) const;
  double Figure(const nlohmann::json& object, int node, const char* name) const;
  std::optional<double> Quantity(const nlohmann::json& object, int node) const;
  // The array member |name|, null when absent (or, with |nullable|, null).
  const nlohmann::json* Array(const nlohmann::json& object, int node, const char* name,
                              bool nullable = false) const;
  std::string IdAt(const nlohmann::json& value, int node, const char* member, long index) const;

  // Reads "id" and "fields" into a fresh object made by |make|.
  template <class T, class Make>
  scoped_refptr<T> Create(const nlohmann::json& object, int node, Make make);
  void Register(DocumentObjectImpl* object, int node, bool in_document = true);
  void ReadFields(const nlohmann::json& object, int node, FieldContainerImpl* fields) const;

  scoped_refptr<ProjectImpl> ReadProject(const nlohmann::json& json, int node);
  scoped_refptr<CostAccountImpl> ReadCostAccount(const nlohmann::json& json, int node);
  scoped_refptr<TupleImpl> ReadRow(const nlohmann::json& json, int node);
  scoped_refptr<BaseResItemImpl> ReadEntry(const nlohmann::json& json, int node,
                                           bool in_document = true);
  scoped_refptr<SubProjectImpl> ReadSubProject(const nlohmann::json& json, int node);
  // The sub-project's own contract groups ("contractGroups").
  void ReadSubProjectGroups(const nlohmann::json& object, int node, SubProjectImpl* sub_project);
  scoped_refptr<SubEngineeringImpl> ReadBillItem(const nlohmann::json& json, int node);
  scoped_refptr<ResItemImpl> ReadLine(const nlohmann::json& json, int node, LineSide side);
  void ReadRecord(const nlohmann::json& json, int node, ResItemImpl* line, LineSide side);
  void ReadIdList(const nlohmann::json& object, int node, const char* name, RefKind kind,
                  DocumentObjectImpl* holder, ResCollectImpl* record);

  // Resolves |ref| now when it can, else keeps it for the second pass.
  void Refer(PendingRef ref);
  // False when the target is not known (yet); in the |final| pass an
  // unknown target fails unless the model allows a dangling id there.
  bool Resolve(const PendingRef& ref, bool final);

  std::vector<PathNode> nodes_;
  // Keys view the ids held by the objects themselves.
  std::unordered_map<std::string_view, Known> known_;
  std::vector<PendingRef> pending_;
  // Items of the "copies" section, which some record must list.
  std::vector<std::pair<scoped_refptr<ResItemImpl>, int>> copies_;
  std::unordered_set<const ResItemImpl*> listed_;
  std::vector<scoped_refptr<BaseResItemImpl>> detached_;
};

}  // namespace persist
}  // namespace reference_host
