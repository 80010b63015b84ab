// Remembers, per class, the answer to a question that only an object's class
// decides (which faces it has), so a walk over every object of a document asks
// once per class. Holds class identities only, never the objects.
#pragma once

#include <cstddef>
#include <typeinfo>
#include <vector>

namespace marrow {
namespace qrv {
namespace internal {

// A cross cast from the virtual base searches the whole hierarchy of the
// object's class, and a failing one walks all of it: on the host's deepest
// classes three such casts cost some two thousand instructions, more than
// everything else the re-pointing walk does with an object. Reading the
// class (typeid) touches only the object's first word, which the walk reads
// anyway.
template <class Answer>
class ClassMemo {
 public:
  // |ask|(object) when |object|'s class was not seen before, else the answer
  // it gave for that class. |object| must be of a polymorphic type.
  template <class Object, class Ask>
  Answer Get(Object& object, Ask ask) {
    const std::type_info& type = typeid(object);
    // Objects of one class come in runs: try the last class first.
    if (last_ < seen_.size() && seen_[last_].type == &type) return seen_[last_].answer;
    for (std::size_t i = 0; i < seen_.size(); ++i) {
      if (seen_[i].type == &type) {
        last_ = i;
        return seen_[i].answer;
      }
    }
    // Another library may hold its own copy of a class's type_info: equal
    // names are the same class. That copy is then kept too, for the fast
    // path.
    for (std::size_t i = 0; i < seen_.size(); ++i) {
      if (*seen_[i].type == type) {
        last_ = seen_.size();
        seen_.push_back(Seen{&type, seen_[i].answer});
        return seen_.back().answer;
      }
    }
    last_ = seen_.size();
    seen_.push_back(Seen{&type, ask(object)});
    return seen_.back().answer;
  }

  // Classes asked about (each type_info copy counted once).
  std::size_t size() const { return seen_.size(); }

 private:
  struct Seen {
    const std::type_info* type;
    Answer answer;
  };

  std::vector<Seen> seen_;
  std::size_t last_ = 0;
};

// dynamic_cast<To*>(object) for objects given by their From face, asked once
// per class: every object of one class lays out its faces alike, so where
// the To face lies from the From face is a class's answer too. A successful
// cross cast on the host's bill items cost some nine hundred instructions, a
// tenth of a merge that cast every item of its bill trees.
template <class From, class To>
class CrossCastMemo {
 public:
  To* Cast(From* object) {
    if (!object) return nullptr;
    const Offset offset = memo_.Get(*object, [](From& first) {
      To* face = dynamic_cast<To*>(&first);
      if (!face) return Offset{false, 0};
      return Offset{true,
                    reinterpret_cast<const char*>(face) - reinterpret_cast<const char*>(&first)};
    });
    if (!offset.found) return nullptr;
    return reinterpret_cast<To*>(reinterpret_cast<char*>(object) + offset.bytes);
  }

 private:
  struct Offset {
    bool found;
    std::ptrdiff_t bytes;
  };

  ClassMemo<Offset> memo_;
};

}  // namespace internal
}  // namespace qrv
}  // namespace marrow
