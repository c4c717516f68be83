#pragma once
// The library's error codes, as the facade reports them in LastErrorCode.
#include <cstdint>

namespace ostrel {

enum TOstrelError : int32_t {
  kErrNone = 0,
  kErrBadInfoKey = 202,           // SetDocumentInfo: key outside 0..6
  kErrCannotOpen = 401,           // the file cannot be opened or is not a loadable PDF
  kErrCannotReplaceOutput = 402,  // an existing output cannot be removed (or is the input)
  kErrCannotWriteOutput = 403,    // the output cannot be written
  kErrWrongPassword = 404,        // the password does not open the encrypted file
  kErrUnreadableFile = 409,       // the direct-access reader cannot read the file
  kErrNoPagesInRange = 412,       // the range list names no page
  kErrDamagedPageTree = 413,      // a page the tree counts cannot be reached (loops, a wrong /Count)
  kErrDecodeBudget = 414,         // a page (or a document's text) decodes to more data than allowed
};

}  // namespace ostrel
