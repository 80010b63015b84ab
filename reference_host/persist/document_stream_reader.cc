#include "reference_host/persist/document_stream_reader.h"

#include <simdjson.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
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
  StreamReader() : linker_([](const Place&) { return std::string(); }) {}

  // Reads every object of |document| and checks nothing follows it.
  void Walk(od::document& document);
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
    const size_t close = token.find_last_of('"');
    if (token.size() >= 2 && token[0] == '"' && close > 0 && token.find('\\', 1) >= close)
      return token.substr(1, close - 1);
    return Take<std::string_view>(value.get_string());
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
  double Figure(od::value& value, int depth);
  std::optional<double> Quantity(od::value& value, int depth);
  engine::FieldValue FieldValue(od::value& value, int depth);
  FieldRange ReadFields(od::value& value, int depth);
  void ApplyFields(FieldRange range, FieldContainerImpl* container);
  std::vector<std::string> IdList(od::value& value, int depth);

  scoped_refptr<ProjectImpl> ReadProject(od::value& value, int depth);
  scoped_refptr<CostAccountImpl> ReadCostAccount(od::value& value, int depth);
  scoped_refptr<TupleImpl> ReadRow(od::value& value, int depth);
  scoped_refptr<BaseResItemImpl> ReadEntry(od::value& value, int depth, bool in_document = true);
  scoped_refptr<SubProjectImpl> ReadSubProject(od::value& value, int depth);
  scoped_refptr<BaseResItemGroupImpl> ReadContractGroup(od::value& value, int depth);
  scoped_refptr<TableImpl> ReadTable(od::value& value, int depth);
  scoped_refptr<SubEngineeringImpl> ReadBillItem(od::value& value, int depth);
  scoped_refptr<ResItemImpl> ReadLine(od::value& value, int depth, LineSide side);
  RecordParts ReadRecord(od::value& value, int depth);
  void MakeRecord(RecordParts& parts, ResItemImpl* line, LineSide side);

  // Registers |object| with the linker once its fields are in.
  template <class T>
  scoped_refptr<T> Created(T* object, FieldRange fields, Kind kind = Kind::kOther) {
    scoped_refptr<T> created(object);
    ApplyFields(fields, created->fields());
    linker_.Add(created.get(), kind, 0);
    return created;
  }

  ReferenceLinker linker_;
  Fields fields_;
  std::string key_;  // reused for each field key
  scoped_refptr<ProjectImpl> project_;
  std::vector<scoped_refptr<ResItemImpl>> copies_;
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
  number.float_value = Take<double>(value.get_double());
  if (!std::isfinite(number.float_value)) Refuse();
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
        Elements(member, 2,
                 [&](od::value& copy) { copies_.push_back(ReadLine(copy, 3, LineSide::kCopy)); });
        break;
      case kDetached:
        Elements(member, 2,
                 [&](od::value& entry) { detached_.push_back(ReadEntry(entry, 3, false)); });
        break;
    }
  });
  const uint32_t required = 1u << kFormat | 1u << kVersion | 1u << kProject;
  if ((seen & required) != required) Refuse();
  // Nothing may follow the document's object.
  if (document.current_location().error() != simdjson::OUT_OF_BOUNDS) Refuse();
}

std::unique_ptr<EstimateDocument> StreamReader::Finish() {
  linker_.Link();
  auto estimate = std::make_unique<EstimateDocument>();
  if (project_ && !estimate->SetProject(project_)) Refuse();
  return estimate;
}

scoped_refptr<ProjectImpl> StreamReader::ReadProject(od::value& value, int depth) {
  enum { kName, kId, kFields, kAccounts, kStages, kContractGroups, kTables, kSubProjects };
  static constexpr Names<8> kNames = {"name",         "id",         "fields",
                                      "costAccounts", "billStages", "contractGroups",
                                      "tables",       "subProjects"};
  std::string name, id, accounts_id, stages_id;
  FieldRange fields, accounts_fields, stages_fields;
  FieldMark mark(fields_);
  std::vector<scoped_refptr<CostAccountImpl>> accounts;
  std::vector<scoped_refptr<BillStageImpl>> stages;
  std::vector<scoped_refptr<BaseResItemGroupImpl>> groups;
  std::vector<scoped_refptr<TableImpl>> tables;
  scoped_refptr<SubProjectImpl> root;
  const int inner = depth + 1;
  uint32_t seen = Members(value, depth, kNames, [&](int which, od::value& member) {
    switch (which) {
      case kName:
        name = Text(member, inner);
        break;
      case kId:
        id = Id(member, inner);
        break;
      case kFields:
        fields = ReadFields(member, inner);
        break;
      case kAccounts: {
        static constexpr Names<3> kTree = {"id", "fields", "accounts"};
        uint32_t tree = Members(member, inner, kTree, [&](int part, od::value& item) {
          if (part == 0) accounts_id = Id(item, inner + 1);
          if (part == 1) accounts_fields = ReadFields(item, inner + 1);
          if (part == 2)
            Elements(item, inner + 1, [&](od::value& account) {
              accounts.push_back(ReadCostAccount(account, inner + 2));
            });
        });
        if (!(tree & 1)) Refuse();
        break;
      }
      case kStages: {
        static constexpr Names<3> kGroup = {"id", "fields", "stages"};
        uint32_t group = Members(member, inner, kGroup, [&](int part, od::value& item) {
          if (part == 0) stages_id = Id(item, inner + 1);
          if (part == 1) stages_fields = ReadFields(item, inner + 1);
          if (part != 2) return;
          Elements(item, inner + 1, [&](od::value& stage) {
            static constexpr Names<3> kStage = {"name", "id", "fields"};
            std::string stage_name, stage_id;
            FieldRange stage_fields;
            FieldMark mark(fields_);
            const int at = inner + 2;
            uint32_t had = Members(stage, at, kStage, [&](int field, od::value& part_value) {
              if (field == 0) stage_name = Text(part_value, at + 1);
              if (field == 1) stage_id = Id(part_value, at + 1);
              if (field == 2) stage_fields = ReadFields(part_value, at + 1);
            });
            if ((had & 3) != 3) Refuse();
            stages.push_back(Created(new BillStageImpl(stage_id, stage_name), stage_fields));
          });
        });
        if (!(group & 1)) Refuse();
        break;
      }
      case kContractGroups:
        Elements(member, inner,
                 [&](od::value& group) { groups.push_back(ReadContractGroup(group, inner + 1)); });
        break;
      case kTables:
        Elements(member, inner,
                 [&](od::value& table) { tables.push_back(ReadTable(table, inner + 1)); });
        break;
      case kSubProjects: {
        int count = 0;
        Elements(member, inner, [&](od::value& sub_project) {
          if (++count > 1) Refuse();
          root = ReadSubProject(sub_project, inner + 1);
        });
        break;
      }
    }
  });
  const uint32_t required = 1u << kName | 1u << kId | 1u << kAccounts | 1u << kStages;
  if ((seen & required) != required) Refuse();

  auto project = Created(new ProjectImpl(id, name, accounts_id, stages_id), fields);
  CostAccountGroupImpl* tree = project->cost_accounts();
  ApplyFields(accounts_fields, tree->fields());
  linker_.Add(tree, Kind::kOther, 0);
  for (auto& account : accounts) tree->AddCostAccount(std::move(account));
  BillStageGroupImpl* stage_group = project->bill_stages();
  ApplyFields(stages_fields, stage_group->fields());
  linker_.Add(stage_group, Kind::kOther, 0);
  for (auto& stage : stages) stage_group->AddBillStage(std::move(stage));
  for (auto& group : groups) project->AddBaseResItemGroup(std::move(group));
  for (auto& table : tables) project->AddTable(std::move(table));
  if (root) project->SetRootSubProject(std::move(root));
  return project;
}

scoped_refptr<CostAccountImpl> StreamReader::ReadCostAccount(od::value& value, int depth) {
  static constexpr Names<5> kNames = {"code", "name", "id", "fields", "accounts"};
  std::string code, name, id;
  FieldRange fields;
  FieldMark mark(fields_);
  std::vector<scoped_refptr<CostAccountImpl>> children;
  uint32_t seen = Members(value, depth, kNames, [&](int which, od::value& member) {
    if (which == 0) code = Text(member, depth + 1);
    if (which == 1) name = Text(member, depth + 1);
    if (which == 2) id = Id(member, depth + 1);
    if (which == 3) fields = ReadFields(member, depth + 1);
    if (which == 4)
      Elements(member, depth + 1,
               [&](od::value& child) { children.push_back(ReadCostAccount(child, depth + 2)); });
  });
  if ((seen & 7) != 7) Refuse();
  auto account = Created(new CostAccountImpl(id, code, name), fields);
  for (auto& child : children) account->AddChild(std::move(child));
  return account;
}

scoped_refptr<TupleImpl> StreamReader::ReadRow(od::value& value, int depth) {
  static constexpr Names<3> kNames = {"id", "fields", "rows"};
  std::string id;
  FieldRange fields;
  FieldMark mark(fields_);
  std::vector<scoped_refptr<TupleImpl>> children;
  uint32_t seen = Members(value, depth, kNames, [&](int which, od::value& member) {
    if (which == 0) id = Id(member, depth + 1);
    if (which == 1) fields = ReadFields(member, depth + 1);
    if (which == 2)
      Elements(member, depth + 1,
               [&](od::value& child) { children.push_back(ReadRow(child, depth + 2)); });
  });
  if (!(seen & 1)) Refuse();
  auto row = Created(new TupleImpl(id), fields);
  for (auto& child : children) row->AddChild(std::move(child));
  return row;
}

scoped_refptr<BaseResItemImpl> StreamReader::ReadEntry(od::value& value, int depth,
                                                       bool in_document) {
  static constexpr Names<4> kNames = {"id", "fields", "registered", "registeredQuantity"};
  std::string id;
  FieldRange fields;
  FieldMark mark(fields_);
  std::vector<std::string> registered;
  double registered_quantity = 0.0;
  uint32_t seen = Members(value, depth, kNames, [&](int which, od::value& member) {
    if (which == 0) id = Id(member, depth + 1);
    if (which == 1) fields = ReadFields(member, depth + 1);
    if (which == 2) registered = IdList(member, depth + 1);
    if (which == 3) registered_quantity = Figure(member, depth + 1);
  });
  if (!(seen & 1)) Refuse();
  auto entry =
      Created(new BaseResItemImpl(id), fields, in_document ? Kind::kEntry : Kind::kDetachedEntry);
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
    kKind,
    kName,
    kSummary,
    kId,
    kFields,
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
      "kind",       "name",           "summary",      "id",
      "fields",     "contractGroups", "subProjects",  "bills",
      "djcsRoot",   "zjcsRoot",       "jjfyRoot",     "zjcsDetailTable",
      "jjfyTable",  "movableItems",   "productItems", "movableRecords",
      "qtxmTables", "feeStore"};
  const int inner = depth + 1;
  int kind = 0;
  std::string name, id, summary_id;
  FieldRange fields, summary_fields;
  FieldMark mark(fields_);
  std::vector<scoped_refptr<BaseResItemImpl>> entries;
  std::vector<std::string> shared;
  std::vector<scoped_refptr<BaseResItemGroupImpl>> groups;
  std::vector<scoped_refptr<SubProjectImpl>> children;
  std::vector<scoped_refptr<SubEngineeringImpl>> bills;
  scoped_refptr<SubEngineeringImpl> roots[3];
  scoped_refptr<TableImpl> keyed[2];
  std::vector<scoped_refptr<MovableMemberImpl>> sets[3];
  bool qtxm = false, fee_store = false;
  scoped_refptr<TableImpl> qtxm_tables[QTXMTablesImpl::kTableCount];
  std::vector<scoped_refptr<TableImpl>> fee_tables;
  uint32_t seen = Members(value, depth, kNames, [&](int which, od::value& member) {
    switch (which) {
      case kKind:
        kind = Integer(member);
        if (!CheckSubProjectKind(kind).empty()) Refuse();
        break;
      case kName:
        name = Text(member, inner);
        break;
      case kSummary: {
        static constexpr Names<4> kSummaryNames = {"id", "fields", "entries", "shared"};
        uint32_t had = Members(member, inner, kSummaryNames, [&](int part, od::value& item) {
          if (part == 0) summary_id = Id(item, inner + 1);
          if (part == 1) summary_fields = ReadFields(item, inner + 1);
          if (part == 2)
            Elements(item, inner + 1,
                     [&](od::value& entry) { entries.push_back(ReadEntry(entry, inner + 2)); });
          if (part == 3) shared = IdList(item, inner + 1);
        });
        if (!(had & 1)) Refuse();
        break;
      }
      case kId:
        id = Id(member, inner);
        break;
      case kFields:
        fields = ReadFields(member, inner);
        break;
      case kContractGroups:
        Elements(member, inner,
                 [&](od::value& group) { groups.push_back(ReadContractGroup(group, inner + 1)); });
        break;
      case kSubProjects:
        Elements(member, inner,
                 [&](od::value& child) { children.push_back(ReadSubProject(child, inner + 1)); });
        break;
      case kBills:
        Elements(member, inner,
                 [&](od::value& bill) { bills.push_back(ReadBillItem(bill, inner + 1)); });
        break;
      case kDjcs:
      case kZjcs:
      case kJjfy:
        roots[which - kDjcs] = ReadBillItem(member, inner);
        break;
      case kZjcsDetail:
      case kJjfyTable:
        keyed[which - kZjcsDetail] = ReadTable(member, inner);
        break;
      case kMovableItems:
      case kProductItems:
      case kMovableRecords: {
        auto& set = sets[which - kMovableItems];
        Elements(member, inner, [&](od::value& item) {
          static constexpr Names<2> kItem = {"id", "fields"};
          std::string item_id;
          FieldRange item_fields;
          FieldMark mark(fields_);
          uint32_t had = Members(item, inner + 1, kItem, [&](int part, od::value& part_value) {
            if (part == 0) item_id = Id(part_value, inner + 2);
            if (part == 1) item_fields = ReadFields(part_value, inner + 2);
          });
          if (!(had & 1)) Refuse();
          set.push_back(Created(new MovableMemberImpl(item_id), item_fields));
        });
        break;
      }
      case kQtxm: {
        static constexpr Names<QTXMTablesImpl::kTableCount> kTables = {"table1", "table2", "table3",
                                                                       "table4", "table5"};
        qtxm = true;
        Members(member, inner, kTables, [&](int number, od::value& table) {
          qtxm_tables[number] = ReadTable(table, inner + 1);
        });
        break;
      }
      case kFeeStore: {
        static constexpr Names<1> kStore = {"tables"};
        fee_store = true;
        Members(member, inner, kStore, [&](int, od::value& list) {
          Elements(list, inner + 1,
                   [&](od::value& table) { fee_tables.push_back(ReadTable(table, inner + 2)); });
        });
        break;
      }
    }
  });
  const uint32_t required = 1u << kKind | 1u << kName | 1u << kSummary | 1u << kId;
  if ((seen & required) != required) Refuse();

  auto sub_project = Created(new SubProjectImpl(id, kind, name, summary_id), fields);
  ResSummaryImpl* summary = sub_project->summary();
  ApplyFields(summary_fields, summary->fields());
  linker_.Add(summary, Kind::kOther, 0);
  for (auto& entry : entries) summary->Add(std::move(entry));
  // Shared members by id: entries of the document or of detachedEntries.
  for (std::string& member : shared)
    linker_.Refer(Ref::kShared, summary, nullptr, std::move(member), {});
  for (auto& group : groups) sub_project->GetGroupedItemSet()->Add(std::move(group));
  for (auto& child : children) sub_project->AddChild(std::move(child));
  for (auto& bill : bills) sub_project->AddSubEngineering(std::move(bill));
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
  static constexpr Names<4> kNames = {"formName", "id", "fields", "entries"};
  std::string form_name, id;
  FieldRange fields;
  FieldMark mark(fields_);
  std::vector<scoped_refptr<BaseResItemImpl>> entries;
  uint32_t seen = Members(value, depth, kNames, [&](int which, od::value& member) {
    if (which == 0) form_name = Text(member, depth + 1);
    if (which == 1) id = Id(member, depth + 1);
    if (which == 2) fields = ReadFields(member, depth + 1);
    if (which == 3)
      Elements(member, depth + 1,
               [&](od::value& entry) { entries.push_back(ReadEntry(entry, depth + 2)); });
  });
  if ((seen & 3) != 3) Refuse();
  auto group = Created(new BaseResItemGroupImpl(id, form_name), fields);
  for (auto& entry : entries) group->Add(std::move(entry));
  return group;
}

scoped_refptr<TableImpl> StreamReader::ReadTable(od::value& value, int depth) {
  static constexpr Names<4> kNames = {"name", "id", "fields", "rows"};
  std::string name, id;
  FieldRange fields;
  FieldMark mark(fields_);
  std::vector<scoped_refptr<TupleImpl>> rows;
  uint32_t seen = Members(value, depth, kNames, [&](int which, od::value& member) {
    if (which == 0) name = Text(member, depth + 1);
    if (which == 1) id = Id(member, depth + 1);
    if (which == 2) fields = ReadFields(member, depth + 1);
    if (which == 3)
      Elements(member, depth + 1, [&](od::value& row) { rows.push_back(ReadRow(row, depth + 2)); });
  });
  if ((seen & 3) != 3) Refuse();
  auto table = Created(new TableImpl(id, name), fields);
  for (auto& row : rows) table->AddRow(std::move(row));
  return table;
}

scoped_refptr<SubEngineeringImpl> StreamReader::ReadBillItem(od::value& value, int depth) {
  enum { kNodeKind, kMeasureKind, kQuantity, kId, kFields, kFee, kBudget, kCost, kBills };
  static constexpr Names<9> kNames = {"nodeKind", "measureKind", "quantity", "id",   "fields",
                                      "fee",      "budget",      "cost",     "bills"};
  const int inner = depth + 1;
  int node_kind = 0, measure_kind = 0;
  std::optional<double> quantity;
  std::string id;
  FieldRange fields;
  FieldMark mark(fields_);
  bool fee_null = false;
  std::vector<std::pair<std::string, double>> fee_figures[2];  // unit, total
  bool lists_null[2] = {false, false};                         // budget, cost
  std::vector<scoped_refptr<ResItemImpl>> lines[2];
  std::vector<scoped_refptr<SubEngineeringImpl>> children;
  uint32_t seen = Members(value, depth, kNames, [&](int which, od::value& member) {
    switch (which) {
      case kNodeKind:
        node_kind = Integer(member);
        if (!CheckNodeKind(node_kind).empty()) Refuse();
        break;
      case kMeasureKind:
        measure_kind = Integer(member);
        if (!CheckMeasureKind(measure_kind).empty()) Refuse();
        break;
      case kQuantity:
        quantity = Quantity(member, inner);
        break;
      case kId:
        id = Id(member, inner);
        break;
      case kFields:
        fields = ReadFields(member, inner);
        break;
      case kFee: {
        if (IsNull(member)) {
          fee_null = true;
          break;
        }
        static constexpr Names<2> kSides = {"unit", "total"};
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
        break;
      }
      case kBudget:
      case kCost: {
        const int list = which - kBudget;
        if (IsNull(member)) {
          lists_null[list] = true;
          break;
        }
        const LineSide side = list == 0 ? LineSide::kBudget : LineSide::kCost;
        Elements(member, inner,
                 [&](od::value& line) { lines[list].push_back(ReadLine(line, inner + 1, side)); });
        break;
      }
      case kBills:
        Elements(member, inner,
                 [&](od::value& child) { children.push_back(ReadBillItem(child, inner + 1)); });
        break;
    }
  });
  const uint32_t required = 1u << kNodeKind | 1u << kMeasureKind | 1u << kQuantity | 1u << kId;
  if ((seen & required) != required) Refuse();

  auto item = Created(new SubEngineeringImpl(id, node_kind, measure_kind), fields);
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
  enum { kQuantity, kId, kFields, kEntry, kSourceRef, kContent, kLinked, kCollected, kRecord };
  static constexpr Names<9> kNames = {"quantity",  "id",      "fields", "entry",
                                      "sourceRef", "content", "linked", "collectedQuantity",
                                      "record"};
  const int inner = depth + 1;
  std::optional<double> quantity;
  std::string id, entry, source_ref, content;
  FieldRange fields;
  FieldMark mark(fields_);
  std::vector<std::string> linked;
  double collected = 0.0;
  RecordParts record;
  uint32_t seen = Members(value, depth, kNames, [&](int which, od::value& member) {
    switch (which) {
      case kQuantity:
        quantity = Quantity(member, inner);
        break;
      case kId:
        id = Id(member, inner);
        break;
      case kFields:
        fields = ReadFields(member, inner);
        break;
      case kEntry:
        entry = Id(member, inner);
        break;
      case kSourceRef:
        source_ref = Text(member, inner);
        break;
      case kContent:
        content = Text(member, inner);
        break;
      case kLinked:
        linked = IdList(member, inner);
        break;
      case kCollected:
        collected = Figure(member, inner);
        break;
      case kRecord:
        record = ReadRecord(member, inner);
        break;
    }
  });
  const uint32_t required = 1u << kQuantity | 1u << kId;
  if ((seen & required) != required) Refuse();

  const Kind kind = side == LineSide::kBudget ? Kind::kBudgetLine
                    : side == LineSide::kCost ? Kind::kCostLine
                                              : Kind::kCopyItem;
  auto line = Created(new ResItemImpl(id), fields, kind);
  if (quantity)
    line->SetQuantity(*quantity);
  else
    line->ClearQuantity();
  double ratio = 0.0;
  if (side == LineSide::kCopy && line->fields()->GetNumber(keys::kCollectRatio, ratio) &&
      !CheckCollectRatio(ratio).empty())
    Refuse();
  if (seen & (1u << kEntry)) linker_.Refer(Ref::kEntry, line.get(), nullptr, std::move(entry), {});
  if (seen & (1u << kSourceRef)) line->SetSourceRef(source_ref);
  if (seen & (1u << kContent)) line->SetContent(content);
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
    StreamReader reader;
    {
      // A byte order mark is no part of the JSON (the tree parser skips it).
      const size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
      simdjson::padded_string copy;
      simdjson::padded_string_view view(text.data() + start, text.size() - start,
                                        text.capacity() - start);
      if (text.capacity() < text.size() + kTextPadding) {
        copy = simdjson::padded_string(text.data() + start, text.size() - start);
        view = copy;
      }
      od::parser parser;
      od::document document;
      if (parser.iterate(view).get(document)) return nullptr;
      reader.Walk(document);
    }
    // The parser's index of the text (4 bytes per token) is gone before the
    // linker and the document's own index grow: a lower peak.
    return reader.Finish();
  } catch (const Refused&) {
    return nullptr;
  } catch (const ReadFailure&) {
    return nullptr;
  }
}

}  // namespace persist
}  // namespace reference_host
