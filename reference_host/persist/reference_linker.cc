#include "reference_host/persist/reference_linker.h"

#include <algorithm>
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

ReferenceLinker::Known* ReferenceLinker::Find(std::string_view id) {
  if (slots_.empty()) return nullptr;
  const size_t hash = std::hash<std::string_view>()(id);
  const uint64_t tag = static_cast<uint64_t>(hash) >> 32 << 32;
  const size_t mask = slots_.size() - 1;
  for (size_t at = hash & mask;; at = (at + 1) & mask) {
    const uint64_t slot = slots_[at];
    if (slot == 0) return nullptr;
    if ((slot & ~uint64_t{0xffffffff}) != tag) continue;
    Known& known = known_[(slot & 0xffffffff) - 1];
    if (known.id == id) return &known;
  }
}

void ReferenceLinker::Grow() {
  slots_.assign(slots_.empty() ? 1024 : slots_.size() * 2, 0);
  const size_t mask = slots_.size() - 1;
  for (size_t i = 0; i < known_.size(); ++i) {
    const size_t hash = known_[i].hash;
    size_t at = hash & mask;
    while (slots_[at] != 0) at = (at + 1) & mask;
    slots_[at] = static_cast<uint64_t>(hash) >> 32 << 32 | (i + 1);
  }
}

void ReferenceLinker::Add(DocumentObjectImpl* object, Kind kind, int node) {
  const std::string& id = object->GetId();
  if (const Known* known = Find(id))
    Fail({node, "id"},
         "duplicate id " + QuotedText(id) + ", first used at " + name_place_({known->node}));
  // At most half the slots taken keeps probes short.
  if ((known_.size() + 1) * 2 > slots_.size()) {
    known_.push_back({id, std::hash<std::string_view>()(id), object, kind, node, false});
    Grow();
  } else {
    const size_t hash = std::hash<std::string_view>()(id);
    known_.push_back({id, hash, object, kind, node, false});
    const size_t mask = slots_.size() - 1;
    size_t at = hash & mask;
    while (slots_[at] != 0) at = (at + 1) & mask;
    slots_[at] = static_cast<uint64_t>(hash) >> 32 << 32 | known_.size();
  }
  if (kind == Kind::kCopyItem || kind == Kind::kDetachedEntry)
    must_be_used_.push_back(known_.size() - 1);
}

std::string_view ReferenceLinker::Keep(std::string_view id) {
  constexpr size_t kBlock = 1 << 16;
  if (id.size() > block_left_) {
    const size_t size = std::max(kBlock, id.size());
    id_blocks_.push_back(std::make_unique<char[]>(size));
    block_end_ = id_blocks_.back().get();
    block_left_ = size;
  }
  std::copy(id.begin(), id.end(), block_end_);
  std::string_view kept(block_end_, id.size());
  block_end_ += id.size();
  block_left_ -= id.size();
  return kept;
}

void ReferenceLinker::Refer(Ref ref, DocumentObjectImpl* holder, ResCollectImpl* record,
                            std::string id, Place place) {
  Pending pending{ref, holder, record, id, place};
  // Most targets come earlier in the file; the rest wait for Link. Record
  // lists and shared members wait as a whole, so their order stays and
  // nothing is held early.
  if (ref == Ref::kListedCopy || ref == Ref::kShared || !Resolve(pending, false)) {
    pending.id = Keep(id);
    pending_.push_back(pending);
  }
}

bool ReferenceLinker::Resolve(const Pending& pending, bool final) {
  Known* found = Find(pending.id);
  if (!found) {
    // Links and registrations may name lines that have left the document;
    // the model keeps such ids, and so does the file.
    if (!final || pending.ref == Ref::kLinked || pending.ref == Ref::kRegistered) return false;
    Fail(pending.place, "names no object of the document: " + QuotedText(std::string(pending.id)));
  }
  Known& target = *found;
  auto expect = [&](bool right, const char* wanted) {
    if (right) return;
    const char* what = Describe(target.kind);
    Fail(pending.place,
         QuotedText(std::string(pending.id)) +
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
        Fail(pending.place,
             QuotedText(std::string(pending.id)) + " is shared twice or is the summary's own");
      target.used = true;
      break;
    }
    case Ref::kListedCopy:
      break;
  }
  return true;
}

ResItemImpl* ReferenceLinker::CheckListed(const Pending& pending, Known& target) {
  auto copy = [&] { return "copy item " + QuotedText(std::string(pending.id)); };
  if (target.kind != Kind::kCopyItem) {
    const char* what =
        target.object == pending.holder ? "the line holding this record" : Describe(target.kind);
    Fail(pending.place, QuotedText(std::string(pending.id)) +
                            (what ? std::string(" is ") + what + ", not " : " is not ") +
                            "a copy item");
  }
  auto* item = dynamic_cast<ResItemImpl*>(target.object);
  auto* copy_record = dynamic_cast<engine::qrv::QRVResCollectCopy*>(item->GetCollect());
  if (!copy_record) Fail(pending.place, copy() + " carries no copy record");

  const bool templete = dynamic_cast<engine::qrv::QRVResCollectTemplete*>(pending.record);
  bool& listed = templete ? target.listed_by_templete : target.listed_by_object;
  if (listed) {
    // The first listing of the item by a record of the same kind.
    auto first = std::find_if(pending_.begin(), pending_.end(), [&](const Pending& other) {
      return other.ref == Ref::kListedCopy && other.id == pending.id &&
             templete ==
                 (dynamic_cast<engine::qrv::QRVResCollectTemplete*>(other.record) != nullptr);
    });
    Fail(pending.place, copy() + " is listed twice, first at " + name_place_(first->place));
  }
  listed = true;

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
         copy() + (templete ? " is not a copy of this line" : " is not collected into this line") +
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
    Known* target = Find(pending.id);
    if (!target)
      Fail(pending.place,
           "names no object of the document: " + QuotedText(std::string(pending.id)));
    lists.emplace_back(pending.record, CheckListed(pending, *target));
  }
  for (size_t place : must_be_used_) {
    const Known* known = &known_[place];
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
  // Nothing is looked up any more: free the index before the document
  // builds its own.
  std::vector<Pending>().swap(pending_);
  std::vector<std::unique_ptr<char[]>>().swap(id_blocks_);
  block_left_ = 0;
  std::vector<Known>().swap(known_);
  std::vector<uint64_t>().swap(slots_);
  std::vector<size_t>().swap(must_be_used_);
}

}  // namespace persist
}  // namespace reference_host
