#pragma once
// What the page lookup needs to know about the page tree of a file read by
// direct access, remembered per node: the kind and page count of each kid
// and the running page count along the /Kids array. Finding page n is then
// a binary search per tree level instead of reading every kid before it, so
// splitting an N-page file page by page no longer reads N*N/2 page objects.
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "pdf/core/pdf_structure.h"

namespace ostrel {

class TPDFArray;
class TPDFDictionary;
class TPDFObject;
class TSmartPDFReader;

class TSmartPageIndex {
 public:
  enum class Kind : uint8_t { Other, Pages, Page };

  struct Kid {
    int32_t Number = 0;  // 0 when the member is no reference
    int32_t Generation = 0;
    Kind NodeKind = Kind::Other;
    int64_t Count = 0;  // pages below a Pages node, 1 for a page, else 0
  };

  // A page tree node. Its kids are summarized lazily, only as far as a
  // lookup has needed, so a single early page costs no more than before.
  class Node {
   public:
    // The first kid at which the running page count reaches target (>= 1),
    // and the count before it; nullptr when the kids hold fewer pages.
    const Kid* KidReaching(int64_t target, int64_t& countBefore);
    // False when the node has no /Kids array.
    bool HasKids() const { return kids_ != nullptr; }
    const TPDFArray* Kids() const { return kids_; }

   private:
    friend class TSmartPageIndex;
    TSmartPageIndex* index_ = nullptr;
    const TPDFArray* kids_ = nullptr;  // lives in the index's pool (or the caller's)
    std::vector<Kid> summarized_;
    std::vector<int64_t> running_;  // running_[i]: pages in kids 0..i
  };

  explicit TSmartPageIndex(TSmartPDFReader& reader);

  // The node held by object number, summarized once per index.
  Node* NodeFor(int32_t number);
  // A node for a dictionary that is no object of its own (a direct root);
  // the caller keeps it, and the dictionary must outlive it.
  Node NodeOf(const TPDFDictionary* dict);

  // Some writers leave out /Type in the page tree; a node with /Kids is then
  // taken for an inner node and any other dictionary for a page.
  static Kind KindOf(const TPDFDictionary* dict);
  // A /Count as a page count: never negative, never beyond 32 bits, so sums
  // over a /Kids array cannot overflow.
  static int64_t NodeCount(const TPDFDictionary* node);

 private:
  Kid Summarize(const TPDFObject* member);
  const TPDFArray* KidsOf(const TPDFDictionary* dict);

  TSmartPDFReader& reader_;
  // The inner nodes, parsed apart from the reader's cache: reading pages
  // may release that cache, and the index outlives every page.
  TPDFStructure pool_;
  std::unordered_map<int32_t, std::unique_ptr<Node>> nodes_;
};

}  // namespace ostrel
