// The facade's own logic: the start document, coordinates, object IDs,
// information keys and error codes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "pdf/facade/ostrel.h"
#include "platform/file_io.h"

namespace ostrel {
namespace {

namespace fs = std::filesystem;

TEST(Facade, StartsWithOneLetterPage) {
  TOstrel pdf;
  EXPECT_EQ(pdf.PageCount(), 1);
  EXPECT_EQ(pdf.SelectedPage(), 1);
  EXPECT_DOUBLE_EQ(pdf.PageWidth(), 612);
  EXPECT_DOUBLE_EQ(pdf.PageHeight(), 792);
  EXPECT_EQ(pdf.DocumentInfo(0), u"1.4");
  EXPECT_EQ(pdf.DocumentInfo(6).rfind(u"Ostrel Library 8.13 (", 0), 0u);
  EXPECT_EQ(pdf.DocumentInfo(7).rfind(u"D:", 0), 0u);
  EXPECT_EQ(pdf.ImageWidth(), 0);
  EXPECT_EQ(pdf.ImageHeight(), 0);
  EXPECT_EQ(pdf.DocumentFileName(), u"");
  EXPECT_EQ(pdf.DocumentHasFonts(), 0);
}

TEST(Facade, OriginsMapCallerCoordinatesToPagePoints) {
  TOstrel pdf;
  EXPECT_EQ(pdf.SetOrigin(1), 1);
  EXPECT_DOUBLE_EQ(pdf.UserToPointsX(20), 20);
  EXPECT_DOUBLE_EQ(pdf.UserToPointsY(40), 752);
  pdf.SetOrigin(2);
  EXPECT_DOUBLE_EQ(pdf.UserToPointsX(20), 592);
  EXPECT_DOUBLE_EQ(pdf.UserToPointsY(40), 752);
  pdf.SetOrigin(3);
  EXPECT_DOUBLE_EQ(pdf.UserToPointsX(20), 592);
  EXPECT_DOUBLE_EQ(pdf.UserToPointsY(40), 40);
  for (int bad : {7, -1}) {
    pdf.SetOrigin(1);
    pdf.SetOrigin(bad);
    EXPECT_DOUBLE_EQ(pdf.UserToPointsY(40), 40) << bad;
  }
}

TEST(Facade, NewPagesTakeTheSelectedPageSize) {
  TOstrel pdf;
  EXPECT_EQ(pdf.SetPageSize(300, 200), 1);
  EXPECT_DOUBLE_EQ(pdf.PageWidth(), 300);
  EXPECT_EQ(pdf.NewPage(), 2);
  EXPECT_EQ(pdf.SelectedPage(), 2);
  EXPECT_DOUBLE_EQ(pdf.PageWidth(), 300);
  EXPECT_DOUBLE_EQ(pdf.PageHeight(), 200);
  EXPECT_EQ(pdf.SelectPage(1), 1);
  EXPECT_EQ(pdf.SelectPage(9), 0);
  EXPECT_EQ(pdf.SelectedPage(), 1);
}

TEST(Facade, DocumentInformationKeys) {
  TOstrel pdf;
  EXPECT_EQ(pdf.SetDocumentInfo(0, u"1.9"), 0);
  EXPECT_EQ(pdf.DocumentInfo(0), u"1.4");
  EXPECT_EQ(pdf.SetDocumentInfo(0, u"1.6"), 1);
  EXPECT_EQ(pdf.DocumentInfo(0), u"1.6");
  EXPECT_EQ(pdf.SetDocumentInfo(7, u"x"), 0);
  EXPECT_EQ(pdf.LastErrorCode, kErrBadInfoKey);
  EXPECT_EQ(pdf.SetDocumentInfo(2, u"Résumé – draft"), 1);
  EXPECT_EQ(pdf.LastErrorCode, kErrNone);
  EXPECT_EQ(pdf.DocumentInfo(2), u"Résumé – draft");
  EXPECT_EQ(pdf.DocumentInfo(9), u"");
}

TEST(Facade, ObjectIdsAreStableAndChecked) {
  TOstrel pdf;
  int first = pdf.ObjectID(&pdf);
  EXPECT_EQ(first & 0x58000000, 0x58000000);
  EXPECT_EQ(pdf.ObjectID(&pdf), first);
  EXPECT_EQ(pdf.ObjectByID(first), &pdf);
  EXPECT_EQ(pdf.ObjectID(nullptr), 0);
  EXPECT_EQ(pdf.ObjectByID(0x58000000 + 999), nullptr);
  EXPECT_EQ(pdf.ObjectByID(12), nullptr);
  EXPECT_EQ(pdf.SelectDocument(first), 0);  // not a document
}

TEST(Facade, EmptyTextDrawsNothingAndSucceeds) {
  TOstrel pdf;
  EXPECT_EQ(pdf.DrawTextAt(20, 40, u""), 1);
}

class FacadeFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("ostrel-facade-" + std::to_string(::getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path dir;
};

TEST_F(FacadeFiles, LoadingAMissingOrForeignFileFails) {
  TOstrel pdf;
  EXPECT_EQ(pdf.LoadDocumentFile((dir / "missing.pdf").u16string(), u""), 0);
  EXPECT_EQ(pdf.LastErrorCode, kErrCannotOpen);
  std::ofstream(dir / "text.pdf") << "hello";
  EXPECT_EQ(pdf.LoadDocumentFile((dir / "text.pdf").u16string(), u""), 0);
  EXPECT_EQ(pdf.LastErrorCode, kErrCannotOpen);
  EXPECT_EQ(pdf.PageCount(), 1);  // the start document stays selected
}

TEST_F(FacadeFiles, SavedDocumentLoadsAgain) {
  TOstrel pdf;
  pdf.SetDocumentInfo(2, u"Round trip");
  pdf.NewPage();
  std::u16string path = (dir / "saved.pdf").u16string();
  ASSERT_EQ(pdf.SaveDocumentFile(path), 1);
  TOstrel again;
  ASSERT_EQ(again.LoadDocumentFile(path, u""), 1);
  EXPECT_EQ(again.PageCount(), 2);
  EXPECT_EQ(again.DocumentInfo(2), u"Round trip");
  EXPECT_EQ(again.DocumentFileName(), path);
  EXPECT_EQ(pdf.SaveDocumentFile((dir / "no-such-folder" / "x.pdf").u16string()), 0);
}

TEST_F(FacadeFiles, SplittingAFileOntoItselfIsRefused) {
  TOstrel pdf;
  std::u16string path = (dir / "book.pdf").u16string();
  ASSERT_EQ(pdf.SaveDocumentFile(path), 1);
  auto before = ReadWholeFile((dir / "book.pdf").string());
  EXPECT_EQ(pdf.ExtractPagesToFile(path, u"", path, u"1"), 0);
  EXPECT_EQ(pdf.LastErrorCode, kErrCannotReplaceOutput);
  EXPECT_EQ(ReadWholeFile((dir / "book.pdf").string()), before);
  EXPECT_EQ(pdf.ExtractPagesToFile((dir / "none.pdf").u16string(), u"", (dir / "o.pdf").u16string(), u"1"), 0);
  EXPECT_EQ(pdf.LastErrorCode, kErrCannotOpen);
}

}  // namespace
}  // namespace ostrel
