// File probe and upload result on POSIX.
#include "monitor/platform.h"

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

bool FileExists(const char *path) {
  // Only a regular file counts: a directory, FIFO or device must never be
  // uploaded and then deleted. The open never creates, and O_NONBLOCK keeps
  // a FIFO swapped in after the stat from hanging the tool.
  struct stat info;
  if (stat(path, &info) != 0 || !S_ISREG(info.st_mode))
    return false;
  int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0)
    return false;
  bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  close(fd);
  return regular;
}

bool UploadSucceeded(int systemResult) {
  if (systemResult == -1)
    return false;
  // std::system ignores SIGINT in this process while the command runs, so a
  // Ctrl+C reaches only the client. Pass it on: it is a stop request. A shell
  // reports a child it lost to SIGINT as 128 + SIGINT.
  bool interrupted = WIFSIGNALED(systemResult) ? WTERMSIG(systemResult) == SIGINT
                                               : WEXITSTATUS(systemResult) == 128 + SIGINT;
  if (interrupted)
    raise(SIGINT);
  return WIFEXITED(systemResult) && WEXITSTATUS(systemResult) == 0;
}
