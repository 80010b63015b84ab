// Turns an estimate document into its JSON text (docs/format.md), written
// directly rather than through a JSON tree. One writer serves one call; it
// borrows the document and keeps only the bookkeeping of copies and
// out-of-document entries to be written.
#pragma once

#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include "reference_host/model/estimate_document.h"
#include "reference_host/persist/json_text_writer.h"

namespace reference_host {

class BaseResItemImpl;
class DocumentObjectImpl;
class ProjectImpl;
class ResItemImpl;
class ResItemListImpl;
class SubEngineeringImpl;
class SubProjectImpl;

namespace persist {

class DocumentWriter {
 public:
  // |progress|, when set, hears the bytes written so far (total 0: not
  // known before the end) every megabyte or so.
  DocumentWriter(const EstimateDocument& document, JsonLayout layout,
                 const std::function<void(size_t, size_t)>& progress = {})
      : document_(document), layout_(layout), progress_(progress) {}
  DocumentWriter(const DocumentWriter&) = delete;
  DocumentWriter& operator=(const DocumentWriter&) = delete;

  // The whole text, indented by 2 or compact, ending in a newline.
  std::string Write();
  // The same into |text|, replacing what it held and reusing its room.
  void Write(std::string& text);
  // The same handed to |sink| piece by piece, never held whole. False when
  // the sink refused a piece (nothing is handed on after it).
  bool Write(const JsonTextWriter::Sink& sink);

 private:
  void WriteDocument(JsonTextWriter& out);
  bool InDocument(const DocumentObjectImpl* object) const;
  // Finds the copies and detached entries, in the order the lines of the
  // project (sub-projects before bills; budget, cost, then child bills)
  // and then the copies themselves first name them.
  void FindOutsiders();
  void FindOutsidersOf(const SubProjectImpl& sub_project);
  void FindOutsidersOf(const SubEngineeringImpl& item);
  void FindOutsidersOf(const ResItemImpl& line);

  // Each writes one value; members go in key order, as the format has them.
  // Objects that need none of the writer's bookkeeping are written by free
  // functions of the .cc.
  void Project(JsonTextWriter& out, const ProjectImpl& project) const;
  void SubProject(JsonTextWriter& out, const SubProjectImpl& sub_project) const;
  void BillItem(JsonTextWriter& out, const SubEngineeringImpl& item) const;
  // A measure-tree root under |key|; nothing when absent.
  void MeasureRoot(JsonTextWriter& out, const char* key, const SubEngineeringImpl* root) const;
  void List(JsonTextWriter& out, const ResItemListImpl* list) const;
  void Line(JsonTextWriter& out, const ResItemImpl& line) const;
  void Record(JsonTextWriter& out, const ResItemImpl& holder) const;
  // The id of a weak reference: null when the object is not (or no longer)
  // in the document, since a load could not find it.
  void WeakRef(JsonTextWriter& out, const DocumentObjectImpl* object) const;

  const EstimateDocument& document_;
  const JsonLayout layout_;
  const std::function<void(size_t, size_t)>& progress_;
  // Listed copy items that no bill list holds, in the order first listed.
  std::vector<const ResItemImpl*> copies_;
  std::unordered_set<const ResItemImpl*> copies_seen_;
  // Entries that lines point to but that stand outside the document.
  std::vector<const BaseResItemImpl*> detached_;
  std::unordered_set<const BaseResItemImpl*> detached_seen_;
};

}  // namespace persist
}  // namespace reference_host
