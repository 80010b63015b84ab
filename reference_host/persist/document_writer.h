// Turns an estimate document into its JSON form (docs/format.md). One writer
// serves one call; it borrows the document and keeps only the bookkeeping of
// copies and out-of-document entries still to be written.
#pragma once

#include <unordered_set>
#include <vector>

#include <nlohmann/json.hpp>

#include "reference_host/model/estimate_document.h"

namespace host {

class BaseResItemImpl;
class CostAccountImpl;
class DocumentObjectImpl;
class ProjectImpl;
class ResItemImpl;
class ResItemListImpl;
class SubEngineeringImpl;
class SubProjectImpl;
class TupleImpl;

namespace persist {

class DocumentWriter {
 public:
  explicit DocumentWriter(const EstimateDocument& document) : document_(document) {}
  DocumentWriter(const DocumentWriter&) = delete;
  DocumentWriter& operator=(const DocumentWriter&) = delete;

  nlohmann::json Write();

 private:
  bool InDocument(const DocumentObjectImpl* object) const;
  // "id" and, when there are any, "fields".
  nlohmann::json Common(const DocumentObjectImpl& object) const;
  nlohmann::json Project(const ProjectImpl& project);
  nlohmann::json CostAccount(const CostAccountImpl& account);
  nlohmann::json Entry(const BaseResItemImpl& entry);
  nlohmann::json Row(const TupleImpl& row);
  nlohmann::json SubProject(const SubProjectImpl& sub_project);
  nlohmann::json BillItem(const SubEngineeringImpl& item);
  nlohmann::json List(const ResItemListImpl* list);
  nlohmann::json Line(const ResItemImpl& line);
  nlohmann::json Record(const ResItemImpl& holder);
  // An id to write for a weak reference: null when the object is not (or
  // no longer) in the document, since a load could not find it.
  nlohmann::json WeakRef(const DocumentObjectImpl* object) const;

  const EstimateDocument& document_;
  // Listed copy items that no bill list holds, in the order first listed.
  std::vector<const ResItemImpl*> copies_;
  std::unordered_set<const ResItemImpl*> copies_seen_;
  // Entries that lines point to but that stand outside the document.
  std::vector<const BaseResItemImpl*> detached_;
  std::unordered_set<const BaseResItemImpl*> detached_seen_;
};

}  // namespace persist
}  // namespace host
