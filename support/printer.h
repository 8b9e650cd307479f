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
// As in Format: text wider than the line is printed whole, past the margin
// (the next hint in its box then breaks); a line joined by break hints ends
// by column 77; and a hint of the root box still pending at a flush counts
// as too wide and breaks, so put text whose hints should stay spaces in a box.
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
  Printer(const Printer&) = delete;
  Printer& operator=(const Printer&) = delete;

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

  // Geometry (fixed).
  static constexpr int kMargin = 78;
  static constexpr int kMaxIndent = 68;
  static constexpr int kMinSpaceLeft = 10;

 private:
  // Oppen's algorithm as the Format library runs it: tokens wait in a queue
  // until the size of the block or break at the head is known (or cannot fit
  // any more), then the formatting side decides break or space.
  enum class BoxKind { H, V, HV, HOV, B, Fits };
  enum class TokKind { Text, Break, Begin, End, Newline };
  struct Token {
    TokKind kind;
    long long size;    // < 0 while unknown
    long long length;  // columns this token adds when laid out flat
    int width = 0;     // break width
    int offset = 0;    // break offset / box indent
    BoxKind box = BoxKind::HOV;
    std::string text;
  };
  struct ScanEntry {
    long long left_total;  // right_total_ just after the token was queued
    std::size_t index;     // absolute queue index of the break or box
    long long init_size;   // -right_total at queueing time
    bool is_break;         // break (else a box opening, or the dummy)
  };
  struct FrameEntry {
    BoxKind kind;
    long long width;  // space left at the box's opening minus its indent
  };

  void enqueue(Token t);
  void enqueue_advance(Token t);
  void advance_left();
  void format_token(long long size, const Token& t);
  void set_size(bool break_like);
  void scan_push(bool is_break, Token t);
  void init_scan_stack();
  void open_box_gen(int indent, BoxKind kind);
  void flush_queue(bool end_with_newline);
  void rinit();
  void output_text(std::string_view s);
  void output_blanks(long long n);
  void output_newline();
  void break_new_line(int offset, long long width);
  void break_same_line(int width);
  void force_break_line();
  void drain_buffer(bool flush_stream);

  std::ostream* out_;
  std::string buf_;                       // bytes laid out but not yet written to out_
  std::deque<Token> queue_;               // pending tokens; queue_[0] has absolute index base_
  std::size_t base_ = 0;                  // absolute index of queue_.front()
  std::vector<ScanEntry> scan_stack_;     // never empty: bottom is an obsolete dummy
  std::vector<FrameEntry> format_stack_;  // boxes being laid out
  long long space_left_ = kMargin;        // columns left on the current line (may go negative)
  long long current_indent_ = 0;          // indentation of the current line
  bool is_new_line_ = true;               // nothing but a break since the last newline
  long long left_total_ = 1;              // total length of tokens laid out
  long long right_total_ = 1;             // total length of tokens queued
  int curr_depth_ = 0;                    // open boxes, root box included
  long long margin_ = kMargin;
  long long max_indent_ = kMaxIndent;
};

// The process-wide printer on standard output.
Printer& pp();

}  // namespace support
