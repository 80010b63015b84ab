#include "cli/document_printer.h"

#include <algorithm>
#include <iostream>

#include "beans/qrv_resitem.h"
#include "cli/support.h"
#include "cli/text_table.h"
#include "funcs/cost_account/qrv_service.h"
#include "reference_host/model/field_keys.h"
#include "reference_host/model/project_impl.h"
#include "reference_host/model/res_item_impl.h"

namespace cli {
namespace {

using nlohmann::json;

const char* SubProjectKindName(int kind) {
  switch (kind) {
    case engine::kSubProjectWhole:
      return "whole";
    case engine::kSubProjectSingle:
      return "single";
    case engine::kSubProjectUnit:
      return "unit";
    default:
      return "other";
  }
}

json NumberOrNull(bool readable, double value) { return readable ? json(value) : json(nullptr); }

json AccountJson(const reference_host::AppDocumentImpl& document, const std::string& account_id) {
  if (account_id.empty()) return nullptr;
  json account = {{"id", account_id}};
  auto* tree = document.project() ? document.project()->cost_accounts() : nullptr;
  if (engine::qrv::QRVCostAccount* found = tree ? tree->FindCostAccountById(account_id) : nullptr) {
    account["code"] = found->GetCode();
    account["path"] =
        marrow::qrv::CostAccountGroupFunc(tree).GetCostAccountPathByCode(found->GetCode());
  } else {
    account["unknown"] = true;
  }
  return account;
}

std::string AccountText(const json& account) {
  if (account.is_null()) return "";
  if (account.value("unknown", false))
    return "'" + account["id"].get<std::string>() + "' (unknown)";
  return account["code"].get<std::string>() + " " + account["path"].get<std::string>();
}

json LineJson(engine::ResItem* line) {
  const LineFacts facts = GetLineFacts(line);
  json out = {{"id", facts.id},
              {"code", facts.code},
              {"name", facts.name},
              {"unit", facts.unit},
              {"side", facts.budget_side ? "YS" : "CB"},
              {"quantity", facts.quantity},
              {"collected", facts.collected},
              {"cost_accounts", facts.accounts}};
  if (facts.has_price) out["price"] = facts.price;
  if (facts.budget_side) {
    out["allowed"] = facts.allowed;
    out["linked_cost"] = facts.linked_cost.empty() ? json(nullptr) : json(facts.linked_cost);
    out["collected_into"] = json::array();
    engine::qrv::QRVResItem* face = dynamic_cast<engine::qrv::QRVResItem*>(line);
    std::vector<engine::qrv::QRVResItem*> cost_lines;
    marrow::qrv::QRVResItemBean(face).GetCollectedCBResItem(cost_lines);
    for (engine::qrv::QRVResItem* cost : cost_lines)
      if (std::find(out["collected_into"].begin(), out["collected_into"].end(), cost->GetId()) ==
          out["collected_into"].end())
        out["collected_into"].push_back(cost->GetId());
  } else {
    out["linked_budgets"] = facts.linked_budgets;
    out["parts"] = json::array();
    for (const PartFacts& part : facts.parts)
      out["parts"].push_back(
          {{"id", part.id}, {"budget", part.budget_id}, {"quantity", part.quantity}});
  }
  return out;
}

json LinesJson(const reference_host::ResItemListImpl* list) {
  json lines = json::array();
  if (!list) return lines;
  for (int i = 0; i < list->size(); ++i) lines.push_back(LineJson(list->item(i)));
  return lines;
}

json BillJson(const reference_host::SubEngineeringImpl* item) {
  double quantity = 0;
  const bool readable = item->GetQuantity(quantity);
  json out = {{"id", item->GetId()},
              {"name", item->fields()->GetText(reference_host::keys::kName)},
              {"kind", DescribeKind(item)},
              {"node_kind", item->GetNodeKind()},
              {"measure_kind", item->GetMeasureKind()},
              {"quantity", NumberOrNull(readable, quantity)},
              {"budget_lines", LinesJson(item->budget_list())},
              {"cost_lines", LinesJson(item->cost_list())},
              {"children", json::array()}};
  for (int i = 0; i < item->GetChildCount(); ++i)
    out["children"].push_back(BillJson(item->child(i)));
  return out;
}

// Null for none: a new project has no root sub-project yet.
json SubProjectJson(const reference_host::SubProjectImpl* sub_project) {
  if (!sub_project) return nullptr;
  json out = {{"id", sub_project->GetId()},
              {"name", sub_project->GetName()},
              {"kind", SubProjectKindName(sub_project->GetKind())},
              {"bills", json::array()},
              {"children", json::array()}};
  for (int i = 0; i < sub_project->GetSubEngineeringCount(); ++i)
    out["bills"].push_back(BillJson(sub_project->GetSubEngineering(i)));
  for (int i = 0; i < sub_project->GetChildCount(); ++i)
    out["children"].push_back(SubProjectJson(sub_project->GetChild(i)));
  return out;
}

json RowJson(const reference_host::AppDocumentImpl& document,
             const reference_host::TupleImpl* row) {
  json out = {{"id", row->GetId()},
              {"name", row->fields()->GetText("OSName")},
              {"cost_account",
               AccountJson(document, row->fields()->GetText(reference_host::keys::kCostAccount))},
              {"children", json::array()}};
  for (int i = 0; i < row->GetChildCount(); ++i)
    out["children"].push_back(RowJson(document, row->GetChild(i)));
  return out;
}

// Text rendering walks the JSON model, so both forms always agree.

std::string QuantityText(const json& value) {
  return value.is_null() ? "-" : Num(value.get<double>());
}

std::string Join(const json& values, const char* separator = ",") {
  std::string out;
  for (const auto& value : values) {
    if (!out.empty()) out += separator;
    out += value.get<std::string>();
  }
  return out;
}

void AddLineRows(TextTable& table, const json& line) {
  const bool budget = line["side"] == "YS";
  std::string link;
  if (budget && !line["linked_cost"].is_null())
    link = "linked to " + line["linked_cost"].get<std::string>();
  if (budget && !line["collected_into"].empty()) link = "in " + Join(line["collected_into"]);
  if (!budget && !line["linked_budgets"].empty()) link = "links " + Join(line["linked_budgets"]);
  table.AddRow({line["id"], line["code"], line["name"], line["unit"],
                line.contains("price") ? Num(line["price"]) : "", line["side"],
                Num(line["quantity"]), Num(line["collected"]), budget ? Num(line["allowed"]) : "-",
                link, Join(line["cost_accounts"])});
  if (budget) return;
  for (const json& part : line["parts"])
    table.AddRow({"  + " + part["id"].get<std::string>(), "",
                  "part of " + part["budget"].get<std::string>(), "", "", "", "",
                  Num(part["quantity"])});
}

void AddBillRows(TextTable& table, const json& bill, int depth) {
  std::string heading = std::string(depth * 2, ' ') + "[" + bill["kind"].get<std::string>() + " " +
                        bill["id"].get<std::string>() + "]";
  if (!bill["name"].get<std::string>().empty()) heading += " " + bill["name"].get<std::string>();
  heading += "  qty " + QuantityText(bill["quantity"]);
  table.AddSection(heading);
  for (const json& line : bill["budget_lines"]) AddLineRows(table, line);
  for (const json& line : bill["cost_lines"]) AddLineRows(table, line);
  for (const json& child : bill["children"]) AddBillRows(table, child, depth + 1);
}

void PrintSubProjectTree(const json& sub_project, int depth, TextTable& table) {
  table.AddRow({std::string(depth * 2, ' ') + sub_project["name"].get<std::string>(),
                sub_project["kind"], sub_project["id"],
                std::to_string(sub_project["bills"].size())});
  for (const json& child : sub_project["children"]) PrintSubProjectTree(child, depth + 1, table);
}

void PrintSubProjectBills(const json& sub_project, std::ostream& out) {
  if (!sub_project["bills"].empty()) {
    out << "\n"
        << sub_project["name"].get<std::string>() << " (" << sub_project["id"].get<std::string>()
        << ")\n";
    TextTable table({"line", "code", "name", "unit", "price", "side", "qty", "collected", "allowed",
                     "link", "accounts"});
    for (size_t c : {4, 6, 7, 8}) table.SetAlign(c, TextTable::Align::kRight);
    for (const json& bill : sub_project["bills"]) AddBillRows(table, bill, 0);
    table.Print(out, "  ");
  }
  for (const json& child : sub_project["children"]) PrintSubProjectBills(child, out);
}

void AddTableRows(TextTable& table, const json& row, int depth) {
  table.AddRow({std::string(depth * 2, ' ') + row["id"].get<std::string>(), row["name"],
                AccountText(row["cost_account"])});
  for (const json& child : row["children"]) AddTableRows(table, child, depth + 1);
}

}  // namespace

LineFacts GetLineFacts(engine::ResItem* line) {
  LineFacts facts;
  auto* impl = dynamic_cast<reference_host::ResItemImpl*>(line);
  if (!impl) return facts;
  facts.id = impl->GetId();
  facts.code = impl->fields()->GetText(reference_host::keys::kCode);
  facts.name = impl->fields()->GetText(reference_host::keys::kName);
  facts.unit = impl->fields()->GetText(reference_host::keys::kUnit);
  facts.has_price = impl->fields()->GetNumber(reference_host::keys::kPrice, facts.price);
  marrow::qrv::QRVResItemBean bean(line);
  facts.budget_side = bean.IsUsedByYS();
  facts.quantity = bean.GetResItemCollectSrcQuantity();
  bean.GetCostAccount(facts.accounts);
  if (facts.budget_side) {
    facts.collected = bean.GetResItemCollectedQuantity(0);
    facts.allowed = bean.GetResItemCollectAllowQuantity();
    if (engine::qrv::QRVResItem* linked = bean.GetLinkedCBRes())
      facts.linked_cost = linked->GetId();
    return facts;
  }
  facts.linked_budgets = impl->linked_ids();
  std::vector<engine::ResItem*> copies;
  bean.GetCopyResFromQRVResItem(copies);
  for (engine::ResItem* copy : copies) {
    PartFacts part;
    part.id = copy->GetId();
    if (engine::ResItem* budget = marrow::qrv::QRVResItemBean(copy).GetResItemTemplete())
      part.budget_id = budget->GetId();
    copy->GetQuantity(part.quantity);
    facts.collected += part.quantity;
    facts.parts.push_back(part);
  }
  return facts;
}

std::string LineSummary(const LineFacts& facts) {
  std::string out = facts.id + " (" + (facts.budget_side ? "YS" : "CB") + ") qty " +
                    Num(facts.quantity) + ", collected " + Num(facts.collected);
  if (facts.budget_side) {
    out += ", allowed " + Num(facts.allowed);
    if (!facts.linked_cost.empty()) out += ", linked to " + facts.linked_cost;
  } else {
    out += ", parts " + std::to_string(facts.parts.size());
    for (size_t i = 0; i < facts.parts.size(); ++i)
      out += (i ? " " : " [") + Num(facts.parts[i].quantity) +
             (i + 1 == facts.parts.size() ? "]" : "");
    if (!facts.linked_budgets.empty()) {
      out += ", links";
      for (const std::string& id : facts.linked_budgets) out += " " + id;
    }
  }
  std::string accounts;
  for (const std::string& code : facts.accounts) accounts += (accounts.empty() ? "" : ",") + code;
  out += ", accounts " + (accounts.empty() ? std::string("-") : accounts);
  return out;
}

std::string AccountLabel(const reference_host::AppDocumentImpl& document,
                         const std::string& account_id) {
  return AccountText(AccountJson(document, account_id));
}

std::string ObjectState(const reference_host::AppDocumentImpl& document, const std::string& id) {
  engine::DocumentObject* object = document.FindObjectById(id);
  if (!object) return id + " (no longer in the document)";
  if (auto* line = dynamic_cast<engine::ResItem*>(object)) return LineSummary(GetLineFacts(line));
  std::string account;
  if (auto* entry = dynamic_cast<reference_host::BaseResItemImpl*>(object))
    account = entry->group() ? entry->GetCostAccount()
                             : entry->fields()->GetText(reference_host::keys::kYSCostAccount);
  else
    account = TextField(object, reference_host::keys::kCostAccount);
  const std::string label = AccountLabel(document, account);
  return id + " (" + DescribeKind(object) + ") cost account " + (label.empty() ? "-" : label);
}

json DocumentToShowJson(const reference_host::AppDocumentImpl& document) {
  json out = {{"project", nullptr},
              {"sub_projects", nullptr},
              {"contract_groups", json::array()},
              {"bill_stages", json::array()},
              {"tables", json::array()}};
  reference_host::ProjectImpl* project = document.project();
  if (!project) return out;
  out["project"] = {{"id", project->GetId()}, {"name", project->GetName()}};
  out["sub_projects"] = SubProjectJson(project->GetRootSubProject());
  for (int g = 0; g < project->GetBaseResItemGroupCount(); ++g) {
    const reference_host::BaseResItemGroupImpl* group = project->GetBaseResItemGroup(g);
    json entries = json::array();
    for (int e = 0; e < group->GetCount(); ++e) {
      const reference_host::BaseResItemImpl* entry = group->entry(e);
      json item = {{"id", entry->GetId()},
                   {"code", entry->code()},
                   {"name", entry->name()},
                   {"unit", entry->unit()},
                   {"type", entry->GetResType()},
                   {"cost_account", AccountJson(document, entry->GetCostAccount())},
                   {"registered_lines", entry->registered_res_item_ids()}};
      double price = 0;
      if (entry->fields()->GetNumber(reference_host::keys::kPrice, price)) item["price"] = price;
      if (!entry->lease_quantity_text().empty())
        item["lease_quantity"] = entry->lease_quantity_text();
      entries.push_back(item);
    }
    out["contract_groups"].push_back(
        {{"id", group->GetId()}, {"form", group->GetFormName()}, {"entries", entries}});
  }
  const reference_host::BillStageGroupImpl* stages = project->bill_stages();
  for (int s = 0; s < stages->GetBillStageCount(); ++s)
    out["bill_stages"].push_back(
        {{"id", stages->GetBillStage(s)->GetId()}, {"name", stages->GetBillStage(s)->GetName()}});
  for (int t = 0; t < project->table_count(); ++t) {
    const reference_host::TableImpl* table = project->table(t);
    json rows = json::array();
    for (int r = 0; r < table->GetRowCount(); ++r)
      rows.push_back(RowJson(document, table->GetRow(r)));
    out["tables"].push_back({{"id", table->GetId()}, {"name", table->GetName()}, {"rows", rows}});
  }
  return out;
}

void PrintDocument(const reference_host::AppDocumentImpl& document, std::ostream& out) {
  const json model = DocumentToShowJson(document);
  if (model["project"].is_null()) {
    out << "No project: the document holds none\n";
    return;
  }
  out << "Project " << model["project"]["name"].get<std::string>() << " ("
      << model["project"]["id"].get<std::string>() << ")\n\nSub-projects\n";
  if (model["sub_projects"].is_null()) {
    out << "  none\n";
  } else {
    TextTable tree({"name", "kind", "id", "bills"});
    tree.SetAlign(3, TextTable::Align::kRight);
    PrintSubProjectTree(model["sub_projects"], 0, tree);
    tree.Print(out, "  ");
    PrintSubProjectBills(model["sub_projects"], out);
  }

  if (!model["contract_groups"].empty()) {
    out << "\nContract groups\n";
    TextTable entries(
        {"entry", "code", "name", "unit", "type", "price", "lease", "cost account", "lines"});
    entries.SetAlign(5, TextTable::Align::kRight);
    entries.SetAlign(6, TextTable::Align::kRight);
    for (const json& group : model["contract_groups"]) {
      entries.AddSection("[" + group["id"].get<std::string>() + "] " +
                         group["form"].get<std::string>());
      for (const json& entry : group["entries"])
        entries.AddRow({entry["id"], entry["code"], entry["name"], entry["unit"], entry["type"],
                        entry.contains("price") ? Num(entry["price"]) : "",
                        entry.value("lease_quantity", ""), AccountText(entry["cost_account"]),
                        Join(entry["registered_lines"])});
    }
    entries.Print(out, "  ");
  }
  if (!model["bill_stages"].empty()) {
    out << "\nBill stages\n";
    TextTable stages({"stage", "name"});
    for (const json& stage : model["bill_stages"]) stages.AddRow({stage["id"], stage["name"]});
    stages.Print(out, "  ");
  }
  for (const json& table : model["tables"]) {
    out << "\nTable " << table["name"].get<std::string>() << " (" << table["id"].get<std::string>()
        << ")\n";
    TextTable rows({"row", "name", "cost account"});
    for (const json& row : table["rows"]) AddTableRows(rows, row, 0);
    rows.Print(out, "  ");
  }
}

int ShowCommand(const std::string& document_path, bool as_json) {
  std::string error;
  std::unique_ptr<reference_host::AppDocumentImpl> document = LoadDocument(document_path, &error);
  if (!document) {
    PrintError(error);
    return kExitUsage;
  }
  if (as_json)
    std::cout << DocumentToShowJson(*document).dump(2, ' ', false, json::error_handler_t::replace)
              << '\n';
  else
    PrintDocument(*document, std::cout);
  return kExitOk;
}

}  // namespace cli
