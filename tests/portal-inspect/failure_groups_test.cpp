#include "failure_groups.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "brackwater/dat/file_type/surface.hpp"
#include "brackwater/dat/file_type/texture.hpp"
#include "record_testing.hpp"

namespace brackwater::inspect {
namespace {

using dat::DatError;
using dat::TextureDecodeError;
using survey::SurveyError;
using test_support::words;

SurveyError not_found(std::uint32_t id) {
  return SurveyError::from(DatError(DatError::NotFound{id}));
}

// A Texture whose length is `length`, negative: a read error without frames.
SurveyError negative_length(std::uint32_t length) {
  return SurveyError::from(dat::Texture::unpack(words({1, 0, 8, 8, 20, length})).error());
}

SurveyError surface_failure(const dat::Bytes& bytes) {
  return SurveyError::from(dat::Surface::unpack(bytes).error());
}

SurveyError missing_palette(std::uint32_t id) {
  return SurveyError::from(
      TextureDecodeError(TextureDecodeError::PaletteFetch{id, DatError(DatError::NotFound{id})}));
}

SurveyError decode_limit(std::uint64_t amount) {
  return SurveyError::from(DatError(DatError::Other{DatError::DecodeLimitReached{amount}}));
}

struct Group {
  std::string label;
  std::vector<std::uint32_t> ids;
  friend bool operator==(const Group&, const Group&) = default;
};

void PrintTo(const Group& group, std::ostream* out) {
  *out << group.label << " [" << group.ids.size() << "]";
}

std::vector<Group> grouped(const std::vector<SurfaceFailure>& failures) {
  std::vector<Group> groups;
  for (const FailureGroup& group : group_failures(failures))
    groups.push_back({group.label, group.ids});
  return groups;
}

// Failures group by what their values are, whatever their texts: the same
// words from another kind of error stand apart, and texts that differ in
// more than ids and offsets stand together.
TEST(GroupFailures, GroupsByKindAndMasksWhatDiffers) {
  const std::vector<SurfaceFailure> failures = {
      {0x08000001, not_found(0x06000099)},
      {0x08000002, negative_length(0xFFFFFFFF)},
      {0x08000003, SurveyError("File ID 06000099 not found in provider")},
      {0x08000004, not_found(0x05000001)},
      {0x08000005, negative_length(0xFFFFFFF6)},
      {0x08000006, surface_failure({})},
      {0x08000007, surface_failure(words({0x2, 0x05000001}))},
      {0x08000008, surface_failure({1, 2, 3})},
      {0x08000009, missing_palette(0x04000F00)},
      {0x0800000A, missing_palette(0x04000F01)},
      {0x0800000B, decode_limit(1024)},
      {0x0800000C, decode_limit(4096)},
      {0x0800000D,
       SurveyError::from(DatError(DatError::Other{"decode limit of 1024 bytes reached"}))},
      {0x0800000E, not_found(0x06000001)},
  };
  const std::vector<Group> expected = {
      {"File ID {id} not found in provider", {0x08000001, 0x08000004, 0x0800000E}},
      {"Binary read error: count -{n} out of range of usize at 0x18", {0x08000002, 0x08000005}},
      // Both fail reading the same field for want of bytes.
      {"failed to fill whole buffer, while parsing field 'surface_type' in Surface",
       {0x08000006, 0x08000008}},
      {"palette fetch failed: {id}: File ID {id} not found in provider", {0x08000009, 0x0800000A}},
      {"Other error: decode limit of {n} bytes reached", {0x0800000B, 0x0800000C}},
      {"File ID 06000099 not found in provider", {0x08000003}},
      {"failed to fill whole buffer, while parsing field 'orig_palette_id' in TextureRefs",
       {0x08000007}},
      // The limit's words, as text, are not the limit.
      {"Other error: decode limit of 1024 bytes reached", {0x0800000D}},
  };
  EXPECT_EQ(grouped(failures), expected);
}

// Where members differ in other words than numbers, or are worded apart,
// the label shows what they share.
TEST(GroupFailures, ALabelShowsWhatItsMembersShare) {
  const auto corruption = [](const char* what) {
    return SurveyError::from(DatError(DatError::Corruption{what}));
  };
  const struct {
    std::vector<std::string> whats;
    std::string label;
  } cases[] = {
      {{"block chain at offset 0x00001000", "block chain at offset 0x00002000"},
       "Corruption detected: block chain at offset {offset}"},
      {{"chain A broken", "chain B broken"}, "Corruption detected: chain ... broken"},
      {{"block chain at offset 0x00001000", "block chain at offset 0x00002000", "node loops"},
       "Corruption detected: ..."},
  };
  for (const auto& c : cases) {
    std::vector<SurfaceFailure> failures;
    for (const std::string& what : c.whats) {
      failures.push_back(
          {0x08000000 + static_cast<std::uint32_t>(failures.size()), corruption(what.c_str())});
    }
    const std::vector<FailureGroup> groups = group_failures(failures);
    ASSERT_EQ(groups.size(), 1u) << c.label;
    EXPECT_EQ(groups[0].label, c.label);
  }
}

}  // namespace
}  // namespace brackwater::inspect
