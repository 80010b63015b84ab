#include "fuzz/fuzz_support.h"

#include <glog/logging.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "reference_host/persist/document_json.h"

namespace fuzz {

void QuietLibraryLogging() {
  FLAGS_alsologtostderr = false;
  FLAGS_logtostderr = false;
  FLAGS_stderrthreshold = google::NUM_SEVERITIES;
  // An empty destination writes no log file for that severity.
  for (int severity = 0; severity < google::NUM_SEVERITIES; ++severity)
    google::SetLogDestination(severity, "");
}

void Fail(const std::string& what, const std::string& detail) {
  std::fprintf(stderr, "fuzz check failed: %s\n%s\n", what.c_str(), detail.c_str());
  std::fflush(stderr);
  std::abort();
}

std::string SaveText(const reference_host::AppDocumentImpl& document) {
  return reference_host::SaveDocumentText(*document.document());
}

void CheckReloads(const std::string& saved, const std::string& context) {
  reference_host::LoadResult again = reference_host::LoadDocumentText(saved);
  if (!again) Fail(context + ": the saved document does not load", again.error + "\n" + saved);
  const std::string resaved = SaveText(*again.document);
  if (resaved != saved)
    Fail(context + ": saving the reloaded document gives other text",
         FirstDifference(saved, resaved));
}

std::string FirstDifference(const std::string& a, const std::string& b) {
  const auto lines = [](const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
  };
  const std::vector<std::string> left = lines(a), right = lines(b);
  size_t first = 0;
  while (first < left.size() && first < right.size() && left[first] == right[first]) ++first;
  if (first == left.size() && first == right.size()) return "no difference";
  // A few lines of context either side of the first difference.
  std::ostringstream out;
  out << "first difference at line " << first + 1 << ":\n";
  const size_t from = first > 4 ? first - 4 : 0;
  for (size_t i = from; i < first; ++i) out << "  " << left[i] << '\n';
  for (size_t i = first; i < std::min(left.size(), first + 8); ++i) out << "- " << left[i] << '\n';
  for (size_t i = first; i < std::min(right.size(), first + 8); ++i)
    out << "+ " << right[i] << '\n';
  return out.str();
}

std::string ReadFileOrFail(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in) Fail("cannot read " + path);
  return text.str();
}

}  // namespace fuzz
