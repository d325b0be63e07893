#pragma once

#include "fwup/firmware/block_keys.h"

namespace fwup {

// The Lodestar family's secrets for decrypting its firmware blocks, as the family registrar hands them
// to the parsers and extractors it registers.
struct LodestarBlockSecrets {
    BlockSecret controlPodModel1; // LDSTCP01 blocks
    BlockSecret controlPodModel2; // LDSTCP02 blocks
    BlockSecret cpuApp;           // LDSTJNA1 blocks
    BlockSecret cpuNet;           // LDSTJNN1 blocks
};

// Assembles the secrets at run time from the form they are kept in: the production set, or the
// development set when production is false. No secret is stored whole.
LodestarBlockSecrets lodestar_block_secrets(bool production);

} // namespace fwup
