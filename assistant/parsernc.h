// The proof language of fol_assistant: the values of a phrase and its reader.
//
// A phrase is read into an `NcProof` tree; the checker walks the tree and
// asks the prover to justify each step. `Label` with the empty name is the
// empty proof: it stands wherever a proof part is left out.
//
//   parsernc::ProofPtr p = parsernc::parse_phrase("let x assume $A(x)$ then show $B$");
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "assistant/lexernc.h"
#include "fol/fol.h"

namespace assistant::parsernc {

struct NcProof;
struct NcStep;
struct NcBlock;
// Subtrees are immutable and may be shared.
using ProofPtr = std::shared_ptr<const NcProof>;
using StepPtr = std::shared_ptr<const NcStep>;
using BlockPtr = std::shared_ptr<const NcBlock>;

// ---- Hints ----
struct Hyp {
  std::string name;
};
struct Stated {
  fol::Formula formula;
};
struct Eq {
  std::string name;
  fol::Formula term;  // the atom Term(t)
};
using NcHint = std::variant<Hyp, Stated, Eq>;

// "by" source "with" instances; the source is a Hyp or a Stated.
struct NcByItem {
  NcHint source;
  std::vector<NcHint> instances;  // written order; empty without "with"
};

// A formula with the bracketed name written after it, " " when none.
struct NamedFormula {
  std::string name;
  fol::Formula formula;
};

// ---- nc_proof ----
struct By {
  std::vector<NcByItem> hints;  // empty for a step without "by"
  StepPtr step;
};
struct Prove {
  std::string name;
  fol::Formula formula;
  ProofPtr proof;
  ProofPtr continuation;
};
struct By_absurd {
  std::string name;  // "" when none is written
  ProofPtr proof;
};
struct Set {
  std::string name;
  fol::Formula term;  // the atom Term(t)
  ProofPtr proof;
};
struct Label {
  std::string name;
};
struct NcProof {
  std::variant<By, Prove, By_absurd, Set, Label> v;
};

// ---- nc_step ----
struct Trivial {};
struct Deduce {
  std::vector<NamedFormula> formulas;
  ProofPtr proof;
};
struct Block {
  BlockPtr block;
};
struct NcStep {
  std::variant<Trivial, Deduce, Block> v;
};

// ---- nc_block ----
struct Then {
  BlockPtr left, right;
};
struct Let {
  std::string name;
  BlockPtr block;
};
struct Search {
  std::string name;
  BlockPtr block;
};
struct Assume {
  std::string name;
  fol::Formula formula;
  BlockPtr block;
};
struct Show {
  fol::Formula formula;
  ProofPtr proof;
};
struct Proof {
  ProofPtr proof;
};
struct NcBlock {
  std::variant<Then, Let, Search, Assume, Show, Proof> v;
};

// The empty proof, `Label` with the empty name.
ProofPtr empty_proof();
bool is_empty_proof(const NcProof& p);

// Structural equality of phrases (formulas compared structurally).
bool operator==(const NcProof& a, const NcProof& b);
bool operator==(const NcStep& a, const NcStep& b);
bool operator==(const NcBlock& a, const NcBlock& b);

// Reads one phrase, pulling tokens one at a time as the grammar asks.
// Throws support::CommandError on a syntax error (and FormulaError on
// nesting deeper than the readers accept), and whatever the lexer throws.
ProofPtr main(lexernc::Lexer& lexer);
inline ProofPtr parse_phrase(std::string_view phrase) {
  lexernc::Lexer lexer(phrase);
  return main(lexer);
}

}  // namespace assistant::parsernc
