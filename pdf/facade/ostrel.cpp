#include "pdf/facade/ostrel.h"

#include <algorithm>

#include "pdf/compose/page_painter.h"
#include "pdf/compose/pdf_image.h"
#include "pdf/compose/text_composer.h"
#include "pdf/core/page_tree.h"
#include "pdf/core/pdf_date.h"
#include "pdf/core/pdf_document.h"
#include "pdf/core/warning_log.h"
#include "pdf/facade/page_text_cache.h"
#include "pdf/filters/stream_filter_registration.h"
#include "pdf/text/pdf_font.h"
#include "platform/file_io.h"
#include "platform/text_codec.h"

namespace ostrel {
namespace {

constexpr int kIdTag = 0x58000000;
constexpr int kIdIndexMask = 0x07FFFFFF;

// Information keys 1..8 of SetDocumentInfo and DocumentInfo.
constexpr const char* kInfoKeys[] = {"Author",   "Title",    "Subject",      "Keywords",
                                     "Creator",  "Producer", "CreationDate", "ModDate"};

const std::u16string kDefaultProducer =
    Utf8ToUtf16(std::string(kLibraryName) + " " + kLibraryVersion + " (https://ostrel.dev)");

}  // namespace

TOstrel::TOstrel() : warnings_(std::make_unique<TWarningLog>()) {
  RegisterStreamFilters();
  TPDFDocument* document = Keep(std::make_unique<TPDFDocument>());
  document->NewDocument();
  document->SetInfo("Producer", kDefaultProducer);
  document->SetInfo("Creator", kDefaultProducer);
  std::u16string now = Utf8ToUtf16(FormatPDFDate());
  document->SetInfo("CreationDate", now);
  document->SetInfo("ModDate", now);
  SelectDocument(ObjectID(document));
  SelectPage(1);
}

TOstrel::~TOstrel() = default;

const std::vector<std::string>& TOstrel::Warnings() const { return warnings_->Lines(); }
size_t TOstrel::WarningCount() const { return warnings_->Count(); }
void TOstrel::ClearWarnings() { warnings_->Clear(); }

// ---- object IDs ----

int TOstrel::ObjectID(const void* object) {
  if (!object) return 0;
  auto it = std::find(idTable_.begin(), idTable_.end(), object);
  size_t index = static_cast<size_t>(it - idTable_.begin());
  if (it == idTable_.end()) idTable_.push_back(object);
  return kIdTag + static_cast<int>(index);
}

void* TOstrel::ObjectByID(int id) {
  if ((id & kIdTag) != kIdTag) return nullptr;
  size_t index = static_cast<size_t>(id & kIdIndexMask);
  return index < idTable_.size() ? const_cast<void*>(idTable_[index]) : nullptr;
}

TPDFDocument* TOstrel::Keep(std::unique_ptr<TPDFDocument> document) {
  document->ReportWarningsTo(*warnings_);
  painters_.push_back(std::make_unique<TPDFPainter>());
  document->AttachPageWriter(painters_.back().get());
  documents_.push_back(std::move(document));
  return documents_.back().get();
}

TPDFPainter& TOstrel::PainterOf(const TPDFDocument* document) {
  auto it = std::find_if(documents_.begin(), documents_.end(), [&](const auto& kept) { return kept.get() == document; });
  return *painters_[static_cast<size_t>(it - documents_.begin())];
}

TPDFDocument* TOstrel::DocumentByID(int id) {
  void* object = ObjectByID(id);
  for (const auto& document : documents_) {
    if (document.get() == object) return document.get();
  }
  return nullptr;
}

// ---- documents ----

int TOstrel::SelectDocument(int id) {
  TPDFDocument* document = DocumentByID(id);
  if (!document) return 0;
  SelectedDocument = document;
  SelectedImage = document->Images.empty() ? nullptr : document->Images.front().get();
  SelectedFont = document->Fonts.empty() ? nullptr : document->Fonts.front().get();
  return 1;
}

int TOstrel::LoadDocumentFile(std::u16string_view fileName, std::u16string_view password) {
  LastErrorCode = kErrNone;
  std::string path = Utf16ToUtf8(fileName);
  auto bytes = ReadWholeFile(path);
  if (!bytes) {
    LastErrorCode = kErrCannotOpen;
    return 0;
  }
  if (LoadDocumentStream(std::move(*bytes), password) != 1) return 0;
  SelectedDocument->FileName = std::u16string(fileName);
  return 1;
}

int TOstrel::LoadDocumentStream(std::string bytes, std::u16string_view password) {
  LastErrorCode = kErrNone;
  auto document = std::make_unique<TPDFDocument>();
  document->ReportWarningsTo(*warnings_);
  int result = document->LoadFromBytes(std::move(bytes), password);
  if (result != 0) {
    LastErrorCode = result == 1 ? kErrWrongPassword : kErrCannotOpen;
    return 0;
  }
  SelectDocument(ObjectID(Keep(std::move(document))));
  SelectPage(1);
  return 1;
}

std::u16string TOstrel::DocumentFileName() { return SelectedDocument->FileName; }

int TOstrel::PageCount() { return SelectedDocument->PageTree().PageCount(); }

int TOstrel::DocumentHasFonts() { return SelectedDocument->AnyPageHasFonts() ? 1 : 0; }

std::u16string TOstrel::EncryptionMethod() { return Utf8ToUtf16(SelectedDocument->EncryptionMethodText()); }

int TOstrel::SetDocumentInfo(int key, std::u16string_view text) {
  LastErrorCode = kErrNone;
  if (key < 0 || key > 6) {
    LastErrorCode = kErrBadInfoKey;
    return 0;
  }
  if (key == 0) {
    static constexpr std::u16string_view kVersions[] = {u"1.0", u"1.1", u"1.2", u"1.3",
                                                        u"1.4", u"1.5", u"1.6", u"1.7"};
    if (std::find(std::begin(kVersions), std::end(kVersions), text) != std::end(kVersions)) {
      SelectedDocument->SetVersion(Utf16ToUtf8(text));
    }
  } else {
    SelectedDocument->SetInfo(kInfoKeys[key - 1], text);
  }
  return DocumentInfo(key) == text ? 1 : 0;
}

std::u16string TOstrel::DocumentInfo(int key) {
  if (key == 0) return Utf8ToUtf16(SelectedDocument->Version);
  if (key >= 1 && key <= 8) return SelectedDocument->GetInfo(kInfoKeys[key - 1]);
  return {};
}

int TOstrel::SaveDocumentFile(std::u16string_view fileName) {
  LastErrorCode = kErrNone;
  SelectedDocument->SetInfo("ModDate", Utf8ToUtf16(FormatPDFDate()));
  if (auto composer = composers_.find(SelectedDocument); composer != composers_.end()) composer->second->Finish();
  return SelectedDocument->SaveToFile(Utf16ToUtf8(fileName)) ? 1 : 0;
}

// ---- pages and coordinates ----

int TOstrel::SelectPage(int n) {
  double size = TextSize();
  TPDFPageTree& tree = SelectedDocument->PageTree();
  tree.SelectPage(n);
  SelectFont(SelectedFontID());
  if (size > 0) SetTextSize(size);
  return tree.SelectedPage() == n ? 1 : 0;
}

int TOstrel::SelectedPage() { return SelectedDocument->PageTree().SelectedPage(); }

int TOstrel::NewPage() {
  TPDFPageTree& tree = SelectedDocument->PageTree();
  int count = PageCount();
  tree.InsertPages(count + 1, 1, tree.MediaWidth(), tree.MediaHeight());
  SelectFont(SelectedFontID());
  return PageCount() == count + 1 ? count + 1 : 0;
}

int TOstrel::SetPageSize(double width, double height) {
  TPDFPageTree& tree = SelectedDocument->PageTree();
  double oldWidth = tree.MediaWidth();
  double oldHeight = tree.MediaHeight();
  double w = ScaleToPoints(width);
  double h = ScaleToPoints(height);
  tree.SetMediaWidth(w);
  tree.SetMediaHeight(h);
  if (tree.MediaWidth() != w || tree.MediaHeight() != h) {
    tree.SetMediaWidth(oldWidth);
    tree.SetMediaHeight(oldHeight);
    return 0;
  }
  return 1;
}

double TOstrel::PageWidth() {
  return SelectedDocument->PageTree().MediaWidth() * SelectedDocument->MeasurementScale;
}

double TOstrel::PageHeight() {
  return SelectedDocument->PageTree().MediaHeight() * SelectedDocument->MeasurementScale;
}

int TOstrel::SetOrigin(int origin) {
  SelectedDocument->Origin = origin < 0 || origin > 3 ? 0 : origin;
  return 1;
}

double TOstrel::ScaleToPoints(double v) { return v / SelectedDocument->MeasurementScale; }

double TOstrel::UserToPointsX(double x) {
  double points = ScaleToPoints(x);
  int origin = SelectedDocument->Origin;
  return origin == 2 || origin == 3 ? SelectedDocument->PageTree().MediaWidth() - points : points;
}

double TOstrel::UserToPointsY(double y) {
  double points = ScaleToPoints(y);
  int origin = SelectedDocument->Origin;
  return origin == 1 || origin == 2 ? SelectedDocument->PageTree().MediaHeight() - points : points;
}

}  // namespace ostrel
