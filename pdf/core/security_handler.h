#pragma once
// The standard security handler: reads a document's /Encrypt dictionary,
// checks passwords, derives the file key and the per-object keys, and
// decrypts or encrypts the strings and stream data of object values.
#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/core/password_algorithms.h"

namespace ostrel {

class TPDFDictionary;
class TPDFObject;

enum class TPDFCryptMethod : uint8_t { None, RC4, AES128, AES256 };

// Which key derivation and cipher a file uses.
enum class TPDFCryptFamily : uint8_t { Rc4Short = 0, Rc4Long = 1, AesV2 = 2, AesV3 = 3 };

// Permission bits of /P as the facade reads them.
enum TPDFPermission : uint32_t {
  kPermPrint = 4,
  kPermModify = 8,
  kPermCopy = 16,
  kPermAnnotate = 32,
  kPermFillForms = 256,
  kPermExtractForAccessibility = 512,
  kPermAssemble = 1024,
  kPermPrintHighQuality = 2048,
};

class TPDFSecurityHandler {
 public:
  // Back to "not encrypted".
  void Reset();

  // Reads the resolved /Encrypt dictionary (nullptr when /Encrypt did not
  // resolve to one: encrypted, unsupported). encryptObjectNumber is the
  // dictionary's own object number, 0 when it is direct; firstIdElement is
  // the raw first /ID element, empty when the trailer has no /ID.
  void ReadSecurityDictionary(const TPDFDictionary* encrypt, int32_t encryptObjectNumber,
                              std::string_view firstIdElement);

  // Checks the password as user password, then as owner password; keeps the
  // file key when one of them matches. Returns whether one did.
  bool TryPassword(std::u16string_view password);

  // 0 not encrypted, 1 encrypted with a supported method, 2 unsupported.
  int SecurityState() const;
  bool CanDecrypt() const { return SecurityState() == 1 && (userAccepted_ || ownerAccepted_); }
  bool UserAccepted() const { return userAccepted_; }
  bool OwnerAccepted() const { return ownerAccepted_; }
  // Set by the document when the empty password was accepted as user password.
  bool OpenedWithoutPassword = false;

  // The key for one object's strings and streams; empty for the /Encrypt
  // dictionary's own object and before a password was accepted.
  std::string ObjectKey(int32_t number, int32_t generation) const;

  // Transform every string and stream's data reachable from value through
  // dictionaries, arrays and stream dictionaries (references are not
  // followed), in place, each object once. Cross-reference streams are left
  // alone, and so are metadata streams' data when /EncryptMetadata is false.
  void DecryptObject(const std::string& key, TPDFObject* value) const;
  void EncryptObject(const std::string& key, TPDFObject* value) const;

  // The cipher of the file applied to one byte string. Encrypting with AES
  // adds PKCS#7 padding and a fresh random IV in front.
  std::string DecryptBytes(std::string_view key, std::string_view data) const;
  std::string EncryptBytes(std::string_view key, std::string_view data) const;

  // "RC4 40", "RC4 128", "AES 128", "AES 256"; "unsupported" for state 2;
  // empty when not encrypted.
  std::string MethodName() const;

  int32_t V() const { return v_; }
  int32_t R() const { return r_; }
  int32_t KeyLengthBits() const { return keyLengthBits_; }
  TPDFCryptMethod Method() const { return method_; }
  TPDFCryptFamily Family() const;
  uint32_t P() const { return p_; }
  bool HasPermission(TPDFPermission bit) const { return (p_ & bit) != 0; }
  bool EncryptMetadata() const { return encryptMetadata_; }
  int32_t EncryptObjectNumber() const { return encryptObjectNumber_; }
  const std::string& FileKey() const { return fileKey_; }
  // The password bytes of the last check, as the key derivation saw them.
  const std::string& UserPassword() const { return userPassword_; }
  const std::string& OwnerPassword() const { return ownerPassword_; }

 private:
  bool ReadMethod(const TPDFDictionary& encrypt);
  bool TryRc4Family(const std::string& password);
  bool TryAesV3(const std::string& password);
  void Transform(const std::string& key, TPDFObject* value, bool encrypt) const;

  bool encrypted_ = false;
  int32_t encryptObjectNumber_ = 0;
  int32_t v_ = 0, r_ = 0;
  int32_t keyLengthBits_ = 0;
  TPDFCryptMethod method_ = TPDFCryptMethod::None;
  bool encryptMetadata_ = true;
  uint32_t p_ = 0;
  TRc4PasswordInput rc4_;
  TAesV3PasswordInput aes_;
  std::string userPassword_, ownerPassword_;
  std::string fileKey_;
  bool userAccepted_ = false, ownerAccepted_ = false;
};

}  // namespace ostrel
