// Exact trace layouts that the other engine tests only probe by substring:
// the regime without lazy decomposition at level 2 (braces of every
// decomposed literal, the line break that ends a clause's decomposition),
// and the resolution traces of levels 4 and 5 in their order.
#include <gtest/gtest.h>

#include <string>

#include "prover_test_util.h"

namespace {

using prover_test::Engine;
using prover_test::ProveSettings;

ProveSettings plain(int verbose) {
  ProveSettings s;
  s.verbose = verbose;
  s.step_prompt = 0;
  s.lazy_decomposition = false;
  return s;
}

TEST(TraceLayout, PlainRegimeLevelTwo) {
  Engine e;
  ASSERT_TRUE(e.prove("p -> p", plain(2)));
  // One brace pair for ~(p -> p), then one for each of p and ~p it gives,
  // the line break ending the decomposition, then one unification.
  EXPECT_EQ(e.text,
            "{}{}{}\n"
            "[]La formule est vraie\n"
            "Voici la preuve :\n"
            "\\(4) :  #0. %3. $res p\n"
            " \\(2)p :  #2.1 %1. $dec -impl p -> p\n"
            " |\\(1)~(p -> p) :  #1. %2.\n"
            " \\(3)~p :  #2.1 %1. $dec -impr p -> p\n"
            "  \\(1)~(p -> p) :  #1. %2.\n");
  // A failed unification closes its bracket with a line break; the
  // end-of-step lists follow; at level 3 the satisfiable set is shown.
  ASSERT_TRUE(e.prove("(p | q) -> (q | p)", plain(3)));
  EXPECT_NE(
      e.text.find("Clause non splittee\n\n{}{}{}{}{}{}{}\n[]\n[][]\n\nLes clauses deja vues :\n\n"
                  "(5)~(p or q -> q or p) :  #1. %2.\n\n\nLes clauses candidates :\n\n"
                  "(11)q :  #5.2 %3.\n(12)p :  #5.2 %3.\n\n\n"
                  "La liste des decomposables :\n\n\n"
                  "taille !djvues : 1\ntaille taillecndats : 2\n\n"),
      std::string::npos)
      << e.text;
  EXPECT_NE(e.text.find("{}\n[]La formule est vraie\nL'ensemble satisfaisable :\nLa clause C :\n"
                        "(13) :  #0. %7.\nVoici la preuve :\n\\(13) :  #0. %7. $res q\n"),
            std::string::npos)
      << e.text;
}

TEST(TraceLayout, ResolutionTracesLevelFive) {
  Engine e;
  ASSERT_TRUE(e.prove("q", plain(5), {"p", "p -> q"}));
  // Clause 2 = p -> q decomposes into (4)q, ~p, shown at level 4 between
  // the braces; then p of clause 1 meets ~p of clause 4.
  EXPECT_NE(e.text.find("Les decompositions :\n\n{}(4)q, ~p :  #2.1 %1.\n{}{}\n"
                        "On tente l'unif de 'p' et 'p'\n"
                        "Le reste des clauses :\n"
                        "c1 = (1) :  #1. %1.\n"
                        "c2 = (4)q :  #2.1 %1.\n"
                        "l2 devient p'\n"
                        "[]c2 est devenue \n"
                        "(4)q :  #2.1 %1.\n"
                        "\nunification reussie\n"
                        "l = p\n"
                        "c1 = (1) :  #1. %1.\n"
                        "c2 = (4)q :  #2.1 %1.\n"
                        "clause obtenue = (5)q :  #4.1 %3.\n"
                        "\n\nLes clauses deja vues :\n\n"),
            std::string::npos)
      << e.text;
  // Hypotheses are numbered in order before the goal clause: p, p -> q, ~q.
  EXPECT_NE(e.text.find("Les clauses candidates :\n\n(2)p -> q :  #1. %1.\n(3)~q :  #1. %2.\n"),
            std::string::npos)
      << e.text;
}

}  // namespace
