// The general services library's resource fingerprints: callbacks for the
// host engine's aggregation that reduce a line's visited fields and an
// identity suffix to one 64-bit number.
//
// How the number is made: each visited field is recorded as its key and a
// typed, exact text of its value (a double by its bit pattern); at the end
// the records are sorted by key, so the order of visiting does not matter,
// and written into the fingerprint text with length prefixes, followed by
// the suffix from GetOtherFinger. The text's bytes are hashed with 64-bit
// FNV-1a (offset basis 14695981039346656037, prime 1099511628211). Equal
// inputs give equal numbers in every run and on every platform. The text
// and the records keep their storage from one line to the next, so a
// fingerprint allocates nothing once it has seen each key.
//
// Derived classes narrow the fields (override Visit and pass the wanted ones
// on to these), the validity (IsValid) and the suffix (GetOtherFinger).
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/engine/res_item_callback.h"
#include "host/host_api.h"

namespace engine {
class ResItem;
}  // namespace engine

namespace marrow {

class MARROW_HOST_API ResItemFingerprint : public engine::ResItemCallBack,
                                           protected engine::FieldContainerVisitor {
 public:
  ResItemFingerprint();
  // 0 for a null or invalid item; otherwise the hash of the line's fields as
  // Visit passes them on and of GetOtherFinger's suffix.
  uint64_t GetFingerprint(engine::ResItem* item) override;

 protected:
  // A non-null item.
  bool IsValid(engine::ResItem* item) override;

 public:
  ~ResItemFingerprint() override;

 protected:
  // The identity suffix added to the fields; "" here.
  virtual std::string GetOtherFinger(engine::ResItem* item);

 public:
  // True for a plain fingerprint, false for a provisional-estimate one.
  virtual bool IsPlainFingerprint() const;

 protected:
  // engine::FieldContainerVisitor: records the field.
  void Visit(const std::string& key, const std::string& value) override;
  void Visit(const std::string& key, double value) override;
  void Visit(const std::string& key, int value) override;
  void Visit(const std::string& key, bool value) override;

  // The three steps of GetFingerprint, for a caller that visits fields
  // itself: forget what was recorded, visit every field of |item| with the
  // overload of its kind, and reduce the records and |item|'s suffix.
  void BeginFingerprint();
  void VisitFields(engine::ResItem* item);
  uint64_t FinishFingerprint(engine::ResItem* item);

 private:
  struct Record {
    std::string value;  // typed value text
    unsigned pass = 0;  // the item it was visited for
  };
  // The fingerprint text of the current item.
  std::string text_;
  // Field key -> its record; a record counts for the current item only when
  // its pass is the current one.
  std::unordered_map<std::string, Record> visited_;
  unsigned pass_ = 0;
  std::vector<const std::pair<const std::string, Record>*> current_;
};

// The provisional-estimate fingerprint: only lines marked provisional (field
// "BRIProvisional" true or a non-zero number) take part.
class MARROW_HOST_API ResItemZGFingerprint : public ResItemFingerprint {
 public:
  ResItemZGFingerprint();
  ~ResItemZGFingerprint() override;
  bool IsPlainFingerprint() const override;

 protected:
  bool IsValid(engine::ResItem* item) override;
};

}  // namespace marrow
