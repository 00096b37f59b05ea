// The temporary-directory fixture and file helpers.
#include "tests/support/temp_dir.h"

#include <fstream>
#include <iterator>
#include <random>

#include "platform/file_system.h"

namespace fs = std::filesystem;

void TTempDirTest::SetUp() {
  Previous = fs::current_path();
  std::random_device Random;
  for (;;) {
    Directory = fs::temp_directory_path() / ("morvellan-test-" + std::to_string(Random()));
    if (fs::create_directory(Directory)) break;
  }
  Directory = fs::canonical(Directory);
  fs::current_path(Directory);
}

void TTempDirTest::TearDown() {
  fs::current_path(Previous);
  if (HasFailure()) {
    std::printf("Test data left in %s\n", Directory.string().c_str());
    return;
  }
  RemoveTree(Directory.string());
  EXPECT_FALSE(fs::exists(Directory)) << Directory.string();
}

std::string TTempDirTest::Root() const { return Directory.string() + PathDelimiter; }

std::string TTempDirTest::PathOf(std::string_view Relative) const {
  std::string Path = Root() + std::string(Relative);
  for (char& Byte : Path)
    if (Byte == '/') Byte = PathDelimiter;
  return Path;
}

void WriteBytes(const std::string& Path, std::string_view Bytes) {
  fs::path Parent = fs::path(Path).parent_path();
  if (!Parent.empty()) fs::create_directories(Parent);
  std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
  Out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
}

void MakeDirectories(const std::string& Path) { fs::create_directories(Path); }

void RemoveTree(const std::string& Path) {
  if (!fs::exists(Path)) return;
  // Read-only files would survive remove_all on Windows.
  for (const fs::directory_entry& Entry : fs::recursive_directory_iterator(Path))
    if (!Entry.is_symlink()) ChangeFileAttributes(Entry.path().string(), 0);
  fs::remove_all(Path);
}

std::string ReadBytes(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& Path) {
  std::error_code Error;
  return fs::exists(fs::symlink_status(Path, Error));
}
