#include "cli/accounts_command.h"

#include <iostream>
#include <map>
#include <set>

#include "beans/base_res_item_bean.h"
#include "beans/qrv_resitem.h"
#include "cli/document_printer.h"
#include "cli/support.h"
#include "cli/text_table.h"
#include "funcs/cost_account/qrv_service.h"
#include "host/engine/dbtables.h"
#include "reference_host/model/field_keys.h"
#include "reference_host/model/project_impl.h"
#include "reference_host/model/res_item_impl.h"

namespace cli {
namespace {

void AddAccountRows(TextTable& table, engine::qrv::QRVCostAccount* account, int depth,
                    const std::map<std::string, int>& positions,
                    marrow::qrv::CostAccountGroupFunc& func) {
  const auto position = positions.find(account->GetCode());
  table.AddRow({position == positions.end() ? "" : std::to_string(position->second),
                std::string(depth * 2, ' ') + account->GetCode(), account->GetName(),
                func.GetCostAccountPathByCode(account->GetCode()), account->GetId()});
  for (int i = 0; i < account->GetChildCount(); ++i)
    AddAccountRows(table, account->GetChild(i), depth + 1, positions, func);
}

const char* const kNoProject = " (the document holds no project)";

// Objects whose booking is their own "QRV_CostAccount" field.
bool BookedByField(engine::DocumentObject* object) {
  return dynamic_cast<engine::dbtables::TupleObject*>(object) ||
         dynamic_cast<engine::SubEngineering*>(object);
}

engine::DocumentObject* NeedObject(const reference_host::AppDocumentImpl& document,
                                   const std::string& id, const std::string& option,
                                   std::string* error) {
  engine::DocumentObject* object = document.FindObjectById(id);
  if (!object)
    *error = option + ": no object with id '" + id + "'" + (document.project() ? "" : kNoProject);
  return object;
}

std::string WrongKind(const std::string& option, const std::string& id,
                      engine::DocumentObject* object) {
  return option + ": '" + id + "' is a " + DescribeKind(object) +
         "; ask about a table row, bill item, entry, resource line" +
         (option == "--belongs" ? " or cost account" : "");
}

}  // namespace

void PrintAccountTree(const reference_host::AppDocumentImpl& document, std::ostream& out) {
  if (!document.project()) {
    out << "no cost accounts" << kNoProject << '\n';
    return;
  }
  reference_host::CostAccountGroupImpl* tree = document.project()->cost_accounts();
  marrow::qrv::CostAccountGroupFunc func(tree);
  std::map<std::string, int> positions;
  func.GetCostAccountCodeLevel(positions);
  TextTable table({"pos", "code", "name", "path", "id"});
  table.SetAlign(0, TextTable::Align::kRight);
  for (int i = 0; i < tree->GetCostAccountCount(); ++i)
    AddAccountRows(table, tree->GetCostAccount(i), 0, positions, func);
  if (table.empty()) {
    out << "no cost accounts\n";
    return;
  }
  table.Print(out);
}

bool PrintBooking(const reference_host::AppDocumentImpl& document, const std::string& id,
                  std::ostream& out, std::string* error) {
  engine::DocumentObject* object = NeedObject(document, id, "--of", error);
  if (!object) return false;
  if (!document.project()) {
    *error = "--of: '" + id + "' is booked nowhere" + kNoProject;
    return false;
  }
  marrow::qrv::CostAccountGroupFunc func(document.project()->cost_accounts());
  const std::string head = id + " (" + DescribeKind(object) + ")";
  auto* entry = dynamic_cast<reference_host::BaseResItemImpl*>(object);
  if (entry || BookedByField(object)) {
    std::string path, account_id;
    if (entry && entry->group()) {
      marrow::qrv::QRVBaseResItemBean(entry).GetCostAccountPath(path);
      account_id = entry->GetCostAccount();
    } else if (entry) {
      marrow::qrv::BaseResItemBean(entry).GetCostAccountPath(path);
      account_id = entry->fields()->GetText(reference_host::keys::kYSCostAccount);
    } else {
      account_id = TextField(object, reference_host::keys::kCostAccount);
      if (auto* account = document.project()->cost_accounts()->FindCostAccountById(account_id))
        path = func.GetCostAccountPathByCode(account->GetCode());
    }
    if (account_id.empty())
      out << head << " is not booked to a cost account\n";
    else if (path.empty())
      out << head << " names '" << account_id << "', which is not an account of this document\n";
    else
      out << head << " is booked to " << path << " [" << account_id << "]\n";
    return true;
  }
  auto* line = dynamic_cast<engine::ResItem*>(object);
  if (!line) {
    *error = WrongKind("--of", id, object);
    return false;
  }
  marrow::qrv::QRVResItemBean bean(line);
  std::set<std::string> codes;
  bean.GetCostAccount(codes);
  std::map<std::string, double> collected;
  bean.GetResItemCollectedCostAccountQuantity(collected);
  if (codes.empty()) {
    out << head << " ends up in no cost account\n";
    return true;
  }
  out << head << " ends up in:\n";
  for (const std::string& code : codes) {
    out << "  " << code << "  " << func.GetCostAccountPathByCode(code);
    if (collected.count(code)) out << "  (collected " << Num(collected[code]) << ")";
    out << '\n';
  }
  return true;
}

bool PrintBelongs(const reference_host::AppDocumentImpl& document, const std::string& id,
                  const std::string& code, std::ostream& out, std::string* error) {
  reference_host::CostAccountGroupImpl* tree =
      document.project() ? document.project()->cost_accounts() : nullptr;
  if (!tree || !tree->FindCostAccountByCode(code)) {
    *error = "--belongs: no cost account with code '" + code + "'" + (tree ? "" : kNoProject);
    return false;
  }
  engine::DocumentObject* object = NeedObject(document, id, "--belongs", error);
  if (!object) return false;
  marrow::qrv::CostAccountGroupFunc func(tree);
  const std::string target = code + " " + func.GetCostAccountPathByCode(code);
  const auto answer = [&](const std::string& what, bool yes) {
    out << what << (yes ? " lies under " : " does not lie under ") << target << '\n';
  };
  const std::string head = id + " (" + DescribeKind(object) + ")";
  if (dynamic_cast<engine::qrv::QRVCostAccount*>(object)) {
    answer(head, func.IsBelongToSpecifyCostAcById(id, code));
  } else if (auto* entry = dynamic_cast<reference_host::BaseResItemImpl*>(object)) {
    answer(head, entry->group()
                     ? marrow::qrv::QRVBaseResItemBean(entry).IsBelongToSpecifyCostAc(code)
                     : marrow::qrv::BaseResItemBean(entry).IsBelongToSpecifyCostAc(code));
  } else if (BookedByField(object)) {
    answer(head, func.IsBelongToSpecifyCostAcById(
                     TextField(object, reference_host::keys::kCostAccount), code));
  } else if (auto* line = dynamic_cast<engine::ResItem*>(object)) {
    std::set<std::string> codes;
    marrow::qrv::QRVResItemBean(line).GetCostAccount(codes);
    if (codes.empty()) answer(head + ", in no cost account,", false);
    for (const std::string& booked : codes)
      answer(head + " via " + booked, func.IsBelongToSpecifyCostAcByCode(booked, code));
  } else {
    *error = WrongKind("--belongs", id, object);
    return false;
  }
  return true;
}

int AccountsCommand(const std::string& document_path, const std::string& of_id,
                    const std::vector<std::string>& belongs) {
  std::string error;
  std::unique_ptr<reference_host::AppDocumentImpl> document = LoadDocument(document_path, &error);
  bool ok = document != nullptr;
  if (ok && of_id.empty() && belongs.empty()) PrintAccountTree(*document, std::cout);
  if (ok && !of_id.empty()) ok = PrintBooking(*document, of_id, std::cout, &error);
  if (ok && belongs.size() == 2)
    ok = PrintBelongs(*document, belongs[0], belongs[1], std::cout, &error);
  if (ok) return kExitOk;
  PrintError(error);
  return kExitUsage;
}

}  // namespace cli
