#include "cli/object_digest.h"

#include "host/engine/qrv/qrv_res_collect.h"
#include "reference_host/model/base_res_item_impl.h"
#include "reference_host/model/res_collect_impl.h"
#include "reference_host/model/res_item_impl.h"
#include "reference_host/persist/json_values.h"

namespace cli {
namespace {

// Values are spelled as the saved document spells them (so -0 differs from
// 0 and a NaN equals itself), each with its length in front so that
// neighbouring values cannot run together.
class Digest {
 public:
  explicit Digest(const reference_host::EstimateDocument& document) : document_(document) {}

  void Object(const std::string& id) {
    const reference_host::DocumentObjectImpl* object = document_.FindImpl(id);
    Text(id);
    if (!object) {
      Text("absent");
      return;
    }
    if (auto* line = dynamic_cast<const reference_host::ResItemImpl*>(object)) {
      Line(*line, true);
      if (const reference_host::BaseResItemImpl* entry = line->GetBaseResItem()) Entry(*entry);
    } else if (auto* entry = dynamic_cast<const reference_host::BaseResItemImpl*>(object)) {
      Entry(*entry);
    } else {
      Fields(*object);
    }
  }

  std::string Take() { return std::move(text_); }

 private:
  void Text(const std::string& text) {
    text_ += std::to_string(text.size());
    text_ += ':';
    text_ += text;
  }
  void Number(double value) { Text(reference_host::persist::DoubleToJson(value).dump()); }
  void Ids(const std::vector<std::string>& ids) {
    Text(std::to_string(ids.size()));
    for (const std::string& id : ids) Text(id);
  }

  void Fields(const reference_host::DocumentObjectImpl& object) {
    const auto& fields = object.fields()->GetAllFields();
    Text(std::to_string(fields.size()));
    for (const auto& [key, value] : fields) {
      Text(key);
      Text(reference_host::persist::FieldValueToJson(value).dump());
    }
  }

  // A weak reference saves as the id only while the object is in the document.
  void Ref(const engine::DocumentObject* object) {
    auto* impl = dynamic_cast<const reference_host::DocumentObjectImpl*>(object);
    Text(impl && document_.FindImpl(impl->GetId()) == impl ? impl->GetId() : std::string("-"));
  }

  // |with_copies|: also the copies its record lists (those do not list further).
  void Line(const reference_host::ResItemImpl& line, bool with_copies) {
    Text(line.GetId());
    Fields(line);
    if (line.own_quantity())
      Number(*line.own_quantity());
    else
      Text("no quantity");
    const reference_host::BaseResItemImpl* entry = line.GetBaseResItem();
    Text(entry ? entry->GetId() : std::string());
    Text(line.GetSourceRef());
    Text(line.GetContent());
    Ids(line.linked_ids());
    Number(line.collected_quantity());
    Record(line, with_copies);
  }

  void Record(const reference_host::ResItemImpl& holder, bool with_copies) {
    engine::qrv::QRVResCollect* record = holder.GetCollect();
    if (!record) {
      Text("no record");
      return;
    }
    Text(std::to_string(record->GetCollectType()));
    if (dynamic_cast<const reference_host::DocumentObjectImpl*>(record->GetOwner()) != &holder)
      Ref(record->GetOwner());
    if (auto* copy = dynamic_cast<engine::qrv::QRVResCollectCopy*>(record)) {
      Ref(copy->GetTempleteResItem());
      Ref(copy->GetCBResItem());
    }
    auto* listing = dynamic_cast<reference_host::ResCollectImpl*>(record);
    if (!listing) return;
    const auto& copies = listing->listed_copies();
    Text(std::to_string(copies.size()));
    for (const auto& copy : copies) {
      if (with_copies)
        Line(*copy, false);
      else
        Text(copy->GetId());
    }
  }

  void Entry(const reference_host::BaseResItemImpl& entry) {
    Text(entry.GetId());
    Fields(entry);
    Ids(entry.registered_res_item_ids());
    Number(entry.registered_quantity());
  }

  const reference_host::EstimateDocument& document_;
  std::string text_;
};

}  // namespace

std::string DigestObjects(const reference_host::AppDocumentImpl& document,
                          const std::vector<std::string>& ids) {
  Digest digest(*document.document());
  for (const std::string& id : ids) digest.Object(id);
  return digest.Take();
}

}  // namespace cli
