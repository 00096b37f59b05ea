// A fresh temporary directory per test, made the current directory.
#ifndef MORVELLAN_TESTS_SUPPORT_TEMP_DIR_H
#define MORVELLAN_TESTS_SUPPORT_TEMP_DIR_H

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>

/// Creates a fresh directory, changes into it, and removes it afterwards. When
/// a test fails, its data is kept and the place is printed.
class TTempDirTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  /// The directory's absolute path, ending in the platform's separator.
  std::string Root() const;
  /// Root() + Relative, with '/' in Relative turned into the platform's separator.
  std::string PathOf(std::string_view Relative) const;

 private:
  std::filesystem::path Directory;
  std::filesystem::path Previous;
};

/// Writes the bytes to the file, creating its folders.
void WriteBytes(const std::string& Path, std::string_view Bytes);
/// Creates the directory and its parents.
void MakeDirectories(const std::string& Path);
/// Removes the directory and everything below it, read-only files too.
void RemoveTree(const std::string& Path);
/// The file's bytes; empty when it cannot be read.
std::string ReadBytes(const std::string& Path);
/// Whether anything exists at the path.
bool Exists(const std::string& Path);

#endif
