#include "cli/pairing_file.h"

#include <fstream>
#include <map>
#include <sstream>

namespace cli {
namespace {

using json = nlohmann::json;

// Reads members with checks that name the place of a fault.
class Reader {
 public:
  explicit Reader(std::string path) : path_(std::move(path)) {}

  bool Fail(const std::string& place, const std::string& what) {
    error_ = path_ + ": " + place + ": " + what;
    return false;
  }
  const std::string& error() const { return error_; }

  bool Text(const json& object, const std::string& place, const char* name, std::string* out) {
    auto found = object.find(name);
    if (found == object.end()) return Fail(place, "missing member \"" + std::string(name) + "\"");
    if (!found->is_string()) return Fail(place + "/" + name, "expected a text");
    *out = found->get<std::string>();
    return true;
  }

  bool Texts(const json& object, const std::string& place, const char* name,
             std::vector<std::string>* out) {
    auto found = object.find(name);
    if (found == object.end()) return Fail(place, "missing member \"" + std::string(name) + "\"");
    if (!found->is_array()) return Fail(place + "/" + name, "expected an array of texts");
    for (size_t i = 0; i < found->size(); ++i) {
      if (!(*found)[i].is_string())
        return Fail(place + "/" + name + "/" + std::to_string(i), "expected a text");
      out->push_back((*found)[i].get<std::string>());
    }
    return true;
  }

 private:
  std::string path_;
  std::string error_;
};

}  // namespace

Pairing PairingFromLinks(const MatchSession& session, const marrow::qrv::MatchLinks& links) {
  Pairing pairing;
  pairing.sub_project = session.sub_project_id();
  pairing.groups = session.context().group_ids;
  for (const MergedItemRef& merged : session.context().merged_items) {
    auto found = links.find(merged);
    if (found == links.end() || found->second.empty()) continue;
    Pairing::Pair pair{session.NameOf(merged), {}};
    for (const SummaryRef& summary : session.context().summaries)
      if (found->second.count(summary)) pair.summaries.push_back(session.NameOf(summary));
    pairing.pairs.push_back(std::move(pair));
  }
  return pairing;
}

std::string PairingText(const Pairing& pairing) {
  json pairs = json::array();
  for (const Pairing::Pair& pair : pairing.pairs)
    pairs.push_back({{"entry", pair.entry}, {"summaries", pair.summaries}});
  json root = {{"format", kPairingFormat},
               {"version", kPairingVersion},
               {"subProject", pairing.sub_project},
               {"groups", pairing.groups},
               {"pairs", pairs}};
  return root.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

bool ReadPairingFile(const std::string& path, Pairing* pairing, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + ": cannot open";
    return false;
  }
  std::stringstream text;
  text << in.rdbuf();
  json root;
  try {
    root = json::parse(text.str());
  } catch (const json::parse_error& parse_error) {
    *error = path + ": byte " + std::to_string(parse_error.byte) + ": not JSON (" +
             parse_error.what() + ")";
    return false;
  }
  Reader reader(path);
  auto done = [&](bool ok) {
    if (!ok) *error = reader.error();
    return ok;
  };
  if (!root.is_object()) return done(reader.Fail("/", "expected an object"));
  std::string format;
  if (!reader.Text(root, "", "format", &format)) return done(false);
  if (format != kPairingFormat)
    return done(reader.Fail("/format", "not a pairing file (\"" + format + "\")"));
  auto version = root.find("version");
  if (version == root.end() || !version->is_number_integer() ||
      version->get<long long>() != kPairingVersion)
    return done(reader.Fail("/version", "expected 1"));
  if (!reader.Text(root, "", "subProject", &pairing->sub_project) ||
      !reader.Texts(root, "", "groups", &pairing->groups))
    return done(false);
  auto pairs = root.find("pairs");
  if (pairs == root.end()) return done(reader.Fail("", "missing member \"pairs\""));
  if (!pairs->is_array()) return done(reader.Fail("/pairs", "expected an array"));
  for (size_t i = 0; i < pairs->size(); ++i) {
    const std::string place = "/pairs/" + std::to_string(i);
    const json& pair_json = (*pairs)[i];
    if (!pair_json.is_object()) return done(reader.Fail(place, "expected an object"));
    Pairing::Pair pair;
    if (!reader.Text(pair_json, place, "entry", &pair.entry) ||
        !reader.Texts(pair_json, place, "summaries", &pair.summaries))
      return done(false);
    pairing->pairs.push_back(std::move(pair));
  }
  return true;
}

bool ResolvePairing(const MatchSession& session, const Pairing& pairing, const std::string& path,
                    marrow::qrv::MatchLinks* wanted, std::string* error) {
  std::map<engine::qrv::QRVBaseResItem*, std::string> entry_places;
  std::map<engine::ResItem*, std::string> summary_places;
  for (size_t i = 0; i < pairing.pairs.size(); ++i) {
    const Pairing::Pair& pair = pairing.pairs[i];
    const std::string place = "/pairs/" + std::to_string(i);
    MergedItemRef merged = session.FindMerged(pair.entry);
    if (!merged) {
      *error = path + ": " + place + "/entry: no contract entry '" + pair.entry +
               "' among the matched contract groups";
      return false;
    }
    auto [entry_slot, fresh_entry] = entry_places.emplace(merged.get(), place + "/entry");
    if (!fresh_entry) {
      *error = path + ": " + place + "/entry: '" + pair.entry + "' is paired already at " +
               entry_slot->second;
      return false;
    }
    auto& summaries = (*wanted)[merged];
    for (size_t j = 0; j < pair.summaries.size(); ++j) {
      const std::string summary_place = place + "/summaries/" + std::to_string(j);
      SummaryRef summary = session.FindSummary(pair.summaries[j]);
      if (!summary) {
        *error = path + ": " + summary_place + ": no budget summary with line '" +
                 pair.summaries[j] + "'";
        return false;
      }
      auto [slot, fresh] = summary_places.emplace(summary.get(), summary_place);
      if (!fresh) {
        *error = path + ": " + summary_place + ": summary '" + session.NameOf(summary) +
                 "' is paired already at " + slot->second;
        return false;
      }
      summaries.insert(summary);
    }
  }
  return true;
}

}  // namespace cli
