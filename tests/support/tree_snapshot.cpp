// Snapshots of directory trees.
#include "tests/support/tree_snapshot.h"

#include <filesystem>

#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

TTreeSnapshot SnapshotTree(const std::string& Root, const std::string& Skip) {
  TTreeSnapshot Snapshot;
  for (const fs::directory_entry& Entry : fs::recursive_directory_iterator(Root)) {
    if (Entry.path().filename() == Skip) continue;
    fs::file_status Status = Entry.symlink_status();
    std::string Perms = std::to_string(static_cast<unsigned>(Status.permissions()));
    std::string Relative = fs::relative(Entry.path(), Root).generic_string();
    if (fs::is_directory(Status)) {
      Snapshot[Relative] = "dir " + Perms;
    } else if (fs::is_symlink(Status)) {
      Snapshot[Relative] = "link " + fs::read_symlink(Entry.path()).string();
    } else if (!fs::is_regular_file(Status)) {
      Snapshot[Relative] = "other " + Perms;  // a FIFO is never read: it would wait for a writer
    } else {
      Snapshot[Relative] = "file " + Perms + " " + ReadBytes(Entry.path().string());
    }
  }
  return Snapshot;
}
