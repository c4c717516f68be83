#pragma once
// Direct access to the objects of a PDF file without loading it as a
// document: the cross-reference data is read once, and single objects are
// cut out of the file (or out of an object stream) when asked for.
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pdf/core/warning_log.h"
#include "pdf/split/sorted_number_list.h"
#include "pdf/core/pdf_objects.h"
#include "pdf/core/pdf_structure.h"

namespace ostrel {

// One cross-reference entry. Type 0 means "not set".
struct TSmartEntry {
  int64_t Field2 = 0;  // offset ('n'), object stream number ('c'), next free ('f')
  int32_t Field3 = 0;  // generation ('n', 'f') or index in the object stream ('c')
  char Type = 0;       // 'n', 'c', 'f'
  int16_t Update = 0;  // which revision of the file stored it
};

class TSmartPDFReader {
 public:
  enum State { kReady = 0, kNotPdf = 1, kNoCrossReference = 2 };

  // Reads the header and the cross-reference data of file, whose bytes must
  // outlive the reader.
  explicit TSmartPDFReader(std::string_view file);
  ~TSmartPDFReader();
  TSmartPDFReader(const TSmartPDFReader&) = delete;
  TSmartPDFReader& operator=(const TSmartPDFReader&) = delete;

  int ReaderState = kNoCrossReference;
  std::string Version;
  bool Encrypted = false;
  bool HasXRefStreams = false;
  bool HasCompressedObjects = false;  // some entry in use lies in an object stream

  // Highest object number with an entry; -1 when there is none.
  int32_t HighestNumber() const { return static_cast<int32_t>(entries_.size()) - 1; }
  // The entry of n, or nullptr when n has none.
  const TSmartEntry* Entry(int32_t n) const;
  // The generation an object is written with: 0 unless it is a plain object.
  int32_t Generation(int32_t n) const;

  // The text of object n after its "obj" keyword (or its text inside an
  // object stream). Valid until the next call; nothing for free, unset or
  // unreadable entries.
  std::optional<std::string_view> ReadObjectText(int32_t n);
  // Object n parsed into pool, stream data attached; nullptr when unreadable.
  TPDFObject* GetObject(int32_t n, TPDFStructure& pool);
  // Object n parsed into the reader's own pool, remembered for a while.
  TPDFObject* CachedObject(int32_t n);
  // Starts the object cache afresh (the objects stay in the pool), so that
  // one use of a long-lived reader sees nothing an earlier one did to them.
  void ForgetCachedObjects();
  // Frees every object CachedObject has handed out, so that reading a long
  // file page by page holds no more than the pages since the last release.
  // Pointers to those objects die; the cross-reference data and the
  // trailers stay.
  void ReleaseCachedObjects();
  // Bytes of object text parsed into the pool since it was last released.
  size_t CachedObjectBytes() const { return cachedObjectBytes_; }
  // Makes references in pool resolve through CachedObject, and numbers be
  // written with every fraction digit the parser keeps: copied objects must
  // not lose precision (a Type 3 /FontMatrix of 1/2048 rounded to four
  // decimals moves every glyph).
  void InstallResolver(TPDFStructure& pool);
  static constexpr int kCopiedDecimals = 9;

  // The trailers in reading order: the first one is the newest.
  const std::vector<TPDFDictionary*>& Trailers() const { return trailers_; }
  // key of the newest trailer that has it (resolved), or nullptr.
  TPDFObject* TrailerDictionary(std::string_view key);
  // key of the newest trailer that has it when it is a reference.
  TPDFIndRef* TrailerRef(std::string_view key);
  // A copy of the newest trailer made ready to be written into a new file;
  // the trailers themselves stay as read.
  TPDFDictionary* PrepareTrailer();

  // Called on an object stream before it is decoded, in encrypted files.
  std::function<void(TPDFStream* stream, int32_t number, int32_t generation)> DecryptStreamHook;
  // Called on every plain object parsed by GetObject (the page-text path
  // reads encrypted files this way).
  std::function<void(TPDFObject* value, int32_t number, int32_t generation)> DecryptObjectHook;

  // Where CachedObject parses objects.
  TPDFStructure& Pool() { return *objects_; }

  // Sends the reader's warnings to log from now on (none: drops them). The
  // warnings of opening the file go to the first log given, once: a reader
  // kept for several calls opens the file only once.
  void ReportWarningsTo(TWarningLog* log);

  // Bounds on what a file can make the reader hold.
  static constexpr int32_t kMaxObjectNumber = 8388607;
  static constexpr size_t kObjectCacheSize = 100;
  static constexpr size_t kMaxCachedStreamBytes = size_t{256} << 20;

 private:
  // A decoded object stream: its data and the number/offset pairs in front.
  struct ObjectStream {
    std::string Data;
    std::vector<int64_t> Header;  // number, offset, number, offset, ...
    int64_t First = 0;
    int64_t N = 0;
  };

  bool ReadHeader();
  bool ReadCrossReference();
  bool RebuildCrossReference();
  bool RootIsWhereSaid() const;
  void OnEntry(int64_t number, int64_t field2, char type, int64_t field3);
  void OnTrailer(const std::string& text);
  void OnSection(int64_t offset);
  void RepairNumbering();
  std::optional<std::string_view> PlainObjectText(int64_t offset) const;
  std::optional<std::string_view> CompressedObjectText(int32_t n, const TSmartEntry& entry);
  ObjectStream* LoadObjectStream(int32_t number);
  bool LocateStreamData(std::string_view text, size_t dictEnd, TPDFDictionary* dict, std::string_view& data);

  std::string_view file_;
  TWarningLog opening_;
  bool openingReported_ = false;
  TPDFStructure pool_;  // trailers and what is made from them
  std::unique_ptr<TPDFStructure> objects_;  // what CachedObject parsed
  size_t cachedObjectBytes_ = 0;
  size_t lastObjectBytes_ = 0;  // text and stream data of the last GetObject
  std::vector<TSmartEntry> entries_;
  TSortedNumberList offsets_;
  std::vector<TPDFDictionary*> trailers_;

  // Revision bookkeeping while the cross-reference chain is read.
  int16_t update_ = 0;
  int64_t pendingXRefStm_ = -1;
  bool inHybridStream_ = false;

  // The objects used most recently, the latest at the back: a page tree
  // node asked for on every page stays while each page's objects come and go.
  struct CachedEntry {
    TPDFObject* Value;
    std::list<int32_t>::iterator Place;
  };
  std::unordered_map<int32_t, CachedEntry> objectCache_;
  std::list<int32_t> cacheOrder_;
  std::unordered_map<int32_t, std::unique_ptr<ObjectStream>> streamCache_;
  std::deque<int32_t> streamOrder_;
  size_t cachedStreamBytes_ = 0;
  // Objects being parsed right now: an indirect /Length or object stream
  // that leads back to one of them is not followed.
  std::vector<int32_t> inProgress_;
};

}  // namespace ostrel
