// The run sequence from the entry point to the exit status.
#ifndef MORVELLAN_APP_RUN_H
#define MORVELLAN_APP_RUN_H

#include <functional>

class TOutput;

/// Prints the usage text or the version when the arguments ask for them,
/// refuses arguments it cannot take, and otherwise does a run with its log.
/// Gives the exit status: 0 when the run did all it set out to do, 1 when it
/// could do nothing (a refused command line, no start directory, no log, a log
/// that cannot be written, nothing to clean), 2 when something was left
/// unchanged or undone. An exception that ends the run is reported and the
/// process ends with status 1 without returning; an interrupted run ends as
/// the interrupt would have.
int RunMorvellan();

/// Runs Body under the one handler of the program: an exception that leaves it
/// closes Output's log and ends the process through ReportFailureAndExit.
/// Gives Body's result when it returns, after handing on standard output's
/// pending bytes.
int RunReportingFailures(TOutput& Output, const std::function<int()>& Body);

#endif
