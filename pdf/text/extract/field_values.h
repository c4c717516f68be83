#pragma once
// Text fields whose value has no appearance yet: a form that asks the
// reader to make its appearances leaves the value only in the field, and a
// viewer shows it in the widget's rectangle.
#include <array>
#include <functional>
#include <string>

namespace ostrel {

class TPDFDictionary;

// Calls show with the value and the widget's rectangle (left, bottom, right,
// top) of every text-field widget of page that has no normal appearance,
// and with the caption (/MK /CA) of every push button, when acroForm (the
// catalog's /AcroForm) sets /NeedAppearances. Hidden and NoView widgets are
// left out.
void ForEachFieldValueWithoutAppearance(TPDFDictionary* page, TPDFDictionary* acroForm,
                                        const std::function<void(const std::u16string& value,
                                                                 const std::array<double, 4>& rect)>& show);

// A push button of a form that sets /NeedAppearances: the reader makes its
// appearance from its caption, so the appearance the file carries (often a
// copy of a label the page draws anyway) is not what a viewer shows.
bool IsRemadePushButton(TPDFDictionary* annot, TPDFDictionary* acroForm);

}  // namespace ostrel
