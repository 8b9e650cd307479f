// What the command loops of the programs share: the answers, the farewell,
// the report of a refused line, and the read-dispatch loop of the batch
// provers, and `guarded`, the one place where an internal error ends a
// program. The answer to a prove request is in verdict.h.
//
//   int status = cmdloop::guarded("prop_prover", [] {
//     Program p;
//     return cmdloop::boucle("prop_prover", p);
//   });
#pragma once

#include <exception>
#include <initializer_list>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "support/errors.h"
#include "support/lineinput.h"
#include "support/printer.h"

namespace support::cmdloop {

// An answer line: the text and the printer's newline.
void answer(std::string_view text);

// The help of a program: the shared commands (`set_line` names its setting
// command), then the program's own commands as one paragraph when it has
// any, then the settings it can change, each name followed by `mark`.
struct HelpText {
  const char* set_line;
  std::initializer_list<const char*> own;
  std::initializer_list<const char*> ints;
  std::initializer_list<const char*> bools;
  const char* mark;
};
void print_help(const HelpText& h);

// A message of a loop's error handling: the text, "\n", and a flush.
void report(std::string_view text);

// "\n A bientot \n\n", the current box closed, everything flushed. Returns
// the exit status, 0.
int farewell();

// Standard output flushed, a short report on standard error, no farewell.
// Returns `status`.
int stop(const char* program, std::string_view why, int status);

constexpr int kEndOfInputStatus = 2;
constexpr int kInterruptStatus = 130;
constexpr int kFatalStatus = 2;

// The answer to a refused line: its message and a newline, then `hint`
// after a command error, flushed.
void refuse(const Refusal& r, std::string_view hint = {});

// Runs `run`, which returns the exit status when the line ends the program.
// A refused line is answered here and gives no status.
template <class Run>
std::optional<int> answering(Run&& run, std::string_view hint = {}) {
  try {
    return run();
  } catch (const Refusal& r) {
    refuse(r, hint);
  }
  return std::nullopt;
}

// One line of a batch prover: `run` reads and carries out the command and
// returns the exit status when the line ends the program. A refused line
// is answered here.
template <class Run>
std::optional<int> run_line(Run&& run) {
  if (std::optional<int> status = answering(run)) return status;
  pp().print_flush();
  std::cout.flush();
  return std::nullopt;
}

// End of input met inside a command (the step question of a search): the
// loops end as they do at end of input.
struct EndOfInput {};

// boucle: the prompt ">>> ", one line, `program.execute_line(line)`, until
// an exit word (its status) or the end of input (non-zero, no farewell).
template <class Program>
int boucle(const char* name, Program& program) {
  std::string line;
  for (;;) {
    write_prompt(">>> ");
    switch (read_line(line)) {
      case ReadStatus::Line:
        break;
      case ReadStatus::Eof:
        return stop(name, "end of input", kEndOfInputStatus);
      case ReadStatus::Interrupted:
        return stop(name, "interrupted", kInterruptStatus);
    }
    try {
      if (std::optional<int> status = program.execute_line(line)) return *status;
    } catch (const EndOfInput&) {
      // The step question met the end of input.
      return stop(name, "end of input", kEndOfInputStatus);
    }
  }
}

// Runs a program's body; what escapes it ends the program with one line on
// standard error and a non-zero status, never with an answer. The one place
// where an internal error is reported.
template <class Body>
int guarded(const char* name, Body&& body) {
  try {
    return body();
  } catch (const InternalError& e) {
    return stop(name, "internal error in " + e.file, kFatalStatus);
  } catch (const std::exception& e) {
    return stop(name, std::string("fatal error: ") + e.what(), kFatalStatus);
  } catch (...) {
    return stop(name, "fatal error", kFatalStatus);
  }
}

}  // namespace support::cmdloop
