// The fee, overview and other-item merges of a pair: overview areas are
// summed, other-items rows and JJFY items and rows move with the from
// side's suffix, and fee summary rows are either summed into a matching row
// of the into side or moved and added to the total expression.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "funcs/project/internal/class_memo.h"
#include "funcs/project/internal/merge_moves.h"
#include "funcs/project/internal/merge_sides.h"
#include "funcs/project/internal/text_pair_table.h"
#include "funcs/project/qrv_func.h"
#include "host/base/string_util.h"
#include "host/engine/document_object.h"
#include "host/engine/fee_store.h"
#include "host/engine/field_container.h"
#include "host/engine/qrv/qrv_project.h"
#include "host/engine/qrv/qrv_sub_engineering.h"
#include "host/engine/qtxm_tables.h"
#include "host/engine/sub_engineering.h"
#include "host/engine/sub_project.h"
#include "host/marrow/sub_project_beans.h"
#include "internal/field_util.h"

namespace marrow {
namespace qrv {
namespace {

constexpr char kOtherItemName[] = "OSName";
constexpr char kFeeTable[] = "Fee";
constexpr char kCSCost[] = "CSCost";
constexpr double kAreaZero = 0.000001;
constexpr double kRateTolerance = 0.000001;

using AreaGetter = bool (SubProjectBeans::*)(double&) const;
using AreaSetter = void (SubProjectBeans::*)(double);

void SumArea(SubProjectBeans& from, SubProjectBeans& into, AreaGetter get, AreaSetter set) {
  double into_area = 0;
  (into.*get)(into_area);
  double from_area = 0;
  (from.*get)(from_area);
  double sum = into_area + from_area;
  if (std::fabs(sum) > kAreaZero) (into.*set)(sum);
}

void MoveRowsWithSuffix(engine::dbtables::TableObject* from, engine::dbtables::TableObject* into,
                        const std::string& suffix) {
  if (!from || !into) return;
  std::vector<engine::dbtables::TupleObject*> rows = internal::ListRows(from);
  internal::ListedPlaces places(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    engine::dbtables::TupleObject* row = rows[i];
    if (!row || !internal::MoveRow(row, from, into, 0, places, i)) continue;
    engine::FieldContainer* fields = row->GetFieldContainer();
    fields->SetFieldValue(kOtherItemName, internal::GetTextField(fields, kOtherItemName) + suffix,
                          true);
  }
}

double Rate(const engine::FeeRow* row) {
  double value = 0;
  row->GetRate(value);
  return value;
}

double Amount(const engine::FeeRow* row) {
  double value = 0;
  row->GetAmount(value);
  return value;
}

}  // namespace

bool QRVProjectFunc::WholeGCGKMerge(engine::SubProject* from, engine::SubProject* into) {
  if (!from || !into) return false;
  SubProjectBeans from_beans(from);
  SubProjectBeans into_beans(into);
  SumArea(from_beans, into_beans, &SubProjectBeans::GetBuildingArea,
          &SubProjectBeans::SetBuildingArea);
  SumArea(from_beans, into_beans, &SubProjectBeans::GetUponBuildingArea,
          &SubProjectBeans::SetUponBuildingArea);
  SumArea(from_beans, into_beans, &SubProjectBeans::GetUnderBuildingArea,
          &SubProjectBeans::SetUnderBuildingArea);
  return true;
}

bool QRVProjectFunc::WholeQTXMMerge(engine::SubProject* from, engine::SubProject* into) {
  std::string suffix = GetSuffix(from);
  const auto tables = internal::BothSides(from, into, &engine::SubProject::GetQTXMTables);
  if (!tables) return false;
  for (internal::QTXMTableGetter table : internal::kQTXMTables)
    MoveRowsWithSuffix((tables.from->*table)(), (tables.into->*table)(), suffix);
  return true;
}

// A JJFY root missing on either side leaves the JJFY items where they are;
// the JJFY table is merged all the same.
bool QRVProjectFunc::WholeJJFYMerge(engine::SubProject* from, engine::SubProject* into) {
  std::string suffix = GetSuffix(from);
  const auto faces = internal::ProductFacesOf(from, into);
  if (!faces) return false;
  auto* from_root = dynamic_cast<engine::SubEngineering*>(faces.from->GetJJFYRoot());
  auto* into_root = dynamic_cast<engine::SubEngineering*>(faces.into->GetJJFYRoot());
  if (from_root && into_root) {
    std::vector<engine::SubEngineering*> items = internal::ListChildren(from_root);
    internal::ListedPlaces places(items.size());
    internal::CrossCastMemo<engine::SubEngineering, engine::qrv::QRVSubEngineering> products;
    for (std::size_t i = 0; i < items.size(); ++i) {
      engine::SubEngineering* item = items[i];
      if (!products.Cast(item)) continue;
      if (internal::MoveBillItem(item, from_root, into_root, nullptr, places, i))
        item->SetCode(item->GetCode() + suffix);
    }
    into_root->RefreshChildren();
  }
  internal::MoveKeyedRows(faces.from->GetJJFYTable(), faces.into->GetJJFYTable(), suffix);
  return true;
}

bool QRVProjectFunc::WholeFYHZGFMerge(engine::SubProject* from, engine::SubProject* into) {
  std::string suffix = GetSuffix(from);
  const auto stores = internal::BothSides(from, into, &engine::SubProject::GetFeeStore);
  if (!stores) return false;
  engine::FeeTable* from_table = stores.from->GetTable(kFeeTable);
  engine::FeeTable* into_table = stores.into->GetTable(kFeeTable);
  if (!from_table || !into_table) return false;

  const engine::Document* into_document = into->GetDocument();
  // Candidates with their place in from's table.
  std::vector<std::pair<engine::FeeRow*, std::size_t>> candidates;
  const int from_rows = from_table->GetRowCount();
  for (int i = 0; i < from_rows; ++i) {
    engine::FeeRow* row = from_table->GetRowAt(i);
    if (row && !(into_document && into_document->FindObjectById(row->GetId())))
      candidates.emplace_back(row, i);
  }
  internal::ListedPlaces places(from_rows);
  // Existing rows by code and calculation base: the table keeps each key's
  // last row, and |earlier| chains each row to the one of its key before
  // it, so that the last match within the rate tolerance is found without a
  // full scan.
  std::vector<engine::FeeRow*> existing;
  std::vector<int> earlier;
  existing.reserve(static_cast<std::size_t>(std::max(0, into_table->GetRowCount())));
  earlier.reserve(existing.capacity());
  internal::TextPairTable<int> last_of_key(existing.capacity());
  for (int i = 0; i < into_table->GetRowCount(); ++i) {
    engine::FeeRow* row = into_table->GetRowAt(i);
    if (!row) continue;
    int& last = last_of_key.FindOrAdd(row->GetCode(), row->GetCalculationBase(), -1);
    earlier.push_back(last);
    last = static_cast<int>(existing.size());
    existing.push_back(row);
  }
  std::string expression = into_table->GetExpression();

  for (const auto& [row, listed] : candidates) {
    engine::FeeRow* match = nullptr;
    if (const int* last = last_of_key.Find(row->GetCode(), row->GetCalculationBase())) {
      double rate = Rate(row);
      for (int i = *last; i >= 0 && !match; i = earlier[i])
        if (std::fabs(Rate(existing[i]) - rate) <= kRateTolerance) match = existing[i];
    }
    if (match) {
      double sum = base::DoubleRound(Amount(match) + Amount(row), 2);
      match->GetFieldContainer()->SetFieldValue(kCSCost, sum, true);
      continue;
    }
    if (!internal::MoveRow(row, from_table, into_table, 0, places, listed)) continue;
    row->SetCode(row->GetCode() + suffix);
    expression += '+';
    expression += row->GetCode();
  }
  from_table->RefreshChildren();
  into_table->RefreshChildren();
  into_table->SetExpression(expression);
  return true;
}

}  // namespace qrv
}  // namespace marrow
