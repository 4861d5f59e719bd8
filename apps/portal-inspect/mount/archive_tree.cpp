#include "archive_tree.hpp"

#include <charconv>

#include "brackwater/dat/display.hpp"

namespace brackwater::inspect {
namespace {

using Kind = ArchiveTree::Kind;
using Node = ArchiveTree::Node;

constexpr std::uint8_t kTextureType = 0x06;
constexpr std::string_view kPngSuffix = ".png";

// Exactly `digits` upper-case hex digits after "0x" (eight for an id, two
// for a type folder's name without the prefix), so each file has one name.
std::optional<std::uint32_t> exact_hex(std::string_view text, std::size_t digits) {
  if (text.size() != digits) return std::nullopt;
  for (const char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return std::nullopt;
  }
  std::uint32_t value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value, 16);
  return value;
}

std::optional<std::uint32_t> file_id(std::string_view name) {
  if (!name.starts_with("0x")) return std::nullopt;
  return exact_hex(name.substr(2), 8);
}

std::string type_folder(std::uint8_t type) {
  return dat::hex8(type).substr(6);
}

std::string id_name(std::uint32_t id) {
  return "0x" + dat::hex8(id);
}

// The path's components; "/" has none. Empty components are not allowed.
std::optional<std::vector<std::string_view>> components(std::string_view path) {
  if (!path.starts_with('/')) return std::nullopt;
  std::vector<std::string_view> parts;
  path.remove_prefix(1);
  while (!path.empty()) {
    const std::size_t slash = path.find('/');
    const std::string_view part = path.substr(0, slash);
    if (part.empty()) return std::nullopt;
    parts.push_back(part);
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return parts;
}

}  // namespace

std::optional<Node> ArchiveTree::find(std::string_view path) const {
  const auto parts = components(path);
  if (!parts) return std::nullopt;
  const auto& p = *parts;
  if (p.empty()) return Node{};
  if (p.size() == 1 && p[0] == kReportName) return Node{Kind::Report, 0};
  if (p[0] == "files") {
    if (p.size() == 1) return Node{};
    const auto type = exact_hex(p[1], 2);
    if (!type || index_.of_type(static_cast<std::uint8_t>(*type)).empty()) return std::nullopt;
    if (p.size() == 2) return Node{};
    const auto id = p.size() == 3 ? file_id(p[2]) : std::nullopt;
    if (!id || *id >> 24 != *type || !index_.contains(*id)) return std::nullopt;
    return Node{Kind::StoredFile, *id};
  }
  if (p[0] == "textures") {
    if (p.size() == 1) return Node{};
    if (p.size() != 2 || !p[1].ends_with(kPngSuffix)) return std::nullopt;
    const auto id = file_id(p[1].substr(0, p[1].size() - kPngSuffix.size()));
    if (!id || *id >> 24 != kTextureType || !index_.contains(*id)) return std::nullopt;
    return Node{Kind::TexturePng, *id};
  }
  return std::nullopt;
}

std::optional<std::vector<ArchiveTree::Entry>> ArchiveTree::list(std::string_view path) const {
  const auto node = find(path);
  if (!node || node->kind != Kind::Directory) return std::nullopt;
  std::vector<Entry> entries;
  if (path == "/") {
    entries = {{"files", Node{}}, {"textures", Node{}}, {std::string(kReportName), {Kind::Report, 0}}};
  } else if (path == "/files") {
    // Ids ascend, so their top bytes come in order.
    for (const auto& [id, entry] : index_) {
      const std::string name = type_folder(static_cast<std::uint8_t>(id >> 24));
      if (entries.empty() || entries.back().name != name) entries.push_back({name, Node{}});
    }
  } else if (path == "/textures") {
    for (const auto& [id, entry] : index_.of_type(kTextureType)) {
      entries.push_back({id_name(id) + std::string(kPngSuffix), {Kind::TexturePng, id}});
    }
  } else {
    const auto type = static_cast<std::uint8_t>(exact_hex(path.substr(path.size() - 2), 2).value_or(0));
    for (const auto& [id, entry] : index_.of_type(type)) {
      entries.push_back({id_name(id), {Kind::StoredFile, id}});
    }
  }
  return entries;
}

}  // namespace brackwater::inspect
