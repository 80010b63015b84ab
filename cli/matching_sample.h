// The matching sample: a harbour logistics centre (港口物流中心) whose two
// unit projects list the project's master materials in their own contract
// forms, with budget lines in units that need converting, one line linked
// already and one collected. Shipped as examples/matching.json.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "reference_host/app/app_document_impl.h"

namespace cli {

std::unique_ptr<reference_host::AppDocumentImpl> BuildHarbourCentre();

// The scope the sample is matched in: the whole project and both forms.
inline const char kHarbourRoot[] = "harbour/root";
inline const std::vector<std::string>& HarbourGroups() {
  static const std::vector<std::string> groups = {"wh-mat", "of-mat"};
  return groups;
}

}  // namespace cli
