#pragma once
// Entering what is drawn on the selected page into its resources.
namespace ostrel {

class TPDFFont;
class TPDFImage;
class TPDFPageTree;

// Enters the font's resource name under "Font".
void RegisterFont(TPDFPageTree& tree, const TPDFFont& font);
// Enters what the image draws on, then the image itself under "XObject".
void RegisterImage(TPDFPageTree& tree, const TPDFImage& image);

}  // namespace ostrel
