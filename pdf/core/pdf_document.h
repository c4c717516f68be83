#pragma once
// One PDF document in memory: the file image, a lazily parsed object table,
// the object pool, the trailer and the page tree; loading from bytes and
// writing a complete file with a classic cross-reference table.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/core/document_part.h"
#include "pdf/core/ostrel_lists.h"
#include "pdf/core/pdf_objects.h"
#include "pdf/core/pdf_structure.h"
#include "pdf/core/warning_log.h"

namespace ostrel {

class TPDFDocument;
class TPDFPageTree;
class TPDFSecurityHandler;
class TPDFFont;
class TPDFImage;
class TPageContentWriter;

// One indirect object: where its text lies in the file, and its value once
// parsed (and decrypted).
class TPDFIndObj {
 public:
  TPDFIndObj(TPDFDocument* document, int32_t number, int32_t generation)
      : Document(document), ObjectNumber(number), Generation(generation) {}

  // The value, parsed and decrypted on first use.
  TPDFObject* GetIndValue();
  // Appends "n g obj", LF, the value's text, "endobj", LF: the form written
  // on saving.
  void WriteText(std::string& out);
  // The object's text in the file (or made up for members of object streams).
  std::string ObjectText() const;

  TPDFDocument* const Document;
  int32_t ObjectNumber;
  int32_t Generation;
  bool IsParsed = false;
  TPDFObject* Value = nullptr;  // owned by the document's pool
  int64_t TextOffset = 0;
  int64_t TextLength = 0;
  bool IsPlain = false;  // strings and stream data are not encrypted
  bool InObjectStream = false;
  int32_t StreamNumber = 0;
  int32_t StreamIndex = 0;

 private:
  void ParseText();
};

// One accepted cross-reference entry.
struct TPDFXrefEntry {
  int32_t Number = 0;
  int32_t Generation = 0;
  int64_t Offset = 0;
  bool InUse = false;
  uint32_t StreamNumber = 0;
  uint32_t StreamIndex = 0;
  bool Compressed = false;
};

// The decoded index of an object stream, attached to its stream.
class TPDFObjectStream final : public TPDFStreamAttachment {
 public:
  std::string DecodedText;
  TPDFArray* OffsetTable = nullptr;
  int64_t FirstOffset = 0;
  int64_t ObjectCount = 0;
};

class TPDFDocument {
 public:
  TPDFDocument();
  ~TPDFDocument();
  TPDFDocument(const TPDFDocument&) = delete;
  TPDFDocument& operator=(const TPDFDocument&) = delete;

  void Reset();
  // The one-page empty document (612 x 792). Returns 1.
  int NewDocument();
  // Loads a whole file: 0 loaded, 1 password not accepted, 2 not a readable PDF.
  int LoadFromBytes(std::string fileImage, std::u16string_view password);
  // Writes through a temporary file in the same folder, renamed over the
  // target only on success.
  bool SaveToFile(const std::string& utf8Path);
  bool SaveToBytes(std::string& out);

  TPDFIndObj* FindIndObj(int32_t number);
  TPDFIndObj* AddIndirect(TPDFObject* object);
  void RemoveIndirect(int32_t number, int32_t generation);

  TPDFDictionary* Catalog();
  TPDFDictionary* PagesRoot();
  TPDFDictionary* InfoDictionary();
  void EnsureID();

  std::u16string GetInfo(std::string_view key);
  void SetInfo(std::string_view key, std::u16string_view text);
  void SetVersion(std::string_view text);

  // True when some page has a /Font dictionary in its (inherited) /Resources,
  // in a form those draw or in an annotation's appearance.
  bool AnyPageHasFonts();

  int SecurityState() const;
  bool CanDecrypt() const;
  std::string EncryptionMethodText() const;  // "" when not encrypted

  TPDFStructure& Pool() { return *pool_; }
  // Recoverable damage met while loading and reading the document: the
  // document's own log unless its owner collects the warnings of several
  // documents in one (the log must outlive the document).
  TWarningLog& Warnings() { return *pool_->Warnings; }
  void ReportWarningsTo(TWarningLog& log) { pool_->Warnings = &log; }
  void Warn(std::string text) { pool_->Warn(std::move(text)); }
  TPDFPageTree& PageTree() { return *pageTree_; }

  // The object table in writing order.
  const std::vector<std::unique_ptr<TPDFIndObj>>& IndirectObjects() const { return indirectObjects_; }

  std::string Version = "1.4";
  int Origin = 0;
  double MeasurementScale = 1.0;
  std::u16string FileName;
  bool IsLinearized = false;
  int64_t FileSize = 0;
  std::string FileImage;
  TPDFDictionary* Trailer = nullptr;
  bool OpenedWithoutPassword = false;
  int ImageCompression = 0;
  // Fonts for writing, in the order added; their objects live in the pool.
  std::vector<TDocumentPart<TPDFFont>> Fonts;
  // Images imported for writing, in import order; their objects live in the pool.
  std::vector<TDocumentPart<TPDFImage>> Images;
  int ImageImports = 0;
  // The writer of page content, owned by the caller, attached to the page
  // tree now and to every tree a later load or reset makes.
  void AttachPageWriter(TPageContentWriter* writer);

  // Cross-reference reading, open to the reader's callbacks and to tests.
  void OnXrefEntry(int64_t number, int64_t field2, char type, int64_t field3);
  void OnXrefTrailer(const std::string& text);
  void OnXrefSection(int64_t offset);
  void BuildObjectTable();
  std::vector<TPDFXrefEntry> XrefEntries;
  std::vector<int64_t> XrefSectionOffsets;

  // Highest object number accepted from a file; larger ones are ignored.
  static constexpr int64_t kMaxObjectNumber = 8388607;

 private:
  friend class TPDFIndObj;
  int LoadFromImage(std::u16string_view password);
  bool CheckHeader();
  bool ReadCrossReference();
  // Finds the objects by scanning the file when its cross-reference data
  // cannot be used; true when a root was found.
  bool RebuildCrossReference();
  void RepairNumbering();
  void ReadLinearization();
  void RebuildNumberIndex();
  void BuildPageTree(TPDFDictionary* root);
  void MakePageTree(TPDFDictionary* root);
  void ClearObjectTable();
  TPDFObject* Resolve(int32_t number);
  std::pair<int32_t, int32_t> MakeIndirect(TPDFObject* object);
  void UpdateMetadata(std::string_view key, std::string_view text);
  std::string ObjectStreamText(const TPDFIndObj& slot);
  TPDFObjectStream* AttachObjectStream(TPDFStream* stream);
  bool FindStreamData(std::string_view text, size_t dataFrom, TPDFDictionary* dict, std::string& data);
  int ReadSecurity(std::u16string_view password);
  // Writes the file into out; with drain, hands out over whenever it grows
  // past 64 KiB and once at the end (an empty out is never handed over),
  // so a large file is never held whole. False when drain fails.
  bool SaveTo(std::string& out, const std::function<bool(std::string_view)>& drain);
  // Appends the slot's text to out; false when it is left out.
  bool WriteSlotText(TPDFIndObj& slot, std::string& out);

  TWarningLog ownWarnings_;
  TPageContentWriter* pageWriter_ = nullptr;
  std::unique_ptr<TPDFStructure> pool_;
  std::unique_ptr<TPDFPageTree> pageTree_;
  std::vector<std::unique_ptr<TPDFIndObj>> indirectObjects_;
  // Slot numbers ascending with each slot's position in indirectObjects_.
  std::vector<std::pair<int32_t, size_t>> numberIndex_;
  TOSLSortedUniqueIntegerList seenNumbers_;
  int64_t maxSeenNumber_ = 0;
  std::vector<std::unique_ptr<TPDFObjectStream>> objectStreams_;
  std::unique_ptr<TPDFSecurityHandler> security_;
  int32_t encryptObjectNumber_ = 0;
  int resolveDepth_ = 0;  // nesting of references resolved while parsing
};

}  // namespace ostrel
