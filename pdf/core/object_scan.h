#pragma once
// Finding the objects of a file whose cross-reference data is lost or wrong,
// by scanning its text for "N G obj" as readers have long recovered damaged
// files. Both readers of the library rebuild their tables from this.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

struct TScannedObject {
  int64_t Number = 0, Generation = 0, Offset = 0;  // Offset: where the number starts
};

// Every "N G obj" of the file in file order: the keyword must stand alone
// and the number must not continue a word or a number before it.
std::vector<TScannedObject> ScanForObjects(std::string_view file);

// A trailer for the scanned file: the text of the last trailer dictionary
// naming a /Root, else "<< /Root N G R >>" for the last object that calls
// itself a /Catalog, else "".
std::string RecoveredTrailer(std::string_view file, const std::vector<TScannedObject>& objects);

}  // namespace ostrel
