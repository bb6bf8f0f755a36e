// Makes writes past a size fail, as on a full disk: the process's file size limit is lowered and
// SIGXFSZ ignored, so a write beyond the limit returns an error instead of ending the process.
// Both are restored when the object goes.
// POSIX only: Windows has no file size limit of a process.
#pragma once
#ifndef _WIN32

#include <signal.h>
#include <sys/resource.h>

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &savedAction_);
    getrlimit(RLIMIT_FSIZE, &savedLimit_);
    rlimit limit = savedLimit_;
    limit.rlim_cur = bytes;
    active_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &savedLimit_);
    sigaction(SIGXFSZ, &savedAction_, nullptr);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  bool active() const { return active_; }

 private:
  struct sigaction savedAction_ = {};
  rlimit savedLimit_ = {};
  bool active_ = false;
};

#endif
