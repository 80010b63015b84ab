#include "cli/detail_command.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <sstream>

#include "cli/support.h"
#include "cli/text_table.h"
#include "funcs/detail/qrv_res_item_detail_func.h"
#include "funcs/rcj_matching/qrv_collect_match_data.h"
#include "host/engine/base_res_item.h"
#include "host/engine/field_container.h"
#include "host/engine/qrv/qrv_sub_engineering.h"
#include "host/engine/res_item_group.h"
#include "host/engine/sub_engineering.h"
#include "host/marrow/res_item_fingerprint.h"
#include "reference_host/persist/atomic_file_writer.h"

namespace cli {
namespace {

// An entry is A while the share of the entries above it is below 80%, B
// below 95%, else C.
constexpr double kClassA = 0.80;
constexpr double kClassB = 0.95;

struct Row {
  std::string code, name, model, unit, type;
  double quantity = 0.0;
  double price = 0.0;
  double amount = 0.0;
  double share = 0.0;
  double cumulative = 0.0;
  char abc = 'C';
  std::vector<std::string> lines;
};

double Number(const engine::DocumentObject* object, const std::string& key) {
  engine::FieldValue value;
  if (!object || !object->GetFieldContainer()->GetFieldValue(key, value)) return 0.0;
  return value.IsInt() ? value.GetInt() : value.GetDouble();
}

// Cost lines are one resource when they stand on one contract entry: the
// fingerprint is the entry's id alone (lines made by matching carry no
// fields of their own).
class ByContractEntry : public marrow::ResItemFingerprint {
 protected:
  void Visit(const std::string&, const std::string&) override {}
  void Visit(const std::string&, double) override {}
  void Visit(const std::string&, int) override {}
  void Visit(const std::string&, bool) override {}
  std::string GetOtherFinger(engine::ResItem* item) override {
    engine::BaseResItem* entry = item->GetBaseResItem();
    return entry ? entry->GetId() : std::string();
  }
};

std::vector<Row> Rows(const engine::ResItemGroup& group) {
  std::vector<Row> rows;
  for (int i = 0; i < group.GetEntryCount(); ++i) {
    engine::ResItem* entry = group.GetEntry(i);
    // What the resource entry says, or the first line when it has no entry.
    engine::BaseResItem* base = entry->GetBaseResItem();
    const engine::DocumentObject* source =
        base ? static_cast<const engine::DocumentObject*>(base) : entry->GetDetailResItem(0);
    Row row;
    row.code = TextField(source, "BRICode");
    row.name = TextField(source, "BRIName");
    row.model = TextField(source, "BRISpec");
    row.unit = TextField(source, "BRIUnit");
    row.type = TextField(source, "BRIType");
    entry->GetQuantity(row.quantity);
    row.price = Number(source, "BRIExcludedTaxFee");
    row.amount = row.quantity * row.price;
    for (int k = 0; k < entry->GetDetailCount(); ++k)
      row.lines.push_back(entry->GetDetailResItem(k)->GetId());
    rows.push_back(std::move(row));
  }
  std::stable_sort(rows.begin(), rows.end(),
                   [](const Row& a, const Row& b) { return a.amount > b.amount; });
  double total = 0.0;
  for (const Row& row : rows) total += row.amount;
  double above = 0.0;
  for (Row& row : rows) {
    row.share = total != 0.0 ? row.amount / total : 0.0;
    row.abc = above < kClassA ? 'A' : above < kClassB ? 'B' : 'C';
    above += row.share;
    row.cumulative = above;
  }
  return rows;
}

std::string Percent(double share) { return Num(share * 100, 1) + "%"; }

// RFC 4180: a field with a comma, quote or line break is quoted, quotes
// doubled.
std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

std::string CsvText(const std::vector<Row>& rows) {
  std::ostringstream out;
  out << "rank,code,name,model,unit,type,quantity,price,amount,share,cumulative,class,lines\r\n";
  for (size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    std::string lines;
    for (size_t k = 0; k < row.lines.size(); ++k) lines += (k ? " " : "") + row.lines[k];
    out << i + 1 << ',' << CsvField(row.code) << ',' << CsvField(row.name) << ','
        << CsvField(row.model) << ',' << CsvField(row.unit) << ',' << CsvField(row.type) << ','
        << Num(row.quantity, 6) << ',' << Num(row.price, 6) << ',' << Num(row.amount, 6) << ','
        << Num(row.share, 6) << ',' << Num(row.cumulative, 6) << ',' << row.abc << ','
        << CsvField(lines) << "\r\n";
  }
  return out.str();
}

}  // namespace

void AddDetailCommand(CLI::App& app, DetailOptions& options, int& exit_code) {
  CLI::App* detail = app.add_subcommand(
      "detail",
      "The aggregated resource detail of bill items, by amount, with the cumulative share and "
      "ABC classes (A to 80%, B to 95%, C the rest).");
  detail->add_option("DOC", options.document, "document (JSON file)")->required();
  detail->add_option("--bills", options.bills, "bill item ids")->delimiter(',')->required();
  detail->add_flag("--design", options.design, "aggregate the budget lines, not the cost lines");
  detail->add_option("--csv", options.csv_path, "also write the detail as CSV here");
  detail->callback([&options, &exit_code] { exit_code = DetailCommand(options); });
}

int DetailCommand(const DetailOptions& options) {
  std::string error;
  std::unique_ptr<reference_host::AppDocumentImpl> document =
      LoadDocument(options.document, &error);
  if (!document) {
    PrintError(error);
    return kExitUsage;
  }
  std::vector<engine::SubEngineering*> bills;
  for (const std::string& id : options.bills) {
    engine::DocumentObject* object = document->FindObjectById(id);
    auto* bill = dynamic_cast<engine::SubEngineering*>(object);
    if (!bill) {
      PrintError("--bills: " + (object ? "'" + id + "' is a " + DescribeKind(object)
                                       : "no object with id '" + id + "'"));
      return kExitUsage;
    }
    bills.push_back(bill);
  }
  scoped_refptr<engine::ResItemGroup> group;
  if (options.design) {
    marrow::qrv::QRVDesResItemFingerprint fingerprint;
    group =
        marrow::qrv::QRVDesSubEngineeringResItemDetailFunc(bills).GetResItemDetail(&fingerprint);
  } else {
    ByContractEntry fingerprint;
    std::vector<engine::qrv::QRVSubEngineering*> cost_bills;
    for (engine::SubEngineering* bill : bills)
      cost_bills.push_back(dynamic_cast<engine::qrv::QRVSubEngineering*>(bill));
    group = marrow::qrv::QRVSubEngineeringResItemDetailFunc(cost_bills)
                .GetQRVResItemDetail(&fingerprint);
  }
  const std::vector<Row> rows = Rows(*group);

  std::cout << (options.design ? "Budget" : "Cost") << " resource detail of "
            << options.bills.size() << " bill item(s)";
  if (engine::SubEngineering* root = group->GetRootSubEngineering())
    std::cout << " under " << root->GetId();
  std::cout << "\n\n";
  if (rows.empty()) {
    std::cout << "  (no resource lines; the bill items must lie under one bill tree whose root "
                 "has node kind 0)\n";
  } else {
    TextTable table({"#", "code", "name", "model", "unit", "type", "quantity", "price", "amount",
                     "share", "cum.", "class", "lines"});
    for (size_t column : {0, 6, 7, 8, 9, 10}) table.SetAlign(column, TextTable::Align::kRight);
    double total = 0.0;
    for (size_t i = 0; i < rows.size(); ++i) {
      const Row& row = rows[i];
      total += row.amount;
      std::string lines;
      for (size_t k = 0; k < row.lines.size(); ++k) lines += (k ? "," : "") + row.lines[k];
      table.AddRow({std::to_string(i + 1), row.code, row.name, row.model, row.unit, row.type,
                    Num(row.quantity), Num(row.price), Num(row.amount, 2), Percent(row.share),
                    Percent(row.cumulative), std::string(1, row.abc), lines});
    }
    table.Print(std::cout, "  ");
    std::cout << "\n  total " << Num(total, 2) << "\n";
  }
  if (options.csv_path.empty()) return kExitOk;
  if (!reference_host::WriteFileAtomically(options.csv_path, CsvText(rows), &error)) {
    PrintError(error);
    return kExitRefused;
  }
  std::cout << "\ncsv written to " << options.csv_path << "\n";
  return kExitOk;
}

}  // namespace cli
