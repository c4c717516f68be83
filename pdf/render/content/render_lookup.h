#pragma once
// Dictionary lookups shared by the renderer's pieces: references resolved,
// classes checked by the caller, /Parent chains followed within a bound.
#include <string>
#include <string_view>

namespace ostrel {

class TPDFObject;
class TPDFArray;
class TPDFDictionary;

// The object a reference points to; any other object as it is.
TPDFObject* ResolveObject(TPDFObject* obj);
// The value of key (resolved); when absent, the same lookup on /Parent. The
// chain is cut after a fixed depth or at a dictionary already visited.
TPDFObject* InheritedEntry(TPDFDictionary* dict, std::string_view key);
// True when array holds exactly count finite numbers (resolved), copied to out.
bool ReadNumbers(TPDFArray* array, double* out, size_t count);
// The resolved entry key of the sub-dictionary category of resources.
TPDFObject* ResourceEntry(TPDFDictionary* resources, std::string_view category, std::string_view key);
// The raw (unresolved) entry, for callers that need the reference itself.
TPDFObject* ResourceEntryRaw(TPDFDictionary* resources, std::string_view category, std::string_view key);
// A content-stream name token ("/F1", "/A#20B") as a dictionary key.
std::string NameKey(std::string_view token);

}  // namespace ostrel
