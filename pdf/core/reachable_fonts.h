#pragma once
// Whether a page can show text: its resources name fonts, or a form it
// draws does, or the appearance of one of its annotations does.
namespace ostrel {

class TPDFDictionary;

// True when resources or, through /XObject, a form they hold (at any depth up
// to a bound, each form looked at once) has a /Font dictionary.
bool ResourcesReachFonts(TPDFDictionary* resources);

// The same over the normal appearances of the page's annotations.
bool AnnotationsReachFonts(TPDFDictionary* page);

}  // namespace ostrel
