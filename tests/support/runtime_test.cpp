// Signals, line input and the big-stack thread.
#include <gtest/gtest.h>
#include <pthread.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <csignal>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>

#include "support/bigstack.h"
#include "support/lineinput.h"
#include "support/printer.h"
#include "support/signals.h"

namespace {

using support::ReadStatus;
using support::Stop;

TEST(Signals, AlarmSetsItsFlagAndIgnoreClearsIt) {
  support::arm_alarm(1);
  auto start = std::chrono::steady_clock::now();
  while (support::poll() == Stop::None &&
         std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(support::poll(), Stop::Alarm);
  support::ignore_alarm();
  EXPECT_EQ(support::poll(), Stop::None);
  raise(SIGALRM);  // ignored now
  EXPECT_EQ(support::poll(), Stop::None);
}

TEST(Signals, AlarmDelayIsClampedNotWrapped) {
  support::arm_alarm(LLONG_MAX);
  unsigned left = alarm(0);
  EXPECT_GE(left, static_cast<unsigned>(INT_MAX) - 5);
  support::arm_alarm((1LL << 32) + 1);  // would wrap to 1 second
  left = alarm(0);
  EXPECT_GE(left, static_cast<unsigned>(INT_MAX) - 5);
  support::arm_alarm(-3);
  EXPECT_EQ(alarm(0), 0u);
  support::ignore_alarm();
}

TEST(Signals, InterruptSetsAFlagAndAlarmComesFirst) {
  support::catch_interrupt();
  EXPECT_TRUE(support::interrupt_caught());
  support::clear_interrupt();
  raise(SIGINT);
  EXPECT_EQ(support::poll(), Stop::Interrupt);
  EXPECT_TRUE(support::interrupt_flag());
  support::arm_alarm(100);
  raise(SIGALRM);
  EXPECT_EQ(support::poll(), Stop::Alarm);
  support::ignore_alarm();
  EXPECT_EQ(support::poll(), Stop::Interrupt);
  support::clear_interrupt();
  EXPECT_EQ(support::poll(), Stop::None);
}

// A stop point throws only while enabled and only on a pending request.
TEST(Signals, StopPointsThrowOnlyInsideAnAttempt) {
  support::catch_interrupt();
  support::clear_interrupt();
  support::enable_stop_points(true);
  EXPECT_NO_THROW(support::stop_point());
  raise(SIGINT);
  EXPECT_THROW(support::stop_point(), support::Interrupted);
  EXPECT_FALSE(support::interrupt_flag());  // the request is taken
  EXPECT_NO_THROW(support::stop_point());
  raise(SIGINT);
  EXPECT_THROW(for (int i = 0; i < 2048; ++i) support::stop_tick(), support::StopRequested);
  raise(SIGINT);
  support::enable_stop_points(false);
  EXPECT_NO_THROW(support::stop_point());
  support::clear_interrupt();
}

// Replaces fd 0 by the read end of a pipe for the test's duration.
class StdinPipe {
 public:
  StdinPipe() {
    EXPECT_EQ(pipe(fds_), 0);
    saved_ = dup(0);
    dup2(fds_[0], 0);
    close(fds_[0]);
  }
  ~StdinPipe() {
    close_writer();
    dup2(saved_, 0);
    close(saved_);
  }
  void write_all(const std::string& s) {
    std::size_t done = 0;
    while (done < s.size()) {
      ssize_t n = ::write(fds_[1], s.data() + done, s.size() - done);
      ASSERT_GT(n, 0);
      done += static_cast<std::size_t>(n);
    }
  }
  void close_writer() {
    if (fds_[1] >= 0) close(fds_[1]);
    fds_[1] = -1;
  }

 private:
  int fds_[2] = {-1, -1};
  int saved_ = -1;
};

// Starts a helper thread that receives neither SIGINT nor SIGALRM, so that
// process signals reach the reading thread.
template <class F>
std::thread quiet_thread(F f) {
  sigset_t set, saved;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGALRM);
  pthread_sigmask(SIG_BLOCK, &set, &saved);
  std::thread t(f);
  pthread_sigmask(SIG_SETMASK, &saved, nullptr);
  return t;
}

TEST(LineInput, LinesNulBytesHugeLinesAndAFinalLineWithoutNewline) {
  StdinPipe in;
  std::string big(10 * 1000 * 1000, 'z');
  big[5] = '\0';
  std::string payload = std::string("first\n\nnul\0byte\n", 16) + big + "\nlast";
  std::thread writer = quiet_thread([&] {
    in.write_all(payload);
    in.close_writer();
  });
  std::string line;
  ASSERT_EQ(support::read_line(line), ReadStatus::Line);
  EXPECT_EQ(line, "first");
  ASSERT_EQ(support::read_line(line), ReadStatus::Line);
  EXPECT_EQ(line, "");
  ASSERT_EQ(support::read_line(line), ReadStatus::Line);
  EXPECT_EQ(line, std::string("nul\0byte", 8));
  ASSERT_EQ(support::read_line(line), ReadStatus::Line);
  EXPECT_EQ(line.size(), big.size());
  EXPECT_TRUE(line == big);
  ASSERT_EQ(support::read_line(line), ReadStatus::Line);
  EXPECT_EQ(line, "last");
  EXPECT_EQ(support::read_line(line), ReadStatus::Eof);
  writer.join();
}

TEST(LineInput, InterruptWhileWaitingIsReportedAndTheFlagStays) {
  support::catch_interrupt();
  support::clear_interrupt();
  StdinPipe in;
  pthread_t reader = pthread_self();
  std::thread killer = quiet_thread([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    pthread_kill(reader, SIGINT);
  });
  std::string line;
  EXPECT_EQ(support::read_line(line), ReadStatus::Interrupted);
  killer.join();
  EXPECT_EQ(support::poll(), Stop::Interrupt);
  support::clear_interrupt();
  // The pipe is untouched: a later line still arrives whole.
  in.write_all("after\n");
  in.close_writer();
  ASSERT_EQ(support::read_line(line), ReadStatus::Line);
  EXPECT_EQ(line, "after");
  EXPECT_EQ(support::read_line(line), ReadStatus::Eof);
}

TEST(LineInput, OtherSignalsDoNotEndTheWait) {
  StdinPipe in;
  support::clear_interrupt();
  support::arm_alarm(1);
  std::thread writer = quiet_thread([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    in.write_all("late\n");
    in.close_writer();
  });
  std::string line;
  EXPECT_EQ(support::read_line(line), ReadStatus::Line);
  EXPECT_EQ(line, "late");
  EXPECT_EQ(support::poll(), Stop::Alarm);
  support::ignore_alarm();
  writer.join();
  EXPECT_EQ(support::read_line(line), ReadStatus::Eof);
}

TEST(LineInput, PromptComesAfterPendingPrinterOutput) {
  std::ostringstream capture;
  std::streambuf* old = std::cout.rdbuf(capture.rdbuf());
  support::pp().print_string("Voici");
  support::write_prompt(">>> ");
  support::pp().print_string("x");
  support::pp().print_newline();
  std::cout.rdbuf(old);
  EXPECT_EQ(capture.str(), "Voici>>> x\n");
}

// Each frame keeps about 100 bytes live across the call: 200 000 frames
// need far more than an ordinary 8 MiB stack.
int depth(int n);
int (*volatile depth_ptr)(int) = depth;
int depth(int n) {
  volatile char pad[100];
  pad[0] = 1;
  if (n == 0) return 0;
  int below = depth_ptr(n - 1);
  return below + pad[0];
}

TEST(BigStack, DeepRecursionRunsAndSignalsAreUnblockedInside) {
  bool unblocked = false;
  int r = support::run_with_big_stack([&] {
    sigset_t cur;
    pthread_sigmask(SIG_BLOCK, nullptr, &cur);
    unblocked = !sigismember(&cur, SIGINT) && !sigismember(&cur, SIGALRM);
    return depth(200000) == 200000 ? 7 : 1;
  });
  EXPECT_EQ(r, 7);
  EXPECT_TRUE(unblocked);
  sigset_t cur;
  pthread_sigmask(SIG_BLOCK, nullptr, &cur);
  EXPECT_FALSE(sigismember(&cur, SIGINT));  // the caller's mask is restored
}

TEST(BigStack, EscapingExceptionBecomesStatusTwo) {
  testing::internal::CaptureStderr();
  int r = support::run_with_big_stack([]() -> int { throw std::runtime_error("boom"); });
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(r, 2);
  EXPECT_NE(err.find("boom"), std::string::npos);
  EXPECT_EQ(err.back(), '\n');
}

}  // namespace
