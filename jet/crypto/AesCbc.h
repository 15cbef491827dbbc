// AES in CBC mode without padding, as the agile ACCDB scheme uses it for its key
// blobs and for every page. Computed by OpenSSL's libcrypto.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

typedef struct evp_cipher_st EVP_CIPHER;

namespace jet {

class AesCbc {
 public:
  static constexpr size_t kBlockSize = 16;
  // Null unless keyBits is 128, 192 or 256 and the library provides it.
  static std::unique_ptr<AesCbc> Create(uint32_t keyBits);
  ~AesCbc();
  AesCbc(const AesCbc&) = delete;
  AesCbc& operator=(const AesCbc&) = delete;

  size_t keyBytes() const { return keyBytes_; }
  // Transform `data` in place; only whole 16-byte blocks are touched (a shorter tail
  // stays as it is). `key` must be keyBytes() long, `iv` 16 bytes. False on a
  // library failure. Safe to call from several threads.
  bool decrypt(std::span<const uint8_t> key, std::span<const uint8_t> iv, std::span<uint8_t> data) const;
  bool encrypt(std::span<const uint8_t> key, std::span<const uint8_t> iv, std::span<uint8_t> data) const;

 private:
  AesCbc(EVP_CIPHER* cipher, size_t keyBytes) : cipher_(cipher), keyBytes_(keyBytes) {}
  bool run(bool encrypting, std::span<const uint8_t> key, std::span<const uint8_t> iv, std::span<uint8_t> data) const;
  EVP_CIPHER* cipher_;
  size_t keyBytes_;
};

}  // namespace jet
