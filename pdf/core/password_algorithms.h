#pragma once
// Key derivations and password checks of the standard security handler:
// the MD5/RC4 family of revisions 2 to 4 and the SHA-2/AES family of
// revisions 5 and 6. Inputs are raw bytes; lengths are checked here, so a
// malformed dictionary value makes a check fail instead of reading past it.
#include <cstdint>
#include <string>
#include <string_view>

namespace ostrel {

// What the revision 2 to 4 computations read from the security dictionary.
struct TRc4PasswordInput {
  int32_t Revision = 0;
  size_t KeyBytes = 5;  // file key length n, 5 to 16
  std::string O;        // at least 32 bytes, else nothing matches
  std::string U;
  uint32_t P = 0;
  std::string FirstId;          // first /ID element, possibly empty
  bool EncryptMetadata = true;  // only revision 4 and later look at it
};

// The password truncated to 32 bytes and completed with the standard padding.
std::string PadPassword(std::string_view password);

// File key from a user password (the MD5 over password, O, P and /ID).
std::string ComputeFileKey(const TRc4PasswordInput& in, std::string_view userPassword);

// The 32-byte /U value a file key produces.
std::string ComputeUserEntry(const TRc4PasswordInput& in, std::string_view fileKey);

// The file key when userPassword is the user password, else empty.
std::string CheckUserPassword(const TRc4PasswordInput& in, std::string_view userPassword);

// The user password hidden in /O under an owner password (which may be
// wrong; the result is then garbage that fails the user check).
std::string RecoverUserPassword(const TRc4PasswordInput& in, std::string_view ownerPassword);

// What the revision 5 and 6 computations read from the security dictionary.
struct TAesV3PasswordInput {
  int32_t Revision = 0;
  std::string O, U;    // at least 48 bytes each
  std::string OE, UE;  // at least 32 bytes each
  std::string Perms;   // 16 bytes when present
};

// The password hash: SHA-256 for revision 5, the iterated hash for 6.
std::string HashAesV3Password(int32_t revision, std::string_view password, std::string_view salt,
                              std::string_view extra);

// The 32-byte file key when the password is the user (or owner) password,
// else empty.
std::string CheckAesV3UserPassword(const TAesV3PasswordInput& in, std::string_view password);
std::string CheckAesV3OwnerPassword(const TAesV3PasswordInput& in, std::string_view password);

// Decrypts /Perms with the file key; true and the permissions word when it
// carries the "adb" marker.
bool ReadAesV3Perms(const TAesV3PasswordInput& in, std::string_view fileKey, uint32_t& p);

}  // namespace ostrel
