// The reference host's factories: the engine factory (resource lines and
// entries), the product factory (collection records, detached contract
// entries, cost lines and cost line lists) and the product
// application with its creator of contract-level entries. New objects stand
// in no list and no document; ids are fresh random ones. The application
// layer hands these out unless a program registers others (app_factories.h).
#pragma once

#include "host/app/factories.h"
#include "host/app/qrv/qrv_application.h"
#include "host/engine/factory.h"
#include "host/engine/qrv/qrv_factory.h"

namespace reference_host {

class EngineFactoryImpl : public engine::Factory {
 public:
  // Zero references: the caller takes the first.
  engine::ResItem* CreateResItem() override;
  scoped_refptr<engine::BaseResItem> CreateBaseResItem() override;
};

class QRVFactoryImpl : public engine::qrv::QRVFactory {
 public:
  engine::qrv::QRVResCollectObj* CreateResCollectObj() override;
  engine::qrv::QRVResCollectCopy* CreateResCollectCopy() override;
  engine::qrv::QRVResCollectTemplete* CreateResCollectTemplete() override;
  scoped_refptr<engine::qrv::QRVBaseResItem> CreateBaseResItem() override;
  engine::qrv::QRVResItem* CreateCBResItem() override;
  engine::qrv::QRVCBResItemList* CreateCBResItemList() override;
};

class QRVBaseResItemCreatorImpl : public app::qrv::QRVBaseResItemCreator {
 public:
  scoped_refptr<engine::qrv::QRVBaseResItem> CreateBaseResItem() override;
};

class QRVApplicationImpl : public app::qrv::QRVApplication {
 public:
  app::qrv::QRVBaseResItemCreator* GetBaseResItemCreator() override;

 private:
  QRVBaseResItemCreatorImpl creator_;
};

}  // namespace reference_host
