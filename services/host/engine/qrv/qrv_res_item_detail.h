// The host engine's aggregation of the cost lines under cost-side bill items.
#pragma once

#include <vector>

#include "host/base/ref_counted.h"
#include "host/host_api.h"

namespace engine {
class ResItemCallBack;
class ResItemGroup;
namespace qrv {

class QRVSubEngineering;

namespace internal {

// Aggregates the cost lines under |bills| (each bill with its whole
// sub-tree): lines |callback| finds valid, one entry per fingerprint. Never
// null.
MARROW_HOST_API scoped_refptr<ResItemGroup> GetQRVResItemDetail(
    const std::vector<QRVSubEngineering*>& bills, ResItemCallBack* callback);

}  // namespace internal
}  // namespace qrv
}  // namespace engine
