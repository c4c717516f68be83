#pragma once
// The page content writer: the operator text of the content stream being
// extended on the selected page. Each drawing request appends to Buffer and
// then flushes, handing the whole buffer back to the page tree.
#include <functional>
#include <string>
#include <string_view>

namespace ostrel {

class TPDFPainter {
 public:
  TPDFPainter() = default;

  // Back to the state of a fresh writer with an empty buffer, then flushes.
  void Reset();
  // Takes over the content of a stream being extended; a blank separates it
  // from what is appended next. Nothing is flushed.
  void LoadContent(std::string_view text);
  // Appends one operator line (an LF is added) and flushes.
  void AppendLine(std::string_view line);
  // The text the page tree stores as the stream's data.
  const std::string& ContentText() const { return Buffer; }

  // Calls OnFlush unless flushing is switched off.
  void Flush();

  std::string Buffer;
  int Precision = 4;          // fraction digits of written numbers
  bool FlushEnabled = true;   // off while the page tree prepares a page
  std::function<void()> OnFlush;  // the page tree's FlushContent
};

}  // namespace ostrel
