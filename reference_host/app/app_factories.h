// What the application layer hands out through app::GetEngineFactory,
// app::qrv::GetQRVFactory and app::qrv::GetQRVApplication. A program
// registers its own factories and application object at start-up, before the
// library runs; until it does, the reference host's own serve. The set is
// handed out as registered: a null member is answered as null, as the
// contracts allow a host that lacks one. Registration is not synchronised:
// make it on the document thread while no library call runs.
#pragma once

namespace app {
namespace qrv {
class QRVApplication;
}  // namespace qrv
}  // namespace app

namespace engine {
class Factory;
namespace qrv {
class QRVFactory;
}  // namespace qrv
}  // namespace engine

namespace reference_host {

// Not owned: each must outlive its registration.
struct AppFactories {
  engine::Factory* engine = nullptr;
  engine::qrv::QRVFactory* qrv = nullptr;
  app::qrv::QRVApplication* application = nullptr;
};

// The reference host's own set (objects that live as long as the process).
AppFactories ReferenceFactories();
// The set handed out now.
AppFactories RegisteredFactories();
// Hands out |factories| from now on; answers the set it replaces, so a
// caller can put that back.
AppFactories RegisterFactories(const AppFactories& factories);

}  // namespace reference_host
