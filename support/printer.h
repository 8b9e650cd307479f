// The one pretty-printer that every program writes its output through.
//
// Box-and-break model (Oppen), with the layout rules of the classic
// Format library: right margin 78, maximum indentation 68, at least 10
// columns kept for text. Text outside any box packs onto lines up to the
// margin (the printer always has a root packing box open).
//
//   auto& p = support::pp();
//   p.open_box(1); p.print_string("(7)"); p.print_break(1, 0); ...; p.close_box();
//   p.print_newline();          // flush every box, end the line, flush stdout
//
// Newline characters inside printed text are not interpreted: they count as
// ordinary characters. Only the printer's own newlines reset the column.
#pragma once

#include <cstdint>
#include <deque>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace support {

class Printer {
 public:
  explicit Printer(std::ostream* out);

  // Boxes
  void open_box(int indent);     // packing box ("b": breaks where needed)
  void open_hovbox(int indent);  // packing box, no structural breaking
  void open_hbox();              // never breaks
  void open_vbox(int indent);    // every break is a newline
  void close_box();

  // Text and breaks
  void print_string(std::string_view s);
  void print_as(int width, std::string_view s);  // text counted as `width` columns
  void print_int(long long n);
  void print_char(char c);
  void print_break(int width, int offset);  // a space of `width`, or a newline indented by `offset`
  void print_space() { print_break(1, 0); }
  void print_cut() { print_break(0, 0); }
  void force_newline();  // newline inside the current box, boxes stay open

  // Flushes
  void print_flush();    // close every open box, emit all, flush the stream; column 0 again
  void print_newline();  // print_flush followed by a newline

  // Where the output goes (tests redirect it); flushes pending output first.
  void set_output(std::ostream* out);
  std::ostream* output() const { return out_; }

  // Geometry (fixed for the programs; settable for tests of the printer).
  static constexpr int kMargin = 78;
  static constexpr int kMaxIndent = 68;
  static constexpr int kMinSpaceLeft = 10;

 private:
  enum class BoxKind { H, V, HV, HOV, B, Fits };
  enum class TokKind { Text, Break, Begin, End, Newline, IfNewline };
  struct Token {
    TokKind kind;
    int size;         // negative while unknown
    int width = 0;    // text length / break width
    int offset = 0;   // break offset / box indent
    BoxKind box = BoxKind::HOV;
    std::string text;
  };
  struct ScanEntry {
    long long left_total;
    std::size_t index;  // absolute token index
  };
  struct FrameEntry {
    BoxKind kind;
    int indent;
  };

  void enqueue(Token t);
  void enqueue_advance(Token t);
  void advance_left();
  void format_token(int size, const Token& t);
  void set_size(bool break_like);
  void scan_push(bool is_break, Token t);
  void open_sys_box();
  void flush_queue(bool end_with_newline);
  void rinit();
  void output_text(std::string_view s);
  void output_newline(int offset);
  void break_same_line(int width);
  void force_break_line();
  void skip_token();
  Token& token_at(std::size_t abs_index);

  std::ostream* out_;
  std::deque<Token> queue_;           // pending tokens; queue_[0] has absolute index base_
  std::size_t base_ = 0;              // absolute index of queue_.front()
  std::vector<ScanEntry> scan_stack_; // open boxes/breaks whose size is unknown
  std::vector<FrameEntry> format_stack_;
  std::vector<int> tab_stack_unused_;
  int space_left_ = kMargin;
  int current_indent_ = 0;
  bool is_new_line_ = true;
  long long left_total_ = 1;
  long long right_total_ = 1;
  int curr_depth_ = 0;
  int max_boxes_ = 1 << 30;
  int min_space_left_ = kMinSpaceLeft;
  int margin_ = kMargin;
  int max_indent_ = kMaxIndent;
};

// The process-wide printer on standard output.
Printer& pp();

}  // namespace support
