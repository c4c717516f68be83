#pragma once
// The file ExtractPageTextFromFile read last, with the fonts of its pages:
// converting a document asks for its text page by page, and parsing the
// file and its fonts once serves every page.
#include <memory>
#include <string>

#include "pdf/core/decode_budget.h"
#include "pdf/split/page_text_source.h"
#include "pdf/text/font_collection.h"

namespace ostrel {

struct TPageTextSource {
  std::string Path;
  std::u16string Password;
  std::string Bytes;  // compared in full: time stamps are too coarse
  TSmartPDFPageSource Source;
  TPDFFontCollection Fonts;
  // Everything decoded for this file's text, over all its pages: what the
  // reader and fonts keep lives as long as this source.
  TDecodeBudget Budget{kDocumentTextDecodeBudget};
};

}  // namespace ostrel
