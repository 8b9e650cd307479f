// The command lexer of prop_prover: keywords, numbers, the punctuation of
// hypothesis lists, comments, and formulas that run on over the characters
// a formula may hold. Tokens are read one at a time, when the parser asks.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "propprover/prop.h"

namespace prop {

// A formula in the line does not read ("Erreur de formule").
struct ErrForm {};
// A failure with its message: an unknown character ("lexing: empty token")
// or an integer out of range ("int_of_string").
struct Failure {
  std::string message;
};

enum class Tok {
  FIN,
  INIT,
  AXIOM,
  PROVE,
  SET,
  EXIT,
  NHR,
  PHR,
  CG,
  DZ,
  IND,
  PVIRG,
  CD,
  VERBOSE,
  MAXCNDTS,
  PDSMAXGLOBAL,
  SPLITTING,
  CHECKSUBCASE,
  TRACEPROOF,
  FORMULA,
  INT,
  FLT,
  BOOL
};

struct Token {
  Tok tok = Tok::FIN;
  Formula formula;          // FORMULA
  int int_value = 0;        // INT
  bool bool_value = false;  // BOOL
};

class Lexermain {
 public:
  explicit Lexermain(std::string_view line) : line_(line) {}
  // The next token. Throws ErrForm or Failure.
  Token token();

 private:
  Token formula(std::size_t word_start);  // the rest of a formula after its first word
  std::string_view line_;
  std::size_t pos_ = 0;
};

}  // namespace prop
