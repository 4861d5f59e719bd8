#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "brackwater/dat/file_index.hpp"

namespace brackwater::inspect {

// The mounted archive's layout, worked out from its index alone:
//
//   /files/TT/0xXXXXXXXX      every file's bytes (decompressed), a folder per top byte TT
//   /textures/0xXXXXXXXX.png  every texture (top byte 0x06) drawn with its default palette
//   /tintsurvey.json          the survey's report
//
// Nothing here reads a file's bytes: naming and listing are free.
class ArchiveTree {
 public:
  enum class Kind { Directory, StoredFile, TexturePng, Report };

  struct Node {
    Kind kind = Kind::Directory;
    std::uint32_t id = 0;  // StoredFile, TexturePng
  };

  struct Entry {
    std::string name;
    Node node;
  };

  explicit ArchiveTree(const dat::FileIndex& index) : index_(index) {}

  // What `path` ("/", "/files/06/0x06000001") names, if anything.
  std::optional<Node> find(std::string_view path) const;
  // The entries of directory `path`, in name order; none when it is no directory.
  std::optional<std::vector<Entry>> list(std::string_view path) const;

  static constexpr std::string_view kReportName = "tintsurvey.json";

 private:
  const dat::FileIndex& index_;
};

}  // namespace brackwater::inspect
