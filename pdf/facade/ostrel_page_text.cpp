// The facade's page text, read straight from a PDF file: the call finds the
// one page and runs the content interpreter over it with the text extractor
// as its device (then adds the values of fields without appearance), or,
// for the layout modes, the renderer's text collection and the funnel. The parsed file is
// kept for the next call while its bytes stay the same.
#include "pdf/facade/ostrel.h"

#include <algorithm>
#include <array>
#include <optional>

#include "pdf/core/decode_budget.h"
#include "pdf/core/pdf_objects.h"
#include "pdf/core/warning_log.h"
#include "pdf/facade/page_text_cache.h"
#include "pdf/render/glyphs/font_program_loader.h"
#include "pdf/render/content/pdf_renderer.h"
#include "pdf/render/content/render_lookup.h"
#include "pdf/text/font_collection.h"
#include "pdf/text/extract/field_values.h"
#include "pdf/text/extract/text_extractor.h"
#include "platform/file_io.h"
#include "platform/text_codec.h"

namespace ostrel {
namespace {

// Options 1 and 2 both ask for the positioned list; 3 to 8 are the layout
// modes of the text funnel.
int ExtractorModeOf(int options) { return options == kTextPositionedList ? TPDFExtractor::kPositionedList : options; }
bool IsLayoutOption(int options) { return options >= kTextPieces && options <= kTextLines; }

// Options 3 to 6: the positioned list, words split apart (4, 6) and widths
// written (5, 6); 7 the character grid; 8 one line per block.
std::u16string FunnelText(TPDFDictionary* page, TPDFFontCollection& fonts, int options,
                          const TTextExtractionSettings& settings) {
  TPDFRenderer renderer(fonts);
  TPDFTextFunnel& funnel = renderer.TextFunnel;
  funnel.SplitWords = options == kTextPiecesWords || options == kTextPiecesWordsWidths;
  funnel.WriteWidths = options == kTextPiecesWidths || options == kTextPiecesWordsWidths;
  funnel.ApplySettings(settings);
  renderer.Page = page;
  renderer.CollectPageText();
  std::u16string text;
  if (options == kTextLayout) {
    funnel.LinkLines();
    funnel.WriteLayout(text);
  } else if (options == kTextLines) {
    funnel.WriteLines(text);
  } else {
    funnel.WriteList(text);
  }
  return text;
}

// The part of the page a viewer shows: the crop box, else the media box;
// none when neither is four numbers enclosing an area.
std::optional<std::array<double, 4>> VisiblePageBox(TPDFDictionary* page) {
  for (std::string_view key : {"CropBox", "MediaBox"}) {
    TPDFObject* value = page ? InheritedEntry(page, key) : nullptr;
    if (!value) continue;
    double v[4];
    if (!ReadNumbers(PdfCast<TPDFArray>(value), v, 4)) return std::nullopt;
    std::array<double, 4> box{std::min(v[0], v[2]), std::min(v[1], v[3]), std::max(v[0], v[2]), std::max(v[1], v[3])};
    if (box[2] <= box[0] || box[3] <= box[1]) return std::nullopt;
    return box;
  }
  return std::nullopt;
}

}  // namespace

std::u16string TOstrel::ExtractPageTextFromFile(std::u16string_view fileName, std::u16string_view password,
                                                int page, int options) {
  LastErrorCode = kErrNone;
  std::u16string result;
  TDecodeBudget pageBudget(kPageDecodeBudget);
  try {
    std::string path = Utf16ToUtf8(fileName);
    std::optional<std::string> bytes = ReadWholeFile(path);
    if (!bytes) {
      LastErrorCode = kErrCannotOpen;
      return {};
    }
    if (!pageText_ || pageText_->Path != path || pageText_->Password != password || pageText_->Bytes != *bytes) {
      pageText_.reset();
      auto fresh = std::make_unique<TPageTextSource>();
      fresh->Path = path;
      fresh->Password = std::u16string(password);
      fresh->Bytes = *bytes;
      TDecodeBudgetScope documentScope(fresh->Budget);
      if (int32_t status = fresh->Source.OpenBytes(std::move(*bytes), password); status != 0) {
        LastErrorCode = fresh->Budget.Exceeded ? kErrDecodeBudget : status;
        return {};
      }
      // Embedded programs give the built-in encodings of fonts whose
      // dictionary names none (most TeX fonts), so their text reads right.
      fresh->Fonts.LoadFontPrograms = true;
      fresh->Fonts.OnLoadFontProgram = MakeFontProgramLoader(fresh->Fonts);
      fresh->Source.ReportWarningsTo(warnings_.get());
      pageText_ = std::move(fresh);
    }
    TDecodeBudgetScope documentScope(pageText_->Budget);
    TDecodeBudgetScope pageScope(pageBudget);
    result = PageText(page, options);
    // Text read past a spent budget misses what could not be decoded.
    if (pageBudget.Exceeded || pageText_->Budget.Exceeded) {
      LastErrorCode = kErrDecodeBudget;
      result.clear();
    }
  } catch (const TDecodeBudgetExceeded&) {
    LastErrorCode = kErrDecodeBudget;
    result.clear();
  } catch (...) {
    // A failure half way through may leave the kept file in any state.
    pageText_.reset();
    LastErrorCode = kErrCannotOpen;
  }
  return result;
}

std::u16string TOstrel::PageText(int page, int options) {
  TSmartPDFPageSource& source = pageText_->Source;
  // A page without content may still show its annotations.
  if (!source.LoadPage(page)) return {};
  TPDFFontCollection& fonts = pageText_->Fonts;
  if (IsLayoutOption(options)) return FunnelText(source.Page, fonts, options, TextExtractionSettings);
  TPDFExtractor extractor(fonts, ExtractorModeOf(options));
  extractor.PageBox = VisiblePageBox(source.Page);
  TPDFRenderer renderer(fonts);
  renderer.Page = source.Page;
  renderer.ReadPageText(extractor, source.Content, source.Resources);
  TPDFDictionary* catalog = source.Document() ? source.Document()->Catalog() : nullptr;
  ForEachFieldValueWithoutAppearance(
      source.Page, catalog ? catalog->Get<TPDFDictionary>("AcroForm") : nullptr,
      [&](const std::u16string& value, const std::array<double, 4>& rect) { extractor.ShowFieldValue(value, rect); });
  return extractor.Finish();
}

}  // namespace ostrel
