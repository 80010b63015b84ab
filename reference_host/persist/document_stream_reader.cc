#include "reference_host/persist/document_stream_reader.h"

#include <simdjson.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <system_error>
#include <tuple>
#include <unordered_set>
#include <utility>
#include <vector>

#include "host/engine/qrv/qrv_res_collect.h"
#include "reference_host/model/base_res_item_group_impl.h"
#include "reference_host/model/base_res_item_impl.h"
#include "reference_host/model/bill_stage_impl.h"
#include "reference_host/model/cost_account_group_impl.h"
#include "reference_host/model/cost_account_impl.h"
#include "reference_host/model/field_keys.h"
#include "reference_host/model/project_impl.h"
#include "reference_host/model/res_collect_impl.h"
#include "reference_host/model/res_item_impl.h"
#include "reference_host/model/res_item_list_impl.h"
#include "reference_host/model/res_summary_impl.h"
#include "reference_host/model/sub_engineering_impl.h"
#include "reference_host/model/sub_project_impl.h"
#include "reference_host/model/sub_project_tables_impl.h"
#include "reference_host/model/table_impl.h"
#include "reference_host/persist/document_json.h"
#include "reference_host/persist/json_values.h"
#include "reference_host/persist/reference_linker.h"
#include "reference_host/persist/value_rules.h"

namespace reference_host {
namespace persist {
namespace {

namespace od = simdjson::ondemand;
using Kind = ReferenceLinker::Kind;
using Ref = ReferenceLinker::Ref;

// Thrown at the first fault; the caller asks the tree reader why.
struct Refused {};

[[noreturn]] void Refuse() { throw Refused{}; }

template <class T, class Result>
T Take(Result result) {
  T value;
  if (std::move(result).get(value)) Refuse();
  return value;
}

// The member names of one object seen so far, to refuse one named twice.
// Most objects have a handful; a long list moves to a hash set.
class NameSet {
 public:
  bool Insert(std::string_view name) {
    if (!large_.empty()) return large_.insert(name).second;
    for (size_t i = 0; i < count_; ++i)
      if (small_[i] == name) return false;
    if (count_ < kSmall) {
      small_[count_++] = name;
      return true;
    }
    large_.insert(small_, small_ + kSmall);
    return large_.insert(name).second;
  }

 private:
  static constexpr size_t kSmall = 16;
  std::string_view small_[kSmall];
  size_t count_ = 0;
  std::unordered_set<std::string_view> large_;
};

// A JSON number as the tree parser types it: integers that fit 64 bits
// signed (negative) or unsigned, everything else a double.
struct Number {
  enum class Type { kSigned, kUnsigned, kFloat } type;
  int64_t signed_value = 0;
  uint64_t unsigned_value = 0;
  double float_value = 0.0;

  bool IsInteger() const { return type != Type::kFloat; }
  double AsDouble() const {
    switch (type) {
      case Type::kSigned:
        return static_cast<double>(signed_value);
      case Type::kUnsigned:
        return static_cast<double>(unsigned_value);
      case Type::kFloat:
        break;
    }
    return float_value;
  }
  // The value as an int, or nothing when out of that range.
  std::optional<int> AsInt() const {
    if (type == Type::kUnsigned && unsigned_value <= static_cast<uint64_t>(INT32_MAX))
      return static_cast<int>(unsigned_value);
    if (type == Type::kSigned && signed_value >= INT32_MIN && signed_value <= INT32_MAX)
      return static_cast<int>(signed_value);
    return std::nullopt;
  }
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The JSON grammar of a number: whether |token| is one and has a fraction or
// an exponent.
// Whether the number |token| (JSON grammar) lies below the smallest double
// rather than beyond the largest: the decimal exponent of its first
// significant digit is negative.
bool Underflows(std::string_view token) {
  size_t i = token[0] == '-' ? 1 : 0;
  long integer_digits = 0, zeros_after_point = 0;
  bool after_point = false, significant = false;
  for (; i < token.size() && token[i] != 'e' && token[i] != 'E'; ++i) {
    if (token[i] == '.') {
      after_point = true;
    } else if (significant || token[i] != '0') {
      significant = true;
      if (!after_point) ++integer_digits;
    } else if (after_point) {
      ++zeros_after_point;
    }
  }
  long exponent = 0;
  if (i < token.size()) {
    size_t j = i + 1;
    const bool negative = j < token.size() && token[j] == '-';
    if (j < token.size() && (token[j] == '-' || token[j] == '+')) ++j;
    for (; j < token.size(); ++j) exponent = std::min(exponent * 10 + (token[j] - '0'), 1L << 40);
    if (negative) exponent = -exponent;
  }
  const long first = integer_digits > 0 ? integer_digits - 1 : -(zeros_after_point + 1);
  return first + exponent < 0;
}

bool ScanNumber(std::string_view token, bool& is_float) {
  size_t i = 0;
  const size_t n = token.size();
  if (i < n && token[i] == '-') ++i;
  if (i == n) return false;
  if (token[i] == '0') {
    ++i;
  } else if (IsDigit(token[i])) {
    while (i < n && IsDigit(token[i])) ++i;
  } else {
    return false;
  }
  is_float = false;
  if (i < n && token[i] == '.') {
    is_float = true;
    if (++i == n || !IsDigit(token[i])) return false;
    while (i < n && IsDigit(token[i])) ++i;
  }
  if (i < n && (token[i] == 'e' || token[i] == 'E')) {
    is_float = true;
    ++i;
    if (i < n && (token[i] == '+' || token[i] == '-')) ++i;
    if (i == n || !IsDigit(token[i])) return false;
    while (i < n && IsDigit(token[i])) ++i;
  }
  return i == n;
}

// The members of a {"bytes"} or {"double"} object; any other member or a
// value that is not a string makes it neither.
struct Tagged {
  int count = 0;
  std::optional<std::string_view> bytes, name, bits;

  bool Text(std::string& text) const { return count == 1 && bytes && BytesFromHex(*bytes, text); }
  bool Double(double& value) const {
    if (!name) return false;
    if (*name == "NaN") {
      if (count == 1) {
        value = std::numeric_limits<double>::quiet_NaN();
        return true;
      }
      return count == 2 && bits && NaNFromBits(*bits, value);
    }
    if (count != 1) return false;
    if (*name == "Infinity" || *name == "-Infinity") {
      value = (*name)[0] == '-' ? -std::numeric_limits<double>::infinity()
                                : std::numeric_limits<double>::infinity();
      return true;
    }
    return false;
  }
};

// A record as read, made once its line is.
struct RecordParts {
  std::string_view kind;
  bool has_owner = false;
  std::optional<std::string> owner;  // none: a JSON null
  std::optional<std::string> budget_item, cost_item;
  bool has_copies = false;
  std::vector<std::string> copies;
};

// Names of the members an object kind knows, in the order of its enum.
template <size_t N>
using Names = std::string_view[N];

class StreamReader {
 public:
  // |end| is the end of the readable bytes behind the text (its padding
  // included), which the pieces read later need too.
  explicit StreamReader(const char* end)
      : linker_([](const Place&) { return std::string(); }), end_(end) {}

  // Reads every object of |document| but the bill items of sub-projects and
  // the copy items, which it leaves as pieces of the text, and checks
  // nothing follows the document's object.
  void Walk(od::document& document);
  // Reads the pieces Walk left, each through a parser of its own. The
  // whole text's parser can go first: its index of the text (4 bytes per
  // token, a third of the text's size) and the finished model, which is
  // mostly bill items and their lines, are then never held together.
  void ReadPieces();
  // Links the references and hands the objects over in a document. Needs
  // nothing of the parser, which can go first.
  std::unique_ptr<EstimateDocument> Finish();

 private:
  // Field values waiting for their object, on one stack for all objects:
  // an object's come after its parent's and are gone when it is made.
  using Fields = std::vector<std::pair<std::string_view, engine::FieldValue>>;
  struct FieldRange {
    size_t begin = 0, end = 0;
  };
  // Drops the fields read since it was made.
  class FieldMark {
   public:
    explicit FieldMark(Fields& fields) : fields_(fields), size_(fields.size()) {}
    ~FieldMark() { fields_.resize(size_); }

   private:
    Fields& fields_;
    size_t size_;
  };
  enum class LineSide { kBudget, kCost, kCopy };

  static void Enter(int depth) {
    if (depth > kMaxDocumentNesting) Refuse();
  }
  static od::json_type TypeOf(od::value& value) { return Take<od::json_type>(value.type()); }
  static bool IsNull(od::value& value) {
    if (TypeOf(value) != od::json_type::null) return false;
    if (!Take<bool>(value.is_null())) Refuse();
    return true;
  }

  // Calls |each| with the index in |names| and the value of every member
  // |names| knows; checks the others are JSON and no name comes twice.
  // Answers a bit per known member seen.
  template <size_t N, class Each>
  uint32_t Members(od::value& value, int depth, const Names<N>& names, Each each);
  // What every object but a record has: a required "id" and its "fields",
  // the first two of |names| in the overload that reads them into |head|
  // and calls |each| for the others.
  struct Head {
    std::string id;
    FieldRange fields;
  };
  template <size_t N, class Each>
  uint32_t Members(od::value& value, int depth, const Names<N>& names, Head& head, Each each);
  // Calls |each| with every element of the array |value|.
  template <class Each>
  void Elements(od::value& value, int depth, Each each);
  // Checks that |value| is JSON the tree parser takes, every bit of it.
  void Validate(od::value& value, int depth);

  static Number ReadNumber(od::value& value);
  // Texts without escapes are viewed in the input, so that the parser
  // copies only the few with escapes (stage 1 has checked the UTF-8 and
  // the control characters of every text already).
  static std::string_view String(od::value& value) {
    std::string_view token = value.raw_json_token();
    // The token runs to the next one. A value is never followed by ':'; the
    // parser, not asked to take the text, would read it as a member name
    // and count brackets on without matching them. The byte after the
    // token is within the input's padding at worst.
    if (token.data()[token.size()] == ':') Refuse();
    const size_t close = token.find_last_of('"');
    if (token.size() >= 2 && token[0] == '"' && close > 0 && token.find('\\', 1) >= close)
      return token.substr(1, close - 1);
    return Take<std::string_view>(value.get_string());
  }
  // The text of the object |value|, to the next token, skipped for now.
  static std::string_view Skipped(od::value& value) {
    od::object object = Take<od::object>(value.get_object());
    return Take<std::string_view>(object.raw_json());
  }
  static std::string_view Key(od::field& field) {
    const char* start = field.key().raw();
    const char* close = static_cast<const char*>(std::strchr(start, '"'));
    if (close && !std::memchr(start, '\\', close - start))
      return std::string_view(start, close - start);
    return Take<std::string_view>(field.unescaped_key());
  }
  Tagged ReadTagged(od::value& value, int depth);
  std::string Text(od::value& value, int depth);
  std::string Id(od::value& value, int depth);
  int Integer(od::value& value);
  // An integer kind code that |check| accepts.
  int KindCode(od::value& value, std::string (*check)(int)) {
    const int code = Integer(value);
    if (!check(code).empty()) Refuse();
    return code;
  }
  double Figure(od::value& value, int depth);
  std::optional<double> Quantity(od::value& value, int depth);
  engine::FieldValue FieldValue(od::value& value, int depth);
  FieldRange ReadFields(od::value& value, int depth);
  void ApplyFields(FieldRange range, FieldContainerImpl* container);
  std::vector<std::string> IdList(od::value& value, int depth);

  scoped_refptr<ProjectImpl> ReadProject(od::value& value, int depth);
  scoped_refptr<CostAccountImpl> ReadCostAccount(od::value& value, int depth);
  scoped_refptr<BillStageImpl> ReadBillStage(od::value& value, int depth);
  scoped_refptr<TupleImpl> ReadRow(od::value& value, int depth);
  scoped_refptr<MovableMemberImpl> ReadMovableMember(od::value& value, int depth);
  scoped_refptr<BaseResItemImpl> ReadEntry(od::value& value, int depth) {
    return ReadEntryAs(value, depth, Kind::kEntry);
  }
  scoped_refptr<BaseResItemImpl> ReadEntryAs(od::value& value, int depth, Kind kind);
  scoped_refptr<SubProjectImpl> ReadSubProject(od::value& value, int depth);
  scoped_refptr<BaseResItemGroupImpl> ReadContractGroup(od::value& value, int depth);
  scoped_refptr<TableImpl> ReadTable(od::value& value, int depth);
  scoped_refptr<SubEngineeringImpl> ReadBillItem(od::value& value, int depth);
  scoped_refptr<ResItemImpl> ReadLine(od::value& value, int depth, LineSide side);
  RecordParts ReadRecord(od::value& value, int depth);
  void MakeRecord(RecordParts& parts, ResItemImpl* line, LineSide side);

  // Most objects share one shape: |T| texts, an "id", their "fields" and
  // at most one list of children, each read by a ChildReader and handed to
  // the object by an Adopter.
  template <class Child>
  using ChildReader = scoped_refptr<Child> (StreamReader::*)(od::value&, int);
  template <class Object, class Child>
  using Adopter = bool (Object::*)(scoped_refptr<Child>, int);
  // The elements of the array |value|, each read by |read| a level down.
  template <class Child>
  std::vector<scoped_refptr<Child>> List(od::value& value, int depth, ChildReader<Child> read) {
    std::vector<scoped_refptr<Child>> list;
    Elements(value, depth,
             [&](od::value& element) { list.push_back((this->*read)(element, depth + 1)); });
    return list;
  }
  template <size_t T, class Child>
  struct NodeParts : Head {
    std::array<std::string, T> texts;
    std::vector<scoped_refptr<Child>> children;
  };

  // Reads an object whose members |names| gives in this order: "id",
  // "fields", |T| texts and, when there is one more, the list |read_child|
  // reads. The id and the texts are required.
  template <size_t T, class Child, size_t N>
  NodeParts<T, Child> ReadParts(od::value& value, int depth, const Names<N>& names,
                                ChildReader<Child> read_child);
  // Reads and makes an |Object| of the common shape: made of its id and
  // texts, given its fields and children, registered with the linker.
  template <class Object, size_t T, class Child = Object, size_t N>
  scoped_refptr<Object> ReadNode(od::value& value, int depth, const Names<N>& names,
                                 ChildReader<Child> read_child = nullptr,
                                 Adopter<Object, Child> adopt = nullptr) {
    FieldMark mark(fields_);
    NodeParts<T, Child> parts = ReadParts<T>(value, depth, names, read_child);
    scoped_refptr<Object> object(std::apply(
        [&](auto&... texts) { return new Object(std::move(parts.id), std::move(texts)...); },
        parts.texts));
    Adopt(parts, object.get(), adopt);
    return object;
  }
  // Gives |object| the fields and the children read for it and registers it.
  template <size_t T, class Object, class Child>
  void Adopt(NodeParts<T, Child>& parts, Object* object, Adopter<Object, Child> adopt) {
    Register(object, parts.fields);
    if (adopt)
      for (auto& child : parts.children) (object->*adopt)(std::move(child), -1);
  }
  // Gives |object| its fields and registers it with the linker.
  void Register(DocumentObjectImpl* object, FieldRange fields, Kind kind = Kind::kOther) {
    ApplyFields(fields, object->fields());
    linker_.Add(object, kind, 0);
  }
  template <class T>
  scoped_refptr<T> Created(T* object, FieldRange fields, Kind kind = Kind::kOther) {
    scoped_refptr<T> created(object);
    Register(created.get(), fields, kind);
    return created;
  }

  ReferenceLinker linker_;
  Fields fields_;
  std::string key_;  // reused for each field key
  scoped_refptr<ProjectImpl> project_;
  std::vector<scoped_refptr<ResItemImpl>> copies_;
  // A bill item or copy item to read later, in the order of the text.
  struct Piece {
    scoped_refptr<SubProjectImpl> sub_project;  // the bill item's; null for a copy item
    int depth;
    std::string_view text;
  };
  const char* end_;
  std::vector<Piece> pieces_;
  std::vector<scoped_refptr<BaseResItemImpl>> detached_;
};

template <size_t N, class Each>
uint32_t StreamReader::Members(od::value& value, int depth, const Names<N>& names, Each each) {
  static_assert(N <= 32, "a bit per member");
  Enter(depth);
  od::object object = Take<od::object>(value.get_object());
  uint32_t seen = 0;
  NameSet others;
  for (auto result : object) {
    od::field field = Take<od::field>(result);
    std::string_view key = Key(field);
    size_t which = 0;
    while (which < N && names[which] != key) ++which;
    if (which == N) {
      if (!others.Insert(key)) Refuse();
      Validate(field.value(), depth + 1);
      continue;
    }
    if (seen & (1u << which)) Refuse();
    seen |= 1u << which;
    each(static_cast<int>(which), field.value());
  }
  return seen;
}

template <size_t N, class Each>
uint32_t StreamReader::Members(od::value& value, int depth, const Names<N>& names, Head& head,
                               Each each) {
  const uint32_t seen = Members(value, depth, names, [&](int which, od::value& member) {
    if (which == 0)
      head.id = Id(member, depth + 1);
    else if (which == 1)
      head.fields = ReadFields(member, depth + 1);
    else
      each(which, member);
  });
  if (!(seen & 1)) Refuse();
  return seen;
}

template <size_t T, class Child, size_t N>
StreamReader::NodeParts<T, Child> StreamReader::ReadParts(od::value& value, int depth,
                                                          const Names<N>& names,
                                                          ChildReader<Child> read_child) {
  static_assert(N == T + 2 || N == T + 3, "id, fields, texts and a list at most");
  NodeParts<T, Child> parts;
  const uint32_t seen = Members(value, depth, names, parts, [&](int which, od::value& member) {
    if (which < static_cast<int>(T) + 2)
      parts.texts[which - 2] = Text(member, depth + 1);
    else
      parts.children = List(member, depth + 1, read_child);
  });
  constexpr uint32_t kTexts = ((1u << T) - 1) << 2;
  if ((seen & kTexts) != kTexts) Refuse();
  return parts;
}

template <class Each>
void StreamReader::Elements(od::value& value, int depth, Each each) {
  Enter(depth);
  od::array array = Take<od::array>(value.get_array());
  for (auto result : array) {
    od::value element = Take<od::value>(result);
    each(element);
  }
}

void StreamReader::Validate(od::value& value, int depth) {
  switch (TypeOf(value)) {
    case od::json_type::object: {
      Enter(depth);
      od::object object = Take<od::object>(value.get_object());
      NameSet names;
      for (auto result : object) {
        od::field field = Take<od::field>(result);
        if (!names.Insert(Key(field))) Refuse();
        Validate(field.value(), depth + 1);
      }
      return;
    }
    case od::json_type::array:
      Elements(value, depth, [&](od::value& element) { Validate(element, depth + 1); });
      return;
    case od::json_type::number:
      ReadNumber(value);
      return;
    case od::json_type::string:
      String(value);
      return;
    case od::json_type::boolean:
      Take<bool>(value.get_bool());
      return;
    case od::json_type::null:
      IsNull(value);
      return;
  }
  Refuse();
}

Number StreamReader::ReadNumber(od::value& value) {
  std::string_view token = value.raw_json_token();
  if (token.data()[token.size()] == ':') Refuse();  // as in String()
  while (!token.empty() && (token.back() == ' ' || token.back() == '\t' || token.back() == '\n' ||
                            token.back() == '\r'))
    token.remove_suffix(1);
  bool is_float = false;
  if (!ScanNumber(token, is_float)) Refuse();
  Number number{Number::Type::kFloat};
  const char* end = token.data() + token.size();
  if (!is_float) {
    // Integers beyond 64 bits become doubles, as in the tree parser.
    if (token[0] == '-') {
      auto [at, error] = std::from_chars(token.data(), end, number.signed_value);
      if (error == std::errc() && at == end) {
        number.type = Number::Type::kSigned;
        return number;
      }
    } else {
      auto [at, error] = std::from_chars(token.data(), end, number.unsigned_value);
      if (error == std::errc() && at == end) {
        number.type = Number::Type::kUnsigned;
        return number;
      }
    }
  }
  // Not the parser's own conversion: it rounds long mantissas wrongly (50
  // digits of 0.444... came out as 5.9e-31). from_chars rounds as strtod,
  // which the tree parser uses.
  const auto [at, error] = std::from_chars(token.data(), end, number.float_value);
  if (error == std::errc::result_out_of_range) {
    // Beyond the largest double is refused, as by the tree parser; below the
    // smallest is a zero of the token's sign, as strtod gives.
    if (!Underflows(token)) Refuse();
    number.float_value = token[0] == '-' ? -0.0 : 0.0;
  } else if (error != std::errc() || at != end || !std::isfinite(number.float_value)) {
    Refuse();
  }
  return number;
}

Tagged StreamReader::ReadTagged(od::value& value, int depth) {
  Enter(depth);
  od::object object = Take<od::object>(value.get_object());
  Tagged tagged;
  // Any other member, or a value that is not a string, makes the object
  // neither form: refused wherever it stands.
  for (auto result : object) {
    od::field field = Take<od::field>(result);
    std::string_view key = Key(field);
    std::optional<std::string_view>& slot = key == "bytes"    ? tagged.bytes
                                            : key == "double" ? tagged.name
                                            : key == "bits"   ? tagged.bits
                                                              : (Refuse(), tagged.bits);
    if (slot || TypeOf(field.value()) != od::json_type::string) Refuse();
    slot = String(field.value());
    ++tagged.count;
  }
  return tagged;
}

std::string StreamReader::Text(od::value& value, int depth) {
  const od::json_type type = TypeOf(value);
  if (type == od::json_type::string) return std::string(String(value));
  std::string text;
  if (type != od::json_type::object || !ReadTagged(value, depth).Text(text)) Refuse();
  return text;
}

std::string StreamReader::Id(od::value& value, int depth) {
  std::string id = Text(value, depth);
  if (id.empty()) Refuse();
  return id;
}

int StreamReader::Integer(od::value& value) {
  if (TypeOf(value) != od::json_type::number) Refuse();
  Number number = ReadNumber(value);
  std::optional<int> integer = number.AsInt();
  if (!number.IsInteger() || !integer) Refuse();
  return *integer;
}

double StreamReader::Figure(od::value& value, int depth) {
  const od::json_type type = TypeOf(value);
  if (type == od::json_type::number) return ReadNumber(value).AsDouble();
  double figure = 0.0;
  if (type != od::json_type::object || !ReadTagged(value, depth).Double(figure)) Refuse();
  return figure;
}

std::optional<double> StreamReader::Quantity(od::value& value, int depth) {
  if (IsNull(value)) return std::nullopt;
  double quantity = Figure(value, depth);
  if (!CheckQuantity(quantity).empty()) Refuse();
  return quantity;
}

engine::FieldValue StreamReader::FieldValue(od::value& value, int depth) {
  switch (TypeOf(value)) {
    case od::json_type::null:
      IsNull(value);
      return engine::FieldValue();
    case od::json_type::boolean:
      return engine::FieldValue(Take<bool>(value.get_bool()));
    case od::json_type::number: {
      Number number = ReadNumber(value);
      if (!number.IsInteger()) return engine::FieldValue(number.float_value);
      std::optional<int> integer = number.AsInt();
      if (!integer) Refuse();
      return engine::FieldValue(*integer);
    }
    case od::json_type::string:
      return engine::FieldValue(std::string(String(value)));
    case od::json_type::object: {
      Tagged tagged = ReadTagged(value, depth);
      std::string text;
      if (tagged.Text(text)) return engine::FieldValue(std::move(text));
      double number = 0.0;
      if (tagged.Double(number)) return engine::FieldValue(number);
      break;
    }
    case od::json_type::array:
      break;
  }
  Refuse();
}

StreamReader::FieldRange StreamReader::ReadFields(od::value& value, int depth) {
  Enter(depth);
  od::object object = Take<od::object>(value.get_object());
  FieldRange range{fields_.size(), fields_.size()};
  NameSet names;
  for (auto result : object) {
    od::field field = Take<od::field>(result);
    std::string_view key = Key(field);
    if (!names.Insert(key)) Refuse();
    fields_.emplace_back(key, FieldValue(field.value(), depth + 1));
  }
  range.end = fields_.size();
  return range;
}

void StreamReader::ApplyFields(FieldRange range, FieldContainerImpl* container) {
  container->ReserveFields(range.end - range.begin);
  for (size_t i = range.begin; i < range.end; ++i) {
    const auto& [json_key, value] = fields_[i];
    // Most keys are spelled as they are; only a leading NUL marks the hex form.
    if (json_key.empty() || json_key[0] != '\0')
      key_.assign(json_key);
    else if (!KeyFromJson(std::string(json_key), key_))
      Refuse();
    container->SetFieldValue(key_, value, false);
  }
}

std::vector<std::string> StreamReader::IdList(od::value& value, int depth) {
  std::vector<std::string> ids;
  Elements(value, depth, [&](od::value& id) { ids.push_back(Id(id, depth + 1)); });
  return ids;
}

void StreamReader::Walk(od::document& document) {
  enum { kFormat, kVersion, kProject, kCopies, kDetached };
  static constexpr Names<5> kNames = {"format", "version", "project", "copies", "detachedEntries"};
  od::value root = Take<od::value>(document.get_value());
  uint32_t seen = Members(root, 1, kNames, [&](int which, od::value& member) {
    switch (which) {
      case kFormat:
        if (TypeOf(member) != od::json_type::string || String(member) != kDocumentFormatName)
          Refuse();
        break;
      case kVersion: {
        if (TypeOf(member) != od::json_type::number) Refuse();
        Number version = ReadNumber(member);
        if (!version.IsInteger() || version.AsInt() != kDocumentFormatVersion) Refuse();
        break;
      }
      case kProject:
        if (!IsNull(member)) project_ = ReadProject(member, 2);
        break;
      case kCopies:
        Elements(member, 2, [&](od::value& copy) {
          pieces_.push_back({nullptr, 3, Skipped(copy)});
        });
        break;
      case kDetached:
        Elements(member, 2, [&](od::value& entry) {
          detached_.push_back(ReadEntryAs(entry, 3, Kind::kDetachedEntry));
        });
        break;
    }
  });
  const uint32_t required = 1u << kFormat | 1u << kVersion | 1u << kProject;
  if ((seen & required) != required) Refuse();
  // Nothing may follow the document's object.
  if (document.current_location().error() != simdjson::OUT_OF_BOUNDS) Refuse();
}

void StreamReader::ReadPieces() {
  od::parser parser;
  for (const Piece& piece : pieces_) {
    // The bytes after a piece are the rest of the text: padding enough.
    simdjson::padded_string_view view(piece.text.data(), piece.text.size(),
                                      end_ - piece.text.data());
    od::document document;
    if (parser.iterate(view).get(document)) Refuse();
    od::value value = Take<od::value>(document.get_value());
    if (piece.sub_project)
      piece.sub_project->AddSubEngineering(ReadBillItem(value, piece.depth));
    else
      copies_.push_back(ReadLine(value, piece.depth, LineSide::kCopy));
    if (document.current_location().error() != simdjson::OUT_OF_BOUNDS) Refuse();
  }
  pieces_ = {};
}

std::unique_ptr<EstimateDocument> StreamReader::Finish() {
  linker_.Link();
  auto estimate = std::make_unique<EstimateDocument>();
  if (project_ && !estimate->SetProject(project_)) Refuse();
  return estimate;
}

scoped_refptr<ProjectImpl> StreamReader::ReadProject(od::value& value, int depth) {
  enum { kId, kFields, kName, kAccounts, kStages, kContractGroups, kTables, kSubProjects };
  static constexpr Names<8> kNames = {"id",         "fields",         "name",   "costAccounts",
                                      "billStages", "contractGroups", "tables", "subProjects"};
  Head head;
  std::string name;
  FieldMark mark(fields_);
  NodeParts<0, CostAccountImpl> accounts;
  NodeParts<0, BillStageImpl> stages;
  std::vector<scoped_refptr<BaseResItemGroupImpl>> groups;
  std::vector<scoped_refptr<TableImpl>> tables;
  scoped_refptr<SubProjectImpl> root;
  const int inner = depth + 1;
  static constexpr Names<3> kTree = {"id", "fields", "accounts"};
  static constexpr Names<3> kGroup = {"id", "fields", "stages"};
  uint32_t seen = Members(value, depth, kNames, head, [&](int which, od::value& member) {
    if (which == kName) name = Text(member, inner);
    if (which == kAccounts)
      accounts = ReadParts<0>(member, inner, kTree, &StreamReader::ReadCostAccount);
    if (which == kStages)
      stages = ReadParts<0>(member, inner, kGroup, &StreamReader::ReadBillStage);
    if (which == kContractGroups) groups = List(member, inner, &StreamReader::ReadContractGroup);
    if (which == kTables) tables = List(member, inner, &StreamReader::ReadTable);
    if (which == kSubProjects) {
      int count = 0;
      Elements(member, inner, [&](od::value& sub_project) {
        if (++count > 1) Refuse();
        root = ReadSubProject(sub_project, inner + 1);
      });
    }
  });
  const uint32_t required = 1u << kName | 1u << kAccounts | 1u << kStages;
  if ((seen & required) != required) Refuse();

  auto project = Created(new ProjectImpl(head.id, name, accounts.id, stages.id), head.fields);
  Adopt(accounts, project->cost_accounts(), &CostAccountGroupImpl::AddCostAccount);
  Adopt(stages, project->bill_stages(), &BillStageGroupImpl::AddBillStage);
  for (auto& group : groups) project->AddBaseResItemGroup(std::move(group));
  for (auto& table : tables) project->AddTable(std::move(table));
  if (root) project->SetRootSubProject(std::move(root));
  return project;
}

scoped_refptr<CostAccountImpl> StreamReader::ReadCostAccount(od::value& value, int depth) {
  static constexpr Names<5> kNames = {"id", "fields", "code", "name", "accounts"};
  return ReadNode<CostAccountImpl, 2>(value, depth, kNames, &StreamReader::ReadCostAccount,
                                      &CostAccountImpl::AddChild);
}

scoped_refptr<BillStageImpl> StreamReader::ReadBillStage(od::value& value, int depth) {
  static constexpr Names<3> kNames = {"id", "fields", "name"};
  return ReadNode<BillStageImpl, 1>(value, depth, kNames);
}

scoped_refptr<MovableMemberImpl> StreamReader::ReadMovableMember(od::value& value, int depth) {
  static constexpr Names<2> kNames = {"id", "fields"};
  return ReadNode<MovableMemberImpl, 0>(value, depth, kNames);
}

scoped_refptr<TupleImpl> StreamReader::ReadRow(od::value& value, int depth) {
  static constexpr Names<3> kNames = {"id", "fields", "rows"};
  return ReadNode<TupleImpl, 0>(value, depth, kNames, &StreamReader::ReadRow, &TupleImpl::AddChild);
}

scoped_refptr<BaseResItemImpl> StreamReader::ReadEntryAs(od::value& value, int depth, Kind kind) {
  static constexpr Names<4> kNames = {"id", "fields", "registered", "registeredQuantity"};
  Head head;
  FieldMark mark(fields_);
  std::vector<std::string> registered;
  double registered_quantity = 0.0;
  uint32_t seen = Members(value, depth, kNames, head, [&](int which, od::value& member) {
    if (which == 2) registered = IdList(member, depth + 1);
    if (which == 3) registered_quantity = Figure(member, depth + 1);
  });
  auto entry = Created(new BaseResItemImpl(head.id), head.fields, kind);
  for (std::string& cost_item : registered) {
    // The model drops a repeated id silently; the file may not repeat one.
    const size_t before = entry->registered_res_item_ids().size();
    entry->AddRegisteredId(cost_item);
    if (entry->registered_res_item_ids().size() == before) Refuse();
    linker_.Refer(Ref::kRegistered, entry.get(), nullptr, std::move(cost_item), {});
  }
  if (seen & 8) entry->set_registered_quantity(registered_quantity);
  return entry;
}

scoped_refptr<SubProjectImpl> StreamReader::ReadSubProject(od::value& value, int depth) {
  enum {
    kId,
    kFields,
    kKind,
    kName,
    kSummary,
    kContractGroups,
    kSubProjects,
    kBills,
    kDjcs,
    kZjcs,
    kJjfy,
    kZjcsDetail,
    kJjfyTable,
    kMovableItems,
    kProductItems,
    kMovableRecords,
    kQtxm,
    kFeeStore,
    kMemberCount
  };
  static constexpr Names<kMemberCount> kNames = {
      "id",         "fields",         "kind",         "name",
      "summary",    "contractGroups", "subProjects",  "bills",
      "djcsRoot",   "zjcsRoot",       "jjfyRoot",     "zjcsDetailTable",
      "jjfyTable",  "movableItems",   "productItems", "movableRecords",
      "qtxmTables", "feeStore"};
  const int inner = depth + 1;
  int kind = 0;
  Head head;
  std::string name;
  FieldMark mark(fields_);
  NodeParts<0, BaseResItemImpl> summary;
  std::vector<std::string> shared;
  std::vector<scoped_refptr<BaseResItemGroupImpl>> groups;
  std::vector<scoped_refptr<SubProjectImpl>> children;
  std::vector<std::string_view> bills;
  scoped_refptr<SubEngineeringImpl> roots[3];
  scoped_refptr<TableImpl> keyed[2];
  std::vector<scoped_refptr<MovableMemberImpl>> sets[3];
  bool qtxm = false, fee_store = false;
  scoped_refptr<TableImpl> qtxm_tables[QTXMTablesImpl::kTableCount];
  std::vector<scoped_refptr<TableImpl>> fee_tables;
  static constexpr Names<4> kSummaryNames = {"id", "fields", "entries", "shared"};
  static constexpr Names<QTXMTablesImpl::kTableCount> kTables = {"table1", "table2", "table3",
                                                                 "table4", "table5"};
  static constexpr Names<1> kStore = {"tables"};
  uint32_t seen = Members(value, depth, kNames, head, [&](int which, od::value& member) {
    if (which == kKind) kind = KindCode(member, CheckSubProjectKind);
    if (which == kName) name = Text(member, inner);
    if (which == kSummary)
      Members(member, inner, kSummaryNames, summary, [&](int part, od::value& item) {
        if (part == 2) summary.children = List(item, inner + 1, &StreamReader::ReadEntry);
        if (part == 3) shared = IdList(item, inner + 1);
      });
    if (which == kContractGroups) groups = List(member, inner, &StreamReader::ReadContractGroup);
    if (which == kSubProjects) children = List(member, inner, &StreamReader::ReadSubProject);
    if (which == kBills)
      Elements(member, inner, [&](od::value& bill) { bills.push_back(Skipped(bill)); });
    if (which >= kDjcs && which <= kJjfy) roots[which - kDjcs] = ReadBillItem(member, inner);
    if (which == kZjcsDetail || which == kJjfyTable)
      keyed[which - kZjcsDetail] = ReadTable(member, inner);
    if (which >= kMovableItems && which <= kMovableRecords)
      sets[which - kMovableItems] = List(member, inner, &StreamReader::ReadMovableMember);
    if (which == kQtxm) {
      qtxm = true;
      Members(member, inner, kTables, [&](int number, od::value& table) {
        qtxm_tables[number] = ReadTable(table, inner + 1);
      });
    }
    if (which == kFeeStore) {
      fee_store = true;
      Members(member, inner, kStore, [&](int, od::value& list) {
        fee_tables = List(list, inner + 1, &StreamReader::ReadTable);
      });
    }
  });
  const uint32_t required = 1u << kKind | 1u << kName | 1u << kSummary;
  if ((seen & required) != required) Refuse();

  auto sub_project = Created(new SubProjectImpl(head.id, kind, name, summary.id), head.fields);
  Adopt(summary, sub_project->summary(), &ResSummaryImpl::Add);
  // Shared members by id: entries of the document or of detachedEntries.
  for (std::string& member : shared)
    linker_.Refer(Ref::kShared, sub_project->summary(), nullptr, std::move(member), {});
  for (auto& group : groups) sub_project->GetGroupedItemSet()->Add(std::move(group));
  for (auto& child : children) sub_project->AddChild(std::move(child));
  for (std::string_view bill : bills) pieces_.push_back({sub_project, inner + 1, bill});
  const SubProjectImpl::MeasureTree trees[] = {SubProjectImpl::kDJCS, SubProjectImpl::kZJCS,
                                               SubProjectImpl::kJJFY};
  for (int i = 0; i < 3; ++i)
    if (roots[i]) sub_project->SetMeasureRoot(trees[i], std::move(roots[i]));
  const SubProjectImpl::KeyedTable tables[] = {SubProjectImpl::kZJCSDetail,
                                               SubProjectImpl::kJJFYTable};
  for (int i = 0; i < 2; ++i)
    if (keyed[i]) sub_project->SetKeyedTable(tables[i], std::move(keyed[i]));
  const SubProjectImpl::ItemSetKind set_kinds[] = {SubProjectImpl::kMovableItems,
                                                   SubProjectImpl::kProductItems,
                                                   SubProjectImpl::kMovableRecords};
  for (int i = 0; i < 3; ++i) {
    if (!(seen & (1u << (kMovableItems + i)))) continue;
    ItemSetImpl* set = sub_project->EnsureItemSet(set_kinds[i]);
    for (auto& item : sets[i]) set->Add(std::move(item));
  }
  if (qtxm) {
    QTXMTablesImpl* holder = sub_project->EnsureQTXMTables();
    for (int number = 1; number <= QTXMTablesImpl::kTableCount; ++number)
      if (qtxm_tables[number - 1]) holder->SetTable(number, std::move(qtxm_tables[number - 1]));
  }
  if (fee_store) {
    FeeStoreImpl* store = sub_project->EnsureFeeStore();
    for (auto& table : fee_tables) store->AddTable(std::move(table));
  }
  return sub_project;
}

scoped_refptr<BaseResItemGroupImpl> StreamReader::ReadContractGroup(od::value& value, int depth) {
  static constexpr Names<4> kNames = {"id", "fields", "formName", "entries"};
  return ReadNode<BaseResItemGroupImpl, 1>(value, depth, kNames, &StreamReader::ReadEntry,
                                           &BaseResItemGroupImpl::Add);
}

scoped_refptr<TableImpl> StreamReader::ReadTable(od::value& value, int depth) {
  static constexpr Names<4> kNames = {"id", "fields", "name", "rows"};
  return ReadNode<TableImpl, 1>(value, depth, kNames, &StreamReader::ReadRow, &TableImpl::AddRow);
}

scoped_refptr<SubEngineeringImpl> StreamReader::ReadBillItem(od::value& value, int depth) {
  enum { kId, kFields, kNodeKind, kMeasureKind, kQuantity, kFee, kBudget, kCost, kBills };
  static constexpr Names<9> kNames = {"id",  "fields", "nodeKind", "measureKind", "quantity",
                                      "fee", "budget", "cost",     "bills"};
  const int inner = depth + 1;
  int node_kind = 0, measure_kind = 0;
  std::optional<double> quantity;
  Head head;
  FieldMark mark(fields_);
  bool fee_null = false;
  std::vector<std::pair<std::string, double>> fee_figures[2];  // unit, total
  bool lists_null[2] = {false, false};                         // budget, cost
  std::vector<scoped_refptr<ResItemImpl>> lines[2];
  std::vector<scoped_refptr<SubEngineeringImpl>> children;
  static constexpr Names<2> kSides = {"unit", "total"};
  uint32_t seen = Members(value, depth, kNames, head, [&](int which, od::value& member) {
    if (which == kNodeKind) node_kind = KindCode(member, CheckNodeKind);
    if (which == kMeasureKind) measure_kind = KindCode(member, CheckMeasureKind);
    if (which == kQuantity) quantity = Quantity(member, inner);
    if (which == kFee) {
      fee_null = IsNull(member);
      if (!fee_null)
        Members(member, inner, kSides, [&](int side, od::value& figures) {
          Enter(inner + 1);
          od::object object = Take<od::object>(figures.get_object());
          NameSet names;
          std::string kind;
          for (auto result : object) {
            od::field field = Take<od::field>(result);
            std::string_view json_kind = Key(field);
            if (!names.Insert(json_kind) || !KeyFromJson(std::string(json_kind), kind)) Refuse();
            fee_figures[side].emplace_back(kind, Figure(field.value(), inner + 2));
          }
        });
    }
    if (which == kBudget || which == kCost) {
      const int list = which - kBudget;
      const LineSide side = list == 0 ? LineSide::kBudget : LineSide::kCost;
      lists_null[list] = IsNull(member);
      if (!lists_null[list])
        Elements(member, inner,
                 [&](od::value& line) { lines[list].push_back(ReadLine(line, inner + 1, side)); });
    }
    if (which == kBills) children = List(member, inner, &StreamReader::ReadBillItem);
  });
  const uint32_t required = 1u << kNodeKind | 1u << kMeasureKind | 1u << kQuantity;
  if ((seen & required) != required) Refuse();

  auto item = Created(new SubEngineeringImpl(head.id, node_kind, measure_kind), head.fields);
  if (quantity)
    item->SetQuantity(*quantity);
  else
    item->ClearQuantity();
  if (fee_null) item->SetHasFeeCalc(false);
  for (const auto& [kind, figure] : fee_figures[0]) item->fee_calc()->SetFeeCost(kind, figure);
  for (const auto& [kind, figure] : fee_figures[1]) item->fee_calc()->SetFeeTotalCost(kind, figure);
  if (lists_null[0]) item->SetHasBudgetList(false);
  for (auto& line : lines[0]) item->budget_list()->Add(std::move(line));
  if (lists_null[1]) item->SetHasCostList(false);
  for (auto& line : lines[1]) item->cost_list()->Add(std::move(line));
  for (auto& child : children) item->AddChild(std::move(child));
  return item;
}

scoped_refptr<ResItemImpl> StreamReader::ReadLine(od::value& value, int depth, LineSide side) {
  enum { kId, kFields, kQuantity, kEntry, kSourceRef, kContent, kLinked, kCollected, kRecord };
  static constexpr Names<9> kNames = {"id",        "fields",  "quantity", "entry",
                                      "sourceRef", "content", "linked",   "collectedQuantity",
                                      "record"};
  const int inner = depth + 1;
  std::optional<double> quantity;
  Head head;
  std::string entry, texts[2];  // sourceRef, content
  FieldMark mark(fields_);
  std::vector<std::string> linked;
  double collected = 0.0;
  RecordParts record;
  uint32_t seen = Members(value, depth, kNames, head, [&](int which, od::value& member) {
    if (which == kQuantity) quantity = Quantity(member, inner);
    if (which == kEntry) entry = Id(member, inner);
    if (which == kSourceRef || which == kContent) texts[which - kSourceRef] = Text(member, inner);
    if (which == kLinked) linked = IdList(member, inner);
    if (which == kCollected) collected = Figure(member, inner);
    if (which == kRecord) record = ReadRecord(member, inner);
  });
  if (!(seen & (1u << kQuantity))) Refuse();

  const Kind kind = side == LineSide::kBudget ? Kind::kBudgetLine
                    : side == LineSide::kCost ? Kind::kCostLine
                                              : Kind::kCopyItem;
  auto line = Created(new ResItemImpl(head.id), head.fields, kind);
  if (quantity)
    line->SetQuantity(*quantity);
  else
    line->ClearQuantity();
  double ratio = 0.0;
  if (side == LineSide::kCopy && line->fields()->GetNumber(keys::kCollectRatio, ratio) &&
      !CheckCollectRatio(ratio).empty())
    Refuse();
  if (seen & (1u << kEntry)) linker_.Refer(Ref::kEntry, line.get(), nullptr, std::move(entry), {});
  if (seen & (1u << kSourceRef)) line->SetSourceRef(texts[0]);
  if (seen & (1u << kContent)) line->SetContent(texts[1]);
  for (std::string& budget_item : linked) {
    // The model drops a repeated id silently; the file may not repeat one.
    const size_t before = line->linked_ids().size();
    line->AddLinkedId(budget_item);
    if (line->linked_ids().size() == before) Refuse();
    linker_.Refer(Ref::kLinked, line.get(), nullptr, std::move(budget_item), {});
  }
  if (seen & (1u << kCollected)) line->set_collected_quantity(collected);
  if (seen & (1u << kRecord)) MakeRecord(record, line.get(), side);
  return line;
}

RecordParts StreamReader::ReadRecord(od::value& value, int depth) {
  static constexpr Names<5> kNames = {"kind", "owner", "budgetItem", "costItem", "copies"};
  RecordParts parts;
  std::string kind;
  uint32_t seen = Members(value, depth, kNames, [&](int which, od::value& member) {
    switch (which) {
      case 0:
        kind = Text(member, depth + 1);
        if (kind == "templete" || kind == "object" || kind == "copy")
          parts.kind = kind == "templete" ? "templete" : kind == "object" ? "object" : "copy";
        else
          Refuse();
        break;
      case 1:
        parts.has_owner = true;
        if (!IsNull(member)) parts.owner = Id(member, depth + 1);
        break;
      case 2:
        parts.budget_item = Id(member, depth + 1);
        break;
      case 3:
        parts.cost_item = Id(member, depth + 1);
        break;
      case 4:
        parts.has_copies = true;
        parts.copies = IdList(member, depth + 1);
        break;
    }
  });
  if (!(seen & 1)) Refuse();
  return parts;
}

void StreamReader::MakeRecord(RecordParts& parts, ResItemImpl* line, LineSide side) {
  scoped_refptr<ResCollectImpl> record;
  if (parts.kind == "templete" && side == LineSide::kBudget)
    record = new ResCollectTempleteImpl();
  else if (parts.kind == "object" && side == LineSide::kCost)
    record = new ResCollectObjImpl();
  else if (parts.kind == "copy" && side == LineSide::kCopy)
    record = new ResCollectCopyImpl();
  else
    Refuse();
  line->SetCollect(record.get());
  if (!parts.has_owner)
    record->SetOwner(line);
  else if (parts.owner)
    linker_.Refer(Ref::kOwner, line, record.get(), std::move(*parts.owner), {});

  if (side == LineSide::kCopy) {
    if (parts.has_copies) Refuse();
    if (parts.budget_item)
      linker_.Refer(Ref::kBudgetItem, line, record.get(), std::move(*parts.budget_item), {});
    if (parts.cost_item)
      linker_.Refer(Ref::kCostItem, line, record.get(), std::move(*parts.cost_item), {});
    return;
  }
  if (parts.budget_item || parts.cost_item) Refuse();
  for (std::string& copy : parts.copies)
    linker_.Refer(Ref::kListedCopy, line, record.get(), std::move(copy), {});
}

}  // namespace

std::unique_ptr<EstimateDocument> ReadDocumentStream(const std::string& text) {
  try {
    // A byte order mark is no part of the JSON (the tree parser skips it).
    const size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    simdjson::padded_string copy;  // viewed by the pieces until the end
    simdjson::padded_string_view view(text.data() + start, text.size() - start,
                                      text.capacity() - start);
    if (text.capacity() < text.size() + kTextPadding) {
      copy = simdjson::padded_string(text.data() + start, text.size() - start);
      view = copy;
    }
    StreamReader reader(view.data() + view.capacity());
    {
      od::parser parser;
      od::document document;
      if (parser.iterate(view).get(document)) return nullptr;
      reader.Walk(document);
    }
    reader.ReadPieces();
    return reader.Finish();
  } catch (const Refused&) {
    return nullptr;
  } catch (const ReadFailure&) {
    return nullptr;
  }
}

}  // namespace persist
}  // namespace reference_host
