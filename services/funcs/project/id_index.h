// The project merge's id index: sub-project id to merge suffix ("_1", ...),
// and its stored form, the compact JSON object of "QRV_ProjectMergeInfo".
// Entries stay in ascending byte order of the ids in one flat array, so a
// stored index is read and written in one pass without a document tree,
// and a lookup is a binary search. Owns its strings.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "qrv_export.h"

namespace marrow {
namespace qrv {

class MARROW_QRV_EXPORT IdIndex {
 public:
  using Entry = std::pair<std::string, std::string>;
  using const_iterator = std::vector<Entry>::const_iterator;

  bool empty() const { return entries_.empty(); }
  std::size_t size() const { return entries_.size(); }
  const_iterator begin() const { return entries_.begin(); }
  const_iterator end() const { return entries_.end(); }

  // The suffix of |id|; null when |id| has no entry.
  const std::string* Find(const std::string& id) const;
  bool Contains(const std::string& id) const { return Find(id) != nullptr; }
  // Sets the suffix of |id|, adding the entry when there is none.
  void Set(const std::string& id, std::string suffix);
  // Sets every entry of |sorted| (ascending ids, each id once), in one merge
  // with the entries already held: an id of both takes the new suffix.
  void SetAll(std::vector<Entry> sorted);

  // Reads a stored index into this one. An object's members count in
  // ascending name order (the last of equal names), an array's elements
  // under the names "0", "1", ..., a single other value under "". A value
  // that is no string stops the reading: the entries before it are set, its
  // name is added with empty text unless present. A parse error sets
  // nothing. Either failure is logged with the JSON library's text alone.
  void Read(const std::string& text);
  // The stored form: "" when empty; else the object with one string member
  // per entry, compact, raw UTF-8. Text that is not valid UTF-8 is logged and
  // written with U+FFFD in its place, so the result stays valid JSON.
  std::string ToText() const;

 private:
  std::vector<Entry> entries_;
};

}  // namespace qrv
}  // namespace marrow
