// Recursive descent for the formula grammar. Binary connectives are read as
// right-associative chains with a loop (<-> loosest, then ->, or, and);
// prefix operators bind tightest, so a quantifier's scope ends at the first
// binary connective. Nesting (brackets, prefixes, quantified names, nested
// terms) deeper than support::kMaxNesting is refused.
#include "fol/parserfol.h"

#include "fol/lexerfol.h"
#include "support/bigstack.h"
#include "support/errors.h"

namespace fol {

std::string ParseError::message() const {
  return kind == ParseErrorKind::Lexing ? "lexing: empty token" : "Parse_error";
}

// "var<n>" is a renamed variable, "x_cst" a variable frozen for the
// subsumption test, "x_cst_<n>" a Skolem function: a user's name of one of
// these forms could meet the one the prover makes later.
bool is_reserved_name(std::string_view n) {
  auto all_digits = [](std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
      if (c < '0' || c > '9') return false;
    return true;
  };
  if (n.size() > 3 && n.substr(0, 3) == "var" && all_digits(n.substr(3))) return true;
  if (n.size() >= 4 && n.substr(n.size() - 4) == "_cst") return true;
  std::size_t i = n.rfind("_cst_");
  return i != std::string_view::npos && all_digits(n.substr(i + 5));
}

namespace {

// Errors are recorded, not thrown: a refusal may come from very deep in the
// recursion, and every level returns at once when one is recorded.
class Parser {
 public:
  explicit Parser(std::string_view text) : lx_(text) { advance(); }

  // main: formula FIN (the whole text is one formula).
  ParseResult main() {
    Formula f = formula();
    if (!err_ && cur_.kind != Tok::FIN) syntax();
    if (err_) return *err_;
    return f;
  }

 private:
  // Only the first error is kept: reading stops there, so it is the leftmost.
  void fail(ParseErrorKind k, std::size_t pos) {
    if (!err_) err_ = ParseError{k, pos};
  }
  void syntax() { fail(ParseErrorKind::Syntax, cur_.pos); }
  // Once an error is recorded the current token stays as it is and no
  // later text is lexed.
  void advance() {
    if (err_) return;
    std::optional<Token> t = lx_.token();
    if (!t) {
      fail(ParseErrorKind::Lexing, lx_.pos());
      return;
    }
    cur_ = std::move(*t);
  }
  void expect(Tok k) {
    if (err_) return;
    if (cur_.kind != k) syntax();
    advance();
  }
  // Two bounds: the reader's own recursion (brackets, negations, quantifiers,
  // terms) and the depth of the tree it builds (negations, quantifiers, chains).
  bool enter(long n = 1) {
    depth_ += n;
    if (depth_ > support::kMaxNesting) fail(ParseErrorKind::TooDeep, cur_.pos);
    return !err_;
  }
  bool enter_tree(long n = 1) {
    tree_ += n;
    if (tree_ > support::kMaxNesting) fail(ParseErrorKind::TooDeep, cur_.pos);
    return !err_;
  }
  // A NAME that is not reserved: variables, functions and bound names go
  // through here, predicate names do not.
  std::string name_checked() {
    if (err_) return {};
    if (cur_.kind != Tok::NAME) {
      syntax();
      return {};
    }
    if (is_reserved_name(cur_.text)) {
      fail(ParseErrorKind::Reserved, cur_.pos);
      return {};
    }
    std::string n = std::move(cur_.text);
    advance();
    return n;
  }

  // A right-associative chain of one connective over the next tighter level.
  // Its i-th operand sits i levels down in the tree: the chain counts toward
  // the tree-depth limit, since every later walk of the formula recurses that deep.
  template <class Next>
  Formula chain(Tok op, FormKind k, Next next) {
    long t = tree_;
    std::vector<Formula> parts{next()};
    while (!err_ && cur_.kind == op) {
      advance();
      if (!enter_tree()) break;
      parts.push_back(next());
    }
    tree_ = t;
    if (err_) return {};
    Formula r = std::move(parts.back());
    for (std::size_t i = parts.size() - 1; i-- > 0;)
      r = mk_binary(k, std::move(parts[i]), std::move(r));
    return r;
  }

  // formula: imp ("<->" imp)*;  imp: or ("->" or)*;  or: and ("|" and)*;
  // and: unary ("&" unary)*
  Formula formula() {
    return chain(Tok::IFF, FormKind::Iff, [&] {
      return chain(Tok::IMP, FormKind::Imp, [&] {
        return chain(Tok::OR, FormKind::Or,
                     [&] { return chain(Tok::AND, FormKind::And, [&] { return unary(); }); });
      });
    });
  }

  // unary: "False" | "True" | "~" unary | quant name ("," name)* "." unary
  //      | "(" formula ")" | NAME ["(" terms ")"]
  // A predicate takes at least one argument when it has brackets: "p()" is
  // refused, while a function may have none.
  Formula unary() {
    if (err_) return {};
    switch (cur_.kind) {
      case Tok::FALSE:
        advance();
        return mk_false();
      case Tok::TRUE:
        advance();
        return mk_true();
      case Tok::NOT: {
        advance();
        long d = depth_, t = tree_;
        if (!enter() || !enter_tree()) return {};
        Formula f = unary();
        depth_ = d;
        tree_ = t;
        if (err_) return {};
        return mk_not(std::move(f));
      }
      // "forall x, y. f" is "forall x. forall y. f": each name is one level
      // of both bounds.
      case Tok::FORALL:
      case Tok::EXISTS: {
        FormKind k = cur_.kind == Tok::FORALL ? FormKind::Forall : FormKind::Exists;
        advance();
        std::vector<std::string> names{name_checked()};
        while (!err_ && cur_.kind == Tok::VIRG) {
          advance();
          names.push_back(name_checked());
        }
        expect(Tok::PT);
        long d = depth_, t = tree_;
        long n = static_cast<long>(names.size());
        if (err_ || !enter(n) || !enter_tree(n)) return {};
        Formula f = unary();
        depth_ = d;
        tree_ = t;
        if (err_) return {};
        for (std::size_t i = names.size(); i-- > 0;) f = mk_quant(k, names[i], std::move(f));
        return f;
      }
      // Brackets deepen the recursion but add no node to the tree.
      case Tok::PG: {
        advance();
        long d = depth_;
        if (!enter()) return {};
        Formula f = formula();
        expect(Tok::PD);
        depth_ = d;
        if (err_) return {};
        return f;
      }
      case Tok::NAME: {
        std::string p = std::move(cur_.text);  // predicate names are never refused
        advance();
        if (err_) return {};
        if (cur_.kind != Tok::PG) return mk_atom(p, {});
        advance();
        std::vector<Term> args = terms();
        expect(Tok::PD);
        if (err_) return {};
        return mk_atom(p, std::move(args));
      }
      default:
        syntax();
        return {};
    }
  }

  // terms: term ("," term)*   (never empty)
  std::vector<Term> terms() {
    std::vector<Term> ts{term()};
    while (!err_ && cur_.kind == Tok::VIRG) {
      advance();
      ts.push_back(term());
    }
    return ts;
  }

  // term: NAME | NAME "(" ")" | NAME "(" terms ")". A bare name is a
  // variable: a constant is written as a function of no argument, "c()".
  Term term() {
    std::string n = name_checked();
    if (err_) return {};
    if (cur_.kind != Tok::PG) return mk_var(n);
    advance();
    if (err_) return {};
    if (cur_.kind == Tok::PD) {
      advance();
      return mk_fn(n, {});
    }
    long d = depth_;
    if (!enter()) return {};
    std::vector<Term> args = terms();
    expect(Tok::PD);
    depth_ = d;
    if (err_) return {};
    return mk_fn(n, std::move(args));
  }

  Lexer lx_;
  Token cur_{Tok::FIN, {}, 0};
  long depth_ = 0;  // the reader's recursion depth
  long tree_ = 0;   // depth of the tree being built above the current operand
  std::optional<ParseError> err_;
};

}  // namespace

ParseResult parse_formula(std::string_view text) { return Parser(text).main(); }

Formula parse_formula_or_throw(std::string_view text) {
  ParseResult r = parse_formula(text);
  if (std::holds_alternative<ParseError>(r)) throw support::FormulaError{};
  return std::get<Formula>(std::move(r));
}

}  // namespace fol
