#include "mount_content.hpp"

#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "brackwater/dat/file_type/texture.hpp"
#include "brackwater/image/png.hpp"
#include "brackwater/survey/report.hpp"
#include "brackwater/survey/survey.hpp"

namespace brackwater::inspect {
namespace {

using Kind = ArchiveTree::Kind;

MountContent::Content shared(dat::Bytes bytes) {
  return std::make_shared<const dat::Bytes>(std::move(bytes));
}

}  // namespace

MountContent::MountContent(const dat::DatDatabase& db, std::filesystem::path archive,
                           const survey::Limits& limits)
    : db_(db),
      archive_(std::move(archive)),
      limits_(limits),
      opened_(identity_of(archive_)),
      session_(survey::ResolveSession::for_archive(db, limits)) {}

std::optional<MountContent::Identity> MountContent::identity_of(const std::filesystem::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return Identity{info.st_dev, info.st_ino, info.st_size, info.st_mtim};
}

timespec MountContent::modified() const {
  return opened_ ? opened_->modified : timespec{};
}

std::expected<MountContent::Content, int> MountContent::open(const ArchiveTree::Node& node) {
  // Bytes of an archive that changed since the mount would be stale or mixed.
  if (!opened_ || identity_of(archive_) != opened_) return std::unexpected(EIO);
  switch (node.kind) {
    case Kind::StoredFile:
      return stored(node.id);
    case Kind::TexturePng:
      return texture_png(node.id);
    case Kind::Report:
      return report();
    case Kind::Directory:
      break;
  }
  return std::unexpected(EISDIR);
}

std::uint64_t MountContent::known_size(const ArchiveTree::Node& node) {
  if (node.kind == Kind::StoredFile) {
    const auto entry = db_.index().find(node.id);
    if (entry != db_.index().end() && !entry->second.compressed()) return entry->second.size;
  }
  if (node.kind == Kind::Report) {
    const std::lock_guard lock(report_mutex_);
    return report_ ? report_->size() : 0;
  }
  const std::lock_guard lock(mutex_);
  const auto known = sizes_.find(node.id);
  return known == sizes_.end() ? 0 : known->second;
}

std::expected<MountContent::Content, int> MountContent::stored(std::uint32_t id) {
  std::unique_lock lock(mutex_);
  if (read_once_.contains(id)) {
    lock.unlock();
    survey::ResolveSession own = survey::ResolveSession::for_archive(db_, limits_);
    auto bytes = db_.get_file(id, own.reads);
    if (!bytes) return std::unexpected(EIO);
    return shared(std::move(*bytes));
  }
  auto bytes = db_.get_file(id, session_.reads);
  if (!bytes) return std::unexpected(EIO);
  read_once_.insert(id);
  sizes_[id] = bytes->size();
  return shared(std::move(*bytes));
}

std::expected<dat::Bytes, int> MountContent::texture_pixels(std::uint32_t id,
                                                            survey::ResolveSession& session,
                                                            std::int32_t& width,
                                                            std::int32_t& height) {
  auto bytes = db_.get_file(id, session.reads);
  if (!bytes) return std::unexpected(EIO);
  auto texture = dat::Texture::unpack(*bytes);
  if (!texture) return std::unexpected(EIO);
  // The texture's default palette, as export draws it.
  auto pixels =
      survey::decode_in_session(db_, *texture, survey::choose_palette(*texture, 0), session);
  if (!pixels || texture->width <= 0 || texture->height <= 0) return std::unexpected(EIO);
  width = texture->width;
  height = texture->height;
  return std::move(*pixels);
}

std::expected<MountContent::Content, int> MountContent::texture_png(std::uint32_t id) {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::expected<dat::Bytes, int> pixels;
  {
    std::unique_lock lock(mutex_);
    if (const auto held = png_at_.find(id); held != png_at_.end()) {
      pngs_.splice(pngs_.begin(), pngs_, held->second);
      return held->second->second;
    }
    if (read_once_.contains(id)) {
      lock.unlock();
      survey::ResolveSession own = survey::ResolveSession::for_archive(db_, limits_);
      pixels = texture_pixels(id, own, width, height);
    } else {
      pixels = texture_pixels(id, session_, width, height);
      if (pixels) read_once_.insert(id);
    }
  }
  if (!pixels) return std::unexpected(pixels.error());
  // Encoding takes the time, and runs beside other readers'.
  auto png = image::encode_png({static_cast<std::uint32_t>(width),
                                static_cast<std::uint32_t>(height), std::move(*pixels)});
  if (!png) return std::unexpected(EIO);
  Content content = shared(std::move(*png));
  remember_png(id, content);
  return content;
}

void MountContent::remember_png(std::uint32_t id, const Content& png) {
  const std::lock_guard lock(mutex_);
  sizes_[id] = png->size();
  if (png->size() > kPngCacheBytes / 4 || png_at_.contains(id)) return;
  pngs_.emplace_front(id, png);
  png_at_.emplace(id, pngs_.begin());
  png_bytes_ += png->size();
  while (png_bytes_ > kPngCacheBytes) {
    png_bytes_ -= pngs_.back().second->size();
    png_at_.erase(pngs_.back().first);
    pngs_.pop_back();
  }
}

std::expected<MountContent::Content, int> MountContent::report() {
  const std::lock_guard lock(report_mutex_);
  if (!report_) {
    // The survey's own run, with its own bound: exactly tintsurvey's report.
    const auto ids = survey::surface_ids(db_.index());
    const std::string text =
        survey::render_report(survey::run_survey(db_, ids, {}, limits_).colors);
    report_ = shared(dat::Bytes(text.begin(), text.end()));
  }
  return report_;
}

}  // namespace brackwater::inspect
