#include "pdf/core/password_algorithms.h"

#include <algorithm>

#include "pdf/core/pdf_crypto.h"

namespace ostrel {
namespace {

constexpr unsigned char kPadding[32] = {0x28, 0xBF, 0x4E, 0x5E, 0x4E, 0x75, 0x8A, 0x41, 0x64, 0x00, 0x4E,
                                        0x56, 0xFF, 0xFA, 0x01, 0x08, 0x2E, 0x2E, 0x00, 0xB6, 0xD0, 0x68,
                                        0x3E, 0x80, 0x2F, 0x0C, 0xA9, 0xFE, 0x64, 0x53, 0x69, 0x7A};

std::string_view PaddingBytes() { return {reinterpret_cast<const char*>(kPadding), sizeof kPadding}; }

std::string LittleEndian32(uint32_t v) {
  return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
          static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 24) & 0xFF)};
}

std::string XorEach(std::string_view key, unsigned char with) {
  std::string out(key);
  for (char& c : out) c = static_cast<char>(static_cast<unsigned char>(c) ^ with);
  return out;
}

// Revisions 3 and later strengthen a digest with 50 more MD5 rounds over its
// first n bytes; revision 2 uses the first digest as it is.
std::string Strengthen(const TRc4PasswordInput& in, std::string digest) {
  if (in.Revision >= 3)
    for (int i = 0; i < 50; ++i) digest = Md5Digest(std::string_view(digest).substr(0, in.KeyBytes));
  return digest.substr(0, in.KeyBytes);
}

bool Rc4InputUsable(const TRc4PasswordInput& in) {
  return in.O.size() >= 32 && in.U.size() >= 32 && in.KeyBytes >= 5 && in.KeyBytes <= 16;
}

bool AesV3InputUsable(const TAesV3PasswordInput& in) {
  return in.O.size() >= 48 && in.U.size() >= 48 && in.OE.size() >= 32 && in.UE.size() >= 32;
}

// The 32-byte key of an AES-256 file: the encrypted key decrypted without
// padding under the intermediate key.
std::string UnwrapFileKey(std::string_view intermediate, std::string_view wrapped) {
  return AesCbcDecrypt(intermediate, std::string(16, '\0'), wrapped.substr(0, 32));
}

// ISO 32000-2 algorithm 2.B: rounds of AES-128 and a SHA-2 chosen by the data, until at
// least 64 rounds are done and the last byte of E allows stopping.
std::string IteratedHash(std::string_view password, std::string_view salt, std::string_view extra) {
  std::string k = Sha256Digest(std::string(password) + std::string(salt) + std::string(extra));
  for (int round = 1;; ++round) {
    std::string once = std::string(password) + k + std::string(extra);
    std::string k1;
    k1.reserve(once.size() * 64);
    for (int i = 0; i < 64; ++i) k1 += once;
    std::string e = AesCbcEncrypt(std::string_view(k).substr(0, 16), std::string_view(k).substr(16, 16), k1);
    // The first 16 bytes of E as a big number modulo 3 equal their byte sum modulo 3.
    unsigned sum = 0;
    for (int i = 0; i < 16; ++i) sum += static_cast<unsigned char>(e[i]);
    switch (sum % 3) {
      case 0:
        k = Sha256Digest(e);
        break;
      case 1:
        k = Sha384Digest(e);
        break;
      default:
        k = Sha512Digest(e);
        break;
    }
    // A round count past 64 + 255 always satisfies the test, so this ends.
    if (round >= 64 && static_cast<unsigned char>(e.back()) <= round - 32) break;
  }
  return k.substr(0, 32);
}

}  // namespace

std::string PadPassword(std::string_view password) {
  std::string out(password.substr(0, 32));
  out.append(PaddingBytes().substr(0, 32 - out.size()));
  return out;
}

std::string ComputeFileKey(const TRc4PasswordInput& in, std::string_view userPassword) {
  TMd5 md5;
  md5.Update(PadPassword(userPassword)).Update(std::string_view(in.O).substr(0, 32));
  md5.Update(LittleEndian32(in.P)).Update(in.FirstId);
  if (in.Revision >= 4 && !in.EncryptMetadata) md5.Update("\xFF\xFF\xFF\xFF");
  return Strengthen(in, md5.Digest());
}

std::string ComputeUserEntry(const TRc4PasswordInput& in, std::string_view fileKey) {
  if (in.Revision == 2) return Rc4(fileKey, PaddingBytes());
  std::string u = Rc4(fileKey, TMd5().Update(PaddingBytes()).Update(in.FirstId).Digest());
  for (unsigned char i = 1; i <= 19; ++i) u = Rc4(XorEach(fileKey, i), u);
  return u + std::string(16, '\0');
}

std::string CheckUserPassword(const TRc4PasswordInput& in, std::string_view userPassword) {
  if (!Rc4InputUsable(in)) return {};
  std::string key = ComputeFileKey(in, userPassword);
  // Revision 3 and later fill the last 16 bytes of /U arbitrarily.
  size_t compared = in.Revision == 2 ? 32 : 16;
  if (ComputeUserEntry(in, key).compare(0, compared, in.U, 0, compared) != 0) return {};
  return key;
}

std::string RecoverUserPassword(const TRc4PasswordInput& in, std::string_view ownerPassword) {
  if (!Rc4InputUsable(in)) return {};
  std::string ownerKey = Strengthen(in, Md5Digest(PadPassword(ownerPassword)));
  std::string user = in.O.substr(0, 32);
  if (in.Revision == 2) return Rc4(ownerKey, user);
  for (int i = 19; i >= 0; --i) user = Rc4(XorEach(ownerKey, static_cast<unsigned char>(i)), user);
  return user;
}

std::string HashAesV3Password(int32_t revision, std::string_view password, std::string_view salt,
                              std::string_view extra) {
  if (revision >= 6) return IteratedHash(password, salt, extra);
  return Sha256Digest(std::string(password) + std::string(salt) + std::string(extra));
}

std::string CheckAesV3UserPassword(const TAesV3PasswordInput& in, std::string_view password) {
  if (!AesV3InputUsable(in)) return {};
  std::string_view u(in.U);
  if (HashAesV3Password(in.Revision, password, u.substr(32, 8), {}) != u.substr(0, 32)) return {};
  return UnwrapFileKey(HashAesV3Password(in.Revision, password, u.substr(40, 8), {}), in.UE);
}

std::string CheckAesV3OwnerPassword(const TAesV3PasswordInput& in, std::string_view password) {
  if (!AesV3InputUsable(in)) return {};
  std::string_view o(in.O), u48 = std::string_view(in.U).substr(0, 48);
  if (HashAesV3Password(in.Revision, password, o.substr(32, 8), u48) != o.substr(0, 32)) return {};
  return UnwrapFileKey(HashAesV3Password(in.Revision, password, o.substr(40, 8), u48), in.OE);
}

bool ReadAesV3Perms(const TAesV3PasswordInput& in, std::string_view fileKey, uint32_t& p) {
  if (in.Perms.size() < 16) return false;
  std::string plain = AesCbcDecrypt(fileKey, std::string(16, '\0'), std::string_view(in.Perms).substr(0, 16));
  if (plain.size() != 16 || plain.compare(9, 3, "adb") != 0) return false;
  p = 0;
  for (int i = 3; i >= 0; --i) p = (p << 8) | static_cast<unsigned char>(plain[i]);
  return true;
}

}  // namespace ostrel
