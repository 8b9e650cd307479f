// Oppen's pretty-printing algorithm, laid out the way the classic Format
// library does it (same queue, scan stack and break decisions), so that the
// programs' output keeps its familiar shape.
//
// Scanning side: every token is queued with its flat length. A box opening
// or a break gets a provisional size of -right_total; when the matching
// close (or the next break) is queued, adding right_total gives the true
// size. The formatting side takes tokens from the head of the queue as soon
// as their size is known, or as soon as the pending material cannot fit on
// the line anyway (then the size counts as infinite).
#include "support/printer.h"

#include <algorithm>
#include <iostream>

namespace support {

namespace {
constexpr long long kInfinity = 1000000010;  // "does not fit", whatever the line
constexpr std::size_t kBufferLimit = 1 << 16;
}  // namespace

Printer::Printer(std::ostream* out) : out_(out) { rinit(); }

// ---- Output ------------------------------------------------------------

void Printer::output_text(std::string_view s) {
  buf_.append(s);
  if (buf_.size() >= kBufferLimit) drain_buffer(false);
}

void Printer::output_blanks(long long n) {
  if (n > 0) {
    buf_.append(static_cast<std::size_t>(n), ' ');
    if (buf_.size() >= kBufferLimit) drain_buffer(false);
  }
}

void Printer::output_newline() { output_text("\n"); }

void Printer::drain_buffer(bool flush_stream) {
  if (out_ == nullptr) {
    buf_.clear();
    return;
  }
  if (!buf_.empty()) {
    out_->write(buf_.data(), static_cast<std::streamsize>(buf_.size()));
    buf_.clear();
  }
  if (flush_stream) out_->flush();
}

// ---- Formatting side ---------------------------------------------------

// A newline, indented by `offset` relative to the box whose `width` is the
// space that was left at its opening minus its indent.
void Printer::break_new_line(int offset, long long width) {
  output_newline();
  is_new_line_ = true;
  long long indent = margin_ - width + offset;
  current_indent_ = std::min(max_indent_, indent);
  space_left_ = margin_ - current_indent_;
  output_blanks(current_indent_);
}

void Printer::break_same_line(int width) {
  space_left_ -= width;
  output_blanks(width);
}

// Used when a box would open too far right: break in the enclosing box if it
// can break and the break gains something.
void Printer::force_break_line() {
  if (format_stack_.empty()) {
    output_newline();
    return;
  }
  const FrameEntry& top = format_stack_.back();
  if (top.width > space_left_ && top.kind != BoxKind::Fits && top.kind != BoxKind::H) {
    break_new_line(0, top.width);
  }
}

void Printer::format_token(long long size, const Token& t) {
  switch (t.kind) {
    case TokKind::Text:
      space_left_ -= size;
      output_text(t.text);
      is_new_line_ = false;
      break;
    case TokKind::Begin: {
      long long insertion_point = margin_ - space_left_;
      if (insertion_point > max_indent_) force_break_line();
      long long width = space_left_ - t.offset;
      BoxKind kind = t.box;
      if (kind != BoxKind::V && size <= space_left_) kind = BoxKind::Fits;
      format_stack_.push_back({kind, width});
      break;
    }
    case TokKind::End:
      if (!format_stack_.empty()) format_stack_.pop_back();
      break;
    case TokKind::Newline:
      if (format_stack_.empty()) {
        output_newline();
      } else {
        break_new_line(0, format_stack_.back().width);
      }
      break;
    case TokKind::Break: {
      if (format_stack_.empty()) break;
      const FrameEntry top = format_stack_.back();
      switch (top.kind) {
        case BoxKind::HOV:
          if (size > space_left_) {
            break_new_line(t.offset, top.width);
          } else {
            break_same_line(t.width);
          }
          break;
        case BoxKind::B:
          // Structural box: also break when breaking here moves the text left.
          if (is_new_line_) {
            break_same_line(t.width);
          } else if (size > space_left_) {
            break_new_line(t.offset, top.width);
          } else if (current_indent_ > margin_ - top.width + t.offset) {
            break_new_line(t.offset, top.width);
          } else {
            break_same_line(t.width);
          }
          break;
        case BoxKind::HV:
        case BoxKind::V:
          break_new_line(t.offset, top.width);
          break;
        case BoxKind::Fits:
        case BoxKind::H:
          break_same_line(t.width);
          break;
      }
      break;
    }
  }
}

// Lays out every token whose size is known, or whose pending material is
// already wider than the line.
void Printer::advance_left() {
  while (!queue_.empty()) {
    Token& head = queue_.front();
    if (head.size < 0 && right_total_ - left_total_ < space_left_) return;
    long long size = head.size < 0 ? kInfinity : head.size;
    long long length = head.length;
    format_token(size, head);
    queue_.pop_front();
    ++base_;
    left_total_ += length;
  }
}

// ---- Scanning side -----------------------------------------------------

void Printer::enqueue(Token t) {
  right_total_ += t.length;
  queue_.push_back(std::move(t));
}

void Printer::enqueue_advance(Token t) {
  enqueue(std::move(t));
  advance_left();
}

void Printer::init_scan_stack() {
  scan_stack_.clear();
  scan_stack_.push_back({-1, 0, -1, false});  // obsolete from the start
}

// Fixes the size of the innermost pending break (break_like) or box opening
// (!break_like), unless the scan stack only holds laid-out material.
void Printer::set_size(bool break_like) {
  const ScanEntry top = scan_stack_.back();
  if (top.left_total < left_total_) {
    init_scan_stack();
    return;
  }
  if (top.is_break != break_like) return;
  // The token may already have been laid out as "too big": nothing to fix.
  if (top.index >= base_) queue_[top.index - base_].size = right_total_ + top.init_size;
  scan_stack_.pop_back();
}

void Printer::scan_push(bool is_break, Token t) {
  std::size_t index = base_ + queue_.size();
  long long init_size = t.size;
  enqueue(std::move(t));
  if (is_break) set_size(true);
  scan_stack_.push_back({right_total_, index, init_size, is_break});
}

void Printer::open_box_gen(int indent, BoxKind kind) {
  ++curr_depth_;
  Token t{TokKind::Begin, -right_total_, 0, 0, indent, kind, {}};
  scan_push(false, std::move(t));
}

void Printer::flush_queue(bool end_with_newline) {
  while (curr_depth_ > 1) close_box();
  // Everything pending counts as too wide; relative to left_total_ so that
  // very long output between two flushes still drains completely.
  right_total_ = std::max(right_total_, left_total_) + kInfinity;
  advance_left();
  if (end_with_newline) output_newline();
  rinit();
}

// Fresh state: empty queue, column 0, the root packing box open.
void Printer::rinit() {
  queue_.clear();
  base_ = 0;
  left_total_ = 1;
  right_total_ = 1;
  init_scan_stack();
  format_stack_.clear();
  current_indent_ = 0;
  curr_depth_ = 0;
  space_left_ = margin_;
  open_box_gen(0, BoxKind::HOV);
}

// ---- Public operations -------------------------------------------------

void Printer::open_box(int indent) { open_box_gen(indent, BoxKind::B); }
void Printer::open_hovbox(int indent) { open_box_gen(indent, BoxKind::HOV); }
void Printer::open_hbox() { open_box_gen(0, BoxKind::H); }
void Printer::open_vbox(int indent) { open_box_gen(indent, BoxKind::V); }

void Printer::close_box() {
  if (curr_depth_ <= 1) return;  // the root box stays open
  enqueue(Token{TokKind::End, 0, 0, 0, 0, BoxKind::HOV, {}});
  set_size(true);
  set_size(false);
  --curr_depth_;
}

void Printer::print_as(int width, std::string_view s) {
  Token t{TokKind::Text, width, width, 0, 0, BoxKind::HOV, std::string(s)};
  enqueue_advance(std::move(t));
}

void Printer::print_string(std::string_view s) {
  print_as(static_cast<int>(std::min<std::size_t>(s.size(), kInfinity)), s);
}

void Printer::print_int(long long n) { print_string(std::to_string(n)); }

void Printer::print_char(char c) { print_as(1, std::string_view(&c, 1)); }

void Printer::print_break(int width, int offset) {
  Token t{TokKind::Break, -right_total_, width, width, offset, BoxKind::HOV, {}};
  scan_push(true, std::move(t));
}

void Printer::force_newline() {
  enqueue_advance(Token{TokKind::Newline, 0, 0, 0, 0, BoxKind::HOV, {}});
}

void Printer::print_flush() {
  flush_queue(false);
  drain_buffer(true);
}

void Printer::print_newline() {
  flush_queue(true);
  drain_buffer(true);
}

void Printer::set_output(std::ostream* out) {
  print_flush();
  out_ = out;
}

namespace {
// Owns the standard printer; pending output is written at normal exit.
struct StdPrinter {
  Printer printer{&std::cout};
  ~StdPrinter() { printer.print_flush(); }
};
}  // namespace

Printer& pp() {
  static StdPrinter holder;
  return holder.printer;
}

}  // namespace support
