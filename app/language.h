#pragma once
// The interface texts of the windows as data: one entry per element that a
// language file can rename, in the order the files are applied. The window
// layer copies the texts onto its widgets after each ApplyLanguage.
#include <array>
#include <string>

#include "app/conversion_host.h"

namespace drevlin {

enum class TUiText : int {
  MFile, MExit, MOptions, MSettings, MLanguage, MLangEnglish, MLangRussian, MHelp,
  MCheckUpdate, MAbout, LabelSave, rgConvert, rgConvertItem0, rgConvertItem1,
  rgConvertItem2, rgConvertItem3, rgConvertItem4, ButtonSelect, ButtonConvert,
  OpenDialog1Filter, SaveDialog1Filter, SaveDialogTextFilter, LastVersion,
  NewVersionIsAvailable, CantConnectToServer, FormSettingsCaption,
  FormSettingsButtonClose, FormUpdateCaption, FormUpdateButtonClose,
  FormUpdateButtonCheck, FormUpdateChecking, FormAboutCaption, FormAboutLabelAbout,
  FormAboutLabelAuthor, FormAboutLabelSite,
  // Beyond the original windows: the dialog filters that had no key, the
  // About window's contact line and button, the progress display, and every
  // message the main window shows.
  OpenDialogTextFilter, OpenDialogImagesFilter, SaveDialogImageFilter,
  FormAboutLabelContact, FormAboutButtonOk, ButtonCancel, Working, PageOfPages,
  FileOfFiles, NoTextFound, ImagesLeftOut, AndMore, SettingsNotSaved,
  AssociationNotWritten, ActionFailed, UnknownFileType,
  // One reason per TFailureKind, in its order.
  FailureFirst,
  FailureLast = FailureFirst + kFailureKindCount - 1,
  Count
};

// The text of a failure's reason.
inline TUiText FailureText(TFailureKind kind) {
  return static_cast<TUiText>(static_cast<int>(TUiText::FailureFirst) + static_cast<int>(kind));
}

inline constexpr int kUiTextCount = static_cast<int>(TUiText::Count);

// The key of an element in the language file's "Interface" section.
const char* LanguageKeyOf(TUiText text);

// The author line and product page shown in the About window until a language
// file replaces them.
inline constexpr const char* kAuthorLine = "Author: the Drevlin team";
inline constexpr const char* kContactLine = "Contact: support@drevlin.example.com";

class TInterfaceTexts {
 public:
  // The windows' own texts; productPage is the address the About link shows.
  explicit TInterfaceTexts(const std::string& productPage = std::string());

  const std::string& operator[](TUiText text) const { return texts_[static_cast<int>(text)]; }
  void Set(TUiText text, std::string value) { texts_[static_cast<int>(text)] = std::move(value); }

  bool EnglishChecked = true;
  bool RussianChecked = false;

 private:
  std::array<std::string, kUiTextCount> texts_;
};

// appDir + "language/" + name + ".ini", or, for an installed program whose
// folder has none, the same file under appDir + "../share/drevlin-pdf-converter/".
std::string LanguageFilePath(const std::string& appDir, const std::string& name);

// Checks the menu item of the language (exact names only) and replaces every
// text the language file names; an element whose key is absent, or all of
// them when the file is missing, keeps its current text.
void ApplyLanguage(const std::string& appDir, const std::string& name, TInterfaceTexts& texts);

}  // namespace drevlin
