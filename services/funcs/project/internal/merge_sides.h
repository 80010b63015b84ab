// The two sub-projects of a merge pair as the table merges see them: their
// product faces, and the five other-items tables they both may hold.
#pragma once

#include <functional>
#include <type_traits>

#include "host/engine/qrv/qrv_project.h"
#include "host/engine/qtxm_tables.h"
#include "host/engine/sub_project.h"

namespace marrow {
namespace qrv {
namespace internal {

// The five other-items tables, in the order they are merged and checked.
using QTXMTableGetter = engine::dbtables::TableObject* (engine::QTXMTables::*)() const;
constexpr QTXMTableGetter kQTXMTables[] = {
    &engine::QTXMTables::GetTable1, &engine::QTXMTables::GetTable2, &engine::QTXMTables::GetTable3,
    &engine::QTXMTables::GetTable4, &engine::QTXMTables::GetTable5};

// One part of each side of a merge pair; both null when either side lacks
// it.
template <class T>
struct Sides {
  T* from = nullptr;
  T* into = nullptr;
  explicit operator bool() const { return from && into; }
};

// |get| of each side (a getter or a function), when both sides have one.
template <class Side, class Get>
auto BothSides(Side* from, Side* into, Get get) {
  using Part = std::remove_pointer_t<std::invoke_result_t<Get, Side*>>;
  Part* from_part = std::invoke(get, from);
  Part* into_part = std::invoke(get, into);
  if (!from_part || !into_part) return Sides<Part>();
  return Sides<Part>{from_part, into_part};
}

// The product faces of a merge pair.
inline Sides<engine::qrv::QRVSubProject> ProductFacesOf(engine::SubProject* from,
                                                        engine::SubProject* into) {
  return BothSides(from, into, [](engine::SubProject* side) {
    return dynamic_cast<engine::qrv::QRVSubProject*>(side);
  });
}

}  // namespace internal
}  // namespace qrv
}  // namespace marrow
