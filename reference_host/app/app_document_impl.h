// Application documents wrapping one EstimateDocument, which they own.
// AppDocumentImpl is the product document: it keeps every notification it
// hears so a program can show them. PlainAppDocument is a document of another
// kind: the library skips its notifications.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/app/app_document.h"
#include "host/app/qrv/qrv_document.h"
#include "reference_host/model/estimate_document.h"

namespace reference_host {

class ProjectImpl;

struct CollectNotification {
  std::string budget_item_id;
  std::string cost_item_id;
  bool collected = false;

  bool operator==(const CollectNotification& o) const {
    return budget_item_id == o.budget_item_id && cost_item_id == o.cost_item_id &&
           collected == o.collected;
  }
};

class AppDocumentImpl : public app::qrv::QRVDocumnet {
 public:
  explicit AppDocumentImpl(std::unique_ptr<EstimateDocument> document);
  ~AppDocumentImpl() override;

  // app::AppDocument:
  engine::DocumentObject* FindObjectById(const std::string& id) const override;
  engine::Document* GetEngineDocument() const override { return document_.get(); }

  // app::qrv::QRVDocumnet:
  void NotifyResItemCollected(const std::string& budget_item_id, const std::string& cost_item_id,
                              bool collected) override;
  void NotifyBaseResItemMergeChanged(const std::string& base_res_item_id) override;

  template <class T>
  T* Find(const std::string& id) const {
    return document_->Find<T>(id);
  }
  EstimateDocument* document() const { return document_.get(); }
  ProjectImpl* project() const { return document_->project(); }

  const std::vector<CollectNotification>& collect_notifications() const { return collected_; }
  const std::vector<std::string>& merge_changed_notifications() const { return merge_changed_; }
  void ClearNotifications();

 private:
  std::unique_ptr<EstimateDocument> document_;
  std::vector<CollectNotification> collected_;
  std::vector<std::string> merge_changed_;
};

class PlainAppDocument : public app::AppDocument {
 public:
  explicit PlainAppDocument(std::unique_ptr<EstimateDocument> document);
  ~PlainAppDocument() override;

  engine::DocumentObject* FindObjectById(const std::string& id) const override;
  engine::Document* GetEngineDocument() const override { return document_.get(); }

  template <class T>
  T* Find(const std::string& id) const {
    return document_->Find<T>(id);
  }
  EstimateDocument* document() const { return document_.get(); }
  ProjectImpl* project() const { return document_->project(); }

 private:
  std::unique_ptr<EstimateDocument> document_;
};

}  // namespace reference_host
