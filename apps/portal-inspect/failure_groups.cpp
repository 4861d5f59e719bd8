#include "failure_groups.hpp"

#include <algorithm>
#include <cctype>
#include <map>
#include <string_view>
#include <variant>

#include "brackwater/survey/one_line.hpp"

namespace brackwater::inspect {
namespace {

template <class... Visitors>
struct Overloaded : Visitors... {
  using Visitors::operator()...;
};
template <class... Visitors>
Overloaded(Visitors...) -> Overloaded<Visitors...>;

// What a failure is, part by part; failures of equal kinds form a group.
using Kind = std::vector<std::string>;

void add(Kind& kind, const dat::IoError& error) {
  kind.push_back("IoError");
  // An OS error is told by its code, the others by their fixed texts.
  kind.push_back(error.message());
}

void add(Kind& kind, const dat::ReadError& error) {
  kind.push_back("ReadError");
  // The innermost frame names the record type and the field being read.
  kind.push_back(error.frames().empty() ? "" : error.frames().front().message);
  std::visit(Overloaded{[&kind](const dat::IoError& io) { add(kind, io); },
                        [&kind](const dat::AssertionFailure&) { kind.push_back("assertion"); }},
             error.cause());
}

void add(Kind& kind, const dat::DatError& error) {
  using E = dat::DatError;
  kind.push_back("DatError");
  kind.push_back(std::to_string(error.payload().index()));
  std::visit(
      Overloaded{
          [&kind](const E::Io& e) { add(kind, e.error); },
          [&kind](const E::BinRead& e) { add(kind, e.error); },
          [&kind](const E::PathError& e) { add(kind, e.source); },
          [&kind](const E::DuplicateNamespacedId& e) { kind.push_back(e.namespace_name); },
          [&kind](const E::InvalidMagic& e) { kind.push_back(e.format); },
          [&kind](const E::UnsupportedVersion& e) { kind.push_back(std::to_string(e.version)); },
          [&kind](const E::InvalidNamespace& e) { kind.push_back(e.name); },
          [&kind](const E::Other& e) {
            kind.push_back(std::to_string(e.what.index()));
            if (const auto* words = std::get_if<std::string>(&e.what)) {
              kind.push_back(*words);
            }
          },
          // The rest differ only in the ids and offsets they name,
          // or (a corruption) in how they word them.
          [](const auto&) {},
      },
      error.payload());
}

void add(Kind& kind, const dat::TextureDecodeError& error) {
  using E = dat::TextureDecodeError;
  kind.push_back("TextureDecodeError");
  kind.push_back(std::to_string(error.payload().index()));
  std::visit(Overloaded{
                 [&kind](const E::UnsupportedFormat& e) {
                   kind.push_back(std::to_string(e.format.code()));
                 },
                 [&kind](const E::PaletteFetch& e) {
                   std::visit([&kind](const auto& cause) { add(kind, cause); }, e.cause);
                 },
                 [](const auto&) {},
             },
             error.payload());
}

Kind kind_of(const survey::SurveyError& error) {
  Kind kind;
  if (error.context()) kind.insert(kind.end(), {"context", *error.context()});
  std::visit(Overloaded{[&kind](const std::string& words) {
                          kind.insert(kind.end(), {"words", words});
                        },
                        [&kind](const auto& library) { add(kind, library); }},
             error.failure());
  return kind;
}

bool is_word_char(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

// `line` cut into runs of word characters and runs of the rest, alternately.
std::vector<std::string> runs_of(std::string_view line) {
  std::vector<std::string> runs;
  for (std::size_t start = 0, end = 0; start < line.size(); start = end) {
    const bool word = is_word_char(line[start]);
    while (end < line.size() && is_word_char(line[end]) == word) ++end;
    runs.emplace_back(line.substr(start, end - start));
  }
  return runs;
}

bool is_word(std::string_view run) {
  return !run.empty() && is_word_char(run.front());
}

bool is_upper_hex(char c) {
  return std::isdigit(static_cast<unsigned char>(c)) != 0 || (c >= 'A' && c <= 'F');
}

// A word as ids are written: eight upper-case hex digits, or hex after "0x".
bool names_id(std::string_view word) {
  if (word.size() > 2 && word.starts_with("0x")) {
    return std::ranges::all_of(
        word.substr(2), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
  }
  return word.size() == 8 && std::ranges::all_of(word, is_upper_hex);
}

// A group's label, worked out as its members come: the first member's line,
// with each word that a later member's line has otherwise masked. Where a
// later line is worded differently, not just with other words, the label
// ends before the first run they differ in.
class Label {
 public:
  explicit Label(std::string line)
      : first_(std::move(line)),
        runs_(runs_of(first_)),
        differs_(runs_.size()),
        kept_(runs_.size()) {}

  void add(const std::string& line) {
    if (line == first_) return;
    const std::vector<std::string> other = runs_of(line);
    const std::size_t common = std::min(other.size(), runs_.size());
    std::size_t i = 0;
    for (; i < common; ++i) {
      if (other[i] == runs_[i]) continue;
      if (other.size() != runs_.size() || !is_word(runs_[i]) || !is_word(other[i])) break;
      differs_[i] = true;
    }
    if (i < common || other.size() != runs_.size()) kept_ = std::min(kept_, i);
  }

  std::string text() const {
    std::string out;
    for (std::size_t i = 0; i < kept_; ++i) out += differs_[i] ? placeholder(i) : runs_[i];
    if (kept_ < runs_.size()) out += "...";
    return out;
  }

 private:
  std::string placeholder(std::size_t i) const {
    // Runs alternate, so the word before is two back.
    const std::string_view before = i >= 2 ? std::string_view(runs_[i - 2]) : "";
    if (before == "offset" || before == "at") return "{offset}";
    if (names_id(runs_[i])) return "{id}";
    const bool number = std::ranges::all_of(
        runs_[i], [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
    return number ? "{n}" : "...";
  }

  std::string first_;
  std::vector<std::string> runs_;
  std::vector<bool> differs_;
  std::size_t kept_;  // the runs shown
};

}  // namespace

std::vector<FailureGroup> group_failures(std::span<const SurfaceFailure> failures) {
  std::vector<FailureGroup> groups;
  std::vector<Label> labels;
  std::map<Kind, std::size_t> by_kind;
  for (const SurfaceFailure& failure : failures) {
    std::string line = survey::one_line(failure.error);
    const auto [known, fresh] = by_kind.try_emplace(kind_of(failure.error), groups.size());
    if (fresh) {
      groups.emplace_back();
      labels.emplace_back(std::move(line));
    } else {
      labels[known->second].add(line);
    }
    groups[known->second].ids.push_back(failure.id);
  }
  for (std::size_t k = 0; k < groups.size(); ++k) groups[k].label = labels[k].text();
  std::ranges::sort(groups, [](const FailureGroup& a, const FailureGroup& b) {
    if (a.ids.size() != b.ids.size()) return a.ids.size() > b.ids.size();
    return a.ids.front() < b.ids.front();
  });
  return groups;
}

}  // namespace brackwater::inspect
