#include "jet/crypto/AesCbc.h"

#include <openssl/evp.h>

namespace jet {
namespace {

struct CipherContextDeleter {
  void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};

}  // namespace

std::unique_ptr<AesCbc> AesCbc::Create(uint32_t keyBits) {
  const char* name = keyBits == 128   ? "AES-128-CBC"
                     : keyBits == 192 ? "AES-192-CBC"
                     : keyBits == 256 ? "AES-256-CBC"
                                      : nullptr;
  if (name == nullptr) return nullptr;
  EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, name, nullptr);
  if (cipher == nullptr) return nullptr;
  return std::unique_ptr<AesCbc>(new AesCbc(cipher, keyBits / 8));
}

AesCbc::~AesCbc() { EVP_CIPHER_free(cipher_); }

bool AesCbc::decrypt(std::span<const uint8_t> key, std::span<const uint8_t> iv, std::span<uint8_t> data) const {
  return run(false, key, iv, data);
}

bool AesCbc::encrypt(std::span<const uint8_t> key, std::span<const uint8_t> iv, std::span<uint8_t> data) const {
  return run(true, key, iv, data);
}

bool AesCbc::run(bool encrypting, std::span<const uint8_t> key, std::span<const uint8_t> iv,
                 std::span<uint8_t> data) const {
  if (key.size() != keyBytes_ || iv.size() != kBlockSize) return false;
  const size_t length = data.size() - data.size() % kBlockSize;
  if (length == 0) return true;
  std::unique_ptr<EVP_CIPHER_CTX, CipherContextDeleter> ctx(EVP_CIPHER_CTX_new());
  if (!ctx || EVP_CipherInit_ex2(ctx.get(), cipher_, key.data(), iv.data(), encrypting ? 1 : 0, nullptr) != 1) {
    return false;
  }
  EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
  int written = 0;
  // OpenSSL allows the output to be the input itself.
  if (EVP_CipherUpdate(ctx.get(), data.data(), &written, data.data(), static_cast<int>(length)) != 1) return false;
  int tail = 0;
  return EVP_CipherFinal_ex(ctx.get(), data.data() + written, &tail) == 1 && written + tail == static_cast<int>(length);
}

}  // namespace jet
