// First version: plain files only. Page encoding and encryption follow in jet/crypto.
#include "jet/PageCodec.h"

namespace jet {
namespace {

class PlainCodec final : public PageCodec {
 public:
  void decode(uint32_t, std::span<uint8_t>) const override {}
  void encode(uint32_t, std::span<uint8_t>) const override {}
  bool transforms() const override { return false; }
};

}  // namespace

Result<std::unique_ptr<PageCodec>> OpenPageCodec(std::span<const uint8_t>, const std::string&,
                                                 const std::string&) {
  return std::unique_ptr<PageCodec>(std::make_unique<PlainCodec>());
}

}  // namespace jet
