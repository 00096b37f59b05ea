// The run sequence from the entry point to the exit status.
#ifndef MORVELLAN_APP_RUN_H
#define MORVELLAN_APP_RUN_H

/// Prints the usage text or the version when the arguments ask for them;
/// otherwise does a run with its log. Gives the exit status: 0 when the run
/// did all it set out to do, 1 when it could do nothing (no start directory,
/// no log), 2 when something was left unchanged or undone. An exception that
/// ends the run is reported and the process ends with status 1 without
/// returning.
int RunMorvellan();

/// Runs Body under the one handler of the program: an exception that leaves it
/// closes the log and ends the process through ReportFailureAndExit. Gives
/// Body's result when it returns, after handing on standard output's pending
/// bytes.
int RunReportingFailures(int (*Body)());

#endif
