// A program under test in its own process: standard input written from the
// test, standard output and error collected as they arrive by a reader
// thread, signals sent for real, and every wait bounded.
//
//   Child c(PROP_PROVER);
//   c.write("prove p -> p\n");
//   ASSERT_TRUE(c.wait_output("La formule est vraie", 0, 10.0));
//   c.close_input();
//   Ending e = c.wait_exit(10.0);
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace robustness {

struct Ending {
  bool finished = false;  // false: still running after the wait (it was then killed)
  bool signaled = false;  // ended by a signal (code is the signal number)
  int code = 0;           // exit status, or the signal number
};

class Child {
 public:
  explicit Child(const std::string& path);
  ~Child();  // kills the process if it still runs
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  // Writes every byte, or stops quietly when the program has closed its input.
  void write(std::string_view bytes);
  void close_input();
  void signal(int sig);

  // Waits until `needle` occurs in standard output at or after `from`.
  bool wait_output(std::string_view needle, std::size_t from, double seconds);
  // Waits for the end of the process; kills it when it outlives the wait.
  Ending wait_exit(double seconds);

  std::string out();
  std::string err();
  std::size_t out_size();

 private:
  void read_loop();

  int pid_ = -1;
  int in_ = -1, out_fd_ = -1, err_fd_ = -1;
  std::mutex mu_;
  std::condition_variable cv_;
  std::string out_, err_;
  bool eof_ = false;
  std::optional<Ending> ending_;
  std::thread reader_;
};

// The whole run of a program on one input, bounded in time.
struct Result {
  std::string out, err;
  Ending ending;
  double seconds = 0;
};
Result run(const std::string& path, std::string_view input, double timeout_seconds);

}  // namespace robustness
