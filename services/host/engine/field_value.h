// A tagged field value: empty, bool, int, double or text. Readers that ask for
// an alternative the value does not hold get a neutral answer, never a throw.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace engine {

class FieldValue {
 public:
  enum class Kind { kEmpty = 0, kBool = 1, kInt = 2, kDouble = 3, kText = 4 };

  FieldValue() = default;
  FieldValue(bool v) : value_(v) {}
  FieldValue(int v) : value_(v) {}
  FieldValue(double v) : value_(v) {}
  FieldValue(std::string v) : value_(std::move(v)) {}
  FieldValue(const char* v) : value_(std::string(v)) {}

  Kind kind() const { return static_cast<Kind>(value_.index()); }
  bool IsEmpty() const { return kind() == Kind::kEmpty; }
  bool IsBool() const { return kind() == Kind::kBool; }
  bool IsInt() const { return kind() == Kind::kInt; }
  bool IsDouble() const { return kind() == Kind::kDouble; }
  bool IsText() const { return kind() == Kind::kText; }

  // The held alternative, or false / 0 / "" when another one is held.
  bool GetBool() const { return IsBool() ? std::get<bool>(value_) : false; }
  int GetInt() const { return IsInt() ? std::get<int>(value_) : 0; }
  double GetDouble() const { return IsDouble() ? std::get<double>(value_) : 0.0; }
  const std::string& GetString() const {
    static const std::string kEmptyText;
    return IsText() ? std::get<std::string>(value_) : kEmptyText;
  }

  bool operator==(const FieldValue& o) const { return value_ == o.value_; }
  bool operator!=(const FieldValue& o) const { return !(*this == o); }

 private:
  std::variant<std::monostate, bool, int, double, std::string> value_;
};

}  // namespace engine
