// mount: the archive as a read-only FUSE file system.
#define FUSE_USE_VERSION 31
#include <fcntl.h>
#include <fuse.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>

#include "archive_tree.hpp"
#include "brackwater/dat/display.hpp"
#include "brackwater/dat/io_error.hpp"
#include "mount.hpp"
#include "mount_content.hpp"

namespace brackwater::inspect {
namespace {

namespace fs = std::filesystem;

struct Mounted {
  ArchiveTree tree;
  MountContent content;
};

Mounted& mounted() {
  return *static_cast<Mounted*>(fuse_get_context()->private_data);
}

// No exception may cross back into libfuse's C frames.
template <class Operation>
int guarded(Operation operation) {
  try {
    return operation();
  } catch (const std::bad_alloc&) {
    return -ENOMEM;
  } catch (...) {
    return -EIO;
  }
}

void describe(const ArchiveTree::Node& node, struct stat& info) {
  info = {};
  info.st_mtim = info.st_ctim = info.st_atim = mounted().content.modified();
  if (node.kind == ArchiveTree::Kind::Directory) {
    info.st_mode = S_IFDIR | 0555;
    info.st_nlink = 2;
  } else {
    info.st_mode = S_IFREG | 0444;
    info.st_nlink = 1;
  }
}

int get_attributes(const char* path, struct stat* info, fuse_file_info*) {
  return guarded([&] {
    const auto node = mounted().tree.find(path);
    if (!node) return -ENOENT;
    describe(*node, *info);
    if (node->kind != ArchiveTree::Kind::Directory) {
      info->st_size = static_cast<off_t>(mounted().content.known_size(*node));
    }
    return 0;
  });
}

int read_directory(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
                   fuse_readdir_flags) {
  return guarded([&] {
    const auto entries = mounted().tree.list(path);
    if (!entries) return -ENOTDIR;
    fill(buffer, ".", nullptr, 0, fuse_fill_dir_flags{});
    fill(buffer, "..", nullptr, 0, fuse_fill_dir_flags{});
    struct stat info {};
    for (const ArchiveTree::Entry& entry : *entries) {
      describe(entry.node, info);
      if (fill(buffer, entry.name.c_str(), &info, 0, fuse_fill_dir_flags{}) != 0) break;
    }
    return 0;
  });
}

int open_file(const char* path, fuse_file_info* file) {
  return guarded([&] {
    if ((file->flags & O_ACCMODE) != O_RDONLY) return -EROFS;
    const auto node = mounted().tree.find(path);
    if (!node) return -ENOENT;
    auto content = mounted().content.open(*node);
    if (!content) return -content.error();
    file->fh = reinterpret_cast<std::uint64_t>(new MountContent::Content(std::move(*content)));
    // The size is known only now: reads go to the end of what was made.
    file->direct_io = 1;
    return 0;
  });
}

int read_file(const char*, char* buffer, std::size_t size, off_t offset, fuse_file_info* file) {
  const dat::Bytes& bytes = **reinterpret_cast<const MountContent::Content*>(file->fh);
  if (offset < 0) return -EINVAL;
  const auto start = std::min(static_cast<std::size_t>(offset), bytes.size());
  const std::size_t count = std::min(size, bytes.size() - start);
  std::memcpy(buffer, bytes.data() + start, count);
  return static_cast<int>(count);
}

int release_file(const char*, fuse_file_info* file) {
  delete reinterpret_cast<MountContent::Content*>(file->fh);
  return 0;
}

constexpr fuse_operations kOperations = [] {
  fuse_operations operations{};
  operations.getattr = get_attributes;
  operations.readdir = read_directory;
  operations.open = open_file;
  operations.read = read_file;
  operations.release = release_file;
  return operations;
}();

// Why `dir` cannot take the mount, if it cannot.
std::optional<std::string> unusable(const fs::path& dir) {
  std::error_code error;
  if (!fs::is_directory(dir, error)) {
    return fs::exists(fs::symlink_status(dir, error)) ? "not a directory" : "no such directory";
  }
  if (!fs::is_empty(dir, error)) return error ? error.message() : "not an empty directory";
  if (::access("/dev/fuse", R_OK | W_OK) != 0) {
    return "cannot use /dev/fuse: " + dat::IoError::from_errno(errno).message();
  }
  return std::nullopt;
}

}  // namespace

Outcome mount(const Invocation& call) {
  const std::string lead = "mount " + dat::display_path(call.output) + ": ";
  if (const auto reason = unusable(call.output)) return std::unexpected(lead + *reason);
  auto db = open_archive(call.archive);
  if (!db) return std::unexpected(std::move(db.error()));
  // The file system runs from "/": the archive is watched by its full path.
  Mounted state{ArchiveTree(db->index()), MountContent(*db, fs::absolute(call.archive))};

  fuse_args args = FUSE_ARGS_INIT(0, nullptr);
  const std::string options = "-oro,default_permissions,fsname=" +
                              fs::absolute(call.archive).string() + ",subtype=portal-inspect";
  fuse_opt_add_arg(&args, "portal-inspect");
  fuse_opt_add_arg(&args, options.c_str());
  fuse* system = fuse_new(&args, &kOperations, sizeof kOperations, &state);
  fuse_opt_free_args(&args);
  if (system == nullptr) return std::unexpected(lead + "the file system could not be set up");
  if (fuse_mount(system, call.output.c_str()) != 0) {
    fuse_destroy(system);
    return std::unexpected(lead + "the file system could not be mounted");
  }
  // In the background the caller gets its prompt back once the mount is there.
  int status = fuse_daemonize(call.foreground ? 1 : 0);
  if (status == 0) {
    fuse_session* session = fuse_get_session(system);
    fuse_set_signal_handlers(session);
    status = fuse_loop_mt(system, 0);
    fuse_remove_signal_handlers(session);
  }
  fuse_unmount(system);
  fuse_destroy(system);
  if (status != 0) return std::unexpected(lead + "the file system stopped on an error");
  return {};
}

}  // namespace brackwater::inspect
