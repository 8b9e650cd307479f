// Recursive descent for the formula grammar. Binary connectives are read as
// right-associative chains with a loop (<-> loosest, then ->, or, and);
// prefix operators bind tightest, so a quantifier's scope ends at the first
// binary connective. Nesting (brackets, prefixes, quantified names, nested
// terms) deeper than support::kMaxNesting is refused.
#include "fol/parserfol.h"

#include "fol/lexerfol.h"
#include "support/bigstack.h"

namespace fol {

std::string ParseError::message() const {
  return kind == ParseErrorKind::Lexing ? "lexing: empty token" : "Parse_error";
}

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

struct Fail {
  ParseError e;
};

class Parser {
 public:
  explicit Parser(std::string_view text) : lx_(text) { advance(); }

  Formula main() {
    Formula f = formula();
    if (cur_.kind != Tok::FIN) syntax();
    return f;
  }

 private:
  [[noreturn]] void syntax() { throw Fail{{ParseErrorKind::Syntax, cur_.pos}}; }
  void advance() {
    std::optional<Token> t = lx_.token();
    if (!t) throw Fail{{ParseErrorKind::Lexing, lx_.pos()}};
    cur_ = std::move(*t);
  }
  void expect(Tok k) {
    if (cur_.kind != k) syntax();
    advance();
  }
  void enter(long n = 1) {
    depth_ += n;
    if (depth_ > support::kMaxNesting) throw Fail{{ParseErrorKind::TooDeep, cur_.pos}};
  }
  std::string name_checked() {
    if (cur_.kind != Tok::NAME) syntax();
    if (is_reserved_name(cur_.text)) throw Fail{{ParseErrorKind::Reserved, cur_.pos}};
    std::string n = std::move(cur_.text);
    advance();
    return n;
  }

  // A right-associative chain of one connective over the next tighter level.
  template <class Next>
  Formula chain(Tok op, FormKind k, Next next) {
    std::vector<Formula> parts{next()};
    while (cur_.kind == op) {
      advance();
      parts.push_back(next());
    }
    Formula r = std::move(parts.back());
    for (std::size_t i = parts.size() - 1; i-- > 0;) r = mk_binary(k, std::move(parts[i]), std::move(r));
    return r;
  }

  Formula formula() {
    return chain(Tok::IFF, FormKind::Iff, [&] {
      return chain(Tok::IMP, FormKind::Imp, [&] {
        return chain(Tok::OR, FormKind::Or, [&] { return chain(Tok::AND, FormKind::And, [&] { return unary(); }); });
      });
    });
  }

  Formula unary() {
    switch (cur_.kind) {
      case Tok::FALSE:
        advance();
        return mk_false();
      case Tok::TRUE:
        advance();
        return mk_true();
      case Tok::NOT: {
        advance();
        long d = depth_;
        enter();
        Formula f = mk_not(unary());
        depth_ = d;
        return f;
      }
      case Tok::FORALL:
      case Tok::EXISTS: {
        FormKind k = cur_.kind == Tok::FORALL ? FormKind::Forall : FormKind::Exists;
        advance();
        std::vector<std::string> names{name_checked()};
        while (cur_.kind == Tok::VIRG) {
          advance();
          names.push_back(name_checked());
        }
        expect(Tok::PT);
        long d = depth_;
        enter(static_cast<long>(names.size()));
        Formula f = unary();
        for (std::size_t i = names.size(); i-- > 0;) f = mk_quant(k, names[i], std::move(f));
        depth_ = d;
        return f;
      }
      case Tok::PG: {
        advance();
        long d = depth_;
        enter();
        Formula f = formula();
        expect(Tok::PD);
        depth_ = d;
        return f;
      }
      case Tok::NAME: {
        std::string p = std::move(cur_.text);  // predicate names are never refused
        advance();
        if (cur_.kind != Tok::PG) return mk_atom(p, {});
        advance();
        std::vector<Term> args = terms();
        expect(Tok::PD);
        return mk_atom(p, std::move(args));
      }
      default:
        syntax();
    }
  }

  std::vector<Term> terms() {
    std::vector<Term> ts{term()};
    while (cur_.kind == Tok::VIRG) {
      advance();
      ts.push_back(term());
    }
    return ts;
  }

  Term term() {
    std::string n = name_checked();
    if (cur_.kind != Tok::PG) return mk_var(n);
    advance();
    if (cur_.kind == Tok::PD) {
      advance();
      return mk_fn(n, {});
    }
    long d = depth_;
    enter();
    std::vector<Term> args = terms();
    expect(Tok::PD);
    depth_ = d;
    return mk_fn(n, std::move(args));
  }

  Lexer lx_;
  Token cur_{Tok::FIN, {}, 0};
  long depth_ = 0;
};

}  // namespace

ParseResult parse_formula(std::string_view text) {
  try {
    return Parser(text).main();
  } catch (const Fail& f) {
    return f.e;
  }
}

Formula parse_formula_or_throw(std::string_view text) {
  ParseResult r = parse_formula(text);
  if (auto* e = std::get_if<ParseError>(&r)) throw FormulaError(*e);
  return std::get<Formula>(std::move(r));
}

}  // namespace fol
