#include "propprover/asynt.h"

#include <vector>

#include "propprover/lexuniv.h"
#include "support/bigstack.h"
#include "support/errors.h"

namespace prop {

namespace {

// A reader found nothing it can read and consumed nothing, so another
// reader may try; a wrong text after something was consumed is a
// FormulaError, like a character the lexer cannot read.
struct NoParse {};

// The formula keywords, French words and symbols alike; built on first use
// and shared by every call.
const Lexuniv& lexer() {
  static const Lexuniv lex({"vrai", "True", "faux", "False", "(", ")", "non", "~", "et", "&", "ou",
                            "|", "or", "->", "<->"});
  return lex;
}

bool is_mc(const Lexeme* l, std::string_view k) {
  return l != nullptr && l->kind == Lexeme::Kind::MC && l->text == k;
}

// One function per priority level, loosest first:
//   lire_proposition: proposition4 ("<->" proposition4)*
//   proposition4:     proposition3 ("->" proposition3)*
//   proposition3:     proposition2 (("ou" | "|" | "or") proposition2)*
//   proposition2:     proposition1 (("et" | "&") proposition1)*
//   proposition1:     ("non" | "~") proposition0 | proposition0
//   proposition0:     IDENT | "vrai" | "True" | "faux" | "False" | "(" lire_proposition ")"
// A number is no operand. Negation takes no negation: "non non p" is
// refused, "non (non p)" is read.
class Reader {
 public:
  explicit Reader(LexemeStream& s) : s_(s) {}

  Formula lire_proposition() { return lire_operation({"<->"}, &Reader::proposition4, &iff); }

 private:
  using Operand = Formula (Reader::*)();
  using Builder = Formula (*)(const Formula&, const Formula&);

  Formula proposition4() { return lire_operation({"->"}, &Reader::proposition3, &imp); }
  Formula proposition3() { return lire_operation({"ou", "|", "or"}, &Reader::proposition2, &or_); }
  Formula proposition2() { return lire_operation({"et", "&"}, &Reader::proposition1, &and_); }

  Formula proposition1() {
    const Lexeme* l = s_.peek();
    if (is_mc(l, "non") || is_mc(l, "~")) {
      s_.junk();
      return neg(after_consumed(&Reader::proposition0));
    }
    return proposition0();
  }

  // Throws NoParse at the end of the text or on a lexeme no operand starts
  // with (an operator, a number, ")").
  Formula proposition0() {
    const Lexeme* l = s_.peek();
    if (l == nullptr) throw NoParse{};
    if (l->kind == Lexeme::Kind::Ident) {
      Formula f = atom(l->text);
      s_.junk();
      return f;
    }
    if (is_mc(l, "vrai") || is_mc(l, "True")) {
      s_.junk();
      return true_();
    }
    if (is_mc(l, "faux") || is_mc(l, "False")) {
      s_.junk();
      return false_();
    }
    if (is_mc(l, "(")) {
      s_.junk();
      // Brackets are the only way readers recurse: bound them.
      if (++depth_ > support::kMaxNesting) throw support::FormulaError{};
      Formula f = after_consumed(&Reader::lire_proposition);
      if (!is_mc(s_.peek(), ")")) throw support::FormulaError{};
      s_.junk();
      --depth_;
      return f;
    }
    throw NoParse{};
  }

  // A reader run after a lexeme was consumed: nothing readable is an error.
  Formula after_consumed(Operand read) {
    try {
      return (this->*read)();
    } catch (const NoParse&) {
      throw support::FormulaError{};
    }
  }

  // lire_opération and lire_reste, as a loop: operands are collected left
  // to right and folded from the right, so chains associate to the right.
  Formula lire_operation(std::initializer_list<std::string_view> ops, Operand operand,
                         Builder build) {
    Formula e1 = (this->*operand)();
    std::vector<Formula> rest;
    for (;;) {
      const Lexeme* l = s_.peek();
      bool is_op = false;
      for (std::string_view op : ops) is_op = is_op || is_mc(l, op);
      if (!is_op) break;
      s_.junk();
      rest.push_back(after_consumed(operand));
      // A chain this long nests too deep: stop before building it.
      if (static_cast<long>(rest.size()) >= support::kMaxNesting) throw support::FormulaError{};
    }
    if (rest.empty()) return e1;
    Formula acc = rest.back();
    for (std::size_t i = rest.size() - 1; i-- > 0;) acc = build(rest[i], acc);
    return build(e1, acc);
  }

  LexemeStream& s_;
  long depth_ = 0;
};

}  // namespace

std::optional<Formula> analyse_proposition(std::string_view text) {
  LexemeStream s = lexer().analyseur(text);
  try {
    Formula f = Reader(s).lire_proposition();
    // Nesting counts connectives (an atom alone nests nothing), so a flat
    // conjunction of 100 000 atoms still fits inside an implication.
    if (f.depth() - 1 > support::kMaxNesting) return std::nullopt;
    return f;
  } catch (const NoParse&) {
    return std::nullopt;
  } catch (const support::FormulaError&) {
    return std::nullopt;
  }
}

}  // namespace prop
