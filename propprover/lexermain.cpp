#include "propprover/lexermain.h"

#include <climits>
#include <unordered_map>

#include "propprover/asynt.h"

namespace prop {

namespace {

bool is_letter(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  // The accented letters that formulas accept in words.
  switch (c) {
    case 224:
    case 226:
    case 228:
    case 231:
    case 232:
    case 233:
    case 234:
    case 235:
    case 238:
    case 239:
    case 244:
    case 246:
    case 249:
    case 251:
    case 252:
      return true;
    default:
      return false;
  }
}

bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }

bool is_word_char(unsigned char c) {
  if (is_letter(c) || is_digit(c)) return true;
  switch (c) {
    case '_':
    case '&':
    case '(':
    case ')':
    case ',':
    case '-':
    case '.':
    case '/':
    case '<':
    case '=':
    case '>':
    case '\\':
    case '|':
    case '~':
      return true;
    default:
      return false;
  }
}

Token simple(Tok t) {
  Token k;
  k.tok = t;
  return k;
}

Token boolean(bool b) {
  Token k = simple(Tok::BOOL);
  k.bool_value = b;
  return k;
}

bool is_formula_char(unsigned char c) { return c == ' ' || is_word_char(c); }

const std::unordered_map<std::string_view, Token>& keywords() {
  static const std::unordered_map<std::string_view, Token> table = [] {
    std::unordered_map<std::string_view, Token> t(53);
    auto add = [&t](std::string_view w, Tok k) { t[w] = simple(k); };
    add("axiom", Tok::AXIOM);
    add("init", Tok::INIT);
    add("prove", Tok::PROVE);
    add("nhr", Tok::NHR);
    add("phr", Tok::PHR);
    add("set", Tok::SET);
    add("verbose", Tok::VERBOSE);
    add("maxcndts", Tok::MAXCNDTS);
    add("pdsmax_global", Tok::PDSMAXGLOBAL);
    add("splitting", Tok::SPLITTING);
    add("check_subcase", Tok::CHECKSUBCASE);
    add("trace_proof", Tok::TRACEPROOF);
    for (std::string_view w : {"exit", "Exit", "quit", "Quit", "sortie", "Sortie"})
      add(w, Tok::EXIT);
    t["true"] = boolean(true);
    t["false"] = boolean(false);
    return t;
  }();
  return table;
}

const char* const kEmptyToken = "lexing: empty token";

}  // namespace

Token Lexermain::token() {
  for (;;) {
    while (pos_ < line_.size() &&
           (line_[pos_] == ' ' || line_[pos_] == '\t' || line_[pos_] == '\n'))
      ++pos_;
    if (pos_ >= line_.size()) return simple(Tok::FIN);
    unsigned char c = static_cast<unsigned char>(line_[pos_]);
    bool opens_comment = c == '(' && pos_ + 1 < line_.size() && line_[pos_ + 1] == '*';
    if (opens_comment) {
      // Up to the last "*)" of the line that no byte 0xA4 precedes.
      std::size_t limit = line_.find('\xa4', pos_ + 2);
      if (limit == std::string_view::npos) limit = line_.size();
      std::size_t close = std::string_view::npos;
      if (limit >= pos_ + 4) close = line_.substr(0, limit).rfind("*)");
      if (close == std::string_view::npos || close < pos_ + 2) throw Failure{kEmptyToken};
      pos_ = close + 2;
      continue;
    }
    if (is_digit(c)) {
      std::size_t start = pos_;
      while (pos_ < line_.size() && is_digit(static_cast<unsigned char>(line_[pos_]))) ++pos_;
      if (pos_ < line_.size() && line_[pos_] == '.') {
        ++pos_;
        while (pos_ < line_.size() && is_digit(static_cast<unsigned char>(line_[pos_]))) ++pos_;
        return simple(Tok::FLT);
      }
      long long v = 0;
      for (std::size_t i = start; i < pos_; ++i) {
        v = v * 10 + (line_[i] - '0');
        if (v > INT_MAX) throw Failure{"int_of_string"};
      }
      Token t = simple(Tok::INT);
      t.int_value = static_cast<int>(v);
      return t;
    }
    switch (c) {
      case '[':
        ++pos_;
        return simple(Tok::CG);
      case ']':
        ++pos_;
        return simple(Tok::CD);
      case ';':
        ++pos_;
        return simple(Tok::PVIRG);
      case '#':
        ++pos_;
        return simple(Tok::DZ);
      case '%':
        ++pos_;
        return simple(Tok::IND);
      default:
        break;
    }
    if (is_letter(c) || c == '/' || c == '\\' || c == '~' || c == '(') {
      std::size_t start = pos_;
      ++pos_;
      while (pos_ < line_.size() && is_word_char(static_cast<unsigned char>(line_[pos_]))) ++pos_;
      auto it = keywords().find(line_.substr(start, pos_ - start));
      if (it != keywords().end()) return it->second;
      return formula(start);
    }
    throw Failure{kEmptyToken};
  }
}

Token Lexermain::formula(std::size_t word_start) {
  while (pos_ < line_.size() && is_formula_char(static_cast<unsigned char>(line_[pos_]))) ++pos_;
  std::optional<Formula> f = analyse_proposition(line_.substr(word_start, pos_ - word_start));
  if (!f) throw ErrForm{};
  Token t = simple(Tok::FORMULA);
  t.formula = *f;
  return t;
}

}  // namespace prop
