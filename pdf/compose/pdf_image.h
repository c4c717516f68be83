#pragma once
// TPDFImage: an image file turned into an image resource of a document. JPEG
// and JPEG 2000 data is embedded as it is; PNG data as it is when PDF can read it, else
// decoded and recompressed; TIFF strips with the PDF filter matching their
// compression; BMP and GIF as pixel samples. Every object made becomes an
// indirect object of the document through the pool.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pdf/core/pdf_objects.h"
#include "pdf/core/pdf_structure.h"

namespace ostrel {

class Bitmap;
class TPDFTIFF;
struct TJPEG2000Header;
struct TTIFFPage;

class TPDFImage {
 public:
  enum : uint8_t { kJPEG = 1, kBitmap = 2, kTIFF = 3, kPNG = 4, kMetafile = 6, kJPEG2000 = 7 };

  // resourceName is "OstrelIm" plus a fresh name tag, made by the caller.
  TPDFImage(TPDFStructure* pool, std::string resourceName);

  // Detects the format of a whole image file and imports it. Options: for
  // TIFF the page number (below 1 the first page); for PNG how alpha is
  // handled (0 keeps it as a soft mask). False when the file cannot be imported.
  bool LoadImage(std::string_view file, int options);
  // Pixels to an image XObject. page is the TIFF page they came from, if any;
  // keepGray takes an 8-bit bitmap as grey whatever its palette; alpha, when
  // not empty, holds one opacity byte per pixel (rows top-down) and becomes
  // the image's soft mask.
  bool ImportBitmap(const Bitmap& bitmap, const TTIFFPage* page, bool keepGray, std::string_view alpha = {});

  TPDFStructure* const Pool;
  const std::string ResourceName;
  TPDFIndRef* Reference = nullptr;        // the image XObject (or the form holding strips)
  TPDFDictionary* XObjectDict = nullptr;  // its dictionary
  int32_t PixelWidth = 0;
  int32_t PixelHeight = 0;
  uint8_t Kind = 0;
  bool CompressPixels = false;
  std::string ColorSpaceName;
  bool NeedsPDF15 = false;
  int PagesInFile = 1;  // pictures the file holds: the pages of a TIFF
  // How the stored pixels are turned to show the picture upright: the EXIF
  // and TIFF orientation, 1 (as stored) to 8. 5 to 8 are quarter turns, which
  // swap the width and height of the picture shown.
  int Orientation = 1;
  // Resources the image's own content draws on (none for the formats read
  // here); the page tree registers them together with the image.
  std::vector<TPDFImage*> NestedImages;
  std::vector<std::pair<std::string, TPDFObject*>> GraphicStates;
  std::vector<std::pair<std::string, TPDFObject*>> Patterns;

 private:
  bool LoadJPEG(std::string_view file);
  bool LoadJPEG2000(std::string_view file);
  // A JPEG 2000 picture with an opacity channel, decoded: colour and soft mask.
  bool ImportJPEG2000Alpha(std::string_view file, const TJPEG2000Header& header);
  // Decoded 32-bit pixels of colour and opacity split into the colour image and its soft mask.
  bool ImportColourAndOpacity(const Bitmap& decoded, const TJPEG2000Header& header);
  bool LoadBMP(std::string_view file);
  bool LoadGIF(std::string_view file);
  bool LoadPNG(std::string_view file, int options);
  bool LoadTIFF(std::string_view file, int options);
  bool ImportTIFFPage(const TTIFFPage& page, const std::string& decoded);
  // A page whose pixels carry extra samples (alpha): decoded, split into the
  // colour image and its soft mask.
  bool ImportTIFFExtraSamples(const TPDFTIFF& tiff, int n, const TTIFFPage& page);
  // /ColorSpace, /BitsPerComponent and /Decode of a TIFF page's samples.
  void DescribeTIFFSamples(TPDFDictionary* dict, const TTIFFPage& page, TPDFStream* profile);
  bool ImportTIFFJPEG(const TTIFFPage& page);

  // A stream object made indirect; its dictionary gets /Length after the
  // entries already set.
  TPDFStream* NewIndirectStream(TPDFDictionary* dict, std::string data);
  TPDFIndRef* ReferenceTo(TPDFObject* object);
  // The image dictionary's opening entries: /Type, /Subtype, /Width, /Height.
  TPDFDictionary* NewImageDict(int64_t width, int64_t height);
  // A pass-through JPEG stream as an image XObject; nullptr when no frame
  // header is found. The size found goes to width and height.
  // space, when given, replaces the device colour space the frame implies.
  TPDFStream* NewJPEGImage(std::string data, int64_t& width, int64_t& height, bool rgbSamples,
                           TPDFObject* space = nullptr);
  void Adopt(TPDFStream* stream, int64_t width, int64_t height);
  // Opacity samples (DeviceGray, rows top-down) as a Flate-compressed image
  // that becomes dict's /SMask. False when the stream cannot be made.
  // The stream of an embedded profile of an image with this many colour
  // components; nullptr when the profile does not fit the image.
  TPDFStream* ICCProfileStream(std::string_view profile, int components);
  // [/ICCBased profile], a fresh array for each image that uses it; nullptr
  // without a profile.
  TPDFObject* ICCBasedSpace(TPDFStream* profile);
  TPDFObject* ICCSpace(std::string_view profile, int components) {
    return ICCBasedSpace(ICCProfileStream(profile, components));
  }
  // /DecodeParms of samples stored behind PNG row filters; colours 0 leaves
  // /Colors out (palette indices).
  TPDFDictionary* PNGPredictorParms(int colours, int bits, int64_t columns);
  // Samples (rows top-down) deflated, behind PNG row filters when that packs
  // smaller, and the dictionary's /Filter and /DecodeParms to read them.
  // Empty when there is not one whole row.
  std::string FlateSamples(TPDFDictionary* dict, std::string_view samples, int colours, int bits, int64_t columns);
  bool AttachSoftMask(TPDFDictionary* dict, int64_t width, int64_t height, int bits, std::string_view samples);
};

// A fresh image resource name: "OstrelIm" and a name tag.
std::string NewImageResourceName();

}  // namespace ostrel
