#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "archive_tree.hpp"
#include "brackwater/dat/database.hpp"
#include "portal_fixture/archive_file.hpp"
#include "portal_fixture/archive_writer.hpp"
#include "tool_dir.hpp"

namespace brackwater::inspect {
namespace {

namespace fs = std::filesystem;
using portal_fixture::ArchiveBuilder;
using test_support::read_file;
using test_support::ToolDir;

std::vector<std::string> names(const std::optional<std::vector<ArchiveTree::Entry>>& entries) {
  std::vector<std::string> out;
  for (const auto& entry : entries.value_or(std::vector<ArchiveTree::Entry>{})) {
    out.push_back(entry.name);
  }
  return out;
}

TEST(ArchiveTree, NamesEveryFileOnceAndNothingElse) {
  ArchiveBuilder b;
  for (const std::uint32_t id : {0x06000001u, 0x060000A0u, 0x08000001u, 0x0400FFFFu}) {
    b.add_file(id, dat::Bytes{1});
  }
  auto db = portal_fixture::ArchiveFile(b).open();
  ASSERT_TRUE(db) << db.error().message();
  const ArchiveTree tree(db->index());
  using Kind = ArchiveTree::Kind;

  EXPECT_EQ(names(tree.list("/")), (std::vector<std::string>{"files", "textures", "tintsurvey.json"}));
  EXPECT_EQ(names(tree.list("/files")), (std::vector<std::string>{"04", "06", "08"}));
  EXPECT_EQ(names(tree.list("/files/06")), (std::vector<std::string>{"0x06000001", "0x060000A0"}));
  EXPECT_EQ(names(tree.list("/textures")),
            (std::vector<std::string>{"0x06000001.png", "0x060000A0.png"}));
  EXPECT_FALSE(tree.list("/files/06/0x06000001"));

  struct Case {
    const char* path;
    std::optional<Kind> kind;
  };
  const Case cases[] = {
      {"/", Kind::Directory},
      {"/files/08", Kind::Directory},
      {"/files/08/0x08000001", Kind::StoredFile},
      {"/textures/0x060000A0.png", Kind::TexturePng},
      {"/tintsurvey.json", Kind::Report},
      // One name per file: lower-case hex, short forms, the wrong folder,
      // stray slashes and textures of other types name nothing.
      {"/files/06/0x060000a0", std::nullopt},
      {"/files/6/0x06000001", std::nullopt},
      {"/files/08/0x06000001", std::nullopt},
      {"/files/07", std::nullopt},
      {"/files//06", std::nullopt},
      {"/textures/0x08000001.png", std::nullopt},
      {"/textures/0x06000002.png", std::nullopt},
      {"/textures/0x06000001", std::nullopt},
      {"files", std::nullopt},
  };
  for (const Case& c : cases) {
    const auto node = tree.find(c.path);
    EXPECT_EQ(node ? std::optional(node->kind) : std::nullopt, c.kind) << c.path;
  }
}

// Mounts in a temporary directory and always unmounts.
class MountTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::access("/dev/fuse", R_OK | W_OK) != 0) GTEST_SKIP() << "no usable /dev/fuse here";
    fs::create_directory(dir_ / "mnt");
  }
  void TearDown() override {
    if (mounted_) dir_.run("/usr/bin/env", {"fusermount3", "-u", "mnt"});
  }

  void mount(const std::string& archive) {
    const auto run = dir_.run(PORTAL_INSPECT_BIN, {archive, "mount", "mnt"});
    if (run.status != 0 && run.err.find("could not be mounted") != std::string::npos) {
      GTEST_SKIP() << "this machine refuses FUSE mounts: " << run.err;
    }
    ASSERT_EQ(run.status, 0) << run.err;
    mounted_ = true;
  }

  fs::path in_mount(const std::string& relative) const { return dir_ / "mnt" / relative; }

  ToolDir dir_;
  bool mounted_ = false;
};

// Every file, every texture and the report give what cat, export and
// tintsurvey give.
TEST_F(MountTest, ServesWhatCatExportAndTintsurveyWrite) {
  ASSERT_EQ(dir_.run(MKPORTAL_BIN, {"sample", "portal.dat"}).status, 0);
  ASSERT_EQ(dir_.run(TINTSURVEY_BIN, {"--portal-dat", "portal.dat", "--out", "report.json"}).status,
            0);
  ASSERT_EQ(dir_.run(PORTAL_INSPECT_BIN, {"portal.dat", "export", "pngs"}).status, 0);
  mount("portal.dat");

  auto db = dat::DatDatabase::open(dir_ / "portal.dat");
  ASSERT_TRUE(db) << db.error().message();
  std::size_t files = 0;
  for (const auto& [id, entry] : db->index()) {
    char folder[3];
    std::snprintf(folder, sizeof folder, "%02X", id >> 24);
    char name[11];
    std::snprintf(name, sizeof name, "0x%08X", id);
    const auto stored = db->get_file(id);
    const fs::path path = in_mount(std::string("files/") + folder + "/" + name);
    if (!stored) {
      std::ifstream unreadable(path, std::ios::binary);
      EXPECT_FALSE(unreadable.is_open() && unreadable.peek() != EOF) << name;
      continue;
    }
    EXPECT_EQ(read_file(path), std::string(stored->begin(), stored->end())) << name;
    ++files;
  }
  EXPECT_GT(files, 1000u);

  std::size_t textures = 0;
  for (const auto& file : fs::directory_iterator(in_mount("textures"))) {
    const fs::path exported = dir_ / "pngs" / file.path().filename();
    if (fs::exists(exported)) {
      EXPECT_EQ(read_file(file.path()), read_file(exported)) << file.path();
      ++textures;
    } else {
      // A texture export lists as having no image cannot be opened here either.
      std::ifstream unreadable(file.path(), std::ios::binary);
      EXPECT_FALSE(unreadable.is_open() && unreadable.peek() != EOF) << file.path();
    }
  }
  EXPECT_GT(textures, 400u);
  EXPECT_EQ(read_file(in_mount("tintsurvey.json")), read_file(dir_ / "report.json"));
}

// Readers at once, each opening every texture from the other end of the
// list, are served the same bytes as one.
TEST_F(MountTest, ReadersAtOnceGetWhatOneGets) {
  ASSERT_EQ(dir_.run(MKPORTAL_BIN, {"sample", "portal.dat"}).status, 0);
  mount("portal.dat");
  std::vector<fs::path> pngs;
  for (const auto& file : fs::directory_iterator(in_mount("textures"))) pngs.push_back(file.path());
  std::ranges::sort(pngs);
  const auto read_all = [&](bool backwards) {
    std::map<fs::path, std::string> seen;
    for (std::size_t k = 0; k < pngs.size(); ++k) {
      const fs::path& png = pngs[backwards ? pngs.size() - 1 - k : k];
      std::ifstream in(png, std::ios::binary);
      seen[png] = std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    return seen;
  };
  std::map<fs::path, std::string> forwards;
  std::map<fs::path, std::string> backwards;
  {
    std::jthread one([&] { forwards = read_all(false); });
    std::jthread other([&] { backwards = read_all(true); });
  }
  EXPECT_EQ(forwards.size(), pngs.size());
  EXPECT_EQ(forwards, backwards);
  EXPECT_EQ(forwards, read_all(false));
}

// 300 entries share the chain of one 512 KiB file: what the archive holds is
// soon read, and the files past the bound answer with an error.
TEST_F(MountTest, EntriesSharingOneChainStopAtTheBound) {
  ArchiveBuilder b;
  const dat::DatFileEntry shared = b.add_file(0x06000000, dat::Bytes(512 << 10, 7));
  std::vector<std::uint32_t> leaves;
  std::uint32_t next = 0x06000001;
  const auto entries = [&](std::size_t count) {
    std::vector<dat::DatFileEntry> made;
    for (std::size_t k = 0; k < count; ++k) {
      dat::DatFileEntry e = shared;
      e.id = next++;
      made.push_back(e);
    }
    return made;
  };
  for (int k = 0; k < 5; ++k) leaves.push_back(b.add_node({.entries = entries(60)}));
  b.set_root(b.add_node({.branches = leaves, .entries = entries(4)}));
  dir_.write_archive(b);
  mount("portal.dat");

  std::size_t read = 0;
  std::size_t refused = 0;
  for (const auto& file : fs::directory_iterator(in_mount("files/06"))) {
    std::ifstream in(file.path(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.is_open() && bytes.size() == (512u << 10)) {
      ++read;
    } else {
      ++refused;
    }
  }
  EXPECT_EQ(read + refused, 304u);
  EXPECT_GT(read, 0u);
  EXPECT_GT(refused, 100u);
}

TEST_F(MountTest, AnArchiveReplacedUnderTheMountAnswersWithErrors) {
  ASSERT_EQ(dir_.run(MKPORTAL_BIN, {"sample", "portal.dat"}).status, 0);
  mount("portal.dat");
  EXPECT_FALSE(read_file(in_mount("files/06/0x06000014")).empty());
  ASSERT_EQ(dir_.run(MKPORTAL_BIN, {"sample", "portal.dat"}).status, 0);  // a new file, renamed in
  std::ifstream stale(in_mount("files/06/0x06000014"), std::ios::binary);
  EXPECT_FALSE(stale.is_open() && stale.peek() != EOF);
}

TEST(MountRefusal, ADirectoryThatCannotTakeTheMount) {
  ToolDir dir;
  ASSERT_EQ(dir.run(MKPORTAL_BIN, {"sample", "portal.dat"}).status, 0);
  fs::create_directory(dir / "full");
  test_support::write_text(dir / "full/x", "x");
  struct Case {
    const char* dir;
    std::string err;
  };
  const Case cases[] = {
      {"full", "portal-inspect: mount full: not an empty directory\n"},
      {"missing", "portal-inspect: mount missing: no such directory\n"},
      {"portal.dat", "portal-inspect: mount portal.dat: not a directory\n"},
  };
  for (const Case& c : cases) {
    const auto run = dir.run(PORTAL_INSPECT_BIN, {"portal.dat", "mount", c.dir});
    EXPECT_EQ(run.status, 1) << c.dir;
    EXPECT_EQ(run.err, c.err);
  }
}

}  // namespace
}  // namespace brackwater::inspect
