#include "brackwater/dat/error.hpp"

#include "brackwater/dat/display.hpp"
#include "overloaded.hpp"

namespace brackwater::dat {
std::string DatError::message() const {
  return std::visit(
      Overloaded{
          [](const Io& e) { return "IO error: " + e.error.message(); },
          [](const BinRead& e) { return "Binary read error: " + e.error.message(); },
          [](const NotFound& e) { return "File ID " + hex8(e.id) + " not found in provider"; },
          [](const DuplicateId& e) { return "Duplicate File ID " + hex8(e.id) + " detected"; },
          [](const DuplicateNamespacedId& e) {
            return "Duplicate namespaced file " + e.namespace_name + ":" + hex8(e.file_id) +
                   " detected";
          },
          [](const InvalidMagic& e) { return "Invalid magic for format: " + e.format; },
          [](const UnsupportedVersion& e) {
            return "Unsupported version: " + std::to_string(e.version);
          },
          [](const InvalidNamespace& e) { return "Invalid namespace: " + e.name; },
          [](const Corruption& e) { return "Corruption detected: " + e.what; },
          [](const DecompressionFailed& e) {
            return "Failed to recover compressed file " + hex8(e.id);
          },
          [](const PathError& e) {
            return "Failed to open file at " + display_path(e.path) + ": " + e.source.message();
          },
          [](const Other& e) {
            return "Other error: " +
                   std::visit(Overloaded{[](const std::string& what) { return what; },
                                         [](ReadLimitReached) {
                                           return std::string(
                                               "read limit reached: files read more than the "
                                               "archive holds");
                                         },
                                         [](DecodeLimitReached limit) {
                                           return "decode limit of " +
                                                  std::to_string(limit.amount) + " bytes reached";
                                         }},
                              e.what);
          },
      },
      payload_);
}

bool DatError::read_limit_reached() const {
  const auto* other = as<Other>();
  return other && std::holds_alternative<ReadLimitReached>(other->what);
}

bool DatError::archive_changed() const {
  const auto* io = as<Io>();
  return io && io->error.kind() == IoError::Kind::Changed;
}

bool DatError::decode_limit_reached() const {
  const auto* other = as<Other>();
  return other && std::holds_alternative<DecodeLimitReached>(other->what);
}

DatError::Source DatError::source() const {
  if (const auto* io = as<Io>()) return std::cref(io->error);
  if (const auto* path = as<PathError>()) return std::cref(path->source);
  if (const auto* read = as<BinRead>()) return std::cref(read->error);
  return std::monostate{};
}

}  // namespace brackwater::dat
