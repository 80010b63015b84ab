// The text of an estimate file before it is read as a document: taken from
// a file (refused with the reason when that is a folder, a device or cannot
// be read), and parsed as JSON more strictly than the JSON library alone: a
// member named twice in one object is refused (the library would keep the
// last), and a fault names its byte, line and column and the JSON pointer of
// the value it sits in.
#pragma once

#include <cstddef>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>

namespace reference_host {
namespace persist {

// "byte N (line L, column C)": where the byte at |offset| of |text| stands.
std::string TextPlace(const std::string& text, size_t offset);

// The whole content of |path| (a regular file or a pipe). False with
// |error| = "<path>: <why>" otherwise.
// |progress|, when set, hears the bytes read and the file's size (0 for a
// pipe) every few megabytes.
bool ReadTextFile(const std::string& path, std::string& text, std::string& error,
                  const std::function<void(size_t, size_t)>& progress = {});

// False, |value| unspecified, with |error| set:
// "byte N (line L, column C)[ at <pointer>]: <what>" for text that is not
// JSON (N counts from 0, lines and columns from 1, columns in bytes), or
// "<pointer>: duplicate member ..." for a member named twice.
bool ParseStrictJson(const std::string& text, nlohmann::json& value, std::string& error);

}  // namespace persist
}  // namespace reference_host
