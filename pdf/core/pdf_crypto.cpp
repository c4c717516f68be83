#include "pdf/core/pdf_crypto.h"

#include <nettle/aes.h>
#include <nettle/arcfour.h>
#include <nettle/cbc.h>
#include <nettle/md5.h>
#include <nettle/sha2.h>

#include <algorithm>
#include <cstdint>

namespace ostrel {
namespace {

const uint8_t* Bytes(std::string_view s) { return reinterpret_cast<const uint8_t*>(s.data()); }
uint8_t* Bytes(std::string& s) { return reinterpret_cast<uint8_t*>(s.data()); }

template <class Ctx, size_t DigestSize, void (*Init)(Ctx*), void (*Update)(Ctx*, size_t, const uint8_t*),
          void (*Final)(Ctx*, size_t, uint8_t*)>
std::string Digest(std::string_view bytes) {
  Ctx ctx;
  Init(&ctx);
  Update(&ctx, bytes.size(), Bytes(bytes));
  std::string out(DigestSize, '\0');
  Final(&ctx, out.size(), Bytes(out));
  return out;
}

// nettle's CBC helpers take a generic block function; these adapt the typed
// AES functions to it without casting function pointers.
void Aes128Encrypt(const void* ctx, size_t n, uint8_t* dst, const uint8_t* src) {
  aes128_encrypt(static_cast<const aes128_ctx*>(ctx), n, dst, src);
}
void Aes128Decrypt(const void* ctx, size_t n, uint8_t* dst, const uint8_t* src) {
  aes128_decrypt(static_cast<const aes128_ctx*>(ctx), n, dst, src);
}
void Aes256Encrypt(const void* ctx, size_t n, uint8_t* dst, const uint8_t* src) {
  aes256_encrypt(static_cast<const aes256_ctx*>(ctx), n, dst, src);
}
void Aes256Decrypt(const void* ctx, size_t n, uint8_t* dst, const uint8_t* src) {
  aes256_decrypt(static_cast<const aes256_ctx*>(ctx), n, dst, src);
}

std::string AesCbc(std::string_view key, std::string_view iv, std::string_view data, bool encrypt) {
  if ((key.size() != AES128_KEY_SIZE && key.size() != AES256_KEY_SIZE) || iv.size() != AES_BLOCK_SIZE)
    return {};
  std::string out(data.size() - data.size() % AES_BLOCK_SIZE, '\0');
  if (out.empty()) return out;
  uint8_t chain[AES_BLOCK_SIZE];
  std::copy(iv.begin(), iv.end(), chain);
  if (key.size() == AES128_KEY_SIZE) {
    aes128_ctx ctx;
    if (encrypt) {
      aes128_set_encrypt_key(&ctx, Bytes(key));
      cbc_encrypt(&ctx, Aes128Encrypt, AES_BLOCK_SIZE, chain, out.size(), Bytes(out), Bytes(data));
    } else {
      aes128_set_decrypt_key(&ctx, Bytes(key));
      cbc_decrypt(&ctx, Aes128Decrypt, AES_BLOCK_SIZE, chain, out.size(), Bytes(out), Bytes(data));
    }
  } else {
    aes256_ctx ctx;
    if (encrypt) {
      aes256_set_encrypt_key(&ctx, Bytes(key));
      cbc_encrypt(&ctx, Aes256Encrypt, AES_BLOCK_SIZE, chain, out.size(), Bytes(out), Bytes(data));
    } else {
      aes256_set_decrypt_key(&ctx, Bytes(key));
      cbc_decrypt(&ctx, Aes256Decrypt, AES_BLOCK_SIZE, chain, out.size(), Bytes(out), Bytes(data));
    }
  }
  return out;
}

}  // namespace

TMd5::TMd5() { md5_init(&ctx_); }

TMd5& TMd5::Update(std::string_view bytes) {
  md5_update(&ctx_, bytes.size(), Bytes(bytes));
  return *this;
}

std::string TMd5::Digest() {
  std::string out(MD5_DIGEST_SIZE, '\0');
  md5_digest(&ctx_, out.size(), Bytes(out));
  return out;
}

std::string Md5Digest(std::string_view bytes) {
  return Digest<md5_ctx, MD5_DIGEST_SIZE, md5_init, md5_update, md5_digest>(bytes);
}
std::string Sha256Digest(std::string_view bytes) {
  return Digest<sha256_ctx, SHA256_DIGEST_SIZE, sha256_init, sha256_update, sha256_digest>(bytes);
}
std::string Sha384Digest(std::string_view bytes) {
  return Digest<sha384_ctx, SHA384_DIGEST_SIZE, sha384_init, sha384_update, sha384_digest>(bytes);
}
std::string Sha512Digest(std::string_view bytes) {
  return Digest<sha512_ctx, SHA512_DIGEST_SIZE, sha512_init, sha512_update, sha512_digest>(bytes);
}

std::string Rc4(std::string_view key, std::string_view data) {
  std::string out(data);
  if (key.empty() || data.empty()) return out;
  // nettle accepts keys of 1 to 256 bytes; PDF keys never exceed 16.
  if (key.size() > ARCFOUR_MAX_KEY_SIZE) key = key.substr(0, ARCFOUR_MAX_KEY_SIZE);
  arcfour_ctx ctx;
  arcfour_set_key(&ctx, key.size(), Bytes(key));
  arcfour_crypt(&ctx, out.size(), Bytes(out), Bytes(data));
  return out;
}

std::string AesCbcEncrypt(std::string_view key, std::string_view iv, std::string_view data) {
  return AesCbc(key, iv, data, true);
}

std::string AesCbcDecrypt(std::string_view key, std::string_view iv, std::string_view data) {
  return AesCbc(key, iv, data, false);
}

}  // namespace ostrel
