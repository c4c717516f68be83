#include "pdf/core/xmp_metadata.h"

#include <sstream>

namespace ostrel {
namespace {

struct Namespace {
  std::string_view Prefix;
  const char* Uri;
};
constexpr Namespace kNamespaces[] = {
    {"dc", "http://purl.org/dc/elements/1.1/"},
    {"xmp", "http://ns.adobe.com/xap/1.0/"},
    {"pdf", "http://ns.adobe.com/pdf/1.3/"},
};

const char* NamespaceUri(std::string_view prefix) {
  for (const Namespace& ns : kNamespaces) {
    if (ns.Prefix == prefix) return ns.Uri;
  }
  return "";
}

struct FieldOfKey {
  std::string_view Key, Prefix, Name;
};
constexpr FieldOfKey kFields[] = {
    {"Title", "dc", "title"},           {"Author", "dc", "creator"},
    {"Subject", "dc", "description"},   {"Keywords", "pdf", "Keywords"},
    {"Creator", "xmp", "CreatorTool"},  {"Producer", "pdf", "Producer"},
    {"CreationDate", "xmp", "CreateDate"}, {"ModDate", "xmp", "ModifyDate"},
};

std::string Joined(std::string_view a, std::string_view b) { return std::string(a) + ":" + std::string(b); }

}  // namespace

void TOstrelXMP::LoadSkeleton() {
  doc_.reset();
  doc_.append_child(pugi::node_pi).set_name("xpacket");
  doc_.last_child().set_value("begin=\"?\" id=\"W5M0MpCehiHzreSzNTczkc9d\"");
  pugi::xml_node meta = doc_.append_child("x:xmpmeta");
  meta.append_attribute("xmlns:x") = "adobe:ns:meta/";
  meta.append_child("rdf:RDF").append_attribute("xmlns:rdf") = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
  doc_.append_child(pugi::node_pi).set_name("xpacket");
  doc_.last_child().set_value("end=\"w\"");
  SetField("dc", "format", "application/pdf");
  SetField("dc", "creator", "");
  SetField("dc", "description", "");
  SetField("dc", "title", "");
  SetField("xmp", "CreatorTool", "");
  SetField("xmp", "CreateDate", "");
  SetField("xmp", "ModifyDate", "");
  SetField("pdf", "Keywords", "");
  SetField("pdf", "Producer", "");
}

bool TOstrelXMP::Load(std::string_view packet) {
  author_.clear();
  if (packet.empty()) {
    LoadSkeleton();
    return true;
  }
  doc_.reset();
  unsigned options = pugi::parse_default | pugi::parse_pi | pugi::parse_comments | pugi::parse_declaration;
  if (!doc_.load_buffer(packet.data(), packet.size(), options, pugi::encoding_utf8)) {
    doc_.reset();
    return false;
  }
  pugi::xml_node meta = doc_.child("x:xmpmeta");
  if (!meta) {
    LoadSkeleton();
    return true;
  }
  if (!meta.child("rdf:RDF")) meta.append_child("rdf:RDF");
  for (pugi::xml_node description : meta.child("rdf:RDF").children("rdf:Description")) {
    pugi::xml_node li = description.child("dc:creator").child("rdf:Bag").child("rdf:li");
    if (li) {
      author_ = li.text().get();
      break;
    }
  }
  return true;
}

pugi::xml_node TOstrelXMP::Description(std::string_view prefix) {
  pugi::xml_node rdf = doc_.child("x:xmpmeta").child("rdf:RDF");
  const std::string uri = NamespaceUri(prefix);
  pugi::xml_node found;
  for (pugi::xml_node description : rdf.children("rdf:Description")) {
    for (pugi::xml_attribute attribute : description.attributes()) {
      if (std::string_view(attribute.name()).starts_with("xmlns:") && uri == attribute.value()) found = description;
    }
  }
  if (found) return found;
  found = rdf.append_child("rdf:Description");
  found.append_attribute(Joined("xmlns", prefix).c_str()) = uri.c_str();
  return found;
}

void TOstrelXMP::SetField(std::string_view prefix, std::string_view localName, std::string_view text) {
  pugi::xml_node description = Description(prefix);
  const std::string name = Joined(prefix, localName);
  description.remove_child(name.c_str());
  pugi::xml_node field = description.append_child(name.c_str());
  const std::string value(text);
  if (prefix == "dc" && localName == "creator") {
    field.append_child("rdf:Bag").append_child("rdf:li").text() = value.c_str();
  } else if (prefix == "dc" && (localName == "title" || localName == "description")) {
    pugi::xml_node li = field.append_child("rdf:Alt").append_child("rdf:li");
    li.append_attribute("xml:lang") = "x-default";
    li.text() = value.c_str();
  } else {
    field.text() = value.c_str();
  }
}

void TOstrelXMP::SetInfoField(std::string_view infoKey, std::string_view utf8Text) {
  if (utf8Text.empty() || !doc_.child("x:xmpmeta")) return;
  for (const FieldOfKey& field : kFields) {
    if (field.Key != infoKey) continue;
    if (infoKey == "Author" && utf8Text == author_) return;
    bool isDate = infoKey == "CreationDate" || infoKey == "ModDate";
    SetField(field.Prefix, field.Name, isDate ? XmpDate(utf8Text) : std::string(utf8Text));
    if (infoKey == "Author") author_ = std::string(utf8Text);
    return;
  }
}

std::string TOstrelXMP::Packet() const {
  if (!doc_.first_child()) return {};
  std::ostringstream out;
  doc_.save(out, " ", pugi::format_default | pugi::format_no_declaration, pugi::encoding_utf8);
  std::string text = out.str();
  if (size_t start = text.find("<?xpacket"); start != std::string::npos) text.erase(0, start);
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  // Room for editors to grow the packet in place.
  if (size_t end = text.rfind("<?xpacket end="); end != std::string::npos) {
    text.insert(end, std::string(1023, ' ') + "\n");
  }
  return text;
}

std::string TOstrelXMP::XmpDate(std::string_view date) {
  if (!date.starts_with("D:")) return std::string(date);
  date.remove_prefix(2);
  size_t digits = 0;
  while (digits < date.size() && digits < 14 && date[digits] >= '0' && date[digits] <= '9') ++digits;
  // Missing parts of a shortened date take their earliest value.
  std::string full = std::string(date.substr(0, digits)) + std::string("00000101000000").substr(digits);
  std::string out = full.substr(0, 4) + "-" + full.substr(4, 2) + "-" + full.substr(6, 2) + "T" +
                    full.substr(8, 2) + ":" + full.substr(10, 2) + ":" + full.substr(12, 2);
  std::string_view zone = date.substr(digits);
  if (zone.starts_with("Z")) {
    out += "Z";
  } else if (zone.size() >= 7 && (zone[0] == '+' || zone[0] == '-') && zone[3] == '\'') {
    out += std::string(zone.substr(0, 3)) + ":" + std::string(zone.substr(4, 2));
  }
  return out;
}

}  // namespace ostrel
