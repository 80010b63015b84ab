// The measure-item merges of a pair: unit-price items move unchanged with the
// collections that travel with them; lump-sum detail rows and lump-sum items
// take the suffix of the sub-project they came from. Matched lump-sum items
// (same code and name) are merged level by level.
#include <glog/logging.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "funcs/project/internal/merge_moves.h"
#include "funcs/project/internal/merge_sides.h"
#include "funcs/project/internal/text_pair_table.h"
#include "funcs/project/qrv_func.h"
#include "host/engine/field_container.h"
#include "host/engine/item_set.h"
#include "host/engine/qrv/qrv_base_res_item.h"
#include "host/engine/qrv/qrv_project.h"
#include "host/engine/qrv/qrv_sub_engineering.h"
#include "host/engine/shared_item_set.h"
#include "host/engine/sub_engineering.h"
#include "host/engine/sub_project.h"
#include "host/marrow/sub_project_beans.h"
#include "internal/field_util.h"

namespace marrow {
namespace qrv {
namespace {

constexpr char kCalculationMethod[] = "QRV_Calculation_Method";
constexpr char kYSLinkZJCSSubEng[] = "QRV_YSLinkZJCSSubEng";

using MatchKey = std::pair<std::string, std::string>;

MatchKey KeyOf(const engine::SubEngineering* item) { return {item->GetCode(), item->GetName()}; }

// The first child of a parent for each code and name, kept current while
// children of the other side arrive, so that each search is a lookup.
class FirstMatchIndex {
 public:
  explicit FirstMatchIndex(const engine::SubEngineering* parent)
      : first_(static_cast<std::size_t>(std::max(0, parent->GetChildCount()))) {
    for (int i = parent->GetChildCount() - 1; i >= 0; --i)
      if (engine::SubEngineering* child = parent->GetChildSubEngineering(i))
        Put(KeyOf(child), child);
  }
  engine::SubEngineering* Find(const MatchKey& key) const {
    engine::SubEngineering* const* found = first_.Find(key.first, key.second);
    return found ? *found : nullptr;
  }
  // |item| now stands where the first match of |key| stood, or was appended.
  void Put(const MatchKey& key, engine::SubEngineering* item) {
    first_.FindOrAdd(key.first, key.second, item) = item;
  }

 private:
  internal::TextPairTable<engine::SubEngineering*> first_;
};

void AppendSuffixTree(engine::SubEngineering* item, const std::string& suffix) {
  std::vector<engine::SubEngineering*> pending{item};
  while (!pending.empty()) {
    engine::SubEngineering* current = pending.back();
    pending.pop_back();
    if (!current) continue;
    current->SetCode(current->GetCode() + suffix);
    engine::FieldContainer* fields = current->GetFieldContainer();
    std::string method = internal::GetTextField(fields, kCalculationMethod);
    if (!method.empty()) fields->SetFieldValue(kCalculationMethod, method + suffix, true);
    for (int i = current->GetChildCount() - 1; i >= 0; --i)
      pending.push_back(current->GetChildSubEngineering(i));
  }
}

bool LinkFlag(const engine::SubEngineering* item) {
  engine::FieldValue value;
  return item->GetFieldContainer()->GetFieldValue(kYSLinkZJCSSubEng, value) && value.GetBool();
}

// Merges |x| of the from side into its match |y|; answers the item that now
// stands at y's place (y, or the subtitle that took it in).
engine::SubEngineering* MergeMatchedZJCSItem(engine::SubEngineering* x, engine::SubEngineering* y,
                                             const std::string& sfx_x, const std::string& sfx_y);

// Merges each of |items|, listed from |x| into |places|, into its first
// match among |y|'s children; one without a match is moved by |move|(item,
// listed index), which answers whether it arrived in |y|, and then takes
// |sfx_x|. Where a move refreshes which children is the caller's.
template <class MoveUnmatched>
void MergeListedItems(const std::vector<engine::SubEngineering*>& items, engine::SubEngineering* x,
                      engine::SubEngineering* y, internal::ListedPlaces& places,
                      const std::string& sfx_x, const std::string& sfx_y, MoveUnmatched move) {
  FirstMatchIndex matches(y);
  for (std::size_t i = 0; i < items.size(); ++i) {
    engine::SubEngineering* item = items[i];
    if (!item) continue;
    MatchKey key = KeyOf(item);
    if (engine::SubEngineering* match = matches.Find(key)) {
      matches.Put(key, MergeMatchedZJCSItem(item, match, sfx_x, sfx_y));
      if (item->GetParent() != x) places.Left(i);
    } else if (move(item, i)) {
      matches.Put(key, item);
      AppendSuffixTree(item, sfx_x);
    }
  }
}

engine::SubEngineering* MergeMatchedZJCSItem(engine::SubEngineering* x, engine::SubEngineering* y,
                                             const std::string& sfx_x, const std::string& sfx_y) {
  if (!x || !y) return y;
  bool x_parent = x->GetChildCount() > 0;
  bool y_parent = y->GetChildCount() > 0;
  if (x_parent && y_parent) {
    std::vector<engine::SubEngineering*> children = internal::ListChildren(x);
    internal::ListedPlaces places(children.size());
    MergeListedItems(children, x, y, places, sfx_x, sfx_y,
                     [&](engine::SubEngineering* cx, std::size_t i) {
                       if (!internal::MoveBillItem(cx, x, y, nullptr, places, i)) return false;
                       x->RefreshChildren();
                       y->RefreshChildren();
                       return true;
                     });
    return y;
  }
  engine::SubEngineering* x_holder = x->GetParent();
  engine::SubEngineering* y_holder = y->GetParent();
  if (!x_holder || !y_holder) return y;
  if (x_parent != y_parent) {
    engine::SubEngineering* after_y = y_holder->GetChildSubEngineering(y->GetIndex() + 1);
    scoped_refptr<engine::SubEngineering> hold(x);
    if (!x_holder->RemoveChild(x)) return y;
    x_holder->RefreshChildren();
    if (!y_holder->AddChild(x, after_y)) {
      x_holder->AddChild(x, nullptr);
      return y;
    }
    y_holder->RefreshChildren();
    AppendSuffixTree(x, sfx_x);
    return y;
  }
  auto* product = dynamic_cast<engine::qrv::QRVSubEngineering*>(y);
  // Without a subtitle the pair stays as it was: nothing is lost.
  scoped_refptr<engine::SubEngineering> subtitle =
      SubProjectBeans(product ? product->GetSubProject() : nullptr).CreateSubtitle();
  if (!subtitle) return y;
  subtitle->SetName(x->GetName());
  subtitle->SetCode(x->GetCode());
  if (!y_holder->AddChild(subtitle.get(), y)) return y;
  y_holder->RefreshChildren();
  scoped_refptr<engine::SubEngineering> hold_y(y);
  scoped_refptr<engine::SubEngineering> hold_x(x);
  y_holder->RemoveChild(y);
  x_holder->RemoveChild(x);
  subtitle->AddChild(y, nullptr);
  if (!subtitle->AddChild(x, nullptr)) x_holder->AddChild(x, nullptr);
  subtitle->RefreshChildren();
  y->SetCode(y->GetCode() + sfx_y);
  AppendSuffixTree(x, sfx_x);
  if (LinkFlag(x) || LinkFlag(y))
    subtitle->GetFieldContainer()->SetFieldValue(kYSLinkZJCSSubEng, true, true);
  return subtitle.get();
}

void CarrySharedItems(engine::SubProject* from, engine::SubProject* into) {
  engine::SharedItemSet* from_shared = from->GetSharedItemSet();
  engine::SharedItemSet* into_shared = into->GetSharedItemSet();
  if (from_shared && into_shared) {
    std::vector<engine::BaseResItem*> members;
    for (int i = 0; i < from_shared->GetMemberCount(); ++i)
      members.push_back(from_shared->GetMemberAt(i));
    for (engine::BaseResItem* member : members)
      if (member) into_shared->AddMember(member);
  }
  const auto faces = internal::ProductFacesOf(from, into);
  if (!faces) return;
  engine::qrv::QRVGroupedItemSet* from_groups = faces.from->GetGroupedItemSet();
  engine::qrv::QRVGroupedItemSet* into_groups = faces.into->GetGroupedItemSet();
  // A form without a counterpart of the same key keeps its entries.
  if (!from_groups || !into_groups) return;
  for (int g = 0; g < from_groups->GetGroupCount(); ++g) {
    engine::qrv::QRVBaseResItemGroup* group = from_groups->GetGroupAt(g);
    if (!group) continue;
    engine::qrv::QRVBaseResItemGroup* target = into_groups->FindGroupByKey(group->GetFormName());
    if (!target || target == group) continue;
    std::vector<engine::qrv::QRVBaseResItem*> entries;
    for (int i = 0; i < group->GetCount(); ++i) entries.push_back(group->GetAt(i));
    for (engine::qrv::QRVBaseResItem* entry : entries) {
      if (!entry) continue;
      scoped_refptr<engine::qrv::QRVBaseResItem> hold(entry);
      if (!group->RemoveBaseResItem(entry)) continue;
      if (!target->AddBaseResItem(entry, nullptr, true))
        group->AddBaseResItem(entry, nullptr, true);
    }
  }
}

void CarryMovableItems(engine::SubProject* from, engine::SubProject* into) {
  internal::MoveMembers(from->GetMovableItemSet(), into->GetMovableItemSet(), 0);
  if (const auto faces = internal::ProductFacesOf(from, into))
    internal::MoveMembers(faces.from->GetProductItemSet(), faces.into->GetProductItemSet(), 0);
}

void CarryRecordSet(engine::SubProject* from, engine::SubProject* into) {
  internal::MoveMembers(from->GetMovableRecordSet(), into->GetMovableRecordSet(), 0);
}

}  // namespace

bool QRVProjectFunc::WholeDJCSMerge(engine::SubProject* from, engine::SubProject* into) {
  engine::SubEngineering* into_root = into->GetDJCSRoot();
  if (!into_root) {
    LOG(ERROR) << "单价构成缺失";
    return false;
  }
  // A from side without a unit-price tree has nothing to move.
  engine::SubEngineering* from_root = from->GetDJCSRoot();
  std::vector<engine::SubEngineering*> items = internal::ListChildren(from_root);
  if (items.empty()) return true;
  internal::ListedPlaces places(items.size());
  for (std::size_t i = 0; i < items.size(); ++i)
    internal::MoveBillItem(items[i], from_root, into_root, nullptr, places, i);
  from_root->RefreshChildren();
  into_root->RefreshChildren();
  CarrySharedItems(from, into);
  CarryMovableItems(from, into);
  CarryRecordSet(from, into);
  return true;
}

bool QRVProjectFunc::WholeZJCSDetailTable(engine::SubProject* from, engine::SubProject* into) {
  std::string suffix = GetSuffix(from);
  const auto faces = internal::ProductFacesOf(from, into);
  if (!faces) return false;
  internal::MoveKeyedRows(faces.from->GetZJCSDetailTable(), faces.into->GetZJCSDetailTable(),
                          suffix);
  return true;
}

bool QRVProjectFunc::WholeZJCSMerge(engine::SubProject* from, engine::SubProject* into) {
  if (!from || !into) return false;
  std::string sfx_from = GetSuffix(from);
  std::string sfx_into = GetSuffix(into);
  engine::SubEngineering* from_root = from->GetZJCSRoot();
  engine::SubEngineering* into_root = into->GetZJCSRoot();
  if (!from_root || !into_root || from_root->GetChildCount() == 0) return false;
  std::vector<engine::SubEngineering*> items = internal::ListChildren(from_root);
  internal::ListedPlaces places(items.size());
  if (into_root->GetChildCount() == 0) {
    for (std::size_t i = 0; i < items.size(); ++i)
      if (internal::MoveBillItem(items[i], from_root, into_root, nullptr, places, i))
        AppendSuffixTree(items[i], sfx_from);
    from_root->RefreshChildren();
    into_root->RefreshChildren();
    return true;
  }
  // Unlike a deeper move, the from root is refreshed before the item is added.
  MergeListedItems(items, from_root, into_root, places, sfx_from, sfx_into,
                   [&](engine::SubEngineering* item, std::size_t i) {
                     scoped_refptr<engine::SubEngineering> hold(item);
                     if (!from_root->RemoveChild(item)) return false;
                     from_root->RefreshChildren();
                     if (!into_root->AddChild(item, nullptr)) {
                       from_root->AddChild(item, from_root->GetChildSubEngineering(places.Now(i)));
                       return false;
                     }
                     places.Left(i);
                     into_root->RefreshChildren();
                     return true;
                   });
  return true;
}

}  // namespace qrv
}  // namespace marrow
