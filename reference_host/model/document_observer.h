// Hears of changes to an EstimateDocument that a host's views refresh for,
// e.g. a figure column after a recalculation. The document does not own its
// observers: remove one before it goes (the document may go first).
#pragma once

namespace reference_host {

class DocumentObjectImpl;

class DocumentObserver {
 public:
  virtual ~DocumentObserver() = default;
  // |object| brought its derived figures up to date: a resource line its
  // collected quantity, an entry its registered quantity.
  virtual void OnFiguresRecalculated(const DocumentObjectImpl& object) = 0;
};

}  // namespace reference_host
