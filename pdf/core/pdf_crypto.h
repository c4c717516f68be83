#pragma once
// Thin byte-string wrappers over nettle for the ciphers and digests of PDF
// encryption. Every function takes and returns raw bytes in std::string.
#include <nettle/md5.h>

#include <string>
#include <string_view>

namespace ostrel {

// Incremental MD5, for digests fed from several pieces.
class TMd5 {
 public:
  TMd5();
  TMd5& Update(std::string_view bytes);
  // The 16-byte digest; the object starts over afterwards.
  std::string Digest();

 private:
  md5_ctx ctx_;
};

std::string Md5Digest(std::string_view bytes);
std::string Sha256Digest(std::string_view bytes);
std::string Sha384Digest(std::string_view bytes);
std::string Sha512Digest(std::string_view bytes);

// RC4 with the key used cyclically in the key schedule. An empty key leaves
// the data as it is (RC4 needs at least one key byte).
std::string Rc4(std::string_view key, std::string_view data);

// AES in CBC mode without padding, key of 16 or 32 bytes, IV of 16 bytes.
// Only whole blocks are transformed; a trailing partial block is dropped.
// A key of any other size gives an empty result.
std::string AesCbcEncrypt(std::string_view key, std::string_view iv, std::string_view data);
std::string AesCbcDecrypt(std::string_view key, std::string_view iv, std::string_view data);

}  // namespace ostrel
