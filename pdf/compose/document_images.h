#pragma once
// Importing image files into a document for drawing on its pages.
#include <string_view>

namespace ostrel {

class TPDFDocument;
class TPDFImage;

// Imports an image file (JPEG, PNG, GIF, BMP or TIFF) into the document's
// pool; the image joins its Images. nullptr when the file cannot be imported.
TPDFImage* ImportImage(TPDFDocument& document, std::string_view file, int options, bool compress);

}  // namespace ostrel
