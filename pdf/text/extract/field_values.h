#pragma once
// Field values of a form that asks the reader to make its appearances: the
// reader draws each text or choice field's value in the widget's rectangle,
// whatever appearance the file carries (writers that fill in a value and set
// /NeedAppearances leave the old, often empty, appearance in place).
#include <array>
#include <functional>
#include <string>

namespace ostrel {

class TPDFDictionary;

// Calls show with the value and the widget's rectangle (left, bottom, right,
// top) of every text or choice field widget of page, and with the caption
// (/MK /CA) of every push button, when acroForm (the catalog's /AcroForm)
// sets /NeedAppearances. Hidden and NoView widgets are left out.
void ForEachMadeFieldText(TPDFDictionary* page, TPDFDictionary* acroForm,
                                        const std::function<void(const std::u16string& value,
                                                                 const std::array<double, 4>& rect)>& show);

// A push button, text or choice field of a form that sets /NeedAppearances:
// the reader makes its appearance from its caption or value, so the
// appearance the file carries (a copy of a label the page draws anyway, or a
// value since replaced) is not what a viewer shows.
bool IsRemadeWidget(TPDFDictionary* annot, TPDFDictionary* acroForm);

}  // namespace ostrel
