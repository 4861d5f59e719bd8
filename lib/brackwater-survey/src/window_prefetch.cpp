#include "brackwater/survey/window_prefetch.hpp"

#include <algorithm>
#include <array>
#include <system_error>

namespace brackwater::survey {
namespace {

// Surfaces of a window probed to tell whether its files are in memory: an
// archive is mostly all in the page cache or mostly not, and each probe is a
// system call.
constexpr std::size_t kProbes = 4;

// The first window is a twentieth of the survey, so the first surfaces wait
// for little; each later one at most this many times the one before.
constexpr std::size_t kFirstWindowShare = 20;
constexpr std::size_t kWindowGrowth = 4;

std::vector<std::uint32_t> distinct(std::vector<std::uint32_t> ids) {
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  return ids;
}

}  // namespace

WindowPrefetch::WindowPrefetch(const dat::DatDatabase& db, ResolveSession& session,
                               std::span<const std::uint32_t> ids,
                               dat::BatchReader::Mechanism mechanism, ReadAheadWhen when)
    : session_(session),
      ids_(ids),
      reader_(db, mechanism, session.read_ahead_bytes, session.reads),
      when_(when),
      reads_ahead_(session.read_ahead_bytes != 0),
      first_window_(std::max<std::size_t>(ids.size() / kFirstWindowShare, 1)) {}

WindowPrefetch::~WindowPrefetch() {
  if (next_.valid()) next_.wait();
}

void WindowPrefetch::before(std::size_t i) {
  if (i < window_end_) return;
  if (!reads_ahead_) {
    window_end_ = ids_.size();
    return;
  }
  if (!next_.valid()) start_next();
  session_.prefetched = next_.get();
  window_end_ = next_end_;
  if (window_end_ < ids_.size()) start_next();
}

void WindowPrefetch::start_next() {
  const std::size_t begin = window_end_;
  if (begin == 0) {
    window_size_ = first_window_;
  } else {
    // Sized by what a surface has needed read so far, to half a window's
    // bytes: the estimate may run over, and what does not fit is read when
    // it is needed.
    const std::uint64_t per_surface = std::max<std::uint64_t>(reader_.bytes_asked() / begin, 1);
    const std::uint64_t fitting = session_.read_ahead_bytes / 2 / per_surface;
    window_size_ = static_cast<std::size_t>(
        std::clamp<std::uint64_t>(fitting, first_window_, window_size_ * kWindowGrowth));
  }
  next_end_ = std::min(ids_.size(), begin + window_size_);
  // The last window resolves with nothing read beside it: it is kept as
  // small as the first, so that the one before resolves while it is read.
  if (next_end_ == ids_.size() && begin > 0 && ids_.size() - begin > 2 * first_window_) {
    next_end_ = ids_.size() - first_window_;
  }
  const std::span<const std::uint32_t> window = ids_.subspan(begin, next_end_ - begin);
  const auto read = [this, window] { return reader_.window(window); };
  // Told here, before any thread starts: a process that has never had a
  // second thread takes the faster way through every read.
  if (when_ == ReadAheadWhen::NotInMemory && reader_.in_memory(window)) {
    next_ = std::async(std::launch::deferred, [] { return dat::PrefetchedBlocks{}; });
    return;
  }
  try {
    next_ = std::async(std::launch::async, read);
  } catch (const std::system_error&) {
    // No thread to be had: the window is read when it is needed.
    next_ = std::async(std::launch::deferred, read);
  }
}

WindowPrefetch::Reader::Reader(const dat::DatDatabase& db, dat::BatchReader::Mechanism mechanism,
                               std::uint64_t window_bytes, dat::ReadBudget allowance)
    : db_(db),
      chains_(db.chain_prefetcher(mechanism)),
      window_bytes_(window_bytes),
      allowance_(allowance) {}

dat::PrefetchedBlocks WindowPrefetch::Reader::window(std::span<const std::uint32_t> surface_ids) {
  dat::PrefetchedBlocks blocks;
  read_ahead({surface_ids.begin(), surface_ids.end()}, blocks);
  const std::vector<dat::TextureRefs> textured = surfaces(surface_ids, blocks);
  std::vector<std::uint32_t> ids;
  for (const dat::TextureRefs& refs : textured) ids.push_back(refs.orig_texture_id);
  read_ahead(std::move(ids), blocks);
  const std::vector<Mip> wanted = mips(textured, blocks);
  ids.clear();
  for (const Mip& mip : wanted) ids.push_back(mip.texture_id);
  read_ahead(std::move(ids), blocks);
  read_ahead(palettes(wanted, blocks), blocks);
  return blocks;
}

bool WindowPrefetch::Reader::in_memory(std::span<const std::uint32_t> surface_ids) const {
  std::array<dat::ChainStart, kProbes> probes{};
  std::size_t probed = 0;
  const std::size_t step = std::max<std::size_t>(surface_ids.size() / kProbes, 1);
  for (std::size_t i = 0; i < surface_ids.size() && probed < kProbes; i += step) {
    if (const auto found = db_.index().find(surface_ids[i]); found != db_.index().end()) {
      probes[probed++] = {found->second.offset, found->second.size};
    }
  }
  return probed > 0 && chains_.in_memory(std::span(probes).first(probed));
}

void WindowPrefetch::Reader::read_ahead(std::vector<std::uint32_t> ids,
                                        dat::PrefetchedBlocks& blocks) {
  std::vector<dat::ChainStart> chains;
  for (const std::uint32_t id : distinct(std::move(ids))) {
    if (asked_.find(id)) continue;
    asked_.insert_or_assign(id, true);
    if (const auto found = db_.index().find(id); found != db_.index().end()) {
      chains.push_back({found->second.offset, found->second.size});
    }
  }
  const std::uint64_t room = std::min(window_bytes_ - std::min(window_bytes_, blocks.bytes_held()),
                                      allowance_.bytes_left());
  const std::uint64_t asked = chains_.prefetch(chains, room, blocks);
  // What was asked for fits in what was left, so this only counts it.
  (void)allowance_.spend(0, asked);
  bytes_asked_ += asked;
}

std::optional<dat::Bytes> WindowPrefetch::Reader::record(std::uint32_t id,
                                                         const dat::PrefetchedBlocks& blocks) {
  auto bytes = db_.get_held_file(id, allowance_, blocks);
  if (!bytes) return std::nullopt;
  return std::move(*bytes);
}

std::vector<dat::TextureRefs> WindowPrefetch::Reader::surfaces(
    std::span<const std::uint32_t> surface_ids, const dat::PrefetchedBlocks& blocks) {
  std::vector<dat::TextureRefs> textured;
  for (const std::uint32_t id : surface_ids) {
    const auto bytes = record(id, blocks);
    if (!bytes) continue;
    auto surface = dat::Surface::unpack(*bytes);
    if (surface && surface->texture_refs) textured.push_back(*surface->texture_refs);
  }
  return textured;
}

std::vector<WindowPrefetch::Reader::Mip> WindowPrefetch::Reader::mips(
    const std::vector<dat::TextureRefs>& textured, const dat::PrefetchedBlocks& blocks) {
  std::vector<Mip> wanted;
  for (const dat::TextureRefs& refs : textured) {
    const std::uint32_t* last = last_mip_.find(refs.orig_texture_id);
    if (!last) {
      const auto bytes = record(refs.orig_texture_id, blocks);
      if (!bytes) continue;
      auto mips = dat::SurfaceTexture::unpack(*bytes);
      if (!mips || mips->textures.empty()) continue;
      last = &last_mip_.insert_or_assign(refs.orig_texture_id, mips->textures.back());
    }
    wanted.push_back({*last, refs.orig_palette_id});
  }
  return wanted;
}

std::vector<std::uint32_t> WindowPrefetch::Reader::palettes(const std::vector<Mip>& mips,
                                                            const dat::PrefetchedBlocks& blocks) {
  std::vector<std::uint32_t> ids;
  for (const Mip& mip : mips) {
    const PaletteRule* rule = palette_rule_.find(mip.texture_id);
    if (!rule) {
      const auto bytes = record(mip.texture_id, blocks);
      if (!bytes) continue;
      auto texture = dat::Texture::unpack(*bytes);
      if (!texture) continue;
      rule = &palette_rule_.insert_or_assign(
          mip.texture_id, {texture->format().paletted(), texture->default_palette_id});
    }
    const PaletteChoice choice =
        choose_palette(rule->paletted, rule->default_palette_id, mip.surface_palette_id);
    if (choice.palette_id) ids.push_back(*choice.palette_id);
  }
  return ids;
}

}  // namespace brackwater::survey
