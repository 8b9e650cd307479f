#include "assistant/parsernc.h"

#include <optional>
#include <utility>

#include "support/bigstack.h"
#include "support/errors.h"

namespace assistant::parsernc {

using lexernc::Tok;
using lexernc::Token;

// Made once and shared by every phrase. Emptiness is a matter of content
// (is_empty_proof), so a Label "" made elsewhere counts as empty too.
ProofPtr empty_proof() {
  static const ProofPtr empty = std::make_shared<const NcProof>(NcProof{Label{""}});
  return empty;
}

bool is_empty_proof(const NcProof& p) {
  const Label* l = std::get_if<Label>(&p.v);
  return l != nullptr && l->name.empty();
}

namespace {

// Shared subtrees compare by content; a null pointer equals only null.
template <class P>
bool same_ptr(const P& a, const P& b) {
  if (a == b) return true;
  if (!a || !b) return false;
  return *a == *b;
}

bool same_hint(const NcHint& a, const NcHint& b) {
  if (a.index() != b.index()) return false;
  if (const auto* x = std::get_if<Hyp>(&a)) return x->name == std::get<Hyp>(b).name;
  if (const auto* x = std::get_if<Stated>(&a)) return x->formula == std::get<Stated>(b).formula;
  const Eq& x = std::get<Eq>(a);
  const Eq& y = std::get<Eq>(b);
  return x.name == y.name && x.term == y.term;
}

bool same_hints(const std::vector<NcHint>& a, const std::vector<NcHint>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (!same_hint(a[i], b[i])) return false;
  return true;
}

bool same_named(const std::vector<NamedFormula>& a, const std::vector<NamedFormula>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].name != b[i].name || !(a[i].formula == b[i].formula)) return false;
  return true;
}

}  // namespace

bool operator==(const NcProof& a, const NcProof& b) {
  if (a.v.index() != b.v.index()) return false;
  if (const auto* x = std::get_if<By>(&a.v)) {
    const By& y = std::get<By>(b.v);
    if (x->hints.size() != y.hints.size()) return false;
    for (std::size_t i = 0; i < x->hints.size(); ++i)
      if (!same_hint(x->hints[i].source, y.hints[i].source) ||
          !same_hints(x->hints[i].instances, y.hints[i].instances))
        return false;
    return same_ptr(x->step, y.step);
  }
  if (const auto* x = std::get_if<Prove>(&a.v)) {
    const Prove& y = std::get<Prove>(b.v);
    return x->name == y.name && x->formula == y.formula && same_ptr(x->proof, y.proof) &&
           same_ptr(x->continuation, y.continuation);
  }
  if (const auto* x = std::get_if<By_absurd>(&a.v)) {
    const By_absurd& y = std::get<By_absurd>(b.v);
    return x->name == y.name && same_ptr(x->proof, y.proof);
  }
  if (const auto* x = std::get_if<Set>(&a.v)) {
    const Set& y = std::get<Set>(b.v);
    return x->name == y.name && x->term == y.term && same_ptr(x->proof, y.proof);
  }
  return std::get<Label>(a.v).name == std::get<Label>(b.v).name;
}

bool operator==(const NcStep& a, const NcStep& b) {
  if (a.v.index() != b.v.index()) return false;
  if (std::holds_alternative<Trivial>(a.v)) return true;
  if (const auto* x = std::get_if<Deduce>(&a.v)) {
    const Deduce& y = std::get<Deduce>(b.v);
    return same_named(x->formulas, y.formulas) && same_ptr(x->proof, y.proof);
  }
  return same_ptr(std::get<Block>(a.v).block, std::get<Block>(b.v).block);
}

bool operator==(const NcBlock& a, const NcBlock& b) {
  if (a.v.index() != b.v.index()) return false;
  if (const auto* x = std::get_if<Then>(&a.v)) {
    const Then& y = std::get<Then>(b.v);
    return same_ptr(x->left, y.left) && same_ptr(x->right, y.right);
  }
  if (const auto* x = std::get_if<Let>(&a.v)) {
    const Let& y = std::get<Let>(b.v);
    return x->name == y.name && same_ptr(x->block, y.block);
  }
  if (const auto* x = std::get_if<Search>(&a.v)) {
    const Search& y = std::get<Search>(b.v);
    return x->name == y.name && same_ptr(x->block, y.block);
  }
  if (const auto* x = std::get_if<Assume>(&a.v)) {
    const Assume& y = std::get<Assume>(b.v);
    return x->name == y.name && x->formula == y.formula && same_ptr(x->block, y.block);
  }
  if (const auto* x = std::get_if<Show>(&a.v)) {
    const Show& y = std::get<Show>(b.v);
    return x->formula == y.formula && same_ptr(x->proof, y.proof);
  }
  return same_ptr(std::get<Proof>(a.v).proof, std::get<Proof>(b.v).proof);
}

namespace {

template <class T>
ProofPtr proof_of(T v) {
  return std::make_shared<const NcProof>(NcProof{std::move(v)});
}
template <class T>
BlockPtr block_of(T v) {
  return std::make_shared<const NcBlock>(NcBlock{std::move(v)});
}
template <class T>
StepPtr step_of(T v) {
  return std::make_shared<const NcStep>(NcStep{std::move(v)});
}

// The first tokens of a unit: a prefix or a closed form.
bool starts_block(Tok k) {
  switch (k) {
    case Tok::MYLET:
    case Tok::SEARCH:
    case Tok::ASSUME:
    case Tok::SHOW:
    case Tok::PROOF:
    case Tok::PBEGIN:
      return true;
    default:
      return false;
  }
}

// The first tokens of a proof: what decides whether an optional proof part
// is there.
bool starts_proof(Tok k) {
  switch (k) {
    case Tok::PROVE:
    case Tok::BYABSURD:
    case Tok::SET:
    case Tok::LABEL:
    case Tok::BY:
    case Tok::DEDUCE:
    case Tok::TRIVIAL:
      return true;
    default:
      return starts_block(k);
  }
}

// The grammar (the keywords as the lexer spells them; "let", "search" and
// "by" may also start with a capital, "Prove" must):
//   phrase: FIN | proof FIN
//   proof:  "Prove" named [proof] | "by_absurd" [HYPNAME] [proof]
//         | "set" EQUAL [proof] | "label" HYPNAME | ("by" items)+ step | step
//   step:   "deduce" nlist [proof] | "trivial" | block
//   block:  unit ("then" unit)*
//   unit:   prefix* closed | prefix* "assume" nlist ["label" HYPNAME]
//   prefix: ("let" | "search") names | "assume" nlist
//   closed: "show" FORMULA [proof "shown"] | "proof" proof "endproof"
//         | "begin" block "end"
//
// Recursive descent with one token of look-ahead, read only when the grammar
// needs it: a syntax error is raised at the first token that cannot continue
// the phrase, before any later text is lexed. Optional proof parts are taken
// exactly when the next token can start a proof. Chains ("then", lists of
// names) are read with loops; `depth_` bounds the nesting of the tree built.
//
// Nesting beyond what the readers accept is refused like a bad formula. The
// refusal is not thrown from the depth where it is found: the reader stops
// lexing, sees the end of the phrase everywhere, unwinds by returning, and
// throws from the top (a throw across a very deep stack is slow to unwind
// and confuses stack-checking tools).
class Parser {
 public:
  explicit Parser(lexernc::Lexer& lx) : lx_(lx) {}

  // phrase: FIN | proof FIN. An empty line is the empty proof.
  ProofPtr phrase() {
    if (peek().kind == Tok::FIN) return empty_proof();
    ProofPtr p = proof();
    expect(Tok::FIN);
    if (too_deep_) throw support::FormulaError{};
    return p;
  }

 private:
  // Once too deep, every read sees FIN and lexes nothing: each reader then
  // stops at the next token it needs and returns.
  const Token& peek() {
    if (too_deep_) return end_;
    if (!la_) la_ = lx_.token();
    return *la_;
  }
  Token take() {
    if (too_deep_) return end_;
    peek();
    Token t = std::move(*la_);
    la_.reset();
    return t;
  }
  Token expect(Tok k) {
    if (too_deep_) return end_;
    if (peek().kind != k) throw support::CommandError{};
    return take();
  }
  // A syntax error, or nothing once the phrase is known to be too deep.
  void syntax_error() {
    if (!too_deep_) throw support::CommandError{};
  }
  // The tree depth: one level per proof, per "then", per "begin" and per
  // name or formula of a prefix. Past the bound the phrase is marked, not
  // refused at once.
  void enter(std::size_t n) {
    depth_ += n;
    if (depth_ > static_cast<std::size_t>(support::kMaxNesting)) too_deep_ = true;
  }
  void leave(std::size_t n) { depth_ -= n; }

  ProofPtr optional_proof() { return starts_proof(peek().kind) ? proof() : empty_proof(); }

  // proof: "Prove" named [proof] | "by_absurd" [HYPNAME] [proof]
  //      | "set" EQUAL [proof] | "label" HYPNAME | ("by" items)+ step | step
  // A Prove's continuation is never written: it is left empty here.
  ProofPtr proof() {
    enter(1);
    ProofPtr r;
    switch (peek().kind) {
      case Tok::PROVE: {
        take();
        NamedFormula n = named();
        ProofPtr sub = optional_proof();
        r = proof_of(Prove{std::move(n.name), std::move(n.formula), std::move(sub), empty_proof()});
        break;
      }
      case Tok::BYABSURD: {
        take();
        std::string name;
        if (peek().kind == Tok::HYPNAME) name = take().text;
        ProofPtr sub = optional_proof();
        r = proof_of(By_absurd{std::move(name), std::move(sub)});
        break;
      }
      case Tok::SET: {
        take();
        Token def = expect(Tok::EQUAL);
        ProofPtr sub = optional_proof();
        r = proof_of(Set{std::move(def.text), std::move(def.formula), std::move(sub)});
        break;
      }
      case Tok::LABEL: {
        take();
        r = proof_of(Label{expect(Tok::HYPNAME).text});
        break;
      }
      case Tok::BY: {
        std::vector<NcByItem> hints;
        while (peek().kind == Tok::BY) {
          take();
          by_items(hints);
        }
        StepPtr s = step();
        r = proof_of(By{std::move(hints), std::move(s)});
        break;
      }
      default:
        r = proof_of(By{{}, step()});
        break;
    }
    leave(1);
    return r;
  }

  // step: "deduce" nlist [proof] | "trivial" | block
  StepPtr step() {
    switch (peek().kind) {
      case Tok::DEDUCE: {
        take();
        std::vector<NamedFormula> l = nlist();
        ProofPtr sub = optional_proof();
        return step_of(Deduce{std::move(l), std::move(sub)});
      }
      case Tok::TRIVIAL:
        take();
        return step_of(Trivial{});
      default:
        return step_of(Block{block()});
    }
  }

  // block ("then" block)*, grouped to the right.
  BlockPtr block() {
    std::vector<BlockPtr> parts;
    parts.push_back(unit());
    while (peek().kind == Tok::MYTHEN) {
      take();
      enter(1);
      parts.push_back(unit());
    }
    BlockPtr r = std::move(parts.back());
    for (std::size_t i = parts.size() - 1; i-- > 0;)
      r = block_of(Then{std::move(parts[i]), std::move(r)});
    leave(parts.size() - 1);
    return r;
  }

  // A prefix of a unit, applied once the closed form under it is read.
  struct Prefix {
    Tok kind;  // MYLET, SEARCH or ASSUME
    std::string name;
    fol::Formula formula;  // ASSUME
  };

  // A block without a "then" of its own: "let", "search" and "assume"
  // prefixes (which end before the next "then") over one closed form.
  BlockPtr unit() {
    std::vector<Prefix> prefixes;
    BlockPtr base;
    while (!base) base = prefix_or_form(prefixes);
    return under_prefixes(std::move(base), prefixes);
  }

  // Reads a prefix into `prefixes` (nullptr), or the closed form that ends
  // the unit. An "assume" list with no block after it ends the unit itself.
  BlockPtr prefix_or_form(std::vector<Prefix>& prefixes) {
    switch (peek().kind) {
      case Tok::MYLET:
      case Tok::SEARCH:
        binder_prefix(prefixes);
        return nullptr;
      case Tok::ASSUME:
        return assume_prefix(prefixes);
      case Tok::SHOW:
        return show_form();
      case Tok::PROOF:
        return proof_form();
      case Tok::PBEGIN:
        return begin_form();
      default:
        syntax_error();
        return block_of(Proof{empty_proof()});
    }
  }

  // ("let" | "search") names
  void binder_prefix(std::vector<Prefix>& prefixes) {
    const Tok k = take().kind;
    std::vector<std::string> l = names();
    enter(l.size());
    for (std::string& x : l) prefixes.push_back({k, std::move(x), {}});
  }

  // "assume" nlist, then a block, "label [name]" or nothing.
  BlockPtr assume_prefix(std::vector<Prefix>& prefixes) {
    take();
    std::vector<NamedFormula> l = nlist();
    enter(l.size());
    for (NamedFormula& n : l)
      prefixes.push_back({Tok::ASSUME, std::move(n.name), std::move(n.formula)});
    if (starts_block(peek().kind)) return nullptr;
    if (peek().kind != Tok::LABEL) return block_of(Proof{empty_proof()});
    take();
    return block_of(Proof{proof_of(Label{expect(Tok::HYPNAME).text})});
  }

  // "show" FORMULA [proof "shown"]
  BlockPtr show_form() {
    take();
    fol::Formula f = expect(Tok::FORMULA).formula;
    if (!starts_proof(peek().kind)) return block_of(Show{std::move(f), empty_proof()});
    ProofPtr sub = proof();
    expect(Tok::SHOWN);
    return block_of(Show{std::move(f), std::move(sub)});
  }

  // "proof" proof "endproof"
  BlockPtr proof_form() {
    take();
    ProofPtr sub = proof();
    expect(Tok::ENDPROOF);
    return block_of(Proof{std::move(sub)});
  }

  // "begin" block "end"
  BlockPtr begin_form() {
    take();
    enter(1);
    BlockPtr b = block();
    leave(1);
    expect(Tok::PEND);
    return b;
  }

  // The prefixes applied to `base`, the last one read innermost.
  BlockPtr under_prefixes(BlockPtr base, std::vector<Prefix>& prefixes) {
    for (std::size_t i = prefixes.size(); i-- > 0;) {
      Prefix& p = prefixes[i];
      if (p.kind == Tok::MYLET)
        base = block_of(Let{std::move(p.name), std::move(base)});
      else if (p.kind == Tok::SEARCH)
        base = block_of(Search{std::move(p.name), std::move(base)});
      else
        base = block_of(Assume{std::move(p.name), std::move(p.formula), std::move(base)});
    }
    leave(prefixes.size());
    return base;
  }

  // names: NAME ("," NAME)*
  std::vector<std::string> names() {
    std::vector<std::string> l;
    l.push_back(expect(Tok::NAME).text);
    while (peek().kind == Tok::VIRG) {
      take();
      l.push_back(expect(Tok::NAME).text);
    }
    return l;
  }

  // named: FORMULA [HYPNAME]; the name is " " when none is written.
  NamedFormula named() {
    fol::Formula f = expect(Tok::FORMULA).formula;
    std::string name = peek().kind == Tok::HYPNAME ? take().text : std::string(" ");
    return {std::move(name), std::move(f)};
  }

  // nlist: named ("and" named)*
  std::vector<NamedFormula> nlist() {
    std::vector<NamedFormula> l;
    l.push_back(named());
    while (peek().kind == Tok::MYAND) {
      take();
      l.push_back(named());
    }
    return l;
  }

  // source: a bracketed name or a formula; inst: those or a definition.
  NcHint hint(bool definition_allowed) {
    switch (peek().kind) {
      case Tok::HYPNAME:
        return Hyp{take().text};
      case Tok::FORMULA:
        return Stated{take().formula};
      case Tok::EQUAL:
        if (definition_allowed) {
          Token t = take();
          return Eq{std::move(t.text), std::move(t.formula)};
        }
        [[fallthrough]];
      default:
        syntax_error();
        return Hyp{};
    }
  }

  // items: item ("and" item)*;  item: source ["with" inst ("," inst)*].
  // Appends to `out`, so the items of several "by" end up in one list.
  void by_items(std::vector<NcByItem>& out) {
    while (true) {
      NcByItem item{hint(false), {}};
      if (peek().kind == Tok::MYWITH) {
        take();
        item.instances.push_back(hint(true));
        while (peek().kind == Tok::VIRG) {
          take();
          item.instances.push_back(hint(true));
        }
      }
      out.push_back(std::move(item));
      if (peek().kind != Tok::MYAND) return;
      take();
    }
  }

  lexernc::Lexer& lx_;
  std::optional<Token> la_;
  std::size_t depth_ = 0;
  bool too_deep_ = false;
  const Token end_{};  // FIN, what a too deep phrase reads from then on
};

}  // namespace

ProofPtr main(lexernc::Lexer& lexer) { return Parser(lexer).phrase(); }

}  // namespace assistant::parsernc
