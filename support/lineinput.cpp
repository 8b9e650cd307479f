// Line reading on file descriptor 0 with our own buffer: no length limit,
// NUL bytes kept, and an interrupt key press reported instead of a line.
#include "support/lineinput.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>

#include "support/printer.h"
#include "support/signals.h"

namespace support {

namespace {

constexpr std::size_t kChunk = 1 << 16;

// Standard input is one per process, so its buffer is too. Bytes after the
// returned line stay here for the next call: a script's lines may come in
// one read.
std::string g_buf;  // bytes read but not yet returned; g_buf[g_start..] pending
std::size_t g_start = 0;
std::size_t g_scanned = 0;  // g_buf[g_start..g_scanned) holds no '\n'

enum class Fill { Data, Eof, Interrupted };

// Waits for input with SIGINT blocked everywhere except inside ppoll(), so
// a key press that arrives just before the wait still wakes it up.
Fill fill() {
  sigset_t block, saved;
  sigemptyset(&block);
  sigaddset(&block, SIGINT);
  pthread_sigmask(SIG_BLOCK, &block, &saved);
  Fill result = Fill::Eof;
  for (;;) {
    struct pollfd pfd {
      0, POLLIN, 0
    };
    int r = ppoll(&pfd, 1, nullptr, &saved);
    if (r < 0) {
      if (errno != EINTR) break;
      if (interrupt_flag()) {
        result = Fill::Interrupted;
        break;
      }
      continue;
    }
    if (pfd.revents & POLLNVAL) break;
    char chunk[kChunk];
    ssize_t n = read(0, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n > 0) {
      // Drop the returned lines only once they are half the buffer: each
      // byte is moved a bounded number of times, however the lines come.
      if (g_start > 0 && g_start >= g_buf.size() / 2) {
        g_buf.erase(0, g_start);
        g_scanned -= g_start;
        g_start = 0;
      }
      g_buf.append(chunk, static_cast<std::size_t>(n));
      result = Fill::Data;
    }
    break;  // n == 0 is end of input; other read errors end it too
  }
  pthread_sigmask(SIG_SETMASK, &saved, nullptr);
  return result;
}

}  // namespace

ReadStatus read_line(std::string& line) {
  pp().print_flush();
  std::cout.flush();
  // The scan resumes where the last one stopped, so a huge line that
  // arrives in many reads is scanned once, not once per read.
  for (;;) {
    const char* base = g_buf.data();
    const void* nl = std::memchr(base + g_scanned, '\n', g_buf.size() - g_scanned);
    if (nl != nullptr) {
      std::size_t end = static_cast<const char*>(nl) - base;
      line.assign(base + g_start, end - g_start);
      g_start = g_scanned = end + 1;
      return ReadStatus::Line;
    }
    g_scanned = g_buf.size();
    switch (fill()) {
      case Fill::Data:
        break;
      case Fill::Interrupted:
        // What was read so far stays pending: the key press loses no input.
        return ReadStatus::Interrupted;
      case Fill::Eof:
        if (g_start < g_buf.size()) {  // last line without its '\n'
          line.assign(g_buf, g_start, std::string::npos);
          g_buf.clear();
          g_start = g_scanned = 0;
          return ReadStatus::Line;
        }
        g_buf.clear();
        g_start = g_scanned = 0;
        return ReadStatus::Eof;
    }
  }
}

void write_prompt(const char* prompt) {
  pp().print_flush();
  std::cout << prompt;
  std::cout.flush();
}

}  // namespace support
