#include "app/converter.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "app/file_names.h"
#include "app/text_lines.h"
#include "platform/file_io.h"
#include "platform/text_codec.h"

namespace drevlin {

using ostrel::TOstrel;
using ostrel::Utf16ToUtf8;
using ostrel::Utf8ToUtf16;

namespace {

std::string LoadFailureReason(int32_t code) {
  return code == ostrel::kErrWrongPassword ? "wrong password" : "not a PDF file";
}

bool IsPdfMode(int mode) { return mode == kModePdfToImages || mode == kModePdfToText || mode == kModeSplitPdf; }

}  // namespace

TConverter::TConverter(TConversionEvents& events) : events_(events) { Reset(); }

TConverter::~TConverter() = default;

void TConverter::Reset() {
  pdf_ = std::make_unique<TOstrel>();
  pdfLoaded_ = false;
}

TStepResult TConverter::Run(const TConversionRequest& request) {
  TStepResult loaded = Load(request);
  if (!loaded.Ok && request.Mode != kModeImagesToPdf) return loaded;
  TStepResult written = Write(request);
  written.Ok = written.Ok && loaded.Ok;
  written.Skipped = loaded.Skipped;
  return written;
}

TStepResult TConverter::Load(const TConversionRequest& request) {
  if (request.Mode < kModePdfToImages || request.Mode > kModeSplitPdf || request.Inputs.empty()) return {false};
  Reset();
  switch (request.Mode) {
    case kModeTextToPdf:
      return TypesetText(request);
    case kModeImagesToPdf:
      return PlaceImages(request);
    default:
      return LoadPdf(request);
  }
}

TStepResult TConverter::LoadPdf(const TConversionRequest& request) {
  inputPath_ = request.Inputs.front();
  if (pdf_->LoadDocumentFile(Utf8ToUtf16(inputPath_), Utf8ToUtf16(request.Password)) == 1) {
    pdfLoaded_ = true;
    return {};
  }
  events_.ReportFailure("cannot open " + inputPath_ + ": " + LoadFailureReason(pdf_->LastErrorCode));
  return {false};
}

TStepResult TConverter::TypesetText(const TConversionRequest& request) {
  const std::string& path = request.Inputs.front();
  auto bytes = ostrel::ReadWholeFile(path);
  if (!bytes) {
    events_.ReportFailure("cannot open " + path + ": cannot read the file");
    return {false};
  }
  TStepResult result;
  TOstrel& pdf = *pdf_;
  pdf.SetOrigin(1);
  int n = 0;
  auto newPage = [&] {
    n = 0;
    pdf.NewPage();
    pdf.SetOrigin(1);
  };
  // A form feed ends the page once more text follows, so form feeds at the
  // end of a file or in a row add no empty pages; the empty sides of a form
  // feed take no line.
  bool feedPending = false;
  for (const std::u16string& line : SplitTextLines(Utf8ToUtf16(*bytes))) {
    std::u16string_view rest = line;
    for (bool first = true;; first = false) {
      size_t feed = rest.find(u'\f');
      std::u16string_view part = rest.substr(0, feed);
      if (!part.empty() || (first && feed == std::u16string_view::npos)) {
        if (feedPending && n > 0) newPage();
        feedPending = false;
        // Long lines wrap at the right margin, as wide as the left one.
        for (const std::u16string& piece : pdf.WrapText(part, pdf.PageWidth() - 40)) {
          if (pdf.DrawTextAt(20, n * 20 + 40, piece) != 1) result.Ok = false;
          ++n;
          if (n * 20 > pdf.PageHeight() - 60) newPage();
        }
      }
      if (feed == std::u16string_view::npos) break;
      feedPending = true;
      rest = rest.substr(feed + 1);
    }
  }
  if (!result.Ok) events_.ReportFailure("cannot set the text of " + path + " on pages");
  return result;
}

TStepResult TConverter::PlaceImages(const TConversionRequest& request) {
  const std::vector<std::string>& paths = request.Inputs;
  TStepResult result;
  TOstrel& pdf = *pdf_;
  bool pageUsed = false;
  for (size_t i = 0; i < paths.size(); ++i) {
    events_.ReportProgress(static_cast<int>(i), static_cast<int>(paths.size()));
    // An unreadable image is skipped rather than repeating the previous image
    // on its page (or leaving a 0 by 0 page when it comes first).
    if (pdf.AddImageFile(Utf8ToUtf16(paths[i]), 0) == 0) {
      events_.ReportFailure("skipped " + paths[i] + ": not a readable image");
      ++result.Skipped;
      continue;
    }
    if (pageUsed) pdf.NewPage();
    double w = pdf.ImageWidth();
    double h = pdf.ImageHeight();
    pdf.SetOrigin(1);
    pdf.SetPageSize(w, h);
    pdf.DrawImageAt(0, 0, w, h);
    pageUsed = true;
  }
  events_.ReportProgress(static_cast<int>(paths.size()), static_cast<int>(paths.size()));
  if (result.Skipped > 0) result.Ok = false;
  return result;
}

std::vector<int> TConverter::SelectedPages(const TConversionRequest& request) {
  int count = pdf_->PageCount();
  std::vector<int> pages;
  if (request.Pages.empty()) {
    for (int p = 1; p <= count; ++p) pages.push_back(p);
  } else {
    for (int p : request.Pages) {
      if (p >= 1 && p <= count) pages.push_back(p);
    }
  }
  return pages;
}

TStepResult TConverter::Write(const TConversionRequest& request) {
  if (!pdf_ || request.Mode < kModePdfToImages || request.Mode > kModeSplitPdf) return {false};
  // A PDF that failed to load leaves only the facade's blank start page;
  // converting that would write outputs the user never asked for.
  if (IsPdfMode(request.Mode) && !pdfLoaded_) {
    events_.ReportFailure("nothing to convert: no PDF file is loaded");
    return {false};
  }
  switch (request.Mode) {
    case kModePdfToImages:
      return RenderImages(request);
    case kModePdfToText:
      return ExtractText(request);
    case kModeSplitPdf:
      return SplitPages(request);
    default:
      return SaveBuiltDocument(request.Output);
  }
}

// Renders pages first..last through one facade; false with the reason when
// the facade fails or raises (rendering errors reach the caller).
bool TConverter::RenderRun(TOstrel& pdf, const TConversionRequest& request, int first, int last,
                           std::string& failure) {
  try {
    if (pdf.RenderPagesToFiles(request.Dpi, first, last, request.Format.Format, Utf8ToUtf16(request.Output)) == 1)
      return true;
    failure = "cannot render " + inputPath_ + " (error " + std::to_string(pdf.LastErrorCode) + ")";
  } catch (const std::exception& error) {
    failure = error.what();
  }
  return false;
}

// Several threads, each with a facade of its own that loads the file again:
// documents are not shared between threads.
bool TConverter::RenderInParallel(const TConversionRequest& request, const std::vector<int>& pages,
                                  std::string& failure) {
  std::atomic<size_t> next{0};
  std::atomic<int> done{0};
  std::mutex failureLock;
  int count = std::min<int>(request.Jobs, static_cast<int>(pages.size()));
  std::atomic<int> running{count};
  auto work = [&] {
    struct Leaving {
      std::atomic<int>& Running;
      ~Leaving() { --Running; }
    } leaving{running};
    TOstrel pdf;
    if (pdf.LoadDocumentFile(Utf8ToUtf16(inputPath_), Utf8ToUtf16(request.Password)) != 1) {
      std::lock_guard lock(failureLock);
      failure = "cannot open " + inputPath_ + ": " + LoadFailureReason(pdf.LastErrorCode);
      return;
    }
    for (size_t i; (i = next++) < pages.size();) {
      std::string reason;
      if (!RenderRun(pdf, request, pages[i], pages[i], reason)) {
        std::lock_guard lock(failureLock);
        if (failure.empty()) failure = reason;
        next = pages.size();
        return;
      }
      ++done;
    }
  };
  std::vector<std::thread> workers;
  for (int k = 0; k < count; ++k) workers.emplace_back(work);
  // Progress is reported from this thread only; the host need not be thread-safe.
  while (running > 0) {
    events_.ReportProgress(done, static_cast<int>(pages.size()));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  for (std::thread& worker : workers) worker.join();
  events_.ReportProgress(done, static_cast<int>(pages.size()));
  return failure.empty();
}

TStepResult TConverter::RenderImages(const TConversionRequest& request) {
  std::vector<int> pages = SelectedPages(request);
  std::string failure;
  bool ok = true;
  if (request.Jobs > 1 && pages.size() > 1) {
    ok = RenderInParallel(request, pages, failure);
  } else {
    // Contiguous runs go to the facade in one call each.
    for (size_t i = 0; ok && i < pages.size();) {
      size_t j = i;
      while (j + 1 < pages.size() && pages[j + 1] == pages[j] + 1) ++j;
      events_.ReportProgress(static_cast<int>(i), static_cast<int>(pages.size()));
      ok = RenderRun(*pdf_, request, pages[i], pages[j], failure);
      i = j + 1;
    }
    if (ok) events_.ReportProgress(static_cast<int>(pages.size()), static_cast<int>(pages.size()));
  }
  if (!ok) {
    events_.ReportFailure(failure);
    return {false};
  }
  return {true, 0, static_cast<int>(pages.size())};
}

TStepResult TConverter::ExtractText(const TConversionRequest& request) {
  if (!HasText()) {
    events_.ShowMessage("No text found!");
    TStepResult result;
    result.NoText = true;
    return result;
  }
  std::u16string fileName = pdf_->DocumentFileName();
  std::u16string password = Utf8ToUtf16(request.Password);
  int option = PageTextOptionOf(request.TextLayout);
  std::string text;
  std::vector<int> pages = SelectedPages(request);
  for (size_t i = 0; i < pages.size(); ++i) {
    events_.ReportProgress(static_cast<int>(i), static_cast<int>(pages.size()));
    text += Utf16ToUtf8(pdf_->ExtractPageTextFromFile(fileName, password, pages[i], option));
    text += "\r\n";
  }
  events_.ReportProgress(static_cast<int>(pages.size()), static_cast<int>(pages.size()));
  if (!ostrel::WriteWholeFile(request.Output, text)) {
    events_.ReportFailure("cannot write " + request.Output);
    return {false};
  }
  return {true, 0, 1};
}

TStepResult TConverter::SplitPages(const TConversionRequest& request) {
  std::string base = StripExtension(request.Output);
  std::u16string input = pdf_->DocumentFileName();
  std::u16string password = Utf8ToUtf16(request.Password);
  TStepResult result;
  std::vector<int> pages = SelectedPages(request);
  for (size_t i = 0; i < pages.size(); ++i) {
    events_.ReportProgress(static_cast<int>(i), static_cast<int>(pages.size()));
    std::string target = base + std::to_string(pages[i]) + ".pdf";
    if (pdf_->ExtractPagesToFile(input, password, Utf8ToUtf16(target), Utf8ToUtf16(std::to_string(pages[i]))) != 1) {
      // Pages before this one were real and are written; the rest exist only
      // in the tree's count.
      if (pdf_->LastErrorCode == ostrel::kErrDamagedPageTree)
        events_.ReportFailure(FileNamePart(inputPath_) + ": the page tree is damaged");
      else
        events_.ReportFailure("cannot write " + target + " (error " + std::to_string(pdf_->LastErrorCode) + ")");
      result.Ok = false;
      return result;
    }
    ++result.Written;
  }
  events_.ReportProgress(static_cast<int>(pages.size()), static_cast<int>(pages.size()));
  return result;
}

TStepResult TConverter::SaveBuiltDocument(const std::string& path) {
  pdf_->SetDocumentInfo(5, Utf8ToUtf16(kProductName));
  pdf_->SetDocumentInfo(6, Utf8ToUtf16(kProductName));
  if (pdf_->SaveDocumentFile(Utf8ToUtf16(path)) != 1) {
    events_.ReportFailure("cannot write " + path);
    return {false};
  }
  return {true, 0, 1};
}

}  // namespace drevlin
