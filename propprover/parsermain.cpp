#include "propprover/parsermain.h"

#include "propprover/lexermain.h"

namespace prop {

namespace {

class Parser {
 public:
  explicit Parser(std::string_view line) : lex_(line) {}

  // main: command FIN, or FIN alone.
  Command main() {
    if (peek().tok == Tok::FIN) return Command{};
    Command c = command();
    expect(Tok::FIN);
    return c;
  }

 private:
  const Token& peek() {
    if (!has_) {
      cur_ = lex_.token();
      has_ = true;
    }
    return cur_;
  }
  Token next() {
    peek();
    has_ = false;
    return cur_;
  }
  Token expect(Tok t) {
    Token k = next();
    if (k.tok != t) throw SyntaxError{};
    return k;
  }

  Command command() {
    Command c;
    switch (next().tok) {
      case Tok::AXIOM:
        c.kind = Command::Kind::Axiom;
        c.hyps.push_back(hyp());
        return c;
      case Tok::INIT:
        c.kind = Command::Kind::Init;
        return c;
      case Tok::PROVE:
        return prove_arg();
      case Tok::SET:
        return set_arg();
      case Tok::EXIT:
        c.kind = Command::Kind::Exit;
        return c;
      default:
        throw SyntaxError{};
    }
  }

  Command prove_arg() {
    Command c;
    c.kind = Command::Kind::Prove;
    Tok t = peek().tok;
    if (t == Tok::NHR || t == Tok::PHR) {
      next();
      c.kind = Command::Kind::Prove_mode;
      c.mode = t == Tok::NHR ? "nhr" : "phr";
    }
    if (peek().tok == Tok::CG) {
      next();
      c.hyps = hyps();
      expect(Tok::CD);
    }
    c.formula = expect(Tok::FORMULA).formula;
    return c;
  }

  std::vector<Hyp> hyps() {
    std::vector<Hyp> hs;
    hs.push_back(hyp());
    while (peek().tok == Tok::PVIRG) {
      next();
      hs.push_back(hyp());
    }
    return hs;
  }

  Hyp hyp() {
    Hyp h{expect(Tok::FORMULA).formula, std::nullopt, Constraints{}, 1};
    if (peek().tok == Tok::DZ) {
      next();
      h.poids = expect(Tok::INT).int_value;
      if (peek().tok != Tok::IND) return h;
    }
    if (peek().tok == Tok::IND) {
      next();
      h.indice = expect(Tok::INT).int_value;
    }
    return h;
  }

  Command set_arg() {
    Command c;
    Token t = next();
    auto set_int = [&](Command::IntSetting s) {
      c.kind = Command::Kind::Set_int;
      c.int_setting = s;
      c.int_value = expect(Tok::INT).int_value;
    };
    auto set_bool = [&](Command::BoolSetting s) {
      c.kind = Command::Kind::Set_bool;
      c.bool_setting = s;
      c.bool_value = expect(Tok::BOOL).bool_value;
    };
    switch (t.tok) {
      case Tok::VERBOSE:
        set_int(Command::IntSetting::verbose);
        break;
      case Tok::MAXCNDTS:
        set_int(Command::IntSetting::maxcndts);
        break;
      case Tok::PDSMAXGLOBAL:
        set_int(Command::IntSetting::pdsmax_global);
        break;
      case Tok::SPLITTING:
        set_bool(Command::BoolSetting::splitting);
        break;
      case Tok::CHECKSUBCASE:
        set_bool(Command::BoolSetting::check_subcase);
        break;
      case Tok::TRACEPROOF:
        set_bool(Command::BoolSetting::trace_proof);
        break;
      default:
        throw SyntaxError{};
    }
    return c;
  }

  Lexermain lex_;
  Token cur_;
  bool has_ = false;
};

}  // namespace

Command parse_command(std::string_view line) { return Parser(line).main(); }

}  // namespace prop
