// errors: why surfaces fail, by message.
#include <algorithm>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "brackwater/tools/resolve.hpp"
#include "brackwater/tools/right_aligned.hpp"
#include "brackwater/tools/survey.hpp"
#include "commands.hpp"
#include "one_line.hpp"
#include "progress_line.hpp"

namespace brackwater::inspect {
namespace {

constexpr std::size_t kExamples = 5;
constexpr std::size_t kCountWidth = 7;

struct FailureGroup {
  std::string message;
  std::size_t count = 0;
  std::vector<std::uint32_t> examples;  // the lowest ids that failed with it
};

// Most frequent first; among equals, the one whose first surface comes first.
bool comes_first(const FailureGroup& a, const FailureGroup& b) {
  if (a.count != b.count) return a.count > b.count;
  return a.examples.front() < b.examples.front();
}

}  // namespace

Outcome count_errors(const dat::DatDatabase& db, std::ostream& out, std::ostream* progress) {
  const std::vector<std::uint32_t> ids = tools::surface_ids(db.index());
  // Grouped by the one-line form shown, so no two rows read the same.
  std::map<std::string, FailureGroup> by_message;
  std::size_t failed = 0;
  // The survey's bound on a crafted archive's work, and its texture cache.
  tools::ResolveSession session = tools::ResolveSession::for_archive(db);
  {
    // Wiped before the table is printed.
    ProgressLine shown(progress, "checking surfaces", ids.size());
    for (std::size_t i = 0; i < ids.size(); ++i) {
      shown.update(i);
      const auto color = tools::dominant_for(db, ids[i], nullptr, &session);
      if (color) continue;
      ++failed;
      const std::string message = one_line(color.error());
      FailureGroup& group = by_message[message];
      if (group.count++ == 0) group.message = message;
      if (group.examples.size() < kExamples) group.examples.push_back(ids[i]);
    }
  }

  std::vector<FailureGroup> groups;
  for (auto& [message, group] : by_message) groups.push_back(std::move(group));
  std::ranges::sort(groups, comes_first);

  out << ids.size() << " surfaces: " << ids.size() - failed << " resolved, " << failed
      << " failed\n";
  if (groups.empty()) return {};
  out << "\n  COUNT  MESSAGE\n";
  for (const FailureGroup& group : groups) {
    out << tools::right_aligned(std::to_string(group.count), kCountWidth) << "  " << group.message
        << '\n'
        << std::string(kCountWidth + 2, ' ');
    for (std::size_t i = 0; i < group.examples.size(); ++i) {
      out << (i == 0 ? "" : " ") << show_id(group.examples[i]);
    }
    out << '\n';
  }
  return {};
}

}  // namespace brackwater::inspect
