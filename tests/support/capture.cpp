// Files that hold a child process's output.
#include "tests/support/capture.h"

#include <filesystem>
#include <random>

#include "tests/support/temp_dir.h"

std::string NewCapturePath() {
  static std::random_device Random;
  auto Path = std::filesystem::temp_directory_path() /
              ("morvellan-capture-" + std::to_string(Random()) + ".txt");
  return Path.string();
}

std::string TakeCapture(const std::string& Path) {
  std::string Bytes = ReadBytes(Path);
  std::filesystem::remove(Path);
  return Bytes;
}
