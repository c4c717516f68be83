#include "app/language.h"

#include <filesystem>

#include "app/ini_file.h"

namespace drevlin {

namespace {

struct KeyAndText {
  const char* Key;
  const char* Text;  // the window's own text; nullptr: the product page or a failure reason
};

// Indexed by TUiText. The update messages have no text of their own: without
// a language file they stay empty.
constexpr KeyAndText kTable[kUiTextCount] = {
    {"MFile.Caption", "&File"},
    {"MExit.Caption", "Exit"},
    {"MOptions.Caption", "Options"},
    {"MSettings.Caption", "Settings"},
    {"MLanguage.Caption", "Language"},
    {"MLangEnglish.Caption", "English"},
    {"MLangRussian.Caption", "Russian"},
    {"MHelp.Caption", "Help"},
    {"MCheckUpdate.Caption", "Check for updates ..."},
    {"MAbout.Caption", "About Program"},
    {"LabelSave.Caption", "Save to:"},
    {"rgConvert.Caption", " Converting "},
    {"rgConvert.Items.Strings[0]", "pdf to images"},
    {"rgConvert.Items.Strings[1]", "pdf to text"},
    {"rgConvert.Items.Strings[2]", "text to pdf"},
    {"rgConvert.Items.Strings[3]", "images to pdf"},
    {"rgConvert.Items.Strings[4]", "split pdf"},
    {"ButtonSelect.Caption", "Select file"},
    {"ButtonConvert.Caption", "Convert"},
    {"OpenDialog1.Filter", "Adobe PDF Files (*.pdf)|*.pdf"},
    {"SaveDialog1.Filter", "Adobe PDF File (*.pdf)|*.pdf"},
    {"SaveDialogText.Filter", "Text File (*.txt)|*.txt"},
    {"StringLastVersion", ""},
    {"StringNewVersionIsAvailable", ""},
    {"StringCantConnectToServer", ""},
    {"FormSettings.Caption", "Settings"},
    {"FormSettings.ButtonClose.Caption", "Close"},
    {"FormUpdate.Caption", "Software Update"},
    {"FormUpdate.ButtonClose.Caption", "Close"},
    {"FormUpdate.ButtonCheck.Caption", "Check"},
    {"FormUpdate.StringCheckingForUpdates", ""},
    {"FormAbout.Caption", "About Program"},
    {"FormAbout.LabelAbout.Caption", "pdf files (and to pdf) converter"},
    {"FormAbout.LabelAuthor.Caption", kAuthorLine},
    {"FormAbout.LabelSite.Caption", nullptr},
    {"OpenDialogText.Filter", "Text files (*.txt)|*.txt"},
    {"OpenDialogConvertImages.Filter", "All Files|*.*"},
    // Keep the order of the types: the chosen index picks the format.
    {"SaveDialogImage.Filter",
     "Bitmap file (*.bmp)|*.bmp|JPEG file (*.jpg, *.jpeg)|*.jpg; *.jpeg|PNG file (*.png)|*.png|"
     "GIF file (*.gif)|*.gif|TIFF file (*.tiff)|*.tiff"},
    {"FormAbout.LabelContact.Caption", kContactLine},
    {"FormAbout.ButtonOK.Caption", "OK"},
    {"ButtonCancel.Caption", "Cancel"},
    {"StringWorking", "Working..."},
    {"StringPageOfPages", "Page %1 of %2"},
    {"StringFileOfFiles", "File %1 of %2"},
    {"StringNoTextFound", kNoTextFound},
    {"StringImagesLeftOut", "These images could not be read and were left out:"},
    {"StringAndMore", "... and %1 more"},
    {"StringSettingsNotSaved", "The settings could not be saved to %1."},
    {"StringAssociationNotWritten", "The PDF file association could not be written to %1."},
    {"StringActionFailed", "The action failed: %1"},
    {"StringUnknownFileType", "%1: cannot tell which conversion this file is for"},
    // The failure reasons take their English text from the converter.
    {"StringNoSuchFile", nullptr},
    {"StringUnreadable", nullptr},
    {"StringNotPdf", nullptr},
    {"StringNeedsPassword", nullptr},
    {"StringWrongPassword", nullptr},
    {"StringNotAnImage", nullptr},
    {"StringOutputIsInput", nullptr},
    {"StringCannotWrite", nullptr},
    {"StringCannotRender", nullptr},
    {"StringCannotTypeset", nullptr},
    {"StringDamagedPageTree", nullptr},
    {"StringTooMuchData", nullptr},
    {"StringNothingLoaded", nullptr},
};

// Every element has its key: a table shorter than the list would leave null keys.
static_assert(kTable[kUiTextCount - 1].Key != nullptr);

}  // namespace

const char* LanguageKeyOf(TUiText text) { return kTable[static_cast<int>(text)].Key; }

TInterfaceTexts::TInterfaceTexts(const std::string& productPage) {
  for (int i = 0; i < kUiTextCount; ++i) texts_[i] = kTable[i].Text ? kTable[i].Text : productPage;
  for (int kind = 0; kind < kFailureKindCount; ++kind)
    Set(FailureText(static_cast<TFailureKind>(kind)), FailureReason(static_cast<TFailureKind>(kind)));
}

std::string LanguageFilePath(const std::string& appDir, const std::string& name) {
  std::string beside = appDir + "language/" + name + ".ini";
  // An installed program lives in PREFIX/bin with its data in PREFIX/share;
  // looking relative to the program keeps a relocated prefix working.
  std::string installed = appDir + "../share/drevlin-pdf-converter/language/" + name + ".ini";
  std::error_code ec;
  if (!std::filesystem::exists(beside, ec) && std::filesystem::exists(installed, ec)) return installed;
  return beside;
}

void ApplyLanguage(const std::string& appDir, const std::string& name, TInterfaceTexts& texts) {
  texts.EnglishChecked = name == "English";
  texts.RussianChecked = name == "Russian";
  TIniFile file(LanguageFilePath(appDir, name));
  for (int i = 0; i < kUiTextCount; ++i) {
    auto text = static_cast<TUiText>(i);
    texts.Set(text, file.ReadString("Interface", kTable[i].Key, texts[text]));
  }
}

}  // namespace drevlin
