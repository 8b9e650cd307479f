// The errors every program shares. A reader refuses a line with one of
// three refusals, and every loop answers a refusal the same way: its
// message, as it stands, on a line of its own. The kinds stay apart only
// because some callers answer or recover differently: fol_assistant adds
// "Tapez help" after a command error, and its definition reader keeps the
// nature of the first-order reader's failure.
//
//   throw support::CommandError{};               // "Erreur de commande"
//   throw support::FormulaError{};               // "Erreur de formule"
//   throw support::Failure("int_of_string");     // the message itself
//   support::internal_error("prover");           // ends the program, status 2
#pragma once

#include <stdexcept>
#include <string>

namespace support {

// What a loop answers with its message and then goes on.
struct Refusal : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The line is outside the command grammar.
struct CommandError : Refusal {
  CommandError() : Refusal("Erreur de commande") {}
};

// A formula in the line does not read: ErrForm of the command and
// proof-language lexers.
struct FormulaError : Refusal {
  FormulaError() : Refusal("Erreur de formule") {}
};

// A failure named by its message: "lexing: empty token", "int_of_string",
// "no goal", a toolkit's "zip" or "apply".
struct Failure : Refusal {
  using Refusal::Refusal;
};

// An inconsistency inside a program; `file` names the module that found
// it. Not a std::exception, so that no handler of ordinary errors takes it:
// only cmdloop::guarded does, and ends the program.
struct InternalError {
  std::string file;
};

[[noreturn]] inline void internal_error(const char* file) { throw InternalError{file}; }

}  // namespace support
