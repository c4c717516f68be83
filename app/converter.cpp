#include "app/converter.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>
#include <unordered_set>

#include "app/file_names.h"
#include "app/text_lines.h"
#include "platform/file_io.h"
#include "platform/text_codec.h"

namespace drevlin {

using ostrel::TOstrel;
using ostrel::Utf16ToUtf8;
using ostrel::Utf8ToUtf16;

namespace {

bool IsPdfMode(int mode) { return mode == kModePdfToImages || mode == kModePdfToText || mode == kModeSplitPdf; }

// The page count as a progress total, done = pages finished so far.
void Progress(TConversionEvents& events, size_t done, size_t total) {
  events.ReportProgress(static_cast<int>(done), static_cast<int>(total));
}

}  // namespace

TConverter::TConverter(TConversionEvents& events) : events_(events) { Reset(); }

TConverter::~TConverter() = default;

void TConverter::Reset() {
  pdf_ = std::make_unique<TOstrel>();
  pdfLoaded_ = false;
  loadedInputs_.clear();
  workerWarnings_.clear();
}

std::vector<std::string> TConverter::Warnings() const {
  std::vector<std::string> lines;
  std::unordered_set<std::string> seen;
  for (const auto* source : {&pdf_->Warnings(), &workerWarnings_}) {
    for (const std::string& line : *source) {
      if (seen.insert(line).second) lines.push_back(line);
    }
  }
  return lines;
}

size_t TConverter::WarningCount() const {
  // Past the facade's limit of kept lines its own count is the better figure.
  if (pdf_->WarningCount() > pdf_->Warnings().size()) return pdf_->WarningCount();
  return Warnings().size();
}

void TConverter::Fail(TFailureKind kind, const std::string& file, const std::string& detail) {
  events_.ReportFailure({kind, file, detail});
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
  loadedInputs_ = request.Inputs;
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
  Fail(OpenFailureKind(request), inputPath_);
  return {false};
}

TFailureKind TConverter::OpenFailureKind(const TConversionRequest& request) const {
  if (!ostrel::FileExists(inputPath_)) return TFailureKind::NoSuchFile;
  if (pdf_->LastErrorCode == ostrel::kErrWrongPassword)
    return request.Password.empty() ? TFailureKind::NeedsPassword : TFailureKind::WrongPassword;
  return TFailureKind::NotPdf;
}

TStepResult TConverter::TypesetText(const TConversionRequest& request) {
  const std::string& path = request.Inputs.front();
  auto bytes = ostrel::ReadWholeFile(path);
  if (!bytes) {
    Fail(ostrel::FileExists(path) ? TFailureKind::Unreadable : TFailureKind::NoSuchFile, path);
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
  // A file that is not valid UTF-8 throughout is read as Windows-1252. Lines
  // are decoded one at a time, so the whole text is never held as UTF-16.
  const bool utf8 = ostrel::IsValidUtf8(*bytes);
  for (std::string_view bytesOfLine : SplitTextLines(*bytes)) {
    const std::u16string line = utf8 ? Utf8ToUtf16(bytesOfLine) : ostrel::Cp1252ToUtf16(bytesOfLine);
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
  if (!result.Ok) Fail(TFailureKind::CannotTypeset, path);
  return result;
}

TStepResult TConverter::PlaceImages(const TConversionRequest& request) {
  const std::vector<std::string>& paths = request.Inputs;
  TStepResult result;
  TOstrel& pdf = *pdf_;
  bool pageUsed = false;
  // A cancel keeps the images placed so far; the caller decides what to do
  // with a document cut short.
  for (size_t i = 0; i < paths.size() && !events_.CancelRequested(); ++i) {
    Progress(events_, i, paths.size());
    // An unreadable image is skipped rather than repeating the previous image
    // on its page (or leaving a 0 by 0 page when it comes first).
    if (pdf.AddImageFile(Utf8ToUtf16(paths[i]), 0) == 0) {
      Fail(ostrel::FileExists(paths[i]) ? TFailureKind::NotAnImage : TFailureKind::NoSuchFile, paths[i]);
      ++result.Skipped;
      continue;
    }
    // A file of several pictures (a multi-page TIFF) gives a page for each.
    const int pictures = pdf.ImagePageCount();
    for (int picture = 1; picture <= pictures; ++picture) {
      if (picture > 1 && pdf.AddImageFile(Utf8ToUtf16(paths[i]), picture) == 0) {
        Fail(TFailureKind::NotAnImage, paths[i], "page " + std::to_string(picture));
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
  }
  Progress(events_, paths.size(), paths.size());
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

std::vector<std::string> TConverter::OutputFiles(const TConversionRequest& request) {
  std::vector<std::string> files;
  switch (request.Mode) {
    case kModePdfToImages:
      for (int page : SelectedPages(request))
        files.push_back(Utf16ToUtf8(TOstrel::PageFileName(Utf8ToUtf16(request.Output), page)));
      break;
    case kModeSplitPdf:
      for (int page : SelectedPages(request))
        files.push_back(StripExtension(request.Output) + std::to_string(page) + ".pdf");
      break;
    case kModePdfToText:
      if (request.Output != kStandardOutput) files.push_back(request.Output);
      break;
    default:
      files.push_back(request.Output);
      break;
  }
  return files;
}

// Nothing is written when any output is one of the inputs, whatever name
// it is reached by (a hard or symbolic link is the same file).
bool TConverter::OutputsSpareInputs(const TConversionRequest& request, const std::vector<std::string>& outputs) {
  std::vector<std::string> inputs = loadedInputs_;
  inputs.insert(inputs.end(), request.Inputs.begin(), request.Inputs.end());
  for (const std::string& output : outputs) {
    for (const std::string& input : inputs) {
      if (ostrel::IsSameFile(output, input)) {
        Fail(TFailureKind::OutputIsInput, output);
        return false;
      }
    }
  }
  return true;
}

TStepResult TConverter::Write(const TConversionRequest& request) {
  if (!pdf_ || request.Mode < kModePdfToImages || request.Mode > kModeSplitPdf) return {false};
  // A PDF that failed to load leaves only the facade's blank start page;
  // converting that would write outputs the user never asked for.
  if (IsPdfMode(request.Mode) && !pdfLoaded_) {
    Fail(TFailureKind::NothingLoaded, "");
    return {false};
  }
  if (!OutputsSpareInputs(request, OutputFiles(request))) return {false};
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
                           TRenderFailure& failure) {
  try {
    if (pdf.RenderPagesToFiles(request.Dpi, first, last, request.Format.Format, Utf8ToUtf16(request.Output)) == 1)
      return true;
    failure.Reason = "error " + std::to_string(pdf.LastErrorCode);
  } catch (const std::exception& error) {
    failure.Reason = error.what();
  }
  failure.Code = pdf.LastErrorCode;
  return false;
}

// Several threads, each with a facade of its own that loads the file again:
// documents are not shared between threads. Each thread takes the pages in
// blocks, and a block of consecutive pages is one facade call, so the fonts
// of a document are loaded once per block rather than once per page.
bool TConverter::RenderInParallel(const TConversionRequest& request, const std::vector<int>& pages,
                                  TRenderFailure& failure, int& written) {
  std::atomic<size_t> next{0};
  std::atomic<int> done{0};
  std::atomic<bool> cancelled{false};
  std::mutex failureLock;
  // The first failing page in page order is reported, whichever thread
  // reached its failure first, so the message is the same on every run.
  size_t failedAt = pages.size();
  int count = std::min<int>(request.Jobs, static_cast<int>(pages.size()));
  // Blocks small enough that the threads finish together, large enough that
  // font loading is shared: about four blocks per thread, at most 16 pages.
  const size_t block = std::clamp<size_t>(pages.size() / (static_cast<size_t>(count) * 4), 1, 16);
  std::atomic<int> running{count};
  auto work = [&] {
    TOstrel pdf;
    // Declared after the facade, so it runs first: the facade's warnings are
    // kept before the thread counts itself out.
    struct Leaving {
      TOstrel& Pdf;
      std::mutex& Lock;
      std::vector<std::string>& Warnings;
      std::atomic<int>& Running;
      ~Leaving() {
        {
          std::lock_guard lock(Lock);
          Warnings.insert(Warnings.end(), Pdf.Warnings().begin(), Pdf.Warnings().end());
        }
        --Running;
      }
    } leaving{pdf, failureLock, workerWarnings_, running};
    if (pdf.LoadDocumentFile(Utf8ToUtf16(inputPath_), Utf8ToUtf16(request.Password)) != 1) {
      std::lock_guard lock(failureLock);
      if (failure.Reason.empty()) failure.Reason = "cannot open the file again";
      return;
    }
    pdf.OnPageWritten = [&](int) {
      ++done;
      return !cancelled;
    };
    for (size_t start; (start = next.fetch_add(block)) < pages.size();) {
      const size_t end = std::min(start + block, pages.size());
      // The block's pages in runs of consecutive numbers, one call each.
      for (size_t i = start, j; i < end && !cancelled; i = j + 1) {
        for (j = i; j + 1 < end && pages[j + 1] == pages[j] + 1;) ++j;
        TRenderFailure reason;
        if (!RenderRun(pdf, request, pages[i], pages[j], reason)) {
          std::lock_guard lock(failureLock);
          if (i < failedAt) {
            failedAt = i;
            failure = reason;
          }
          next = pages.size();
          return;
        }
      }
    }
  };
  std::vector<std::thread> workers;
  for (int k = 0; k < count; ++k) workers.emplace_back(work);
  // Progress and the cancel question stay on this thread only; the host
  // need not be thread-safe.
  while (running > 0) {
    Progress(events_, done, pages.size());
    if (events_.CancelRequested()) {
      cancelled = true;
      next = pages.size();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  for (std::thread& worker : workers) worker.join();
  Progress(events_, done, pages.size());
  // A cancelled run wrote only some pages; a failed one reports its failure.
  written = done;
  return failure.Reason.empty();
}

TStepResult TConverter::RenderImages(const TConversionRequest& request) {
  std::vector<int> pages = SelectedPages(request);
  TRenderFailure failure;
  bool ok = true;
  int written = 0;
  if (request.Jobs > 1 && pages.size() > 1) {
    ok = RenderInParallel(request, pages, failure, written);
  } else {
    // Contiguous runs go to the facade in one call each (one font cache for
    // the run); the facade reports each page as its file is written.
    pdf_->OnPageWritten = [&](int) {
      Progress(events_, ++written, pages.size());
      return !events_.CancelRequested();
    };
    Progress(events_, 0, pages.size());
    for (size_t i = 0; ok && i < pages.size() && !events_.CancelRequested();) {
      size_t j = i;
      while (j + 1 < pages.size() && pages[j + 1] == pages[j] + 1) ++j;
      ok = RenderRun(*pdf_, request, pages[i], pages[j], failure);
      i = j + 1;
    }
    pdf_->OnPageWritten = nullptr;
  }
  if (!ok) {
    const bool tooMuch = failure.Code == ostrel::kErrDecodeBudget;
    Fail(tooMuch ? TFailureKind::TooMuchData : TFailureKind::CannotRender, inputPath_, failure.Reason);
    return {false};
  }
  return {true, 0, written};
}

TStepResult TConverter::ExtractText(const TConversionRequest& request) {
  if (!HasText()) {
    events_.ShowMessage(kNoTextFound);
    TStepResult result;
    result.NoText = true;
    return result;
  }
  std::u16string fileName = pdf_->DocumentFileName();
  std::u16string password = Utf8ToUtf16(request.Password);
  int option = PageTextOptionOf(request.TextLayout);
  std::string text;
  std::vector<int> pages = SelectedPages(request);
  size_t done = 0;
  bool cancelled = false;
  if (!pages.empty()) Progress(events_, 0, pages.size());
  const int opened = pdf_->ExtractPagesTextFromFile(fileName, password, pages, option, [&](int, std::u16string pageText) {
    // The text file is only whole at the end: a cancelled run writes none.
    if (events_.CancelRequested()) {
      cancelled = true;
      return false;
    }
    text += Utf16ToUtf8(pageText);
    text += "\r\n";
    if (++done < pages.size()) Progress(events_, done, pages.size());
    return true;
  });
  if (cancelled || events_.CancelRequested()) return {};
  // Text cut short by the decoding bound would pass for the page's text.
  if (pdf_->LastErrorCode == ostrel::kErrDecodeBudget) {
    const int page = done < pages.size() ? pages[done] : pages.empty() ? 0 : pages.back();
    Fail(TFailureKind::TooMuchData, inputPath_,
         "page " + std::to_string(page) + ", error " + std::to_string(pdf_->LastErrorCode));
    return {false};
  }
  // The pass reads the file again: one that has since gone or changed into
  // something unreadable is a failure, not a file of empty pages.
  if (opened != 1) {
    Fail(OpenFailureKind(request), inputPath_, "error " + std::to_string(pdf_->LastErrorCode));
    return {false};
  }
  // Pages that failed on their own give an empty line each.
  for (; done < pages.size(); ++done) text += "\r\n";
  Progress(events_, pages.size(), pages.size());
  if (request.Output == kStandardOutput) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
      Fail(TFailureKind::CannotWrite, "standard output");
      return {false};
    }
    return {true, 0, 1};
  }
  if (!ostrel::WriteWholeFile(request.Output, text)) {
    Fail(TFailureKind::CannotWrite, request.Output);
    return {false};
  }
  return {true, 0, 1};
}

TStepResult TConverter::SplitPages(const TConversionRequest& request) {
  std::u16string input = pdf_->DocumentFileName();
  std::u16string password = Utf8ToUtf16(request.Password);
  TStepResult result;
  const std::vector<int> pages = SelectedPages(request);
  const std::vector<std::string> targets = OutputFiles(request);
  std::vector<std::u16string> outputs;
  for (const std::string& target : targets) outputs.push_back(Utf8ToUtf16(target));
  Progress(events_, 0, pages.size());
  result.Written = pdf_->ExtractEachPageToFile(input, password, pages, outputs, [&](int written) {
    Progress(events_, written, pages.size());
    return !events_.CancelRequested();
  });
  if (result.Written < static_cast<int>(pages.size()) && !events_.CancelRequested()) {
    // Pages before this one were real and are written; the rest exist only
    // in the tree's count.
    if (pdf_->LastErrorCode == ostrel::kErrDamagedPageTree)
      Fail(TFailureKind::DamagedPageTree, inputPath_);
    else
      Fail(TFailureKind::CannotWrite, targets[result.Written], "error " + std::to_string(pdf_->LastErrorCode));
    result.Ok = false;
  }
  return result;
}

TStepResult TConverter::SaveBuiltDocument(const std::string& path) {
  pdf_->SetDocumentInfo(5, Utf8ToUtf16(kProductName));
  pdf_->SetDocumentInfo(6, Utf8ToUtf16(kProductName));
  if (pdf_->SaveDocumentFile(Utf8ToUtf16(path)) != 1) {
    Fail(TFailureKind::CannotWrite, path);
    return {false};
  }
  return {true, 0, 1};
}

}  // namespace drevlin
