/* Runs one command with its output sent to /dev/null and prints its wall time and its processor
 * time (user and system) in seconds, its peak resident memory in KiB and its exit status:
 * "0.712345 0.650000 3412 0".
 *
 *   measure <command> [arguments...]
 */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: measure <command> [arguments...]\n");
    return 2;
  }
  struct timespec Start, End;
  clock_gettime(CLOCK_MONOTONIC, &Start);
  pid_t Child = fork();
  if (Child < 0) {
    perror("measure: fork");
    return 2;
  }
  if (Child == 0) {
    int Null = open("/dev/null", O_WRONLY);
    if (Null >= 0) {
      dup2(Null, STDOUT_FILENO);
      dup2(Null, STDERR_FILENO);
    }
    execvp(argv[1], argv + 1);
    _exit(127);
  }
  int Status;
  struct rusage Usage;
  if (wait4(Child, &Status, 0, &Usage) < 0) {
    perror("measure: wait4");
    return 2;
  }
  clock_gettime(CLOCK_MONOTONIC, &End);
  double Seconds =
      (double)(End.tv_sec - Start.tv_sec) + (double)(End.tv_nsec - Start.tv_nsec) / 1e9;
  double Processor = (double)(Usage.ru_utime.tv_sec + Usage.ru_stime.tv_sec) +
                     (double)(Usage.ru_utime.tv_usec + Usage.ru_stime.tv_usec) / 1e6;
  int Code = WIFEXITED(Status) ? WEXITSTATUS(Status) : 128 + WTERMSIG(Status);
  printf("%.6f %.6f %ld %d\n", Seconds, Processor, Usage.ru_maxrss, Code);
  return 0;
}
