// The facade's page text, read straight from a PDF file: the call finds the
// one page and runs the content interpreter over it with the text extractor
// as its device (then adds the field values a viewer draws itself), or,
// for the layout modes, the renderer's text collection and the funnel (with
// the same field values). The parsed file is kept for the next call while
// its bytes stay the same.
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

// A field value as a run of text in its widget's rectangle: set from the
// left edge, at most 12 points high, centred across the rectangle, with
// half an em per character (the reader picks the font when it draws it).
TPDFTextRun FieldValueRun(const std::u16string& value, const std::array<double, 4>& rect) {
  constexpr double kMaxFieldSize = 12, kMinFieldSize = 1, kInset = 2;
  constexpr double kAdvance = 500, kAscent = 750, kDescent = -250;
  const double size = std::clamp(rect[3] - rect[1] - 2 * kInset, kMinFieldSize, kMaxFieldSize);
  const double baseline = (rect[1] + rect[3]) / 2 - size * (kAscent + kDescent) / 2000;
  TPDFTextRun run;
  run.Matrix = {size / 1000, 0, 0, size / 1000, rect[0] + kInset, baseline};
  run.Text = value;
  run.Widths.assign(value.size(), kAdvance);
  run.BaseY = kDescent;
  run.Width = kAdvance * static_cast<double>(value.size());
  run.Height = kAscent - kDescent;
  run.Size = size;
  run.ColorText = "#000000";
  return run;
}

// Options 3 to 6: the positioned list, words split apart (4, 6) and widths
// written (5, 6); 7 the character grid; 8 one line per block.
std::u16string FunnelText(TPDFDictionary* page, TPDFDictionary* acroForm, TPDFFontCollection& fonts, int options,
                          const TTextExtractionSettings& settings) {
  TPDFRenderer renderer(fonts);
  renderer.AcroForm = acroForm;
  TPDFTextFunnel& funnel = renderer.TextFunnel;
  funnel.SplitWords = options == kTextPiecesWords || options == kTextPiecesWordsWidths;
  funnel.WriteWidths = options == kTextPiecesWidths || options == kTextPiecesWordsWidths;
  funnel.ApplySettings(settings);
  renderer.Page = page;
  renderer.CollectPageText();
  ForEachMadeFieldText(page, acroForm, [&](const std::u16string& value, const std::array<double, 4>& rect) {
    funnel.SetAllowJoin(false);
    funnel.AddRun(FieldValueRun(value, rect));
  });
  std::u16string text;
  if (options == kTextLayout || options == kTextLines) funnel.TurnForColumns();
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

// Embedded programs give the built-in encodings of fonts whose dictionary
// names none (most TeX fonts), so their text reads right.
void PrepareFonts(TPDFFontCollection& fonts) {
  fonts.LoadFontPrograms = true;
  fonts.OnLoadFontProgram = MakeFontProgramLoader(fonts);
}

// The text of page n of an opened file, in the form options ask for.
std::u16string TextOfPage(TSmartPDFPageSource& source, TPDFFontCollection& fonts, int page, int options,
                          const TTextExtractionSettings& settings) {
  // Objects of pages done with go before the next page is read; fonts
  // loaded from them go with them and are read again when used.
  if (source.ReleaseEarlierPages()) fonts.Clear();
  // A page without content may still show its annotations.
  if (!source.LoadPage(page)) return {};
  TPDFDictionary* catalog = source.Document() ? source.Document()->Catalog() : nullptr;
  TPDFDictionary* acroForm = catalog ? catalog->Get<TPDFDictionary>("AcroForm") : nullptr;
  if (IsLayoutOption(options)) return FunnelText(source.Page, acroForm, fonts, options, settings);
  TPDFExtractor extractor(fonts, ExtractorModeOf(options));
  extractor.PageBox = VisiblePageBox(source.Page);
  TPDFRenderer renderer(fonts);
  renderer.Page = source.Page;
  renderer.AcroForm = acroForm;
  renderer.ReadPageText(extractor, source.Content, source.Resources);
  ForEachMadeFieldText(
      source.Page, acroForm,
      [&](const std::u16string& value, const std::array<double, 4>& rect) { extractor.ShowFieldValue(value, rect); });
  return extractor.Finish();
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
      PrepareFonts(fresh->Fonts);
      fresh->Source.ReportWarningsTo(warnings_.get());
      pageText_ = std::move(fresh);
    }
    TDecodeBudgetScope documentScope(pageText_->Budget);
    TDecodeBudgetScope pageScope(pageBudget);
    result = TextOfPage(pageText_->Source, pageText_->Fonts, page, options, TextExtractionSettings);
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

int TOstrel::ExtractPagesTextFromFile(std::u16string_view fileName, std::u16string_view password,
                                      const std::vector<int>& pages, int options,
                                      const std::function<bool(int page, std::u16string text)>& onPage) {
  LastErrorCode = kErrNone;
  const std::string path = Utf16ToUtf8(fileName);
  // Everything the pass decodes, and each page on its own, is bounded.
  TDecodeBudget documentBudget(kDocumentTextDecodeBudget);
  TDecodeBudgetScope documentScope(documentBudget);
  // Opened afresh at the start and after a page fails: a failure half way
  // through may leave the source in any state.
  std::unique_ptr<TSmartPDFPageSource> source;
  std::unique_ptr<TPDFFontCollection> fonts;
  const auto open = [&]() -> int32_t {
    source = std::make_unique<TSmartPDFPageSource>();
    fonts = std::make_unique<TPDFFontCollection>();
    if (int32_t status = source->Open(path, password); status != 0) return status;
    PrepareFonts(*fonts);
    source->ReportWarningsTo(warnings_.get());
    return 0;
  };
  try {
    if (int32_t status = open(); status != 0) {
      LastErrorCode = documentBudget.Exceeded ? kErrDecodeBudget : status;
      return 0;
    }
  } catch (const TDecodeBudgetExceeded&) {
    LastErrorCode = kErrDecodeBudget;
    return 0;
  } catch (...) {
    LastErrorCode = kErrCannotOpen;
    return 0;
  }
  bool damaged = false;
  for (int page : pages) {
    std::u16string text;
    TDecodeBudget pageBudget(kPageDecodeBudget);
    try {
      TDecodeBudgetScope pageScope(pageBudget);
      if (damaged) damaged = open() != 0;
      if (!damaged) text = TextOfPage(*source, *fonts, page, options, TextExtractionSettings);
    } catch (const TDecodeBudgetExceeded&) {
      pageBudget.Exceeded = true;
    } catch (...) {
      LastErrorCode = kErrCannotOpen;
      damaged = true;
    }
    // Text read past a spent budget misses what could not be decoded: the
    // pass ends there rather than hand on a page cut short.
    if (pageBudget.Exceeded || documentBudget.Exceeded) {
      LastErrorCode = kErrDecodeBudget;
      return 1;
    }
    if (!onPage(page, std::move(text))) break;
  }
  return 1;
}

}  // namespace ostrel
