// Switches that make a factory operation answer null, so a program (a test)
// can drive the paths where the host has nothing to give.
#pragma once

namespace reference_host {

struct FactoryFailures {
  bool engine_factory = false;                // app::GetEngineFactory
  bool create_res_item = false;               // engine::Factory::CreateResItem
  bool create_base_res_item = false;          // engine::Factory::CreateBaseResItem
  bool qrv_factory = false;                   // app::qrv::GetQRVFactory
  bool create_collect_obj = false;            // QRVFactory::CreateResCollectObj
  bool create_collect_copy = false;           // QRVFactory::CreateResCollectCopy
  bool create_collect_templete = false;       // QRVFactory::CreateResCollectTemplete
  bool qrv_application = false;               // app::qrv::GetQRVApplication
  bool base_res_item_creator = false;         // QRVApplication::GetBaseResItemCreator
  bool creator_create_base_res_item = false;  // QRVBaseResItemCreator::CreateBaseResItem
};

// The process-wide switches (all off at start).
FactoryFailures& GetFactoryFailures();

// Turns one switch on for its lifetime, e.g.
//   ScopedFactoryFailure fail(&FactoryFailures::create_collect_obj);
class ScopedFactoryFailure {
 public:
  explicit ScopedFactoryFailure(bool FactoryFailures::*flag);
  ScopedFactoryFailure(const ScopedFactoryFailure&) = delete;
  ScopedFactoryFailure& operator=(const ScopedFactoryFailure&) = delete;
  ~ScopedFactoryFailure();

 private:
  bool FactoryFailures::*flag_;
  bool previous_;
};

}  // namespace reference_host
