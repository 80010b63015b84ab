// Knows the objects of one estimate file by id and makes the references
// between them: each must name an object of the right kind, and a collection
// record may list only copy items whose copy record names its line, each
// once. Record lists, the only references that hold what they name and so
// could close a counted cycle, are made only after every reference has
// passed, so a refused file frees everything built from it. Knows nothing of
// the JSON tree: a reader (of a tree or of a stream) feeds it objects and
// references with their places and says how to name a place. Owns nothing;
// the reader keeps the objects alive.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace reference_host {

class DocumentObjectImpl;
class ResCollectImpl;
class ResItemImpl;

namespace persist {

// A refusal of the input, "<place>: <what>".
struct ReadFailure {
  std::string message;
};

// Where a value sits: an object (the reader's handle) and, below it, a
// member and an index into that member's array (-1: the member itself).
struct Place {
  int node = 0;
  const char* member = nullptr;
  long index = -1;
};

class ReferenceLinker {
 public:
  // What an object is, as far as references care.
  enum class Kind {
    kBudgetLine,     // in a bill item's budget list
    kCostLine,       // in a bill item's cost list
    kCopyItem,       // a collection copy item, which some record must list
    kEntry,          // a resource entry of the document
    kDetachedEntry,  // an entry outside the document, which some line or summary must use
    kOther,
  };
  // What a reference is for, which decides what it may name.
  enum class Ref {
    kEntry,       // a line's entry: a resource entry
    kLinked,      // a cost line's link: a budget line, or nothing any more
    kRegistered,  // an entry's registration: a cost line, or nothing any more
    kOwner,       // a record's owner: a resource line of the document
    kListedCopy,  // an item of a templete or object record's list
    kBudgetItem,  // a copy record's budget item: a budget line
    kCostItem,    // a copy record's cost item: a cost line
    kShared,      // a summary's shared member: a resource entry, not its own
  };

  // |name_place| gives the JSON pointer (or other name) of a place.
  explicit ReferenceLinker(std::function<std::string(const Place&)> name_place);
  ReferenceLinker(const ReferenceLinker&) = delete;
  ReferenceLinker& operator=(const ReferenceLinker&) = delete;
  ~ReferenceLinker();

  // Registers |object| under its id (which it must keep unchanged); throws
  // ReadFailure for an id already taken.
  void Add(DocumentObjectImpl* object, Kind kind, int node);
  // A reference of |holder| (through |record| for the references a record
  // holds) to |id|, made now when it can be checked now, else by Link.
  // Links and registrations are kept by the model as ids: this only checks.
  void Refer(Ref ref, DocumentObjectImpl* holder, ResCollectImpl* record, std::string id,
             Place place);
  // Checks and makes every waiting reference, then checks that each copy
  // item is listed and each detached entry used. Throws ReadFailure at the
  // first fault, having made no record list. Forgets every object after.
  void Link();

 private:
  struct Known {
    std::string_view id;  // views the id the object holds
    size_t hash;
    DocumentObjectImpl* object;
    Kind kind;
    int node;
    bool used;  // a copy item listed, a detached entry used by a line
    // A copy item listed by a templete record, by an object record.
    bool listed_by_templete = false;
    bool listed_by_object = false;
  };
  struct Pending {
    Ref ref;
    DocumentObjectImpl* holder;
    ResCollectImpl* record;
    std::string_view id;  // a waiting reference's views |id_blocks_|
    Place place;
  };

  [[noreturn]] void Fail(const Place& place, const std::string& what) const;
  // A copy of |id| that stays where it is until the linker goes.
  std::string_view Keep(std::string_view id);
  // The object known by |id|, or null.
  Known* Find(std::string_view id);
  // Doubles the slots and puts every known object back.
  void Grow();
  // Checks the target of |pending| and, unless it is a list item, makes it.
  // False when the target is not known (yet).
  bool Resolve(const Pending& pending, bool final);
  // The copy item a record lists, checked against the record and its line.
  ResItemImpl* CheckListed(const Pending& pending, Known& target);

  std::function<std::string(const Place&)> name_place_;
  // Objects in file order, and an open-addressing index over them: each
  // slot holds the high half of an id's hash and 1 + the object's place in
  // |known_| (0: free). A probe reads an id only when the halves match, and
  // growing reads no id at all: a lookup costs a cache miss or two rather
  // than a chase through hash nodes.
  std::vector<Known> known_;
  std::vector<uint64_t> slots_;
  std::vector<Pending> pending_;
  // The ids of waiting references, packed in blocks that never move: a
  // million waiting references cost their bytes, not a string each.
  std::vector<std::unique_ptr<char[]>> id_blocks_;
  char* block_end_ = nullptr;
  size_t block_left_ = 0;
  // Objects that must be used, in file order: places in |known_|.
  std::vector<size_t> must_be_used_;
};

}  // namespace persist
}  // namespace reference_host
