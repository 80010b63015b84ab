// The document as a person wants to read it: sub-project tree, bill items
// with their resource lines and the collection and link state of each line,
// contract groups, bill stages and row tables. Text or JSON, same content.
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "reference_host/app/app_document_impl.h"

namespace engine {
class ResItem;
}  // namespace engine

namespace cli {

// One collected part standing in a cost line.
struct PartFacts {
  std::string id;
  std::string budget_id;  // the budget line it was made from
  double quantity = 0;
};

// What the library says about one resource line.
struct LineFacts {
  std::string id, code, name, unit;
  bool has_price = false;
  double price = 0;
  bool budget_side = false;
  double quantity = 0;                      // the line's own (source) quantity
  double collected = 0;                     // budget line: collected from it; cost line: its parts
  double allowed = 0;                       // budget line: still collectable
  std::string linked_cost;                  // budget line: the cost line linked to it
  std::vector<std::string> linked_budgets;  // cost line: the budget lines it represents
  std::set<std::string> accounts;           // cost account codes
  std::vector<PartFacts> parts;             // cost line: parts collected into it
};

LineFacts GetLineFacts(engine::ResItem* line);
// One line of text: "ys1 qty 10, collected 4, allowed 6, accounts 0101".
std::string LineSummary(const LineFacts& facts);

// "0201 材料费/钢材" for an account id; "" for ""; "'x' (unknown)" otherwise.
std::string AccountLabel(const reference_host::AppDocumentImpl& document,
                         const std::string& account_id);

// The state of object |id| in one line: a resource line's quantities, a
// row's or entry's cost account.
std::string ObjectState(const reference_host::AppDocumentImpl& document, const std::string& id);

// A document without a project prints as such ("project": null in JSON), and
// a project without a root sub-project as having none ("sub_projects": null).
void PrintDocument(const reference_host::AppDocumentImpl& document, std::ostream& out);
nlohmann::json DocumentToShowJson(const reference_host::AppDocumentImpl& document);

// The "show" command. Exit codes: 0 shown, 2 the document cannot be loaded.
int ShowCommand(const std::string& document_path, bool as_json);

}  // namespace cli
