#pragma once
// TOstrel: the one door into the PDF library. It owns every document it
// creates or loads, keeps the selected document, image and font, converts
// caller coordinates into page points and reports failures as results plus
// LastErrorCode. All text in and out is UTF-16.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pdf/core/ostrel_errors.h"
#include "pdf/render/canvas/canvas_settings.h"
#include "pdf/text/extract/text_extraction_settings.h"

namespace ostrel {

class TPDFDocument;
struct TPageTextSource;
class TPDFFont;
class TPDFImage;
class TTextComposer;
class TPDFPainter;
class TWarningLog;

inline constexpr const char* kLibraryName = "Ostrel Library";
inline constexpr const char* kLibraryVersion = "8.13";


// Image formats of RenderPagesToFiles.
enum TRenderFormat : int { kFormatBMP = 0, kFormatJPEG = 1, kFormatPNG = 5, kFormatGIF = 6, kFormatTIFF = 7 };

// Options of ExtractPageTextFromFile. 1 and 2 both give the positioned list;
// 3 to 8 go through the text funnel.
enum TPageTextOption : int {
  kTextPlain = 0,
  kTextPositionedList = 1,
  kTextPositionedListToo = 2,
  kTextPieces = 3,             // the funnel's positioned list of text pieces
  kTextPiecesWords = 4,        // the same, words split apart
  kTextPiecesWidths = 5,       // with widths
  kTextPiecesWordsWidths = 6,  // words split apart, with widths
  kTextLayout = 7,             // the character grid: columns kept side by side
  kTextLines = 8,              // one line per block of text
};

class TOstrel {
 public:
  TOstrel();
  ~TOstrel();
  TOstrel(const TOstrel&) = delete;
  TOstrel& operator=(const TOstrel&) = delete;

  // ---- documents ----
  int LoadDocumentFile(std::u16string_view fileName, std::u16string_view password);
  int LoadDocumentStream(std::string bytes, std::u16string_view password);
  int SelectDocument(int id);
  std::u16string DocumentFileName();
  int PageCount();
  int DocumentHasFonts();
  int SetDocumentInfo(int key, std::u16string_view text);
  std::u16string DocumentInfo(int key);
  int SaveDocumentFile(std::u16string_view fileName);
  // Encryption method of the selected document ("" when not encrypted).
  std::u16string EncryptionMethod();

  // ---- pages and coordinates ----
  int SelectPage(int n);
  int SelectedPage();
  int NewPage();
  int SetPageSize(double width, double height);
  double PageWidth();
  double PageHeight();
  int SetOrigin(int origin);
  double UserToPointsX(double x);
  double UserToPointsY(double y);
  double ScaleToPoints(double v);

  // ---- text and images on pages ----
  int AddStandardFont(int number);
  int SelectFont(int id);
  int SelectedFontID();
  void EnsureFont();
  int SetTextSize(double size);
  double TextSize();
  int DrawTextAt(double x, double y, std::u16string_view text);
  // The pieces of text that DrawTextAt sets no wider than width each (caller
  // units), broken at blanks where the text has them; tabs count as they are
  // drawn. An empty text gives one empty piece.
  std::vector<std::u16string> WrapText(std::u16string_view text, double width);
  int AddImageFile(std::u16string_view fileName, int options);
  // The selected image's size in pixels as it shows upright (a photo whose
  // orientation turns it a quarter is as wide as it is stored high).
  int ImageWidth();
  int ImageHeight();
  // How many pictures the selected image's file holds (the pages of a TIFF);
  // AddImageFile with option n imports picture n.
  int ImagePageCount();
  int DrawImageAt(double left, double top, double width, double height);

  // ---- conversions straight from files ----
  int RenderPagesToFiles(int dpi, int first, int last, int format, std::u16string_view fileName);
  // The file RenderPagesToFiles writes for a page: the number replaces "%p"
  // in fileName, else goes before its extension.
  static std::u16string PageFileName(std::u16string_view fileName, int page);
  std::u16string ExtractPageTextFromFile(std::u16string_view fileName, std::u16string_view password,
                                         int page, int options);
  // The texts ExtractPageTextFromFile gives for each page of pages, read in
  // one pass over the file: the file is opened once, and the objects of
  // finished pages are let go as the pass goes on, so time grows with the
  // pages read and memory stays about one page's worth. onPage receives
  // each text in list order (an empty one for a page that failed, with
  // LastErrorCode set) and ends the pass by returning false. A page that
  // decodes to more than its budget ends the pass before it is handed on,
  // with LastErrorCode kErrDecodeBudget. 0 when the file cannot be opened
  // (LastErrorCode says why), else 1.
  int ExtractPagesTextFromFile(std::u16string_view fileName, std::u16string_view password,
                               const std::vector<int>& pages, int options,
                               const std::function<bool(int page, std::u16string text)>& onPage);
  int ExtractPagesToFile(std::u16string_view inputName, std::u16string_view password,
                         std::u16string_view outputName, std::u16string_view rangeList);
  // One file per page from one reading of the input: pages[i] goes to
  // outputNames[i], each written as ExtractPagesToFile writes it. Splitting a
  // file this way costs one parse of it, not one per page. onWritten(n)
  // follows the n-th file and ends the pass by returning false. Returns how
  // many files were written: fewer than asked, with LastErrorCode set, when
  // one failed.
  int ExtractEachPageToFile(std::u16string_view inputName, std::u16string_view password, const std::vector<int>& pages,
                            const std::vector<std::u16string>& outputNames,
                            const std::function<bool(int written)>& onWritten = {});

  // ---- recoverable damage ----
  // One line per repair made while reading files ("object 12 0: ...") since
  // the facade was made or since ClearWarnings: loading, page text, rendering
  // and copying pages all report here. Past the first 1,000 a last line
  // counts the rest. Warnings never change a result.
  const std::vector<std::string>& Warnings() const;
  // Every warning since the last ClearWarnings, including those not kept.
  size_t WarningCount() const;
  void ClearWarnings();

  // ---- object IDs ----
  int ObjectID(const void* object);
  void* ObjectByID(int id);

  int32_t LastErrorCode = 0;
  double DPIScale = 1.0;
  int JPEGQuality = 75;
  uint32_t PNGTransparentColor = 0xFFFFFF;
  bool UsePNGTransparentColor = false;
  TGDIPlusSettings CanvasSettings;
  // Called by RenderPagesToFiles after each page's file is complete; false
  // ends the run there (the call still succeeds).
  std::function<bool(int page)> OnPageWritten;
  TTextExtractionSettings TextExtractionSettings;

  TPDFDocument* SelectedDocument = nullptr;
  TPDFImage* SelectedImage = nullptr;
  TPDFFont* SelectedFont = nullptr;

 private:
  TPDFDocument* DocumentByID(int id);
  TTextComposer& ComposerOf(TPDFDocument& document);
  // Keeps the document with a painter of its own for its pages, reporting
  // its warnings here; returns it.
  TPDFDocument* Keep(std::unique_ptr<TPDFDocument> document);
  TPDFPainter& PainterOf(const TPDFDocument* document);

  // Declared before the documents, which report into it until they go.
  std::unique_ptr<TWarningLog> warnings_;
  // The page writers of documents_, by the same index; they outlive the documents.
  std::vector<std::unique_ptr<TPDFPainter>> painters_;
  std::vector<std::unique_ptr<TPDFDocument>> documents_;
  // The file read by the last ExtractPageTextFromFile, kept while the next
  // call finds the same bytes and password: a conversion asks page by page.
  std::unique_ptr<TPageTextSource> pageText_;
  std::vector<const void*> idTable_;  // objects handed out as IDs, not owned
  // The text size chosen last, restored when something outside the facade
  // (saving) resets the content writer; TextSize() reads the writer itself.
  double textSize_ = 0;
  // The text setting of each document that has had text drawn.
  std::unordered_map<const TPDFDocument*, std::unique_ptr<TTextComposer>> composers_;
};

}  // namespace ostrel
