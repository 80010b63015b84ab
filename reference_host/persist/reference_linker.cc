#include "reference_host/persist/reference_linker.h"

#include <utility>

#include "host/engine/qrv/qrv_res_collect.h"
#include "reference_host/model/base_res_item_impl.h"
#include "reference_host/model/res_collect_impl.h"
#include "reference_host/model/res_item_impl.h"
#include "reference_host/model/res_summary_impl.h"
#include "reference_host/persist/json_values.h"

namespace reference_host {
namespace persist {
namespace {

const char* Describe(ReferenceLinker::Kind kind) {
  switch (kind) {
    case ReferenceLinker::Kind::kBudgetLine:
      return "a budget line";
    case ReferenceLinker::Kind::kCostLine:
      return "a cost line";
    case ReferenceLinker::Kind::kCopyItem:
      return "a copy item";
    case ReferenceLinker::Kind::kEntry:
      return "a resource entry";
    case ReferenceLinker::Kind::kDetachedEntry:
      return "a resource entry outside the document";
    case ReferenceLinker::Kind::kOther:
      break;
  }
  return nullptr;
}

bool IsLine(ReferenceLinker::Kind kind) {
  return kind == ReferenceLinker::Kind::kBudgetLine || kind == ReferenceLinker::Kind::kCostLine ||
         kind == ReferenceLinker::Kind::kCopyItem;
}

}  // namespace

ReferenceLinker::ReferenceLinker(std::function<std::string(const Place&)> name_place)
    : name_place_(std::move(name_place)) {}

ReferenceLinker::~ReferenceLinker() = default;

void ReferenceLinker::Fail(const Place& place, const std::string& what) const {
  throw ReadFailure{name_place_(place) + ": " + what};
}

void ReferenceLinker::Add(DocumentObjectImpl* object, Kind kind, int node) {
  auto [it, fresh] = known_.emplace(object->GetId(), Known{object, kind, node, false});
  if (!fresh)
    Fail({node, "id"}, "duplicate id " + QuotedText(object->GetId()) + ", first used at " +
                           name_place_({it->second.node}));
  if (kind == Kind::kCopyItem || kind == Kind::kDetachedEntry) must_be_used_.push_back(&it->second);
}

void ReferenceLinker::Refer(Ref ref, DocumentObjectImpl* holder, ResCollectImpl* record,
                            std::string id, Place place) {
  Pending pending{ref, holder, record, std::move(id), place};
  // Most targets come earlier in the file; the rest wait for Link. Record
  // lists and shared members wait as a whole, so their order stays and
  // nothing is held early.
  if (ref == Ref::kListedCopy || ref == Ref::kShared || !Resolve(pending, false))
    pending_.push_back(std::move(pending));
}

bool ReferenceLinker::Resolve(const Pending& pending, bool final) {
  auto it = known_.find(pending.id);
  if (it == known_.end()) {
    // Links and registrations may name lines that have left the document;
    // the model keeps such ids, and so does the file.
    if (!final || pending.ref == Ref::kLinked || pending.ref == Ref::kRegistered) return false;
    Fail(pending.place, "names no object of the document: " + QuotedText(pending.id));
  }
  Known& target = it->second;
  auto expect = [&](bool right, const char* wanted) {
    if (right) return;
    const char* what = Describe(target.kind);
    Fail(pending.place,
         QuotedText(pending.id) +
             (what ? std::string(" is ") + what + ", not " : std::string(" is not ")) + wanted);
  };
  auto* copy_record = dynamic_cast<engine::qrv::QRVResCollectCopy*>(pending.record);
  switch (pending.ref) {
    case Ref::kEntry:
      expect(target.kind == Kind::kEntry || target.kind == Kind::kDetachedEntry,
             "a resource entry");
      dynamic_cast<ResItemImpl*>(pending.holder)
          ->SetBaseResItem(dynamic_cast<BaseResItemImpl*>(target.object));
      target.used = true;
      break;
    case Ref::kLinked:
      expect(target.kind == Kind::kBudgetLine, "a budget line");
      break;
    case Ref::kRegistered:
      expect(target.kind == Kind::kCostLine, "a cost line");
      break;
    case Ref::kOwner:
      expect(IsLine(target.kind), "a resource line");
      pending.record->SetOwner(target.object);
      break;
    case Ref::kBudgetItem:
      expect(target.kind == Kind::kBudgetLine, "a budget line");
      copy_record->SetTempleteResItem(dynamic_cast<ResItemImpl*>(target.object));
      break;
    case Ref::kCostItem:
      expect(target.kind == Kind::kCostLine, "a cost line");
      copy_record->SetCBResItem(dynamic_cast<ResItemImpl*>(target.object));
      break;
    case Ref::kShared: {
      expect(target.kind == Kind::kEntry || target.kind == Kind::kDetachedEntry,
             "a resource entry");
      auto* summary = dynamic_cast<ResSummaryImpl*>(pending.holder);
      const int before = summary->GetMemberCount();
      summary->AddMember(dynamic_cast<BaseResItemImpl*>(target.object));
      if (summary->GetMemberCount() == before)
        Fail(pending.place, QuotedText(pending.id) + " is shared twice or is the summary's own");
      target.used = true;
      break;
    }
    case Ref::kListedCopy:
      break;
  }
  return true;
}

ResItemImpl* ReferenceLinker::CheckListed(const Pending& pending, Known& target) {
  const std::string copy = "copy item " + QuotedText(pending.id);
  if (target.kind != Kind::kCopyItem) {
    const char* what =
        target.object == pending.holder ? "the line holding this record" : Describe(target.kind);
    Fail(pending.place, QuotedText(pending.id) +
                            (what ? std::string(" is ") + what + ", not " : " is not ") +
                            "a copy item");
  }
  auto* item = dynamic_cast<ResItemImpl*>(target.object);
  auto* copy_record = dynamic_cast<engine::qrv::QRVResCollectCopy*>(item->GetCollect());
  if (!copy_record) Fail(pending.place, copy + " carries no copy record");

  const bool templete = dynamic_cast<engine::qrv::QRVResCollectTemplete*>(pending.record);
  auto& first_listed = templete ? listed_by_templete_ : listed_by_object_;
  auto [first, fresh] = first_listed.emplace(item, pending.place);
  if (!fresh)
    Fail(pending.place, copy + " is listed twice, first at " + name_place_(first->second));

  // A record lists the copies made from its budget line, or collected into
  // its cost line: the copy record must say so.
  const engine::DocumentObject* named =
      templete ? static_cast<const engine::DocumentObject*>(copy_record->GetTempleteResItem())
               : static_cast<const engine::DocumentObject*>(copy_record->GetCBResItem());
  if (named != static_cast<const engine::DocumentObject*>(pending.holder)) {
    const std::string names =
        named ? "names " + QuotedText(named->GetId())
              : std::string(templete ? "names no budget item" : "names no cost item");
    Fail(pending.place,
         copy + (templete ? " is not a copy of this line" : " is not collected into this line") +
             ": its copy record " + names);
  }
  target.used = true;
  return item;
}

void ReferenceLinker::Link() {
  for (const Pending& pending : pending_)
    if (pending.ref != Ref::kListedCopy) Resolve(pending, true);

  // Every list is checked before any is made.
  std::vector<std::pair<ResCollectImpl*, ResItemImpl*>> lists;
  for (const Pending& pending : pending_) {
    if (pending.ref != Ref::kListedCopy) continue;
    auto it = known_.find(pending.id);
    if (it == known_.end())
      Fail(pending.place, "names no object of the document: " + QuotedText(pending.id));
    lists.emplace_back(pending.record, CheckListed(pending, it->second));
  }
  for (const Known* known : must_be_used_) {
    if (known->used) continue;
    Fail({known->node}, known->kind == Kind::kCopyItem
                            ? "a copy item that no collection record lists"
                            : "an entry outside the document that no line or summary uses");
  }

  for (const auto& [record, item] : lists) {
    if (auto* templete = dynamic_cast<engine::qrv::QRVResCollectTemplete*>(record))
      templete->AddCopy(item);
    else if (auto* object = dynamic_cast<engine::qrv::QRVResCollectObj*>(record))
      object->AddCopy(item);
  }
  pending_.clear();
}

}  // namespace persist
}  // namespace reference_host
