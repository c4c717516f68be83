#include "pdf/core/page_tree.h"

#include <gtest/gtest.h>

#include "pdf/compose/page_painter.h"

namespace ostrel {
namespace {

// A pool with a minimal object table, so trees can be built without a file.
struct PageTreeTest : ::testing::Test {
  TPDFStructure pool;
  std::vector<TPDFObject*> objects{nullptr};  // index = object number

  PageTreeTest() {
    pool.OnResolve = [this](int32_t n, int32_t) -> TPDFObject* {
      return n > 0 && static_cast<size_t>(n) < objects.size() ? objects[n] : nullptr;
    };
    pool.OnMakeIndirect = [this](TPDFObject* obj) {
      objects.push_back(obj);
      int32_t n = static_cast<int32_t>(objects.size() - 1);
      obj->MarkIndirect(n, 0);
      return std::pair<int32_t, int32_t>{n, 0};
    };
  }
  TPDFIndRef* Ref(TPDFObject* obj) {
    if (obj->ObjectNumber == 0) pool.OnMakeIndirect(obj);
    return pool.NewIndRef(obj->ObjectNumber, 0);
  }
  TPDFDictionary* Node(TPDFDictionary* parent) {
    auto* node = pool.NewDictionary();
    node->SetValue("Type", pool.NewName("Pages"));
    node->SetValue("Count", pool.NewNumeric(0));
    node->SetValue("Kids", pool.NewArray());
    Ref(node);
    if (parent) Attach(parent, node);
    return node;
  }
  TPDFDictionary* Page(TPDFDictionary* parent) {
    auto* page = pool.NewDictionary();
    page->SetValue("Type", pool.NewName("Page"));
    Attach(parent, page);
    return page;
  }
  // Adds kid to parent's /Kids and counts it in every ancestor.
  void Attach(TPDFDictionary* parent, TPDFDictionary* kid) {
    parent->Get<TPDFArray>("Kids")->Add(Ref(kid));
    kid->SetValue("Parent", Ref(parent));
    int added = kid->TypeName() == "Page" ? 1 : kid->GetInteger("Count", 0);
    for (auto* n = parent; n; n = n->Get<TPDFDictionary>("Parent")) {
      n->Get<TPDFNumeric>("Count")->Value += added;
    }
  }
  static std::string Text(const TPDFObject* obj) { return obj ? obj->ToText() : "(none)"; }
};

TEST_F(PageTreeTest, FindsPagesInFlatAndNestedTrees) {
  auto* root = Node(nullptr);
  auto* a = Node(root);
  auto* b = Node(root);
  TPDFDictionary* pages[4] = {Page(a), Page(a), Page(b), Page(b)};
  TPDFPageTree tree(root);
  EXPECT_EQ(tree.PageCount(), 4);
  for (int n = 1; n <= 4; ++n) EXPECT_EQ(tree.PageDictionary(n), pages[n - 1]) << n;
  EXPECT_EQ(tree.PageDictionary(0), nullptr);
  EXPECT_EQ(tree.PageDictionary(5), nullptr);
  auto* ref = PdfCast<TPDFIndRef>(tree.PageReference(3));
  ASSERT_NE(ref, nullptr);
  EXPECT_EQ(ref->RefNumber, pages[2]->ObjectNumber);
  EXPECT_EQ(tree.SelectedPage(), 1);

  auto* flat = Node(nullptr);
  TPDFDictionary* flatPages[3] = {Page(flat), Page(flat), Page(flat)};
  TPDFPageTree flatTree(flat);
  EXPECT_EQ(flatTree.PageDictionary(2), flatPages[1]);
  EXPECT_EQ(flatTree.PageDictionary(3), flatPages[2]);
}

TEST_F(PageTreeTest, LoopsAndAbsurdCountsEndTheWalk) {
  auto* root = Node(nullptr);
  auto* inner = Node(root);
  Page(inner);
  // inner lists itself and the root among its kids, claiming a huge count.
  inner->Get<TPDFArray>("Kids")->Add(Ref(inner));
  inner->Get<TPDFArray>("Kids")->Add(Ref(root));
  inner->SetValue("Count", pool.NewNumeric(2e9));
  root->SetValue("Count", pool.NewNumeric(2147483647));
  TPDFPageTree tree(root);
  // Bounded by the objects that exist, not by /Count.
  EXPECT_LE(tree.PageCount(), static_cast<int>(pool.Count()));
  EXPECT_NE(tree.PageDictionary(1), nullptr);
  EXPECT_EQ(tree.PageDictionary(5), nullptr);

  // A /Parent chain that loops still ends the media box search.
  auto* page = tree.PageDictionary(1);
  inner->SetValue("Parent", Ref(inner));
  tree.SelectPage(1);
  EXPECT_EQ(tree.MediaWidth(), 612);
  ASSERT_NE(page->Get<TPDFArray>("MediaBox"), nullptr);
  EXPECT_NE(tree.PageResources(), nullptr);
  tree.InsertPages(2, 1, 100, 100);  // count adjustment climbs the loop once
}

TEST_F(PageTreeTest, SelectionPreparesOwnedContentStream) {
  auto* root = Node(nullptr);
  auto* page = Page(root);
  auto* theirs = pool.NewStream("BT ET", false);
  page->SetValue("Contents", Ref(theirs));
  TPDFPageTree tree(root);
  TPDFPainter painter;
  tree.AttachWriter(&painter);
  ASSERT_TRUE(tree.PageReady());
  auto* contents = page->Get<TPDFArray>("Contents");
  ASSERT_NE(contents, nullptr);
  ASSERT_EQ(contents->Count(), 2u);
  EXPECT_EQ(Text(contents->Item(0)), Text(Ref(theirs)));
  auto* owned = PdfCast<TPDFStream>(contents->ItemResolved(1));
  ASSERT_NE(owned, nullptr);
  EXPECT_EQ(Text(owned->StreamDict->GetValue("LC")), "/iSKW");

  painter.AppendLine("1 0 0 1 0 0 cm");
  EXPECT_EQ(owned->RawData, "1 0 0 1 0 0 cm\n");
  EXPECT_EQ(theirs->RawData, "BT ET");

  // Selecting again (out of range keeps the page) continues the same stream.
  tree.SelectPage(0);
  tree.SelectPage(7);
  EXPECT_EQ(tree.SelectedPage(), 1);
  EXPECT_EQ(contents->Count(), 2u);
  painter.AppendLine("q");
  EXPECT_EQ(owned->RawData, "1 0 0 1 0 0 cm\nq\n");
}

TEST_F(PageTreeTest, PageWithoutContentGetsItsStreamOnFirstDrawing) {
  auto* root = Node(nullptr);
  auto* page = Page(root);
  size_t before = objects.size();
  TPDFPageTree tree(root);
  TPDFPainter painter;
  tree.AttachWriter(&painter);
  EXPECT_EQ(page->GetValue("Contents"), nullptr);
  EXPECT_EQ(objects.size(), before);
  painter.AppendLine("BT ET");
  auto* contents = page->Get<TPDFArray>("Contents");
  ASSERT_NE(contents, nullptr);
  auto* owned = PdfCast<TPDFStream>(contents->ItemResolved(0));
  ASSERT_NE(owned, nullptr);
  EXPECT_EQ(owned->RawData, "BT ET\n");
  EXPECT_EQ(Text(owned->StreamDict->GetValue("LC")), "/iSKW");
}

TEST_F(PageTreeTest, OwnedStreamsThatCannotBeExtendedAreLeftAlone) {
  auto* root = Node(nullptr);
  auto* undecodable = Page(root);
  auto* big = Page(root);
  auto* notStream = Page(root);
  auto* jpeg = pool.NewStreamWith(pool.NewDictionary(), "\xFF\xD8 not content");
  jpeg->StreamDict->SetValue("LC", pool.NewName("iSKW"));
  jpeg->StreamDict->SetValue("Filter", pool.NewName("DCTDecode"));
  undecodable->SetValue("Contents", pool.NewArrayOf({Ref(jpeg)}));
  auto* large = pool.NewStream(std::string(500001, ' '), false);
  large->StreamDict->SetValue("LC", pool.NewName("iSKW"));
  big->SetValue("Contents", Ref(large));
  notStream->SetValue("Contents", pool.NewArrayOf({pool.NewNumeric(3)}));

  TPDFPageTree tree(root);
  TPDFPainter painter;
  tree.AttachWriter(&painter);
  painter.AppendLine("q Q");
  EXPECT_EQ(jpeg->RawData, "\xFF\xD8 not content");
  EXPECT_EQ(Text(jpeg->StreamDict->GetValue("Filter")), "/DCTDecode");
  EXPECT_EQ(undecodable->Get<TPDFArray>("Contents")->Count(), 2u);

  tree.SelectPage(2);
  painter.AppendLine("q Q");
  EXPECT_EQ(large->RawData.size(), 500001u);
  EXPECT_EQ(big->Get<TPDFArray>("Contents")->Count(), 2u);

  tree.SelectPage(3);
  auto* contents = notStream->Get<TPDFArray>("Contents");
  ASSERT_EQ(tree.ContentStreams().size(), 2u);
  EXPECT_NE(PdfCast<TPDFIndRef>(contents->Item(0)), nullptr);  // the number became an empty stream
}

TEST_F(PageTreeTest, FlateCompressedOwnedStreamIsExtendedDecoded) {
  auto* root = Node(nullptr);
  auto* page = Page(root);
  auto* owned = pool.NewStream("0 g\n", true);
  owned->StreamDict->SetValue("LC", pool.NewName("iSKW"));
  page->SetValue("Contents", pool.NewArrayOf({Ref(owned)}));
  TPDFPageTree tree(root);
  TPDFPainter painter;
  tree.AttachWriter(&painter);
  EXPECT_EQ(painter.Buffer, "0 g\n");
  painter.AppendLine("Q");
  EXPECT_EQ(owned->RawData, "0 g\nQ\n");
  EXPECT_EQ(owned->StreamDict->GetValue("Filter"), nullptr);
}

TEST_F(PageTreeTest, MediaSizes) {
  auto* root = Node(nullptr);
  auto* plain = Page(root);
  auto* boxed = Page(root);
  auto* inherits = Node(root);
  auto* child = Page(inherits);
  boxed->SetValue("MediaBox", pool.NewRealArray({10, 20, 110, 220}));
  inherits->SetValue("MediaBox", pool.NewRealArray({0, 0, 300, 400}));
  TPDFPageTree tree(root);

  EXPECT_EQ(tree.MediaWidth(), 612);
  EXPECT_EQ(tree.MediaHeight(), 792);
  EXPECT_EQ(Text(plain->GetValue("MediaBox")), "[ 0 0 612 792 ]");

  tree.SelectPage(2);
  EXPECT_EQ(tree.MediaWidth(), 100);
  EXPECT_EQ(tree.MediaHeight(), 200);
  tree.SetMediaWidth(100);
  EXPECT_EQ(Text(boxed->GetValue("MediaBox")), "[ 0 0 100 200 ]");
  EXPECT_EQ(Text(boxed->GetValue("CropBox")), "[ 0 0 100 200 ]");
  tree.SetMediaHeight(50.5);
  EXPECT_EQ(tree.MediaHeight(), 50.5);
  EXPECT_EQ(Text(boxed->GetValue("MediaBox")), "[ 0 0 100 50.5 ]");

  tree.SelectPage(3);
  EXPECT_EQ(tree.MediaWidth(), 300);
  EXPECT_EQ(child->GetValue("MediaBox"), nullptr);
}

TEST_F(PageTreeTest, InsertPagesAppendsToRootAndInsertsInSubtrees) {
  auto* root = Node(nullptr);
  auto* sub = Node(root);
  TPDFDictionary* old[3] = {Page(sub), Page(sub), Page(sub)};
  TPDFPageTree tree(root);

  tree.InsertPages(4, 1, 300, 200);
  EXPECT_EQ(tree.PageCount(), 4);
  EXPECT_EQ(root->GetInteger("Count", 0), 4);
  EXPECT_EQ(root->Get<TPDFArray>("Kids")->Count(), 2u);
  EXPECT_EQ(tree.SelectedPage(), 4);
  auto* added = tree.PageDictionary(4);
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(Text(added->GetValue("Parent")), Text(Ref(root)));
  EXPECT_EQ(Text(added->GetValue("MediaBox")), "[ 0 0 300 200 ]");
  EXPECT_EQ(Text(added->GetValue("Rotate")), "0");
  EXPECT_EQ(tree.MediaWidth(), 300);
  ASSERT_EQ(tree.ContentStreams().size(), 1u);

  // Inserting two pages after page 2 lands in the subtree and counts there.
  tree.InsertPages(3, 2, 100, 100);
  EXPECT_EQ(root->GetInteger("Count", 0), 6);
  EXPECT_EQ(sub->GetInteger("Count", 0), 5);
  EXPECT_EQ(tree.PageDictionary(2), old[1]);
  EXPECT_EQ(tree.PageDictionary(5), old[2]);
  EXPECT_EQ(Text(tree.PageDictionary(3)->GetValue("Parent")), Text(Ref(sub)));
  EXPECT_EQ(tree.PageDictionary(6), added);
  EXPECT_EQ(tree.SelectedPage(), 3);

  tree.InsertPages(1, 1, 10, 10);
  EXPECT_EQ(tree.PageDictionary(2), old[0]);
  EXPECT_EQ(tree.PageDictionary(1)->Get<TPDFArray>("MediaBox")->ToText(), "[ 0 0 10 10 ]");
}

TEST_F(PageTreeTest, ResourcesAreInheritedAndRegistered) {
  auto* root = Node(nullptr);
  auto* mid = Node(root);
  auto* page = Page(mid);
  auto* shared = pool.NewDictionary();
  root->SetValue("Resources", Ref(shared));
  TPDFPageTree tree(root);
  // The grandparent's resources are found, not a fresh empty dictionary.
  EXPECT_EQ(tree.PageResources(), shared);
  EXPECT_EQ(page->GetValue("Resources"), nullptr);

  auto* font1 = Ref(pool.NewDictionary());
  auto* font2 = Ref(pool.NewDictionary());
  tree.RegisterResource("Font", "F1", font1);
  tree.RegisterResource("Font", "F1", pool.NewIndRef(font1->RefNumber, 0));
  EXPECT_EQ(shared->Get<TPDFDictionary>("Font")->GetValue("F1"), font1);  // same object: kept
  tree.RegisterResource("Font", "F1", font2);
  EXPECT_EQ(shared->Get<TPDFDictionary>("Font")->GetValue("F1"), font2);  // another: replaced

  // By number: nothing new is made while the page has that reference.
  const size_t objectsBefore = pool.Count();
  tree.RegisterIndirectResource("Font", "F1", font2->RefNumber, 0);
  EXPECT_EQ(pool.Count(), objectsBefore);
  tree.RegisterIndirectResource("Font", "F1", font1->RefNumber, 0);
  EXPECT_EQ(Text(shared->Get<TPDFDictionary>("Font")->GetValue("F1")), Text(font1));

  shared->SetValue("XObject", pool.NewNumeric(1));
  tree.RegisterResource("XObject", "Im1", font1);
  EXPECT_EQ(Text(shared->Get<TPDFDictionary>("XObject")), "<<\n/Im1 " + Text(font1) + "\n>>\n");

  // A page without any resources in its chain gets its own.
  auto* lone = Node(nullptr);
  auto* lonePage = Page(lone);
  TPDFPageTree loneTree(lone);
  TPDFDictionary* own = loneTree.PageResources();
  EXPECT_EQ(lonePage->GetValue("Resources"), own);
}

}  // namespace
}  // namespace ostrel
