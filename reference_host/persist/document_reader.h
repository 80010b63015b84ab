// Builds a fresh estimate document from its JSON form (docs/format.md): reads
// every object and checks every value, then has the ReferenceLinker check
// and make the references by id. The first fault ends the read; the partly
// built objects are dropped with the reader. One reader serves one read.
#pragma once

#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "host/base/ref_counted.h"
#include "reference_host/model/estimate_document.h"
#include "reference_host/persist/reference_linker.h"

namespace reference_host {

class BaseResItemGroupImpl;
class BaseResItemImpl;
class CostAccountImpl;
class DocumentObjectImpl;
class FieldContainerImpl;
class ProjectImpl;
class ResCollectImpl;
class ResItemImpl;
class SubEngineeringImpl;
class SubProjectImpl;
class TableImpl;
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
  // One object of the input: where it sits, for error messages.
  struct PathNode {
    int parent;
    const char* member;
    long index;  // -1 when the object is the member's value itself
    int depth;   // JSON nesting levels down to the object
  };
  enum class LineSide { kBudget, kCost, kCopy };
  using Kind = ReferenceLinker::Kind;
  using Ref = ReferenceLinker::Ref;

  int Node(int parent, const char* member, long index = -1);
  std::string PathOf(int node, const std::vector<std::string>& more) const;
  std::string PathOf(const Place& place) const;
  [[noreturn]] void Fail(int node, std::vector<std::string> more, const std::string& what) const;

  // Value readers; |object| is the JSON object at |node|.
  const nlohmann::json& Object(const nlohmann::json& json, int node) const;
  const nlohmann::json* Member(const nlohmann::json& object, int node, const char* name,
                               bool required) const;
  std::string Text(const nlohmann::json& object, int node, const char* name) const;
  int Integer(const nlohmann::json& object, int node, const char* name) const;
  double Figure(const nlohmann::json& object, int node, const char* name) const;
  // A quantity: finite, or null for none.
  std::optional<double> Quantity(const nlohmann::json& object, int node) const;
  // The array member |name|, null when absent (or, with |nullable|, null).
  const nlohmann::json* Array(const nlohmann::json& object, int node, const char* name,
                              bool nullable = false) const;
  std::string IdAt(const nlohmann::json& value, int node, const char* member, long index) const;
  // Calls |read| with each element of |list| (none for null or a JSON null)
  // and the element's node, an index of member |name| of |node|.
  template <class ReadElement>
  void ForEachElement(const nlohmann::json* list, int node, const char* name, ReadElement read);
  // The same for the array member |name| of |object|, when present.
  template <class ReadElement>
  void ForEachElement(const nlohmann::json& object, int node, const char* name, ReadElement read);

  // Reads "id" and "fields" into a fresh object made by |make|.
  template <class T, class Make>
  scoped_refptr<T> Create(const nlohmann::json& object, int node, Make make,
                          Kind kind = Kind::kOther);
  void ReadFields(const nlohmann::json& object, int node, FieldContainerImpl* fields) const;
  template <class Child>
  using ChildReader = scoped_refptr<Child> (DocumentReader::*)(const nlohmann::json&, int);
  template <class T, class Child>
  using Adopter = bool (T::*)(scoped_refptr<Child>, int);
  // Reads an object of the common shape: the required texts |keys| in that
  // order, "id" and "fields" (a T is made of the id and the texts), then
  // each element of the array |list|, read by |read_child| and handed to
  // the T by |adopt|.
  template <class T, class Child, class... Keys>
  scoped_refptr<T> ReadNode(const nlohmann::json& value, int node, const char* list,
                            ChildReader<Child> read_child, Adopter<T, Child> adopt, Keys... keys);

  scoped_refptr<ProjectImpl> ReadProject(const nlohmann::json& json, int node);
  scoped_refptr<CostAccountImpl> ReadCostAccount(const nlohmann::json& json, int node);
  scoped_refptr<TupleImpl> ReadRow(const nlohmann::json& json, int node);
  scoped_refptr<BaseResItemImpl> ReadEntry(const nlohmann::json& json, int node);
  scoped_refptr<BaseResItemImpl> ReadEntryAs(const nlohmann::json& json, int node, Kind kind);
  scoped_refptr<SubProjectImpl> ReadSubProject(const nlohmann::json& json, int node);
  // One element of a "contractGroups" list, with its entries.
  scoped_refptr<BaseResItemGroupImpl> ReadContractGroup(const nlohmann::json& json, int node);
  scoped_refptr<SubEngineeringImpl> ReadBillItem(const nlohmann::json& json, int node);
  scoped_refptr<TableImpl> ReadTable(const nlohmann::json& json, int node);
  // Measure roots, keyed tables, item sets, other-items tables, fee store.
  void ReadMergeContainers(const nlohmann::json& object, int node, SubProjectImpl* sub_project);
  scoped_refptr<ResItemImpl> ReadLine(const nlohmann::json& json, int node, LineSide side);
  void ReadRecord(const nlohmann::json& json, int node, ResItemImpl* line, LineSide side);
  void ReadIdList(const nlohmann::json& object, int node, const char* name, Ref ref,
                  DocumentObjectImpl* holder, ResCollectImpl* record);

  std::vector<PathNode> nodes_;
  ReferenceLinker linker_;
  // Items of the "copies" section and entries outside the document: what
  // holds them once linked is the document, until then the reader.
  std::vector<scoped_refptr<ResItemImpl>> copies_;
  std::vector<scoped_refptr<BaseResItemImpl>> detached_;
};

}  // namespace persist
}  // namespace reference_host
