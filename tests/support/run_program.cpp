#include "tests/support/run_program.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace kvn::test {

void LimitFileSize(int64_t bytes) {
  if (bytes < 0) return;
  signal(SIGXFSZ, SIG_IGN);
  rlimit limit{static_cast<rlim_t>(bytes), static_cast<rlim_t>(bytes)};
  setrlimit(RLIMIT_FSIZE, &limit);
}

std::string RunInChild(const std::function<std::string()>& body, int64_t fileSizeLimit) {
  int out[2];
  if (pipe2(out, O_CLOEXEC)) throw std::runtime_error("pipe failed");
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    close(out[0]);
    std::string result;
    try {
      LimitFileSize(fileSizeLimit);
      result = body();
    } catch (const std::exception& e) {
      result = std::string("child failed: ") + e.what();
    }
    size_t done = 0;
    while (done < result.size()) {
      ssize_t n = write(out[1], result.data() + done, result.size() - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    _exit(0);
  }
  close(out[1]);
  std::string result;
  char buf[4096];
  ssize_t n;
  while ((n = read(out[0], buf, sizeof buf)) > 0) result.append(buf, static_cast<size_t>(n));
  close(out[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status)) return "child failed: signal " + std::to_string(WTERMSIG(status));
  return result;
}

ProgramResult RunProgram(const std::vector<std::string>& argv, const std::string& stdinText,
                         const std::string& workingDirectory, int64_t fileSizeLimit) {
  // Which case runs which program: what keeps the `reader` labels true.
  if (const char* log = getenv("KVN_TEST_PROGRAM_LOG")) {
    if (FILE* f = fopen(log, "a")) {
      const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
      fprintf(f, "%s.%s\t%s\n", info ? info->test_suite_name() : "?", info ? info->name() : "?",
              argv[0].c_str());
      fclose(f);
    }
  }
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC))
    throw std::runtime_error("pipe failed");
  signal(SIGPIPE, SIG_IGN);
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    if (!workingDirectory.empty() && chdir(workingDirectory.c_str()) != 0) _exit(126);
    LimitFileSize(fileSizeLimit);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    dprintf(2, "cannot run %s: %s\n", args[0], strerror(errno));
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  ProgramResult r;
  size_t written = 0;
  if (stdinText.empty()) {
    close(in[1]);
    in[1] = -1;
  }
  bool outOpen = true, errOpen = true;
  while (outOpen || errOpen || in[1] >= 0) {
    pollfd fds[3];
    int n = 0;
    if (outOpen) fds[n++] = {out[0], POLLIN, 0};
    if (errOpen) fds[n++] = {err[0], POLLIN, 0};
    if (in[1] >= 0) fds[n++] = {in[1], POLLOUT, 0};
    if (poll(fds, static_cast<nfds_t>(n), -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < n; ++i) {
      if (!fds[i].revents) continue;
      if (fds[i].fd == in[1]) {
        ssize_t w = write(in[1], stdinText.data() + written, stdinText.size() - written);
        if (w > 0) written += static_cast<size_t>(w);
        if (w < 0 || written == stdinText.size()) {
          close(in[1]);
          in[1] = -1;
        }
        continue;
      }
      char buf[65536];
      ssize_t got = read(fds[i].fd, buf, sizeof buf);
      if (got <= 0) {
        if (fds[i].fd == out[0])
          outOpen = false;
        else
          errOpen = false;
        continue;
      }
      (fds[i].fd == out[0] ? r.out : r.err).append(buf, static_cast<size_t>(got));
    }
  }
  close(out[0]);
  close(err[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return r;
}

namespace {

// Waits until the child stops (killed then) or ends.
bool KillWhenStopped(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, WUNTRACED) < 0)
    if (errno != EINTR) return false;
  if (WIFSTOPPED(status)) {
    kill(pid, SIGKILL);
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return true;
  }
  return false;
}

}  // namespace

bool KillChildAtPausePoint(const std::function<void()>& body, const std::string& point) {
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    setenv("KVN_PAUSE_AT", point.c_str(), 1);
    try {
      body();
    } catch (...) {
    }
    _exit(0);
  }
  return KillWhenStopped(pid);
}

bool KillProgramAtPausePoint(const std::vector<std::string>& argv, const std::string& point) {
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    setenv("KVN_PAUSE_AT", point.c_str(), 1);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  return KillWhenStopped(pid);
}

std::string KorvaneExecutable() {
#ifdef KVN_KORVANE_EXE
  return KVN_KORVANE_EXE;
#else
  return "korvane";
#endif
}

}  // namespace kvn::test
