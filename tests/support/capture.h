// Files that hold a child process's output, shared by both process runners.
#ifndef MORVELLAN_TESTS_SUPPORT_CAPTURE_H
#define MORVELLAN_TESTS_SUPPORT_CAPTURE_H

#include <string>

/// A fresh file path in the system's temporary folder, outside every test tree.
std::string NewCapturePath();
/// The file's bytes; the file is deleted.
std::string TakeCapture(const std::string& Path);

#endif
