#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "brackwater/dat/batch_reader.hpp"
#include "brackwater/dat/chain_prefetcher.hpp"
#include "brackwater/dat/database.hpp"
#include "brackwater/dat/read_budget.hpp"
#include "brackwater/survey/resolve.hpp"

namespace brackwater::survey {

// Reading ahead saves waiting for the device; for files in memory it only
// adds work. Always is for measuring and testing the reads ahead themselves.
enum class ReadAheadWhen { NotInMemory, Always };

// Reads ahead what resolving a window of surfaces will read, a level at a
// time and each level in one batch: the Surfaces, the SurfaceTextures they
// name, the last-mip Textures, then the Palettes those take. The blocks go to
// the session, whose reads take them instead of reading the file. It guesses
// with the resolution's own rules but decides nothing for it: a wrong or
// missing guess costs a read, never a different result. A window holds at
// most the session's `read_ahead_bytes`.
class WindowPrefetch {
 public:
  // `db` must not move while the prefetch lives.
  WindowPrefetch(const dat::DatDatabase& db, ResolveSession& session,
                 dat::BatchReader::Mechanism mechanism = dat::BatchReader::Mechanism::Ring,
                 ReadAheadWhen when = ReadAheadWhen::NotInMemory);

  // Drops what the last window read ahead and reads ahead for this one.
  void operator()(std::span<const std::uint32_t> surface_ids);

 private:
  // The mip a surface ends at, with the palette the surface names.
  struct Mip {
    std::uint32_t texture_id;
    std::uint32_t surface_palette_id;
  };

  // Whether a few of the window's surfaces, spread over it, are in memory.
  bool in_memory(std::span<const std::uint32_t> surface_ids) const;
  // Reads ahead the files `ids` that the session does not hold already.
  void read_ahead(const std::vector<std::uint32_t>& ids);
  // A file's bytes as the session holds them, or as put together from what
  // was read ahead alone; empty when neither has them all.
  RecordCache::Record record(std::uint32_t id);

  // What each level's records name for the next: the texture references of
  // the textured surfaces, the last mips not yet resolved for their palette,
  // and the palettes those mips take.
  std::vector<dat::TextureRefs> surfaces(std::span<const std::uint32_t> surface_ids);
  std::vector<Mip> mips(const std::vector<dat::TextureRefs>& textured);
  std::vector<std::uint32_t> palettes(const std::vector<Mip>& mips);

  const dat::DatDatabase& db_;
  ResolveSession& session_;
  dat::ChainPrefetcher chains_;
  ReadAheadWhen when_;
  // Bounds what reading ahead may read over the whole run, as much as the
  // session's budget held at the start: a crafted archive makes it give up
  // early.
  dat::ReadBudget allowance_;
};

}  // namespace brackwater::survey
