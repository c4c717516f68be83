#include "pdf/core/security_handler.h"

#include <cmath>
#include <unordered_set>
#include <vector>

#include "pdf/core/pdf_crypto.h"
#include "pdf/core/pdf_objects.h"
#include "platform/system_clock.h"
#include "platform/text_codec.h"

namespace ostrel {
namespace {

constexpr size_t kAesBlock = 16;
// Password bytes the key derivations look at.
constexpr size_t kRc4PasswordBytes = 32;
constexpr size_t kAesV3PasswordBytes = 127;

std::string StringEntry(const TPDFDictionary& dict, std::string_view key) {
  const auto* s = dict.Get<TPDFString>(key);
  return s ? s->Value : std::string();
}

std::string NameEntry(const TPDFDictionary& dict, std::string_view key) {
  const auto* n = dict.Get<TPDFName>(key);
  return n ? n->Value : std::string();
}

// /P is a signed 32-bit word, but some writers store it unsigned; either way
// only the low 32 bits matter.
uint32_t PermissionsEntry(const TPDFDictionary& dict) {
  const auto* n = dict.Get<TPDFNumeric>("P");
  if (!n || !std::isfinite(n->Value) || std::fabs(n->Value) > 4294967295.0) return 0;
  return static_cast<uint32_t>(static_cast<int64_t>(std::llround(n->Value)));
}

bool ValidRc4KeyBits(int32_t bits) { return bits >= 40 && bits <= 128 && bits % 8 == 0; }

// A crypt filter's /Length is meant in bytes, but some writers put bits there;
// values too large to be bytes are taken as bits.
int32_t CryptFilterKeyBits(const TPDFDictionary& filter, int32_t topLength) {
  int32_t length = filter.GetInteger("Length", 0);
  if (length <= 0) return topLength > 0 ? topLength : 128;
  return length <= 32 ? length * 8 : length;
}

// The /StdCF crypt filter when both strings and streams use it, else nullptr.
const TPDFDictionary* StandardCryptFilter(const TPDFDictionary& encrypt) {
  if (NameEntry(encrypt, "StrF") != "StdCF" || NameEntry(encrypt, "StmF") != "StdCF") return nullptr;
  const auto* cf = encrypt.Get<TPDFDictionary>("CF");
  return cf ? cf->Get<TPDFDictionary>("StdCF") : nullptr;
}

std::string LowBytes(uint32_t value, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
  return out;
}

}  // namespace

void TPDFSecurityHandler::Reset() { *this = TPDFSecurityHandler(); }

void TPDFSecurityHandler::ReadSecurityDictionary(const TPDFDictionary* encrypt, int32_t encryptObjectNumber,
                                                 std::string_view firstIdElement) {
  Reset();
  encrypted_ = true;
  encryptObjectNumber_ = encryptObjectNumber;
  if (!encrypt || !ReadMethod(*encrypt)) {
    v_ = 0;
    method_ = TPDFCryptMethod::None;
    return;
  }
  p_ = PermissionsEntry(*encrypt);
  rc4_.Revision = aes_.Revision = r_;
  rc4_.KeyBytes = static_cast<size_t>(keyLengthBits_ / 8);
  rc4_.O = aes_.O = StringEntry(*encrypt, "O");
  rc4_.U = aes_.U = StringEntry(*encrypt, "U");
  rc4_.P = p_;
  // A file without /ID derives its key with an empty first element.
  rc4_.FirstId = std::string(firstIdElement);
  rc4_.EncryptMetadata = encryptMetadata_;
  aes_.OE = StringEntry(*encrypt, "OE");
  aes_.UE = StringEntry(*encrypt, "UE");
  aes_.Perms = StringEntry(*encrypt, "Perms");
}

// Records V, R, the method and the key length for the supported combinations;
// false for everything else.
bool TPDFSecurityHandler::ReadMethod(const TPDFDictionary& encrypt) {
  if (NameEntry(encrypt, "Filter") != "Standard") return false;
  const int32_t v = encrypt.GetInteger("V", 0);
  const int32_t r = encrypt.GetInteger("R", 0);
  const int32_t length = encrypt.GetInteger("Length", 0);
  r_ = r;
  if ((v == 1 || v == 2) && (r == 2 || r == 3)) {
    // Revision 2 always derives a 5-byte key; a missing /Length means 40.
    keyLengthBits_ = (v == 1 || r == 2 || length == 0) ? 40 : length;
    if (!ValidRc4KeyBits(keyLengthBits_)) return false;
    method_ = TPDFCryptMethod::RC4;
  } else if ((v == 4 && r == 4) || (v == 5 && (r == 5 || r == 6))) {
    const TPDFDictionary* filter = StandardCryptFilter(encrypt);
    if (!filter) return false;
    const std::string cfm = NameEntry(*filter, "CFM");
    if (v == 5 && cfm == "AESV3") {
      keyLengthBits_ = 256;
      method_ = TPDFCryptMethod::AES256;
    } else if (v == 4 && cfm == "AESV2") {
      keyLengthBits_ = 128;
      method_ = TPDFCryptMethod::AES128;
    } else if (v == 4 && cfm == "V2") {
      keyLengthBits_ = CryptFilterKeyBits(*filter, length);
      if (!ValidRc4KeyBits(keyLengthBits_)) return false;
      method_ = TPDFCryptMethod::RC4;
    } else {
      return false;
    }
    if (const auto* em = encrypt.Get<TPDFBoolean>("EncryptMetadata")) encryptMetadata_ = em->Value;
  } else {
    return false;
  }
  v_ = v;
  return true;
}

int TPDFSecurityHandler::SecurityState() const {
  if (!encrypted_) return 0;
  return v_ != 0 ? 1 : 2;
}

TPDFCryptFamily TPDFSecurityHandler::Family() const {
  switch (method_) {
    case TPDFCryptMethod::AES256:
      return TPDFCryptFamily::AesV3;
    case TPDFCryptMethod::AES128:
      return TPDFCryptFamily::AesV2;
    default:
      return keyLengthBits_ > 40 ? TPDFCryptFamily::Rc4Long : TPDFCryptFamily::Rc4Short;
  }
}

bool TPDFSecurityHandler::TryPassword(std::u16string_view password) {
  userAccepted_ = ownerAccepted_ = false;
  fileKey_.clear();
  if (SecurityState() != 1) return false;
  // Revisions 5 and 6 take UTF-8 (without SASLprep normalisation); the older
  // ones take one byte per character in Windows-1252.
  if (method_ == TPDFCryptMethod::AES256)
    return TryAesV3(Utf16ToUtf8(password).substr(0, kAesV3PasswordBytes));
  return TryRc4Family(Utf16ToCp1252(password).substr(0, kRc4PasswordBytes));
}

bool TPDFSecurityHandler::TryRc4Family(const std::string& password) {
  fileKey_ = CheckUserPassword(rc4_, password);
  if (!fileKey_.empty()) {
    userAccepted_ = true;
    userPassword_ = password;
    ownerPassword_.clear();
    return true;
  }
  std::string user = RecoverUserPassword(rc4_, password);
  fileKey_ = CheckUserPassword(rc4_, user);
  if (fileKey_.empty()) return false;
  ownerAccepted_ = true;
  userPassword_ = user;
  ownerPassword_ = password;
  return true;
}

bool TPDFSecurityHandler::TryAesV3(const std::string& password) {
  fileKey_ = CheckAesV3UserPassword(aes_, password);
  if (!fileKey_.empty()) {
    userAccepted_ = true;
    userPassword_ = password;
    ownerPassword_.clear();
  } else {
    fileKey_ = CheckAesV3OwnerPassword(aes_, password);
    if (fileKey_.empty()) return false;
    ownerAccepted_ = true;
    ownerPassword_ = password;
  }
  uint32_t perms = 0;
  if (ReadAesV3Perms(aes_, fileKey_, perms)) p_ = perms;
  return true;
}

std::string TPDFSecurityHandler::ObjectKey(int32_t number, int32_t generation) const {
  if (fileKey_.empty() || (encryptObjectNumber_ > 0 && number == encryptObjectNumber_)) return {};
  if (method_ == TPDFCryptMethod::AES256) return fileKey_;
  TMd5 md5;
  md5.Update(fileKey_)
      .Update(LowBytes(static_cast<uint32_t>(number), 3))
      .Update(LowBytes(static_cast<uint32_t>(generation), 2));
  if (method_ == TPDFCryptMethod::AES128) md5.Update("sAlT");
  return md5.Digest().substr(0, std::min<size_t>(fileKey_.size() + 5, 16));
}

std::string TPDFSecurityHandler::DecryptBytes(std::string_view key, std::string_view data) const {
  if (key.empty() || method_ == TPDFCryptMethod::None) return std::string(data);
  if (method_ == TPDFCryptMethod::RC4) return Rc4(key, data);
  // AES: the first block is the IV. Without a whole block after it there is
  // nothing to decrypt; a trailing partial block is damage and is dropped.
  if (data.size() < 2 * kAesBlock) return {};
  std::string_view body = data.substr(kAesBlock);
  std::string plain = AesCbcDecrypt(key, data.substr(0, kAesBlock), body);
  if (body.size() % kAesBlock == 0 && !plain.empty()) {
    // Padding of 1 to 16 bytes is removed; any other last byte means the
    // padding is damaged, and the data is kept whole rather than emptied.
    const unsigned pad = static_cast<unsigned char>(plain.back());
    if (pad >= 1 && pad <= kAesBlock) plain.resize(plain.size() - pad);
  }
  return plain;
}

std::string TPDFSecurityHandler::EncryptBytes(std::string_view key, std::string_view data) const {
  if (key.empty() || method_ == TPDFCryptMethod::None) return std::string(data);
  if (method_ == TPDFCryptMethod::RC4) return Rc4(key, data);
  const size_t pad = kAesBlock - data.size() % kAesBlock;
  std::string padded(data);
  padded.append(pad, static_cast<char>(pad));
  std::string iv(kAesBlock, '\0');
  RandomBytes(iv.data(), iv.size());
  return iv + AesCbcEncrypt(key, iv, padded);
}

void TPDFSecurityHandler::DecryptObject(const std::string& key, TPDFObject* value) const {
  Transform(key, value, false);
}

void TPDFSecurityHandler::EncryptObject(const std::string& key, TPDFObject* value) const {
  Transform(key, value, true);
}

// Walks the value with an explicit stack (nesting depth costs no native
// stack) and a visited set, so that an object reached twice is transformed
// once and cycles end.
void TPDFSecurityHandler::Transform(const std::string& key, TPDFObject* value, bool encrypt) const {
  if (key.empty() || !value) return;
  auto apply = [&](std::string_view bytes) {
    return encrypt ? EncryptBytes(key, bytes) : DecryptBytes(key, bytes);
  };
  std::unordered_set<const TPDFObject*> visited;
  std::vector<TPDFObject*> pending{value};
  while (!pending.empty()) {
    TPDFObject* obj = pending.back();
    pending.pop_back();
    if (!obj || !visited.insert(obj).second) continue;
    switch (obj->Kind()) {
      case TPDFKind::String: {
        auto* s = static_cast<TPDFString*>(obj);
        s->Value = apply(s->Value);
        break;
      }
      case TPDFKind::Array:
        for (TPDFObject* member : static_cast<TPDFArray*>(obj)->Members) pending.push_back(member);
        break;
      case TPDFKind::Dictionary:
        for (const auto& [k, v] : static_cast<TPDFDictionary*>(obj)->Pairs) pending.push_back(v);
        break;
      case TPDFKind::Stream: {
        auto* stream = static_cast<TPDFStream*>(obj);
        const std::string type = stream->StreamDict ? stream->StreamDict->TypeName() : std::string();
        // Cross-reference streams are never encrypted, dictionary included.
        if (type == "XRef") break;
        if (!(type == "Metadata" && !encryptMetadata_)) stream->SetRawData(apply(stream->RawData));
        pending.push_back(stream->StreamDict);
        break;
      }
      default:
        break;
    }
  }
}

std::string TPDFSecurityHandler::MethodName() const {
  switch (SecurityState()) {
    case 0:
      return {};
    case 2:
      return "unsupported";
    default:
      break;
  }
  switch (method_) {
    case TPDFCryptMethod::AES128:
      return "AES 128";
    case TPDFCryptMethod::AES256:
      return "AES 256";
    default:
      return "RC4 " + std::to_string(keyLengthBits_);
  }
}

}  // namespace ostrel
