#include "support/printer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using support::Printer;

std::vector<std::string> lines_of(const std::string& s) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : s) {
    if (c == '\n') {
      out.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  out.push_back(cur);
  return out;
}

std::string without_blanks(const std::string& s) {
  std::string r;
  for (char c : s)
    if (c != ' ' && c != '\n') r += c;
  return r;
}

TEST(Printer, WordsWithBreaksPackUpToTheMargin) {
  std::ostringstream os;
  Printer p(&os);
  std::vector<std::string> words;
  std::string all;
  for (int i = 0; i < 200; ++i) {
    words.push_back(std::string(1 + (i * 7) % 11, static_cast<char>('a' + i % 26)));
    if (i > 0) p.print_space();
    p.print_string(words.back());
    all += words.back();
  }
  p.print_flush();
  auto ls = lines_of(os.str());
  ASSERT_GE(ls.size(), 10u);
  EXPECT_EQ(without_blanks(os.str()), all);
  // Every line is full: the next word would have reached the margin. The
  // last hint before a flush at top level has no known size and breaks.
  std::size_t next = 0;
  for (std::size_t i = 0; i < ls.size(); ++i) {
    EXPECT_LE(ls[i].size(), 78u);
    ASSERT_FALSE(ls[i].empty());
    EXPECT_NE(ls[i][0], ' ') << "root box lines start at column 0";
    for (std::size_t k = 0; k < ls[i].size(); ++k) {
      if (ls[i][k] != ' ' && (k == 0 || ls[i][k - 1] == ' ')) ++next;
    }
    if (i + 2 < ls.size()) {
      EXPECT_GE(ls[i].size() + 1 + words[next].size(), 78u) << i;
    }
  }
  EXPECT_EQ(next, words.size());
  EXPECT_EQ(ls.back(), words.back());
}

// As in Format, material is laid out as soon as it reaches the margin, so a
// line joined by a hint stops one column short of it.
TEST(Printer, LineJoinedByAHintStopsBeforeTheMargin) {
  std::ostringstream os;
  Printer p(&os);
  p.open_box(0);
  p.print_string(std::string(69, 'x'));
  p.print_space();
  p.print_string(std::string(7, 'y'));
  p.close_box();
  p.print_flush();
  p.open_box(0);
  p.print_string(std::string(70, 'x'));
  p.print_space();
  p.print_string(std::string(8, 'y'));
  p.close_box();
  p.print_flush();
  EXPECT_EQ(os.str(), std::string(69, 'x') + " " + std::string(7, 'y') + std::string(70, 'x') +
                          "\n" + std::string(8, 'y'));
}

TEST(Printer, BoxIndentOneIndentsContinuationLinesByOneColumn) {
  std::ostringstream os;
  Printer p(&os);
  p.print_string("xy ");
  p.open_box(1);
  p.print_string("(");
  for (int i = 0; i < 30; ++i) {
    if (i > 0) p.print_break(1, 0);
    p.print_string("item" + std::to_string(i));
  }
  p.print_string(")");
  p.close_box();
  p.print_newline();
  auto ls = lines_of(os.str());
  ASSERT_GE(ls.size(), 3u);
  EXPECT_EQ(ls[0].substr(0, 4), "xy (");
  for (std::size_t i = 1; i + 1 < ls.size(); ++i) {
    EXPECT_EQ(ls[i].substr(0, 5), "    i") << ls[i];  // column 3 + 1
    EXPECT_LE(ls[i].size(), 78u);
  }
  EXPECT_EQ(ls.back(), "");  // print_newline ends the line
}

TEST(Printer, HorizontalBoxNeverBreaks) {
  std::ostringstream os;
  Printer p(&os);
  p.open_hbox();
  for (int i = 0; i < 40; ++i) {
    p.print_string("word");
    p.print_break(1, 4);
  }
  p.close_box();
  p.print_flush();
  EXPECT_EQ(os.str().find('\n'), std::string::npos);
  EXPECT_EQ(os.str().size(), 40u * 5);
}

TEST(Printer, VerticalBoxBreaksEveryHint) {
  std::ostringstream os;
  Printer p(&os);
  p.print_string("ab");
  p.open_vbox(2);
  p.print_string("x");
  p.print_break(1, 0);
  p.print_string("y");
  p.print_break(1, 1);
  p.print_string("z");
  p.close_box();
  p.print_flush();
  EXPECT_EQ(os.str(), "abx\n    y\n     z");
}

TEST(Printer, NestedBoxesNearMaxIndentKeepEveryCharacter) {
  std::ostringstream os;
  Printer p(&os);
  std::string all;
  p.print_string(std::string(60, 'p'));
  all += std::string(60, 'p');
  for (int d = 0; d < 200; ++d) {
    p.open_box(2);
    std::string t = "t" + std::to_string(d);
    p.print_string(t);
    all += t;
    p.print_break(1, 1);
  }
  for (int d = 0; d < 200; ++d) {
    p.print_string("e");
    all += "e";
    p.close_box();
  }
  p.print_newline();
  EXPECT_EQ(without_blanks(os.str()), all);
  for (const auto& l : lines_of(os.str())) {
    std::size_t lead = l.find_first_not_of(' ');
    if (lead != std::string::npos) {
      EXPECT_LE(lead, 68u) << l;
    }
  }
}

// A structural box breaks a hint that would bring the text back left of the
// current line's indentation; a packing box keeps it as a space.
TEST(Printer, StructuralBoxBreaksWhenTheIndentationGoesBack) {
  for (bool structural : {true, false}) {
    std::ostringstream os;
    Printer p(&os);
    if (structural) {
      p.open_box(0);
    } else {
      p.open_hovbox(0);
    }
    p.open_box(10);
    p.print_string("aaaa");
    p.print_break(1, 0);
    p.print_string(std::string(74, 'b'));
    p.print_break(1, 0);
    p.print_string("d");
    p.close_box();
    p.print_break(1, 0);
    p.print_string("c");
    p.close_box();
    p.print_flush();
    std::string head =
        "aaaa\n" + std::string(10, ' ') + std::string(74, 'b') + "\n" + std::string(10, ' ') + "d";
    EXPECT_EQ(os.str(), head + (structural ? "\nc" : " c"));
  }
}

TEST(Printer, BoxOpenedBeyondMaxIndentStartsOnANewLine) {
  std::ostringstream os;
  Printer p(&os);
  p.print_string(std::string(70, 'x'));
  p.open_box(0);
  p.print_string("abc");
  p.close_box();
  p.print_flush();
  EXPECT_EQ(os.str(), std::string(70, 'x') + "\nabc");
}

TEST(Printer, FlushInMidLineResetsTheColumn) {
  std::ostringstream os;
  Printer p(&os);
  p.print_string(std::string(70, 'x'));
  p.print_flush();
  // The printer now counts from column 0: 60 + 1 + 10 fits.
  p.open_box(0);
  p.print_string(std::string(60, 'a'));
  p.print_space();
  p.print_string(std::string(10, 'b'));
  p.close_box();
  p.print_flush();
  EXPECT_EQ(os.str(), std::string(70, 'x') + std::string(60, 'a') + " " + std::string(10, 'b'));
}

TEST(Printer, FlushClosesOpenBoxes) {
  std::ostringstream os;
  Printer p(&os);
  p.open_box(4);
  p.open_hbox();
  p.print_string("a");
  p.print_flush();
  // The hbox is gone: a long run now wraps at the root, at column 0.
  for (int i = 0; i < 20; ++i) {
    p.print_string("abcdefghi");
    p.print_space();
  }
  p.print_flush();
  auto ls = lines_of(os.str());
  ASSERT_GE(ls.size(), 2u);
  EXPECT_EQ(ls[1].substr(0, 3), "abc");
}

TEST(Printer, NewlineInsideTextCountsAsColumns) {
  std::ostringstream os;
  Printer p(&os);
  p.print_string(std::string(40, 'a') + "\n" + std::string(30, 'b'));  // 71 columns
  p.print_space();
  p.print_string(std::string(10, 'c'));
  p.print_flush();
  EXPECT_EQ(os.str(),
            std::string(40, 'a') + "\n" + std::string(30, 'b') + "\n" + std::string(10, 'c'));
}

TEST(Printer, UnbreakableTextOverflowsTheMargin) {
  std::ostringstream os;
  Printer p(&os);
  p.open_box(2);
  p.print_string("f");
  p.print_break(1, 0);
  p.print_string(std::string(100, 'x'));
  p.print_break(1, 0);
  p.print_string("g");
  p.close_box();
  p.print_newline();
  EXPECT_EQ(os.str(), "f\n  " + std::string(100, 'x') + "\n  g\n");
}

TEST(Printer, ForceNewlineIndentsByTheBox) {
  std::ostringstream os;
  Printer p(&os);
  p.print_string("ab");
  p.open_box(3);
  p.print_string("c");
  p.force_newline();
  p.print_string("d");
  p.close_box();
  p.print_newline();
  p.print_int(-42);
  p.print_char('!');
  p.print_newline();
  EXPECT_EQ(os.str(), "abc\n     d\n-42!\n");
}

TEST(Printer, SetOutputFlushesPendingText) {
  std::ostringstream a, b;
  Printer p(&a);
  p.print_string("one");
  p.set_output(&b);
  p.print_string("two");
  p.print_flush();
  EXPECT_EQ(a.str(), "one");
  EXPECT_EQ(b.str(), "two");
}

// More than a billion columns between two flushes must not lose the tail.
TEST(Printer, HugeColumnTotalsKeepPendingText) {
  std::ostringstream os;
  Printer p(&os);
  p.print_as(600000000, "a");
  p.force_newline();
  p.print_as(600000000, "b");
  p.force_newline();
  p.print_string("c");
  p.print_space();
  p.print_string("d");
  p.print_flush();
  EXPECT_EQ(os.str(), "a\nb\nc\nd");
}

TEST(Printer, LongOutputIsComplete) {
  std::ostringstream os;
  Printer p(&os);
  std::string all;
  for (int i = 0; i < 200000; ++i) {
    std::string w = std::to_string(i);
    p.print_string(w);
    p.print_space();
    all += w;
  }
  p.print_newline();
  EXPECT_EQ(without_blanks(os.str()), all);
}

}  // namespace
