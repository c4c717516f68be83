// A program of someone else's that uses the installed library: it opens a
// PDF, renders page 1 to PNG and prints that page's text.
#include <cstdio>
#include <string>

#include <pdf/facade/ostrel.h>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  std::string in = argv[1], out = argv[2];
  std::u16string pdf(in.begin(), in.end()), png(out.begin(), out.end());
  ostrel::TOstrel library;
  if (!library.LoadDocumentFile(pdf, u"")) return 1;
  if (!library.RenderPagesToFiles(72, 1, 1, ostrel::kFormatPNG, png)) return 1;
  std::u16string text = library.ExtractPageTextFromFile(pdf, u"", 1, 0);
  for (char16_t c : text) std::putchar(c < 128 ? char(c) : '?');
  std::printf("\npages: %d\n", library.PageCount());
  return 0;
}
