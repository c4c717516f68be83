#pragma once
// The XMP metadata packet kept in step with the document information: loads
// the current packet (or a skeleton), sets one field and writes it back.
#include <string>
#include <string_view>

#include <pugixml.hpp>

namespace ostrel {

class TOstrelXMP {
 public:
  // Loads a packet; an empty one gives the skeleton. Returns false when the
  // packet does not parse as XML (the builder is then empty).
  bool Load(std::string_view packet);
  // Sets the field matching an information key ("Title", "Author", ...)
  // from UTF-8 text; other keys, and empty texts, set nothing.
  void SetInfoField(std::string_view infoKey, std::string_view utf8Text);
  // The packet text: UTF-8, no XML declaration, padded before the trailer.
  std::string Packet() const;

  // "D:20240105143000+03'00'" as "2024-01-05T14:30:00+03:00"; other texts
  // are returned unchanged.
  static std::string XmpDate(std::string_view pdfDate);

 private:
  void LoadSkeleton();
  void SetField(std::string_view prefix, std::string_view localName, std::string_view text);
  pugi::xml_node Description(std::string_view prefix);

  pugi::xml_document doc_;
  std::string author_;  // first dc:creator entry, so an equal Author changes nothing
};

}  // namespace ostrel
