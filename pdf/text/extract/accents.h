#pragma once
// Accents drawn as glyphs of their own over a letter: older typesetters
// (TeX without accented fonts, troff, page layout programs) set "e" and a
// spacing acute on top of it where the page shows "é".
#include <string>

namespace ostrel {

// True for the spacing accents fonts draw on their own (acute, grave,
// dieresis, circumflex, tilde, cedilla, ring, caron, macron, breve, dot,
// ogonek, double acute).
bool IsSpacingAccent(char16_t c);

// The letter base with accent over it: the precomposed character where
// Unicode has one, else base followed by the accent's combining mark.
// Empty when accent is no spacing accent or base no basic Latin letter
// (dotless i counts as i).
std::u16string ComposeAccent(char16_t base, char16_t accent);

}  // namespace ostrel
