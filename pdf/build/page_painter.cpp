#include "pdf/build/page_painter.h"

namespace ostrel {

void TPDFPainter::Reset() {
  Buffer.clear();
  Flush();
}

void TPDFPainter::LoadContent(std::string_view text) {
  Buffer.assign(text);
  // Appended operators must not run into the last token of the old content.
  if (!Buffer.empty() && Buffer.back() != ' ' && Buffer.back() != '\n' && Buffer.back() != '\r' &&
      Buffer.back() != '\t') {
    Buffer += ' ';
  }
}

void TPDFPainter::AppendLine(std::string_view line) {
  Buffer.append(line);
  Buffer += '\n';
  Flush();
}

void TPDFPainter::Flush() {
  if (FlushEnabled && OnFlush) OnFlush();
}

}  // namespace ostrel
