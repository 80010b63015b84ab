// Product face of a bill item: its cost resource list and its fee calculator.
#pragma once

#include <string>

#include "host/engine/document_object.h"
#include "host/engine/res_item.h"
#include "host/engine/sub_engineering.h"
#include "host/host_api.h"

namespace engine {
class SubProject;
namespace qrv {

class QRVResItem;

// A bill's list of cost lines, which the library may add to.
class MARROW_HOST_API QRVCBResItemList : public ResItemList {
 public:
  // Puts |item| before |before|, or at the end when |before| is null or not
  // in the list; the list takes a reference.
  virtual void AddCBResItem(QRVResItem* item, QRVResItem* before) = 0;
  // Brings the list's derived figures up to date after additions.
  virtual void Refresh() = 0;

 protected:
  ~QRVCBResItemList() override = default;
};

class MARROW_HOST_API QRVSubEngineering : public virtual DocumentObject {
 public:
  virtual SubEngineering* GetSubEngineering() = 0;
  // The cost lines of the bill (entries are QRVResItem faces); may be null.
  virtual QRVCBResItemList* GetCBResItemList() const = 0;
  // Installs a list made by the product factory; the bill takes it over.
  virtual void SetCBResItemList(QRVCBResItemList* list) = 0;
  // The sub-project whose measure tree holds the item.
  virtual SubProject* GetSubProject() const = 0;

 protected:
  ~QRVSubEngineering() override = default;
};

// Budget fee figures of a bill by resource kind ("Labor", "Machine", ...).
class MARROW_HOST_API QRVSubEngineeringFeeCalc {
 public:
  virtual ~QRVSubEngineeringFeeCalc() = default;
  virtual bool GetFeeCost(const std::string& kind, double& value) const = 0;
  virtual bool GetFeeTotalCost(const std::string& kind, double& value) const = 0;
};

}  // namespace qrv
}  // namespace engine
