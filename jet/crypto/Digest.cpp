#include "jet/crypto/Digest.h"

#include <openssl/evp.h>

#include <map>

namespace jet {
namespace {

struct MdContextDeleter {
  void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
using MdContext = std::unique_ptr<EVP_MD_CTX, MdContextDeleter>;

}  // namespace

std::unique_ptr<Digest> Digest::Create(const std::string& name) {
  static const std::map<std::string, const char*> kOpenSslNames = {
      {"SHA1", "SHA1"}, {"SHA-1", "SHA1"}, {"SHA256", "SHA2-256"}, {"SHA384", "SHA2-384"}, {"SHA512", "SHA2-512"}};
  const auto found = kOpenSslNames.find(name);
  if (found == kOpenSslNames.end()) return nullptr;
  EVP_MD* md = EVP_MD_fetch(nullptr, found->second, nullptr);
  if (md == nullptr) return nullptr;
  return std::unique_ptr<Digest>(new Digest(md, name, static_cast<size_t>(EVP_MD_get_size(md))));
}

Digest::~Digest() { EVP_MD_free(md_); }

std::vector<uint8_t> Digest::hash(std::initializer_list<std::span<const uint8_t>> parts) const {
  std::vector<uint8_t> out(size_);
  MdContext ctx(EVP_MD_CTX_new());
  bool ok = ctx && EVP_DigestInit_ex(ctx.get(), md_, nullptr) == 1;
  for (const auto& part : parts) ok = ok && EVP_DigestUpdate(ctx.get(), part.data(), part.size()) == 1;
  unsigned int length = 0;
  ok = ok && EVP_DigestFinal_ex(ctx.get(), out.data(), &length) == 1;
  // A failing hash leaves zeros, which can only make a password check fail.
  if (!ok) std::fill(out.begin(), out.end(), 0);
  return out;
}

std::vector<uint8_t> Digest::iteratedPasswordHash(std::span<const uint8_t> salt, std::span<const uint8_t> password,
                                                  uint32_t iterations) const {
  std::vector<uint8_t> current = hash({salt, password});
  MdContext ctx(EVP_MD_CTX_new());
  if (!ctx) return std::vector<uint8_t>(size_, 0);
  for (uint32_t i = 0; i < iterations; ++i) {
    const uint8_t counter[4] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i >> 16),
                                static_cast<uint8_t>(i >> 24)};
    unsigned int length = 0;
    if (EVP_DigestInit_ex(ctx.get(), md_, nullptr) != 1 || EVP_DigestUpdate(ctx.get(), counter, 4) != 1 ||
        EVP_DigestUpdate(ctx.get(), current.data(), current.size()) != 1 ||
        EVP_DigestFinal_ex(ctx.get(), current.data(), &length) != 1) {
      return std::vector<uint8_t>(size_, 0);
    }
  }
  return current;
}

std::vector<uint8_t> FixLength(std::vector<uint8_t> bytes, size_t length, uint8_t pad) {
  bytes.resize(length, pad);
  return bytes;
}

}  // namespace jet
