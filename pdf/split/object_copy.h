#pragma once
// Deep copies of parsed objects into another pool: cheaper than writing an
// object out and parsing it back, and the copy can be changed without
// touching the original.
namespace ostrel {

class TPDFObject;
class TPDFStructure;

// value and everything it holds, created anew in pool; nullptr for nullptr.
// The copy keeps the object number and generation of each part.
TPDFObject* CopyObject(const TPDFObject* value, TPDFStructure& pool);

}  // namespace ostrel
