#include "app/conversion_host.h"

#include <map>

namespace drevlin {

const char* FailureReason(TFailureKind kind) {
  static const std::map<TFailureKind, const char*> kReasons = {
      {TFailureKind::NoSuchFile, "no such file"},
      {TFailureKind::Unreadable, "cannot read the file"},
      {TFailureKind::NotPdf, "not a PDF file"},
      {TFailureKind::NeedsPassword, "the file is encrypted and needs its password"},
      {TFailureKind::WrongPassword, "wrong password"},
      {TFailureKind::NotAnImage, "not a readable image; left out"},
      {TFailureKind::OutputIsInput, "the output would replace an input; nothing written"},
      {TFailureKind::CannotWrite, "cannot write the file"},
      {TFailureKind::CannotRender, "cannot render the pages"},
      {TFailureKind::CannotTypeset, "cannot set the text on pages"},
      {TFailureKind::DamagedPageTree, "the page tree is damaged"},
      {TFailureKind::TooMuchData, "too much data to decode"},
      {TFailureKind::NothingLoaded, "nothing to convert: no PDF file is loaded"},
  };
  return kReasons.at(kind);
}

std::string DescribeFailure(const TFailure& failure) {
  std::string text = failure.File.empty() ? "" : failure.File + ": ";
  text += FailureReason(failure.Kind);
  if (!failure.Detail.empty()) text += " (" + failure.Detail + ")";
  return text;
}

}  // namespace drevlin
