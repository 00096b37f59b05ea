// A record of every file and directory below a folder: bytes and permissions.
#ifndef MORVELLAN_TESTS_SUPPORT_TREE_SNAPSHOT_H
#define MORVELLAN_TESTS_SUPPORT_TREE_SNAPSHOT_H

#include <map>
#include <string>

/// Relative path -> "dir <perms>", "file <perms> <bytes>", "link <target>" or
/// "other <perms>" (a FIFO, a device), links not followed.
using TTreeSnapshot = std::map<std::string, std::string>;

/// Everything below Root except the files named Skip.
TTreeSnapshot SnapshotTree(const std::string& Root, const std::string& Skip = "Morvellan.log");

#endif
