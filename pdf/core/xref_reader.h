#pragma once
// Reads the cross-reference data of a PDF file: finds "startxref", then walks
// the chain of sections (classic tables, cross-reference streams, hybrid
// files) and reports every entry, trailer and section to its owner. It never
// decides which entry wins; the document takes the first one per number.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace ostrel {

class TPDFDictionary;
class TPDFObject;

class TPDFXRefReader {
 public:
  // The bytes are the whole file; they must outlive the reader.
  explicit TPDFXRefReader(std::string_view file) : file_(file) {}

  // One entry. Types: 'n' (field2 = byte offset, field3 = generation),
  // 'c' (field2 = object stream number, field3 = index in it),
  // 'f' (field2 = next free number, field3 = generation),
  // ' ' (a stream entry of unknown type; both fields 0).
  // Numbers outside 0..2^31-1 are never reported.
  std::function<void(int64_t number, int64_t field2, char type, int64_t field3)> OnEntry;
  // The text of a trailer dictionary (for a cross-reference stream, its dictionary).
  std::function<void(const std::string& text)> OnTrailer;
  // A section is about to be read at offset; a negated offset: that section failed.
  std::function<void(int64_t offset)> OnSection;
  // A repair the reader made (a section found away from its offset).
  std::function<void(std::string text)> OnWarning;

  // Set once a table's /XRefStm section (a hybrid file) has been followed.
  bool IsHybrid = false;

  // The offset written after the last "startxref", 0 when there is none.
  int64_t FindStartXref() const;
  // Reads the section at offset and the /Prev chain behind it; true when
  // every section of the chain was read. A link back to a section already
  // read ends the chain without counting as a failure.
  bool ReadSection(int64_t offset);

  // Sections read per ReadSection call; a longer chain fails at the bound.
  static constexpr int kMaxSections = 4096;
  // /XRefStm sections followed from within /XRefStm sections.
  static constexpr int kMaxHybridDepth = 4;

 private:
  // What a section says about the sections behind it.
  struct Links {
    bool Ok = false;
    bool HasPrev = false;
    int64_t Prev = 0;
    bool HasXRefStm = false;
    int64_t XRefStm = 0;
  };
  enum class Outcome { Read, Failed, AlreadyRead };

  bool ReadChain(int64_t offset, int depth);
  Outcome ReadOneSection(int64_t offset, int depth, Links& links);
  // Classic table from just after "xref"; stream from just after " obj".
  Links ReadTable(size_t q);
  Links ReadStream(size_t q);
  // Reports one entry unless its number cannot name an object.
  void Report(int64_t number, int64_t field2, char type, int64_t field3) const;
  // /Prev (and for tables /XRefStm) of a trailer or stream dictionary.
  static Links LinksOf(const TPDFDictionary* dict, bool isTable);

  std::string_view file_;
  std::unordered_set<int64_t> visited_;  // given offsets and keyword positions read
  int sectionsRead_ = 0;
};

// A numeric object's value rounded to an integer and clamped to +-2^53, so
// sums of such values never overflow; false when obj is not a number.
bool XRefNumber(const TPDFObject* obj, int64_t& value);

}  // namespace ostrel
