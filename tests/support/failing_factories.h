// Factories that answer null for one chosen operation, for the library's
// paths where the host has nothing to give. Each wraps the factory that was
// registered before and delegates every other operation to it; a fixture
// registers them for its lifetime:
//
//   ScopedFactoryFailure fail(FactoryStep::kCreateCollectObj);
//   EXPECT_FALSE(engine.YSRcjCollectToCB(cost, budget, 4));
#pragma once

#include <memory>

#include "host/app/qrv/qrv_application.h"
#include "host/engine/factory.h"
#include "host/engine/qrv/qrv_factory.h"
#include "reference_host/app/app_factories.h"

namespace test_support {

// One operation of the application layer's factories.
enum class FactoryStep {
  kEngineFactory,             // app::GetEngineFactory
  kCreateResItem,             // engine::Factory::CreateResItem
  kCreateBaseResItem,         // engine::Factory::CreateBaseResItem
  kQRVFactory,                // app::qrv::GetQRVFactory
  kCreateCollectObj,          // QRVFactory::CreateResCollectObj
  kCreateCollectCopy,         // QRVFactory::CreateResCollectCopy
  kCreateCollectTemplete,     // QRVFactory::CreateResCollectTemplete
  kQRVApplication,            // app::qrv::GetQRVApplication
  kBaseResItemCreator,        // QRVApplication::GetBaseResItemCreator
  kCreatorCreateBaseResItem,  // QRVBaseResItemCreator::CreateBaseResItem
  kCreateQRVBaseResItem,      // QRVFactory::CreateBaseResItem
  kCreateCBResItem,           // QRVFactory::CreateCBResItem
  kCreateCBResItemList,       // QRVFactory::CreateCBResItemList
};

class FailingEngineFactory : public engine::Factory {
 public:
  FailingEngineFactory(engine::Factory* real, FactoryStep failing)
      : real_(real), failing_(failing) {}
  engine::ResItem* CreateResItem() override;
  scoped_refptr<engine::BaseResItem> CreateBaseResItem() override;

 private:
  engine::Factory* real_;
  FactoryStep failing_;
};

class FailingQRVFactory : public engine::qrv::QRVFactory {
 public:
  FailingQRVFactory(engine::qrv::QRVFactory* real, FactoryStep failing)
      : real_(real), failing_(failing) {}
  engine::qrv::QRVResCollectObj* CreateResCollectObj() override;
  engine::qrv::QRVResCollectCopy* CreateResCollectCopy() override;
  engine::qrv::QRVResCollectTemplete* CreateResCollectTemplete() override;
  scoped_refptr<engine::qrv::QRVBaseResItem> CreateBaseResItem() override;
  engine::qrv::QRVResItem* CreateCBResItem() override;
  engine::qrv::QRVCBResItemList* CreateCBResItemList() override;

 private:
  engine::qrv::QRVFactory* real_;
  FactoryStep failing_;
};

class FailingBaseResItemCreator : public app::qrv::QRVBaseResItemCreator {
 public:
  FailingBaseResItemCreator(app::qrv::QRVBaseResItemCreator* real, FactoryStep failing)
      : real_(real), failing_(failing) {}
  scoped_refptr<engine::qrv::QRVBaseResItem> CreateBaseResItem() override;

 private:
  app::qrv::QRVBaseResItemCreator* real_;
  FactoryStep failing_;
};

// Hands out a FailingBaseResItemCreator around the real application's creator.
class FailingQRVApplication : public app::qrv::QRVApplication {
 public:
  FailingQRVApplication(app::qrv::QRVApplication* real, FactoryStep failing)
      : real_(real), failing_(failing) {}
  app::qrv::QRVBaseResItemCreator* GetBaseResItemCreator() override;

 private:
  app::qrv::QRVApplication* real_;
  FactoryStep failing_;
  std::unique_ptr<FailingBaseResItemCreator> creator_;
};

// Registers failing wrappers around the registered factories for its
// lifetime, then puts the earlier set back. Scopes nest: an inner one wraps
// the outer one's wrappers, so both steps fail inside it.
class ScopedFactoryFailure {
 public:
  explicit ScopedFactoryFailure(FactoryStep failing);
  ScopedFactoryFailure(const ScopedFactoryFailure&) = delete;
  ScopedFactoryFailure& operator=(const ScopedFactoryFailure&) = delete;
  ~ScopedFactoryFailure();

 private:
  reference_host::AppFactories previous_;
  std::unique_ptr<FailingEngineFactory> engine_;
  std::unique_ptr<FailingQRVFactory> qrv_;
  std::unique_ptr<FailingQRVApplication> application_;
};

}  // namespace test_support
