#pragma once
// Objects that the layers above the object model make for one document (fonts
// and images for writing) and that the document keeps until it is emptied:
// they point into its pool. Whoever makes one says how it is deleted, so the
// document holds them without knowing their types.
#include <memory>

namespace ostrel {

template <class T>
using TDocumentPart = std::unique_ptr<T, void (*)(T*)>;

// Hands part to the document's keeping; call where T is a complete type.
template <class T>
TDocumentPart<T> MakeDocumentPart(std::unique_ptr<T> part) {
  return TDocumentPart<T>(part.release(), [](T* p) { delete p; });
}

}  // namespace ostrel
