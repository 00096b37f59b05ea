// Child processes started under a resource limit (setrlimit), POSIX only.
#ifndef MORVELLAN_TESTS_SUPPORT_POSIX_LIMITED_PROCESS_H
#define MORVELLAN_TESTS_SUPPORT_POSIX_LIMITED_PROCESS_H

#include <string>
#include <vector>

#include "tests/support/process.h"

/// RunProgram with the resource (RLIMIT_STACK, RLIMIT_NOFILE...) limited to
/// Limit in the child before the program starts; exit code 126 when the
/// limit cannot be set.
TProcessResult RunProgramUnderLimit(const std::string& Name,
                                    const std::vector<std::string>& Arguments, int Resource,
                                    unsigned long Limit);

#endif
