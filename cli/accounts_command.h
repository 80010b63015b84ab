// The "accounts" command: the cost account tree, what an object is booked
// to, and whether it lies under an account.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "reference_host/app/app_document_impl.h"

namespace cli {

// Depth-first, with each account's position in that walk and its path.
void PrintAccountTree(const reference_host::AppDocumentImpl& document, std::ostream& out);

// Exit codes: 0 answered, 2 bad input (unknown id or code, wrong kind).
int AccountsCommand(const std::string& document_path, const std::string& of_id,
                    const std::vector<std::string>& belongs);

// The answers themselves, for the demo too. False with |error| for an
// object or code they cannot answer about.
bool PrintBooking(const reference_host::AppDocumentImpl& document, const std::string& id,
                  std::ostream& out, std::string* error);
bool PrintBelongs(const reference_host::AppDocumentImpl& document, const std::string& id,
                  const std::string& code, std::ostream& out, std::string* error);

}  // namespace cli
