#include "fwup/firmware/lodestar_block_secrets.h"

#include "fwup/firmware/lodestar_block_secrets_data.h"

namespace fwup {

namespace {

BlockSecret assemble(const std::array<std::uint16_t, 32>& indices) {
    BlockSecret secret{};
    for (std::size_t i = 0; i < secret.size(); ++i) {
        secret[i] = lodestar_secrets::BytePool[indices[i]];
    }
    return secret;
}

} // namespace

LodestarBlockSecrets lodestar_block_secrets(bool production) {
    using namespace lodestar_secrets;
    if (production) {
        return {assemble(LodestarModel1ProductionIndices), assemble(LodestarModel2ProductionIndices),
                assemble(LodestarJuniperCpuAppProductionIndices),
                assemble(LodestarJuniperCpuNetProductionIndices)};
    }
    return {assemble(LodestarModel1DevelopmentIndices), assemble(LodestarModel2DevelopmentIndices),
            assemble(LodestarJuniperCpuAppDevelopmentIndices),
            assemble(LodestarJuniperCpuNetDevelopmentIndices)};
}

} // namespace fwup
