// The text funnel fed with arbitrary runs (first byte even), or the
// renderer's text collection over an arbitrary content stream with a font
// and a form at hand (first byte odd); every output form is written.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "pdf/core/page_tree.h"
#include "pdf/core/pdf_document.h"
#include "pdf/core/pdf_objects.h"
#include "pdf/render/content/pdf_renderer.h"
#include "pdf/text/font_collection.h"
#include "pdf/text/extract/text_funnel.h"

namespace {

class TReader {
 public:
  TReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool More() const { return pos_ < size_; }
  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  double Number() {
    double v = 0;
    if (size_ - pos_ >= sizeof v) {
      std::memcpy(&v, data_ + pos_, sizeof v);
      pos_ += sizeof v;
    }
    return v;
  }
  // Mostly page-sized numbers, sometimes raw doubles (NaN, infinities).
  double Coordinate() {
    uint8_t kind = Byte();
    if (kind < 16) return Number();
    return (static_cast<int>(Byte()) * 256 + Byte()) / 40.0 - (kind & 1 ? 800 : 0);
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

void WriteAll(ostrel::TPDFTextFunnel& funnel) {
  std::u16string text;
  funnel.WriteList(text);
  funnel.WriteLines(text);
  funnel.LinkLines();
  funnel.WriteLayout(text);
}

void FeedRuns(TReader& in) {
  ostrel::TPDFTextFunnel funnel;
  uint8_t flags = in.Byte();
  funnel.SplitWords = flags & 1;
  funnel.WriteWidths = flags & 2;
  funnel.SortByPosition = flags & 4;
  if (flags & 8) funnel.SetArea(in.Coordinate(), in.Coordinate(), in.Coordinate(), in.Coordinate());
  funnel.BaseHeight = in.Coordinate();
  while (in.More()) {
    ostrel::TPDFTextRun run;
    for (double& m : run.Matrix) m = in.Byte() < 200 ? in.Coordinate() / 100 : 0;
    run.StartX = in.Coordinate();
    run.BaseY = in.Coordinate();
    run.Width = in.Coordinate();
    run.Height = in.Coordinate();
    run.Size = in.Coordinate();
    size_t length = in.Byte() % 8;
    for (size_t i = 0; i < length; ++i) {
      run.Text.push_back(static_cast<char16_t>(in.Byte() % 4 == 0 ? in.Byte() : 'a' + in.Byte() % 26));
      run.Widths.push_back(in.Coordinate());
    }
    run.FontName = std::string(1, static_cast<char>('A' + in.Byte() % 2));
    run.ColorText = in.Byte() % 2 ? "#000000" : "#FF0000";
    funnel.SetAllowJoin(in.Byte() % 4 != 0);
    funnel.AddRun(run);
  }
  WriteAll(funnel);
}

void CollectContent(const uint8_t* data, size_t size) {
  ostrel::TPDFDocument doc;
  doc.NewDocument();
  ostrel::TPDFStructure& pool = doc.Pool();
  auto indirect = [&](ostrel::TPDFObject* obj) {
    ostrel::TPDFIndObj* slot = doc.AddIndirect(obj);
    return pool.NewIndRef(slot->ObjectNumber, slot->Generation);
  };
  ostrel::TPDFDictionary* page = doc.PageTree().PageDictionary(1);
  if (!page) return;
  std::string content(reinterpret_cast<const char*>(data), size);
  auto* resources = ostrel::PdfCast<ostrel::TPDFDictionary>(
      pool.ParseObject("<< /Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >> >>"));
  ostrel::TPDFStream* form = pool.NewStream(content.substr(0, content.size() / 2), false);
  form->StreamDict->SetValue("Subtype", pool.ParseObject("/Form"));
  form->StreamDict->SetValue("BBox", pool.ParseObject("[0 0 612 792]"));
  auto* xobjects = pool.NewDictionary();
  xobjects->SetValue("X1", indirect(form));
  resources->SetValue("XObject", xobjects);
  page->SetValue("Resources", resources);
  page->SetValue("Contents", indirect(pool.NewStream(content, false)));

  ostrel::TPDFFontCollection fonts;
  ostrel::TPDFRenderer renderer(fonts);
  renderer.TextFunnel.SplitWords = size % 2;
  renderer.TextFunnel.CMYKColorText = 1;
  renderer.Page = page;
  renderer.CollectPageText();
  WriteAll(renderer.TextFunnel);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  if (data[0] & 1) {
    CollectContent(data + 1, size - 1);
  } else {
    TReader in(data + 1, size - 1);
    FeedRuns(in);
  }
  return 0;
}
