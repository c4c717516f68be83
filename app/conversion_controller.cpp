#include "app/conversion_controller.h"

#include <filesystem>

#include "app/settings.h"
#include "platform/text_codec.h"

namespace drevlin {

using ostrel::Utf16ToUtf8;

TConversionController::TConversionController(TConversionHost& host) : host_(host), converter_(host) {}

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
  converter_.Reset();
  convertEnabled_ = false;
}

void TConversionController::FormClose() {}

TConversionRequest TConversionController::Request() const {
  TConversionRequest request;
  request.Mode = static_cast<TConvertMode>(ConvertMode);
  request.Inputs = inputs_;
  return request;
}

TStepResult TConversionController::SelectInput(const std::vector<std::string>& paths) {
  std::optional<TConversionRequest> request = SelectRequest(paths);
  if (!request) return {false};
  TStepResult result = converter_.Load(*request);
  FinishSelect(true);
  return result;
}

std::optional<TConversionRequest> TConversionController::SelectRequest(const std::vector<std::string>& paths) {
  if (ConvertMode < kModePdfToImages || ConvertMode > kModeSplitPdf || paths.empty()) return std::nullopt;
  InputPath = paths.front();
  InputName = FileNamePart(InputPath);
  InputBaseName = BaseNameOf(InputName);
  inputs_ = paths;
  return Request();
}

void TConversionController::FinishSelect(bool completed) {
  if (!completed) converter_.Reset();
  convertEnabled_ = completed;
}

TStepResult TConversionController::ConvertSelected() {
  if (ConvertMode < kModePdfToImages || ConvertMode > kModeSplitPdf) return {false};
  std::optional<TConversionRequest> request = ConvertRequest();
  if (!request) return {};
  return converter_.Write(*request);
}

// Asks the mode's save dialog and names the output from the answer as the
// window always has.
std::optional<TConversionRequest> TConversionController::ConvertRequest() {
  if (ConvertMode < kModePdfToImages || ConvertMode > kModeSplitPdf) return std::nullopt;
  TConversionRequest request = Request();
  bool pdfMode = ConvertMode == kModePdfToImages || ConvertMode == kModePdfToText || ConvertMode == kModeSplitPdf;
  // Writing reports these two cases itself, without a dialog: nothing is
  // loaded, or pdf to text finds no text.
  if (pdfMode && !converter_.PdfLoaded()) return request;
  if (ConvertMode == kModePdfToText && !converter_.HasText()) return request;

  std::string initialName = ConvertMode == kModeTextToPdf     ? "pdf_from_text.pdf"
                            : ConvertMode == kModeImagesToPdf ? "pdf_from_images.pdf"
                                                              : InputBaseName;
  auto choice = host_.AskSave({ConvertMode, OutputDir, initialName});
  if (!choice) return std::nullopt;
  switch (ConvertMode) {
    case kModePdfToImages:
      // Only the chosen type counts; the pages are named after the document.
      request.Format = ImageFormatOfFilter(choice->FilterIndex);
      InputName = ReplaceExtension(FileNamePart(Utf16ToUtf8(Pdf().DocumentFileName())), request.Format.Extension);
      request.Output = OutputDir + InputName;
      break;
    case kModePdfToText:
      // The name typed counts, the folder of the dialog does not.
      InputName = FileNamePart(choice->Path);
      request.Output = OutputDir + InputName;
      break;
    case kModeSplitPdf:
      SplitBase = StripExtension(choice->Path);
      request.Output = choice->Path;
      break;
    default:
      request.Output = choice->Path;
      break;
  }
  return request;
}

}  // namespace drevlin
