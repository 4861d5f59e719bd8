#pragma once

#include <sys/types.h>

#include <ctime>
#include <cstdint>
#include <expected>
#include <filesystem>
#include <list>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

#include "archive_tree.hpp"
#include "brackwater/dat/bytes.hpp"
#include "brackwater/dat/database.hpp"
#include "brackwater/survey/limits.hpp"
#include "brackwater/survey/resolve.hpp"

namespace brackwater::inspect {

// What the mounted files hold, made when a file is opened and safe to ask
// from many threads at once.
//
// The first read of each file is charged to one bound for the whole mount,
// the survey's: reads within what the archive holds plus the slack of
// `limits`, decoded pixels within its decode allowance. A hostile archive
// (entries sharing one chain, tiny records naming huge images) so answers
// with errors after a bounded amount of work, however its files are read. A
// file that was read once is sound, and reading it again is bounded by a
// fresh session of its own, so a sound archive can be read any number of
// times. Encoded PNGs are kept in a cache of fixed size.
class MountContent {
 public:
  using Content = std::shared_ptr<const dat::Bytes>;

  static constexpr std::size_t kPngCacheBytes = std::size_t{64} << 20;

  // `archive` is where `db` was opened from; a file there that is no longer
  // the one opened fails every later open.
  MountContent(const dat::DatDatabase& db, std::filesystem::path archive,
               const survey::Limits& limits = {});

  // The whole content of a file node, or the errno to answer with.
  std::expected<Content, int> open(const ArchiveTree::Node& node);
  // The size to show before a file is opened: exact once it has been made
  // (or for a file stored uncompressed), 0 until then.
  std::uint64_t known_size(const ArchiveTree::Node& node);
  // When the archive was last changed, as it was mounted: every file's time.
  timespec modified() const;

 private:
  struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    bool operator==(const Identity& other) const {
      return device == other.device && inode == other.inode && size == other.size &&
             modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
    }
  };
  static std::optional<Identity> identity_of(const std::filesystem::path& path);

  std::expected<Content, int> stored(std::uint32_t id);
  std::expected<Content, int> texture_png(std::uint32_t id);
  std::expected<Content, int> report();

  // The texture's pixels as export draws them, within `session`.
  std::expected<dat::Bytes, int> texture_pixels(std::uint32_t id, survey::ResolveSession& session,
                                                std::int32_t& width, std::int32_t& height);
  void remember_png(std::uint32_t id, const Content& png);

  const dat::DatDatabase& db_;
  const std::filesystem::path archive_;
  const survey::Limits limits_;
  const std::optional<Identity> opened_;

  std::mutex mutex_;
  // The whole mount's bound on first reads.
  survey::ResolveSession session_;
  std::unordered_set<std::uint32_t> read_once_;
  std::unordered_map<std::uint32_t, std::uint64_t> sizes_;
  // Encoded PNGs, most recently used first, and where each id sits.
  std::list<std::pair<std::uint32_t, Content>> pngs_;
  std::unordered_map<std::uint32_t, std::list<std::pair<std::uint32_t, Content>>::iterator>
      png_at_;
  std::size_t png_bytes_ = 0;

  // The report is made once, without holding up the other files.
  std::mutex report_mutex_;
  Content report_;
};

}  // namespace brackwater::inspect
