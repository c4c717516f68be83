#pragma once
// Runs conversion requests on one facade. A conversion has two steps, as in
// the window: Load reads the input (or builds the new document) into a fresh
// facade, Write produces the outputs from what Load left. Run does both.
#include <memory>
#include <string>
#include <vector>

#include "app/conversion_host.h"
#include "app/conversion_request.h"
#include "pdf/facade/ostrel.h"

namespace drevlin {

inline constexpr const char* kProductName = "Drevlin PDF Converter";
inline constexpr const char* kProductVersion = "1.0";

class TConverter {
 public:
  explicit TConverter(TConversionEvents& events);
  ~TConverter();

  TStepResult Run(const TConversionRequest& request);
  // Replaces the facade with a fresh one and reads the request's inputs:
  // loads the PDF, sets the text on pages, or places the images.
  TStepResult Load(const TConversionRequest& request);
  // Writes the request's outputs from what the facade holds; the request's
  // mode may differ from Load's (saving a loaded PDF makes a copy). Refuses,
  // writing nothing, when an output is one of the request's inputs.
  TStepResult Write(const TConversionRequest& request);

  // A fresh facade holding its blank start page.
  void Reset();
  // The last Load of a PDF succeeded.
  bool PdfLoaded() const { return pdfLoaded_; }
  // The loaded document has fonts, so pdf to text can find text.
  bool HasText() { return pdf_->DocumentHasFonts() == 1; }
  ostrel::TOstrel& Pdf() { return *pdf_; }
  // Sets the product as Creator and Producer and saves what the facade holds.
  TStepResult SaveBuiltDocument(const std::string& path);

  // Warnings about damage that the last conversion read around, each line
  // once (page text and pages rendered in parallel read the file again and
  // repeat the loading warnings), and how many there were in all.
  std::vector<std::string> Warnings() const;
  size_t WarningCount() const;

  // The files a request writes, in order (text to standard output: none).
  std::vector<std::string> OutputFiles(const TConversionRequest& request);

 private:
  TStepResult LoadPdf(const TConversionRequest& request);
  TStepResult TypesetText(const TConversionRequest& request);
  TStepResult PlaceImages(const TConversionRequest& request);
  bool OutputsSpareInputs(const TConversionRequest& request, const std::vector<std::string>& outputs);
  TStepResult RenderImages(const TConversionRequest& request);
  // Why rendering stopped: the library's words and its error code.
  struct TRenderFailure {
    std::string Reason;
    int32_t Code = 0;
  };
  bool RenderRun(ostrel::TOstrel& pdf, const TConversionRequest& request, int first, int last,
                 TRenderFailure& failure);
  bool RenderInParallel(const TConversionRequest& request, const std::vector<int>& pages, TRenderFailure& failure,
                        int& written);
  TStepResult ExtractText(const TConversionRequest& request);
  // Why the input could not be opened: gone, locked or not a PDF.
  TFailureKind OpenFailureKind(const TConversionRequest& request) const;
  TStepResult SplitPages(const TConversionRequest& request);
  std::vector<int> SelectedPages(const TConversionRequest& request);
  void Fail(TFailureKind kind, const std::string& file, const std::string& detail = {});

  TConversionEvents& events_;
  std::unique_ptr<ostrel::TOstrel> pdf_;
  std::string inputPath_;   // the PDF loaded last
  std::vector<std::string> loadedInputs_;  // every file the last Load read
  bool pdfLoaded_ = false;
  std::vector<std::string> workerWarnings_;  // from the facades of parallel renders
};

}  // namespace drevlin
