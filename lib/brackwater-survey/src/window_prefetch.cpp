#include "brackwater/survey/window_prefetch.hpp"

#include <algorithm>
#include <array>
#include <memory>

namespace brackwater::survey {
namespace {

// Surfaces of a window probed to tell whether its files are in memory: an
// archive is mostly all in the page cache or mostly not, and each probe is a
// system call.
constexpr std::size_t kProbes = 4;

std::vector<std::uint32_t> distinct(std::vector<std::uint32_t> ids) {
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  return ids;
}

}  // namespace

WindowPrefetch::WindowPrefetch(const dat::DatDatabase& db, ResolveSession& session,
                               dat::BatchReader::Mechanism mechanism, ReadAheadWhen when)
    : db_(db),
      session_(session),
      chains_(db.chain_prefetcher(mechanism)),
      when_(when),
      allowance_(session.reads) {}

void WindowPrefetch::operator()(std::span<const std::uint32_t> surface_ids) {
  session_.prefetched.clear();
  if (session_.read_ahead_bytes == 0) return;
  if (when_ == ReadAheadWhen::NotInMemory && in_memory(surface_ids)) return;
  read_ahead({surface_ids.begin(), surface_ids.end()});
  const std::vector<dat::TextureRefs> textured = surfaces(surface_ids);
  std::vector<std::uint32_t> ids;
  for (const dat::TextureRefs& refs : textured) ids.push_back(refs.orig_texture_id);
  read_ahead(ids);
  const std::vector<Mip> wanted = mips(textured);
  ids.clear();
  for (const Mip& mip : wanted) ids.push_back(mip.texture_id);
  read_ahead(ids);
  read_ahead(palettes(wanted));
}

bool WindowPrefetch::in_memory(std::span<const std::uint32_t> surface_ids) const {
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

void WindowPrefetch::read_ahead(const std::vector<std::uint32_t>& ids) {
  std::vector<dat::ChainStart> chains;
  for (const std::uint32_t id : distinct(ids)) {
    if (session_.records.peek(id)) continue;
    if (const auto found = db_.index().find(id); found != db_.index().end()) {
      chains.push_back({found->second.offset, found->second.size});
    }
  }
  const std::uint64_t window = session_.read_ahead_bytes;
  const std::uint64_t room =
      std::min(window - std::min(window, session_.prefetched.bytes_held()),
               allowance_.bytes_left());
  const std::uint64_t asked = chains_.prefetch(chains, room, session_.prefetched);
  // What was asked for fits in what was left, so this only counts it.
  (void)allowance_.spend(0, asked);
}

RecordCache::Record WindowPrefetch::record(std::uint32_t id) {
  if (RecordCache::Record held = session_.records.peek(id)) return held;
  auto bytes = db_.get_held_file(id, allowance_, session_.prefetched);
  if (!bytes) return nullptr;
  return std::make_shared<const dat::Bytes>(std::move(*bytes));
}

std::vector<dat::TextureRefs> WindowPrefetch::surfaces(std::span<const std::uint32_t> surface_ids) {
  std::vector<dat::TextureRefs> textured;
  for (const std::uint32_t id : surface_ids) {
    const RecordCache::Record bytes = record(id);
    if (!bytes) continue;
    auto surface = dat::Surface::unpack(*bytes);
    if (surface && surface->texture_refs) textured.push_back(*surface->texture_refs);
  }
  return textured;
}

std::vector<WindowPrefetch::Mip> WindowPrefetch::mips(
    const std::vector<dat::TextureRefs>& textured) {
  std::vector<Mip> wanted;
  for (const dat::TextureRefs& refs : textured) {
    const RecordCache::Record bytes = record(refs.orig_texture_id);
    if (!bytes) continue;
    auto mips = dat::SurfaceTexture::unpack(*bytes);
    if (!mips || mips->textures.empty()) continue;
    // A texture already resolved for this palette is not read again.
    const Mip mip{mips->textures.back(), refs.orig_palette_id};
    if (!session_.textures.find(mip.texture_id, mip.surface_palette_id)) wanted.push_back(mip);
  }
  return wanted;
}

std::vector<std::uint32_t> WindowPrefetch::palettes(const std::vector<Mip>& mips) {
  std::vector<std::uint32_t> ids;
  for (const Mip& mip : mips) {
    const RecordCache::Record bytes = record(mip.texture_id);
    if (!bytes) continue;
    auto texture = dat::Texture::unpack(*bytes);
    if (!texture) continue;
    const PaletteChoice choice = choose_palette(*texture, mip.surface_palette_id);
    if (choice.palette_id) ids.push_back(*choice.palette_id);
  }
  return ids;
}

}  // namespace brackwater::survey
