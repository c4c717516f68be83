#include "pdf/filters/jpeg_errors.h"

namespace ostrel {
namespace {

void ExitWithMessage(j_common_ptr cinfo) {
  auto* errors = reinterpret_cast<TJpegErrors*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, errors->Message);
  std::longjmp(errors->Escape, 1);
}

// Warnings (damaged but readable data) are still counted in num_warnings;
// only their printing is dropped.
void IgnoreOutput(j_common_ptr) {}

}  // namespace

jpeg_error_mgr* InstallJpegErrors(TJpegErrors& errors) {
  jpeg_std_error(&errors.Base);
  errors.Base.error_exit = ExitWithMessage;
  errors.Base.output_message = IgnoreOutput;
  errors.Message[0] = 0;
  return &errors.Base;
}

}  // namespace ostrel
