// Hash functions of the ACCDB encryption schemes, by the names the encryption
// descriptions use ("SHA1", "SHA512", ...), computed by OpenSSL's libcrypto.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <vector>

typedef struct evp_md_st EVP_MD;

namespace jet {

class Digest {
 public:
  // Null when `name` is not a hash we accept (SHA1, SHA256, SHA384, SHA512) or the
  // library lacks it.
  static std::unique_ptr<Digest> Create(const std::string& name);
  ~Digest();
  Digest(const Digest&) = delete;
  Digest& operator=(const Digest&) = delete;

  const std::string& name() const { return name_; }
  size_t size() const { return size_; }

  // The hash of the concatenated parts. Safe to call from several threads.
  std::vector<uint8_t> hash(std::initializer_list<std::span<const uint8_t>> parts) const;

  // The password hash of the agile scheme: H0 = hash(salt + password), then
  // `iterations` times H = hash(iteration number as 4 LE bytes + H).
  std::vector<uint8_t> iteratedPasswordHash(std::span<const uint8_t> salt, std::span<const uint8_t> password,
                                            uint32_t iterations) const;

 private:
  Digest(EVP_MD* md, std::string name, size_t size) : md_(md), name_(std::move(name)), size_(size) {}
  EVP_MD* md_;
  std::string name_;
  size_t size_;
};

// `bytes` cut or padded with `pad` to `length` bytes.
std::vector<uint8_t> FixLength(std::vector<uint8_t> bytes, size_t length, uint8_t pad);

}  // namespace jet
