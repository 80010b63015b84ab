// Builds a fresh estimate document while it walks the JSON text (simdjson
// On Demand), with no tree of the whole text: the fast way in for the texts
// a load accepts. The bill items of sub-projects and the copy items, the
// bulk of a document, are read in a second pass, each through a parser of
// its own, so that the whole text's index and the model are never held
// together. It accepts exactly what the tree reader (DocumentReader
// over ParseStrictJson) accepts and builds the same document, but it does not
// say why it refuses: a refused text goes to the tree reader, which names the
// place. One reader serves one read; it owns the objects until they are
// handed over in a document.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "reference_host/model/estimate_document.h"

namespace reference_host {
namespace persist {

// Bytes a text needs readable past its end to be walked in place; with less
// spare capacity the walk works on a padded copy.
inline constexpr size_t kTextPadding = 64;

// The document |text| holds, or null when the text is refused for any reason
// (malformed JSON, a member named twice, a value or reference the format does
// not allow, nesting deeper than kMaxDocumentNesting).
std::unique_ptr<EstimateDocument> ReadDocumentStream(const std::string& text);

}  // namespace persist
}  // namespace reference_host
