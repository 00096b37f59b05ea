// The run sequence from the entry point to the exit status.
#ifndef MORVELLAN_APP_RUN_H
#define MORVELLAN_APP_RUN_H

/// Prints the usage text when no argument was given; otherwise does a run with
/// its log. Gives the exit status 0; an exception that ends the run is reported
/// and the process ends with status 1 without returning.
int RunMorvellan();

/// Runs Body under the one handler of the program: an exception that leaves it
/// closes the log and ends the process through ReportFailureAndExit. Gives 0
/// when Body returns, after handing on standard output's pending bytes.
int RunReportingFailures(void (*Body)());

#endif
