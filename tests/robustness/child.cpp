#include "tests/robustness/child.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <stdexcept>

extern char** environ;

namespace robustness {

namespace {

using Clock = std::chrono::steady_clock;

std::chrono::nanoseconds span(double seconds) {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
      std::chrono::duration<double>(seconds));
}

Ending decode(int status) {
  Ending e;
  e.finished = true;
  if (WIFSIGNALED(status)) {
    e.signaled = true;
    e.code = WTERMSIG(status);
  } else {
    e.code = WEXITSTATUS(status);
  }
  return e;
}

}  // namespace

Child::Child(const std::string& path) {
  // A program that ends early must not take the test down with SIGPIPE.
  ::signal(SIGPIPE, SIG_IGN);
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe");
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_adddup2(&fa, in[0], 0);
  posix_spawn_file_actions_adddup2(&fa, out[1], 1);
  posix_spawn_file_actions_adddup2(&fa, err[1], 2);
  // The program starts as from a shell: default dispositions, nothing blocked.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, dflt;
  sigemptyset(&none);
  sigemptyset(&dflt);
  sigaddset(&dflt, SIGPIPE);
  sigaddset(&dflt, SIGINT);
  sigaddset(&dflt, SIGALRM);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &dflt);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
  int rc = posix_spawn(&pid_, path.c_str(), &fa, &attr, argv, environ);
  posix_spawn_file_actions_destroy(&fa);
  posix_spawnattr_destroy(&attr);
  close(in[0]);
  close(out[1]);
  close(err[1]);
  if (rc != 0) {
    close(in[1]);
    close(out[0]);
    close(err[0]);
    throw std::runtime_error("cannot start " + path);
  }
  in_ = in[1];
  out_fd_ = out[0];
  err_fd_ = err[0];
  reader_ = std::thread([this] { read_loop(); });
}

Child::~Child() {
  close_input();
  if (!ending_) wait_exit(0);
  if (reader_.joinable()) reader_.join();
  close(out_fd_);
  close(err_fd_);
}

void Child::read_loop() {
  pollfd fds[2] = {{out_fd_, POLLIN, 0}, {err_fd_, POLLIN, 0}};
  int open_fds = 2;
  char buf[1 << 16];
  while (open_fds > 0) {
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (pollfd& p : fds) {
      if (p.fd < 0 || p.revents == 0) continue;
      ssize_t n = read(p.fd, buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      std::lock_guard<std::mutex> lock(mu_);
      if (n <= 0) {
        p.fd = -1;
        --open_fds;
      } else {
        (p.fd == out_fd_ ? out_ : err_).append(buf, static_cast<std::size_t>(n));
      }
      cv_.notify_all();
    }
  }
  std::lock_guard<std::mutex> lock(mu_);
  eof_ = true;
  cv_.notify_all();
}

void Child::write(std::string_view bytes) {
  while (!bytes.empty() && in_ >= 0) {
    ssize_t n = ::write(in_, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return;  // EPIPE: the program stopped reading
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

void Child::close_input() {
  if (in_ >= 0) close(in_);
  in_ = -1;
}

void Child::signal(int sig) {
  if (!ending_) kill(pid_, sig);
}

bool Child::wait_output(std::string_view needle, std::size_t from, double seconds) {
  std::unique_lock<std::mutex> lock(mu_);
  return cv_.wait_for(
             lock, span(seconds),
             [&] {
               return (out_.size() >= from && out_.find(needle, from) != std::string::npos) || eof_;
             }) &&
         out_.size() >= from && out_.find(needle, from) != std::string::npos;
}

Ending Child::wait_exit(double seconds) {
  if (ending_) return *ending_;
  auto deadline = Clock::now() + span(seconds);
  int status = 0;
  for (;;) {
    pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      ending_ = decode(status);
      break;
    }
    if (Clock::now() >= deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      ending_ = Ending{};
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (reader_.joinable()) reader_.join();
  return *ending_;
}

std::string Child::out() {
  std::lock_guard<std::mutex> lock(mu_);
  return out_;
}

std::string Child::err() {
  std::lock_guard<std::mutex> lock(mu_);
  return err_;
}

std::size_t Child::out_size() {
  std::lock_guard<std::mutex> lock(mu_);
  return out_.size();
}

Result run(const std::string& path, std::string_view input, double timeout_seconds) {
  auto start = Clock::now();
  Child c(path);
  // Written from another thread, so a program that stops reading still
  // meets the time bound (it is then killed and the write fails).
  std::thread writer([&c, input] {
    c.write(input);
    c.close_input();
  });
  Result r;
  r.ending = c.wait_exit(timeout_seconds);
  writer.join();
  r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  r.out = c.out();
  r.err = c.err();
  return r;
}

}  // namespace robustness
