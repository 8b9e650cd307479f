// The shared command language of the batch provers, over a stand-in
// formula reader (the formula is its text) and a stand-in program: what
// each program sets apart (keywords, letters, help) really does set it
// apart, and the loop's pieces answer as the programs do.
#include <gtest/gtest.h>

#include <iostream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/cmdloop.h"
#include "support/cmdparse.h"
#include "support/cmdsettings.h"

namespace {

using namespace support::cmdlang;

// A small language: no "help", no "timemax"; commands print as text.
struct Lang {
  using Formula = std::string;
  using Hyp = std::string;
  using Command = std::string;
  static Command nothing() { return "nothing"; }
  static Command init() { return "init"; }
  static Command exit() { return "exit"; }
  static Hyp hyp(Formula f, std::optional<int> w, int i) {
    return f + (w ? "#" + std::to_string(*w) : "") + "%" + std::to_string(i);
  }
  static Command axiom(Hyp h) { return "axiom " + h; }
  static Command prove(std::optional<ResolutionMethod> mode, std::vector<Hyp> hs, Formula f) {
    const char* m = !mode ? "-" : *mode == ResolutionMethod::Nhr ? "nhr" : "phr";
    std::string s = "prove " + std::string(m) + " [";
    for (const Hyp& h : hs) s += h + ";";
    return s + "] " + f;
  }
  static Command set_int(IntSetting s, int n) { return name_of(s) + (" " + std::to_string(n)); }
  static Command set_bool(BoolSetting s, bool b) {
    return name_of(s) + std::string(b ? " 1" : " 0");
  }
};
// The same language with "help".
struct HelpLang : Lang {
  static Command help() { return "help"; }
};

constexpr Keyword kSmall[] = {{"prove", Tok::PROVE},     {"set", Tok::SET},
                              {"verbose", Tok::VERBOSE}, {"help", Tok::HELP},
                              {"timemax", Tok::TIMEMAX}, {"init", Tok::INIT},
                              {"true", Tok::BOOL, true}, {"false", Tok::BOOL, false}};
constexpr Keyword kNoSet[] = {{"prove", Tok::PROVE}};

bool latin1_e(unsigned char c) { return is_ascii_letter(c) || c == 0xE9; }

std::optional<std::string> reader(const std::string& t) {
  if (t.find("bad") != std::string::npos) return std::nullopt;
  return t;
}

template <class L = Lang>
std::string read(const std::string& line, std::span<const Keyword> kw = kSmall,
                 Lexer<std::string>::LetterTest letters = is_ascii_letter) {
  try {
    Lexer<std::string> lex(line, kw, letters, reader);
    return Parser<L>::main(lex);
  } catch (const support::CommandError&) {
    return "Erreur de commande";
  } catch (const support::FormulaError&) {
    return "Erreur de formule";
  } catch (const support::Failure& f) {
    return f.what();
  }
}

TEST(SharedCommandLanguage, TheProgramsTablesLettersAndHelpSetItApart) {
  // Only the table makes a word a keyword; any other word starts a formula.
  EXPECT_EQ(read("set verbose 3"), "verbose 3");
  EXPECT_EQ(read("set verbose 3", kNoSet), "Erreur de commande");
  EXPECT_EQ(read("prove set verbose 3", kNoSet), "prove - [] set verbose 3");
  // Latin-1 letters where the program takes them, an unknown character elsewhere.
  EXPECT_EQ(read("prove v\xE9rit\xE9", kSmall, latin1_e), "prove - [] v\xE9rit\xE9");
  EXPECT_EQ(read("prove v\xE9rit\xE9"), "lexing: empty token");
  EXPECT_EQ(read("prove \xE9t\xE9", kSmall, latin1_e), "prove - [] \xE9t\xE9");
  // "help" only where the program builds it; HELP is refused otherwise.
  EXPECT_EQ(read<HelpLang>("help"), "help");
  EXPECT_EQ(read<Lang>("help"), "Erreur de commande");
  EXPECT_EQ(read("set timemax 7"), "timemax 7");
}

TEST(SharedCommandLanguage, GrammarAndFirstErrorFromTheLeft) {
  EXPECT_EQ(read(""), "nothing");
  EXPECT_EQ(read(" (* c *) "), "nothing");
  EXPECT_EQ(read("prove [a # 2 % 3; b % 4] c"), "prove - [a #2%3;b %4;] c");
  EXPECT_EQ(read("set verbose 2147483648"), "int_of_string");
  EXPECT_EQ(read("set verbose 1.5"), "Erreur de commande");
  EXPECT_EQ(read("prove bad @"), "Erreur de formule");
  EXPECT_EQ(read("init @"), "lexing: empty token");
  EXPECT_EQ(read("init init @"), "Erreur de commande");
  EXPECT_EQ(read("(* open"), "lexing: empty token");
}

// A language with a command of its own, "select [name]", written with
// formulas between dollars.
struct OwnLang : HelpLang {
  template <class P>
  static std::optional<Command> other(Tok first, P& in) {
    if (first != Tok::SELECT) return std::nullopt;
    return "select " + in.expect(Tok::HYPNAME).text;
  }
};
constexpr Keyword kOwn[] = {{"prove", Tok::PROVE}, {"select", Tok::SELECT}, {"init", Tok::INIT}};

std::string read_dollars(const std::string& line) {
  try {
    Lexer<std::string> lex(line, kOwn, is_ascii_letter, reader, Formulas::Dollars);
    return Parser<OwnLang>::main(lex);
  } catch (const support::Refusal& r) {
    return r.what();
  }
}

TEST(SharedCommandLanguage, DollarFormulasBracesAndCommandsOfItsOwn) {
  EXPECT_EQ(read_dollars("prove {$a b$ #2; $c$} $d$"), "prove - [a b#2%1;c%1;] d");
  EXPECT_EQ(read_dollars("select [h 1]"), "select h 1");
  EXPECT_EQ(read_dollars("select h"), "Erreur de commande");       // an identifier, no name
  EXPECT_EQ(read_dollars("prove [a] $b$"), "Erreur de commande");  // a name, no bracket
  EXPECT_EQ(read_dollars("prove ] $b$"), "lexing: empty token");
  EXPECT_EQ(read_dollars("prove $$"), "lexing: empty token");
  EXPECT_EQ(read_dollars("prove $bad$"), "Erreur de formule");
  EXPECT_EQ(read_dollars("init x_1 $bad$"), "Erreur de commande");
  // A keyword of the table that neither the grammar nor the program takes.
  EXPECT_EQ(read<OwnLang>("select"), "Erreur de commande");
}

// What the printer writes while `f` runs.
template <class Fn>
std::string printed(Fn f) {
  std::ostringstream out;
  support::pp().set_output(&out);
  f();
  support::pp().set_output(&std::cout);  // flushes into `out` first
  return out.str();
}

struct Cells {
  std::optional<int> verbose, maxcndts, pdsmax_global, timemax;
  std::optional<bool> splitting, check_subcase, trace_proof;
};

TEST(CommandLoop, SettingsStoreTheirCellAndAnswer) {
  Cells c;
  EXPECT_EQ(printed([&] {
              set(c, IntSetting::pdsmax_global, 9);
              set(c, IntSetting::timemax, 4);
              set(c, BoolSetting::check_subcase, false);
            }),
            "pdsmax_global change\ntimemax change\ncheck_subcase change\n");
  EXPECT_EQ(c.pdsmax_global, 9);
  EXPECT_EQ(c.timemax, 4);
  EXPECT_EQ(c.check_subcase, false);
  EXPECT_FALSE(c.verbose || c.maxcndts || c.splitting || c.trace_proof);
}

TEST(CommandLoop, RefusedLinesAreAnsweredAndTheLoopGoesOn) {
  namespace cl = support::cmdloop;
  auto line = [](auto thrown) {
    return cl::run_line([&]() -> std::optional<int> { throw thrown; });
  };
  EXPECT_EQ(printed([&] {
              EXPECT_FALSE(line(support::CommandError{}));
              EXPECT_FALSE(line(support::FormulaError{}));
              EXPECT_FALSE(line(support::Failure{"int_of_string"}));
            }),
            "Erreur de commande\nErreur de formule\nint_of_string\n");
  std::optional<int> status;
  EXPECT_EQ(
      printed([&] { status = cl::run_line([] { return std::optional<int>(cl::farewell()); }); }),
      "\n A bientot \n\n");
  EXPECT_EQ(status, 0);
}

TEST(CommandLoop, WhatEscapesEndsTheProgramWithAStatusNotACrash) {
  namespace cl = support::cmdloop;
  // Never an answer on standard output.
  EXPECT_EQ(printed([] {
              EXPECT_EQ(cl::guarded("p", [] { return 0; }), 0);
              EXPECT_EQ(cl::guarded("p", []() -> int { support::internal_error("x.cpp"); }),
                        cl::kFatalStatus);
              EXPECT_EQ(cl::guarded("p", []() -> int { throw std::runtime_error("boom"); }),
                        cl::kFatalStatus);
              EXPECT_EQ(cl::guarded("p", []() -> int { throw 3; }), cl::kFatalStatus);
            }),
            "");
}

}  // namespace
