// The saved state of a few objects and what hangs off them, as one text that
// compares equal before and after an operation exactly when the saved
// document would not differ in them. Cheap where saving the whole document
// is not: an operation's cost follows the objects it touches.
#pragma once

#include <string>
#include <vector>

#include "reference_host/app/app_document_impl.h"

namespace cli {

// Covers, per id: presence, fields; for a line its quantity, entry (with the
// entry's fields and registrations), source, content, links, collected
// quantity and collection record with each listed copy; for an entry its
// registrations.
std::string DigestObjects(const reference_host::AppDocumentImpl& document,
                          const std::vector<std::string>& ids);

}  // namespace cli
