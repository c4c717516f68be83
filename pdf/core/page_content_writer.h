#pragma once
// What the page tree needs of the writer of page content. The tree gives each
// selected page a content stream of its own; the writer (the layer that draws
// pages provides it and owns it) starts from that stream's text and hands its
// whole text back after every drawing request, which the tree then stores.
#include <functional>
#include <string>
#include <string_view>

namespace ostrel {

class TPageContentWriter {
 public:
  virtual ~TPageContentWriter() = default;

  // A page was selected: start over from content, the text of its own
  // stream, writing numbers with precision fraction digits. Nothing is
  // handed back yet.
  virtual void StartPage(std::string_view content, int precision) = 0;
  // The text to store as the data of the page's own stream.
  virtual std::string ContentText() const = 0;
  // ContentText() written into out, whose storage is reused: the tree
  // stores the text after every request, so a fresh copy each time would
  // cost an allocation per line of text.
  virtual void CopyContentText(std::string& out) { out = ContentText(); }

  // Set by the page tree: stores ContentText() into the page's own stream.
  std::function<void()> OnFlush;
};

}  // namespace ostrel
