#include "app/conversion_controller.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>

#include "app/settings.h"
#include "app/text_lines.h"
#include "platform/file_io.h"
#include "platform/text_codec.h"

namespace drevlin {

using ostrel::TOstrel;
using ostrel::Utf16ToUtf8;
using ostrel::Utf8ToUtf16;

namespace {

// Save-dialog filter index (1..5) to extension and render format.
struct ImageFormat {
  const char* Extension;
  int Format;
};
constexpr ImageFormat kImageFormats[] = {
    {".bmp", ostrel::kFormatBMP}, {".jpg", ostrel::kFormatJPEG}, {".png", ostrel::kFormatPNG},
    {".gif", ostrel::kFormatGIF}, {".tiff", ostrel::kFormatTIFF},
};

std::string LoadFailureReason(int32_t code) {
  return code == ostrel::kErrWrongPassword ? "wrong password" : "not a PDF file";
}

}  // namespace

std::string FileNamePart(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DirectoryPart(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string BaseNameOf(const std::string& name) {
  size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? std::string() : name.substr(0, dot);
}

std::string StripExtension(const std::string& path) {
  size_t slash = path.find_last_of('/');
  size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
  return path.substr(0, dot);
}

std::string ReplaceExtension(const std::string& name, const std::string& extension) {
  return StripExtension(name) + extension;
}

TConversionController::TConversionController(TConversionHost& host) : host_(host) {}

void TConversionController::SetOutputDir(const std::string& folder) {
  OutputDir = folder;
  if (!OutputDir.empty() && OutputDir.back() != '/') OutputDir += '/';
}

void TConversionController::FormCreate(const std::string& executablePath) {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::absolute(executablePath, ec);
  AppDir = DirectoryPart(exe.string());
  if (OutputDir.empty()) SetOutputDir(DefaultOutputFolder(AppDir));
}

void TConversionController::FormShow() {
  NewFacade();
  convertEnabled_ = false;
}

void TConversionController::FormClose() {}

void TConversionController::NewFacade() { pdf_ = std::make_unique<TOstrel>(); }

TStepResult TConversionController::SelectInput(const std::vector<std::string>& paths) {
  if (ConvertMode < kModePdfToImages || ConvertMode > kModeSplitPdf || paths.empty()) return {false};
  InputPath = paths.front();
  InputName = FileNamePart(InputPath);
  InputBaseName = BaseNameOf(InputName);
  NewFacade();
  inputLoaded_ = false;

  TStepResult result;
  switch (ConvertMode) {
    case kModeTextToPdf:
      result = TypesetText();
      break;
    case kModeImagesToPdf:
      result = PlaceImages(paths);
      break;
    default:
      result = LoadPdfInput();
      break;
  }
  convertEnabled_ = true;
  return result;
}

TStepResult TConversionController::LoadPdfInput() {
  if (pdf_->LoadDocumentFile(Utf8ToUtf16(InputPath), Utf8ToUtf16(Password)) == 1) {
    inputLoaded_ = true;
    return {};
  }
  host_.ReportFailure("cannot open " + InputPath + ": " + LoadFailureReason(pdf_->LastErrorCode));
  return {false};
}

TStepResult TConversionController::TypesetText() {
  auto bytes = ostrel::ReadWholeFile(InputPath);
  if (!bytes) {
    host_.ReportFailure("cannot open " + InputPath + ": cannot read the file");
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
  if (!result.Ok) host_.ReportFailure("cannot set the text of " + InputPath + " on pages");
  return result;
}

TStepResult TConversionController::PlaceImages(const std::vector<std::string>& paths) {
  TStepResult result;
  TOstrel& pdf = *pdf_;
  bool pageUsed = false;
  for (size_t i = 0; i < paths.size(); ++i) {
    host_.ReportProgress(static_cast<int>(i), static_cast<int>(paths.size()));
    // An unreadable image is skipped rather than repeating the previous image
    // on its page (or leaving a 0 by 0 page when it comes first).
    if (pdf.AddImageFile(Utf8ToUtf16(paths[i]), 0) == 0) {
      host_.ReportFailure("skipped " + paths[i] + ": not a readable image");
      ++result.Skipped;
      continue;
    }
    // A file of several pictures (a multi-page TIFF) gives a page for each.
    const int pictures = pdf.ImagePageCount();
    for (int picture = 1; picture <= pictures; ++picture) {
      if (picture > 1 && pdf.AddImageFile(Utf8ToUtf16(paths[i]), picture) == 0) {
        host_.ReportFailure("skipped page " + std::to_string(picture) + " of " + paths[i] + ": not readable");
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
  host_.ReportProgress(static_cast<int>(paths.size()), static_cast<int>(paths.size()));
  if (result.Skipped > 0) result.Ok = false;
  return result;
}

std::vector<int> TConversionController::SelectedPages() {
  int count = pdf_->PageCount();
  std::vector<int> pages;
  if (Pages.empty()) {
    for (int p = 1; p <= count; ++p) pages.push_back(p);
  } else {
    for (int p : Pages) {
      if (p >= 1 && p <= count) pages.push_back(p);
    }
  }
  return pages;
}

TStepResult TConversionController::ConvertSelected() {
  if (!pdf_ || ConvertMode < kModePdfToImages || ConvertMode > kModeSplitPdf) return {false};
  bool pdfMode = ConvertMode == kModePdfToImages || ConvertMode == kModePdfToText ||
                 ConvertMode == kModeSplitPdf;
  // A PDF that failed to load leaves only the facade's blank start page;
  // converting that would write outputs the user never asked for.
  if (pdfMode && !inputLoaded_) {
    host_.ReportFailure("nothing to convert: no PDF file is loaded");
    return {false};
  }
  switch (ConvertMode) {
    case kModePdfToImages:
      return RenderImages();
    case kModePdfToText:
      return ExtractText();
    case kModeSplitPdf:
      return SplitPages();
    default: {
      TSaveRequest request{ConvertMode, OutputDir,
                           ConvertMode == kModeTextToPdf ? "pdf_from_text.pdf" : "pdf_from_images.pdf"};
      auto choice = host_.AskSave(request);
      if (!choice) return {};
      return SaveBuiltDocument(choice->Path);
    }
  }
}

// Renders pages first..last through one facade; false with the reason when
// the facade fails or raises (rendering errors reach the caller).
bool TConversionController::RenderRun(TOstrel& pdf, int first, int last, int format, const std::string& target,
                                      std::string& failure) {
  try {
    if (pdf.RenderPagesToFiles(Dpi, first, last, format, Utf8ToUtf16(target)) == 1) return true;
    failure = "cannot render " + InputPath + " (error " + std::to_string(pdf.LastErrorCode) + ")";
  } catch (const std::exception& error) {
    failure = error.what();
  }
  return false;
}

// Several threads, each with a facade of its own that loads the file again:
// documents are not shared between threads.
bool TConversionController::RenderInParallel(const std::vector<int>& pages, int format, const std::string& target,
                                             std::string& failure) {
  std::atomic<size_t> next{0};
  std::atomic<int> done{0};
  std::mutex failureLock;
  int count = std::min<int>(Jobs, static_cast<int>(pages.size()));
  std::atomic<int> running{count};
  auto work = [&] {
    struct Leaving {
      std::atomic<int>& Running;
      ~Leaving() { --Running; }
    } leaving{running};
    TOstrel pdf;
    if (pdf.LoadDocumentFile(Utf8ToUtf16(InputPath), Utf8ToUtf16(Password)) != 1) {
      std::lock_guard lock(failureLock);
      failure = "cannot open " + InputPath + ": " + LoadFailureReason(pdf.LastErrorCode);
      return;
    }
    for (size_t i; (i = next++) < pages.size();) {
      std::string reason;
      if (!RenderRun(pdf, pages[i], pages[i], format, target, reason)) {
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
    host_.ReportProgress(done, static_cast<int>(pages.size()));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  for (std::thread& worker : workers) worker.join();
  host_.ReportProgress(done, static_cast<int>(pages.size()));
  return failure.empty();
}

TStepResult TConversionController::RenderImages() {
  auto choice = host_.AskSave({kModePdfToImages, OutputDir, InputBaseName});
  if (!choice) return {};
  int index = std::clamp(choice->FilterIndex, 1, 5) - 1;
  const ImageFormat& format = kImageFormats[index];
  InputName = ReplaceExtension(FileNamePart(Utf16ToUtf8(pdf_->DocumentFileName())), format.Extension);
  std::string target = ImageOutputName.empty() ? OutputDir + InputName
                                               : ReplaceExtension(ImageOutputName, format.Extension);
  std::vector<int> pages = SelectedPages();
  std::string failure;
  bool ok = true;
  if (Jobs > 1 && pages.size() > 1) {
    ok = RenderInParallel(pages, format.Format, target, failure);
  } else {
    // Contiguous runs go to the facade in one call each.
    for (size_t i = 0; ok && i < pages.size();) {
      size_t j = i;
      while (j + 1 < pages.size() && pages[j + 1] == pages[j] + 1) ++j;
      host_.ReportProgress(static_cast<int>(i), static_cast<int>(pages.size()));
      ok = RenderRun(*pdf_, pages[i], pages[j], format.Format, target, failure);
      i = j + 1;
    }
    if (ok) host_.ReportProgress(static_cast<int>(pages.size()), static_cast<int>(pages.size()));
  }
  if (!ok) {
    host_.ReportFailure(failure);
    return {false};
  }
  return {true, 0, static_cast<int>(pages.size())};
}

TStepResult TConversionController::ExtractText() {
  if (pdf_->DocumentHasFonts() != 1) {
    host_.ShowMessage("No text found!");
    return {};
  }
  auto choice = host_.AskSave({kModePdfToText, OutputDir, InputBaseName});
  if (!choice) return {};
  std::u16string fileName = pdf_->DocumentFileName();
  std::u16string password = Utf8ToUtf16(Password);
  std::string text;
  std::vector<int> pages = SelectedPages();
  for (size_t i = 0; i < pages.size(); ++i) {
    host_.ReportProgress(static_cast<int>(i), static_cast<int>(pages.size()));
    text += Utf16ToUtf8(pdf_->ExtractPageTextFromFile(fileName, password, pages[i], TextOptions));
    text += "\r\n";
  }
  host_.ReportProgress(static_cast<int>(pages.size()), static_cast<int>(pages.size()));
  InputName = FileNamePart(choice->Path);
  std::string target = OutputDir + InputName;
  if (!ostrel::WriteWholeFile(target, text)) {
    host_.ReportFailure("cannot write " + target);
    return {false};
  }
  return {true, 0, 1};
}

TStepResult TConversionController::SplitPages() {
  auto choice = host_.AskSave({kModeSplitPdf, OutputDir, InputBaseName});
  if (!choice) return {};
  SplitBase = StripExtension(choice->Path);
  std::u16string input = pdf_->DocumentFileName();
  TStepResult result;
  std::vector<int> pages = SelectedPages();
  for (size_t i = 0; i < pages.size(); ++i) {
    host_.ReportProgress(static_cast<int>(i), static_cast<int>(pages.size()));
    std::string target = SplitBase + std::to_string(pages[i]) + ".pdf";
    if (pdf_->ExtractPagesToFile(input, u"", Utf8ToUtf16(target), Utf8ToUtf16(std::to_string(pages[i]))) != 1) {
      // Pages before this one were real and are written; the rest exist only
      // in the tree's count.
      if (pdf_->LastErrorCode == ostrel::kErrDamagedPageTree)
        host_.ReportFailure(InputName + ": the page tree is damaged");
      else
        host_.ReportFailure("cannot write " + target + " (error " + std::to_string(pdf_->LastErrorCode) + ")");
      result.Ok = false;
      return result;
    }
    ++result.Written;
  }
  host_.ReportProgress(static_cast<int>(pages.size()), static_cast<int>(pages.size()));
  return result;
}

TStepResult TConversionController::SaveBuiltDocument(const std::string& path) {
  pdf_->SetDocumentInfo(5, Utf8ToUtf16(ProductName));
  pdf_->SetDocumentInfo(6, Utf8ToUtf16(ProductName));
  if (pdf_->SaveDocumentFile(Utf8ToUtf16(path)) != 1) {
    host_.ReportFailure("cannot write " + path);
    return {false};
  }
  return {true, 0, 1};
}

}  // namespace drevlin
