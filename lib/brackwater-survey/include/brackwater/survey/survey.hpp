#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "brackwater/dat/database.hpp"
#include "brackwater/survey/limits.hpp"
#include "brackwater/survey/report.hpp"
#include "brackwater/survey/resolve.hpp"
#include "brackwater/survey/window_prefetch.hpp"

namespace brackwater::survey {

// Every surface id of the index (top byte 0x08), ascending.
std::vector<std::uint32_t> surface_ids(const dat::FileIndex& index);

struct SurveyCounts {
  std::size_t done = 0;         // surfaces resolved or failed so far
  std::size_t to_process = 0;   // surfaces the survey takes
  std::size_t resolved = 0;
  std::size_t solid = 0;
  std::size_t textured = 0;
  std::size_t errors = 0;
};

struct SurveyResult {
  ColorMap colors;
  SurveyCounts counts;
  // Set when the archive changed while it was read (a read found it shorter
  // than at open, or fstat tells another file at the end): the colours are
  // of a mixture and must not be kept. The survey stops at the first such read.
  std::optional<dat::DatError> archive_changed;
};

using SurfaceOutcome = std::expected<SurfaceColor, SurveyError>;

struct SurveyOptions {
  // The first `limit` ids are taken (0: all).
  std::size_t limit = 0;
  // Told the counts before each window of surfaces after the first, about
  // every twentieth of the way.
  std::function<void(const SurveyCounts&)> progress = {};
  // Told every surface's outcome in id order; returning false ends the
  // survey there.
  std::function<bool(std::uint32_t id, const SurfaceOutcome&)> on_outcome = {};
  // Told every record each resolution reads.
  ResolveObserver* observer = nullptr;
  // How reads ahead are made: the ring where the kernel allows it, or
  // announced reads and plain preads.
  dat::BatchReader::Mechanism read_ahead = dat::BatchReader::Mechanism::Ring;
  // Which windows are read ahead: only those whose files are not in memory
  // yet, or every one.
  ReadAheadWhen read_ahead_when = ReadAheadWhen::NotInMemory;
};

// Resolves `ids` (ascending) one after another, reading each window's
// records ahead in batches, within the session's limits. A surface that
// does not resolve is counted, not kept; an archive that changes under the
// survey ends it (see SurveyResult::archive_changed).
SurveyResult run_survey(const dat::DatDatabase& db, ResolveSession& session,
                        std::span<const std::uint32_t> ids, const SurveyOptions& options = {});
// The same in a session of its own under `limits`.
SurveyResult run_survey(const dat::DatDatabase& db, std::span<const std::uint32_t> ids,
                        const SurveyOptions& options = {}, const Limits& limits = {});

}  // namespace brackwater::survey
