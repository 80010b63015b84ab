// Assigns a cost account to contract-level resources, keeping the id every
// touched resource had before. Holds only its record; copy or move freely.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "host/host_forward.h"
#include "qrv_export.h"

namespace marrow {
namespace qrv {

// Each resource's value is turned into an id against the cost account tree of
// the resource's own group file (ConvertToValidCostAccountId); a value that is
// neither a path nor an id of that tree skips the resource. A resource whose
// group has no usable tree ends the run: it and every later object stay as
// they are. Objects that are not contract-level resources are skipped.
// Every resource changed is recorded, also when its former id was empty.
class MARROW_QRV_EXPORT QRVResItemFunc {
 public:
  QRVResItemFunc();
  QRVResItemFunc(const QRVResItemFunc& other);
  QRVResItemFunc(QRVResItemFunc&& other) noexcept;
  QRVResItemFunc& operator=(const QRVResItemFunc& other);
  QRVResItemFunc& operator=(QRVResItemFunc&& other) noexcept;
  ~QRVResItemFunc();

  // Assigns |value| (a path, an id, or "" to clear) to |objects| in order.
  void SetCostAccount(std::vector<engine::DocumentObject*> objects, const std::string& value);

  // Each touched object with its id before the first change made through
  // this worker.
  std::map<engine::DocumentObject*, std::string> GetData() const;

 private:
  std::map<engine::DocumentObject*, std::string> data_;
};

}  // namespace qrv
}  // namespace marrow
