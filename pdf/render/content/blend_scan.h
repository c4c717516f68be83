#pragma once
// Whether a page's content can use blend modes other than Normal. Such a
// page is drawn as a group on a transparent backdrop and then laid on the
// white paper, so that a blend mode sees the colours drawn before it and not
// the paper (Screen or Lighten over white would otherwise paint nothing).
namespace ostrel {

class TPDFDictionary;

// Looks through the graphics states of the resources and, following them,
// of the forms and patterns they name, a bounded number of dictionaries.
bool ResourcesUseBlendModes(TPDFDictionary* resources);

}  // namespace ostrel
