// The pairing file: which budget summaries a person wants paired with which
// merged contract entries (docs/matching.md). It names the scope it was made
// for, so applying it repeats the same collection first.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/match_session.h"

namespace cli {

struct Pairing {
  struct Pair {
    std::string entry;                   // a source entry id of the merged entry
    std::vector<std::string> summaries;  // a member line id of each summary
  };
  std::string sub_project;
  std::vector<std::string> groups;
  std::vector<Pair> pairs;
};

inline constexpr char kPairingFormat[] = "marrow-qrv-pairing";
inline constexpr int kPairingVersion = 1;

// |links| named as the session names them, in the order of the session's
// lists.
Pairing PairingFromLinks(const MatchSession& session, const marrow::qrv::MatchLinks& links);
std::string PairingText(const Pairing& pairing);

// False with "<path>: <place>: <what>" in |error|; the place is a JSON
// pointer ("/pairs/2/summaries/0") or "byte N" for text that is not JSON.
bool ReadPairingFile(const std::string& path, Pairing* pairing, std::string* error);

// The wanted links the pairing names. False, with the place in |error|, for
// a name the session does not know, an entry paired twice or a summary
// paired twice.
bool ResolvePairing(const MatchSession& session, const Pairing& pairing, const std::string& path,
                    marrow::qrv::MatchLinks* wanted, std::string* error);

}  // namespace cli
