#pragma once
// Page-number access to the /Pages tree of one document: finding, caching and
// selecting pages, preparing the selected page for drawing, page sizes, new
// pages and the resources of the selected page.
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "pdf/core/page_content_writer.h"
#include "pdf/core/pdf_objects.h"
#include "pdf/core/pdf_structure.h"

namespace ostrel {

class TPDFPageTree {
 public:
  // root is the document's root /Pages dictionary or nullptr. With a root,
  // page 1 is selected. objectLimit counts the objects that exist (the page
  // count never exceeds it); without it the pool's object count is used.
  explicit TPDFPageTree(TPDFDictionary* root, std::function<int64_t()> objectLimit = {});
  ~TPDFPageTree();
  TPDFPageTree(const TPDFPageTree&) = delete;
  TPDFPageTree& operator=(const TPDFPageTree&) = delete;

  // /Count of the root, bounded by the number of objects that exist.
  int PageCount();
  // The dictionary of page n (1-based), or nullptr.
  TPDFDictionary* PageDictionary(int n);
  // Selects and prepares page n; a number out of range prepares the selected
  // page again.
  void SelectPage(int n);
  int SelectedPage() const { return selectedPage_; }
  TPDFDictionary* SelectedPageDictionary() const { return pageDict_; }
  bool PageReady() const { return pageReady_; }

  // Size of the selected page in points, from /MediaBox (inherited through
  // /Parent), or the default size which is then written to the page.
  double MediaWidth();
  double MediaHeight();
  void SetMediaWidth(double width);
  void SetMediaHeight(double height);

  // Inserts count new pages so that the first becomes page `position`
  // (1..PageCount()+1), then selects it.
  void InsertPages(int position, int count, double width, double height);

  // The /Resources dictionary of the selected page (inherited or created).
  TPDFDictionary* PageResources();
  // Enters name -> reference under the category ("Font", "XObject",
  // "ExtGState", "Pattern") of the selected page's resources.
  void RegisterResource(std::string_view category, std::string_view name, TPDFObject* reference);
  // RegisterResource of a reference to object number generation; when the
  // page already has it, as it does for every line of text after the first,
  // no new reference is made in the pool.
  void RegisterIndirectResource(std::string_view category, std::string_view name, int32_t number,
                                int32_t generation);
  void RegisterExtGState(std::string_view name, TPDFObject* object) { RegisterResource("ExtGState", name, object); }
  void RegisterPattern(std::string_view name, TPDFObject* object) { RegisterResource("Pattern", name, object); }

  // Stores the writer's buffer as the data of the last content stream.
  void FlushContent();
  // The /Kids member through which page n is reached (selection unchanged).
  TPDFObject* PageReference(int n);

  // The selected page's content streams in /Contents order (empty for a page
  // without content until something is drawn on it).
  const std::vector<TPDFStream*>& ContentStreams() const { return contentStreams_; }

  // The writer of the selected page's content, owned by the layer that
  // draws pages (none: pages are only read). It starts from the selected
  // page's own stream now and on every later selection.
  void AttachWriter(TPageContentWriter* writer);
  TPageContentWriter* Writer() const { return writer_; }

  double DefaultWidth = 612;
  double DefaultHeight = 792;

 private:
  // Where a page sits in the tree: the /Kids array holding it, its index
  // there and the node owning that array.
  struct KidSlot {
    TPDFArray* Kids = nullptr;
    size_t Index = 0;
    TPDFDictionary* Parent = nullptr;
  };
  TPDFDictionary* Locate(int n, KidSlot& slot);
  TPDFDictionary* FindByCount(TPDFArray* kids, TPDFDictionary* parent, int n, int64_t& counter,
                              int depth, std::vector<const TPDFObject*>& visited, KidSlot& slot);
  TPDFObject* MakeReference(TPDFObject* object);
  TPDFObject* NewOwnedStreamReference();
  TPDFArray* FindMediaBox() const;
  void DefaultPageSize();
  void AdjustCount(TPDFDictionary* node, int delta);
  TPDFObject* InheritedResources();
  void PrepareContent();
  void ResetWriter(std::string_view content);

  std::function<int64_t()> objectLimit_;
  TPageContentWriter* writer_ = nullptr;
  std::string startContent_;  // what a writer attached later starts from

  TPDFStructure* pool_ = nullptr;
  TPDFDictionary* root_ = nullptr;
  std::vector<TPDFDictionary*> pageCache_;
  int selectedPage_ = 0;
  TPDFDictionary* pageDict_ = nullptr;
  TPDFDictionary* lookupParent_ = nullptr;
  TPDFObject* lookupKid_ = nullptr;
  std::vector<TPDFStream*> contentStreams_;
  size_t streamsAtSelection_ = 0;
  bool pageReady_ = false;
  bool pendingContents_ = false;  // page had no /Contents; made on first drawing
  double cachedWidth_ = 0, cachedHeight_ = 0;
  bool widthKnown_ = false, heightKnown_ = false;
};

}  // namespace ostrel
