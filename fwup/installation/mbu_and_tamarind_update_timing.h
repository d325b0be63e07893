#pragma once

#include "fwup/identification/user_login_agent.h"
#include "fwup/installation/firmware_upgrade_indicator.h"
#include "fwup/installation/mbu_bootloader_file_putter.h"
#include "fwup/installation/tamarind_update_timing.h"
#include "fwup/installation/user_settings_record_storer.h"

#include <chrono>
#include <cstdint>

namespace fwup {

// Every wait of a control-pod and Tamarind update. The defaults are the devices' own; tests shorten them.
struct MbuAndTamarindUpdateTiming {
    int stepIntervalMs = 1000;
    // Each of the eleven steps of the bootloader path's closing progress, 90 to 100.
    int finishingStepMs = 500;
    // Finding the pod again by its serial number.
    std::uint32_t relocationRetries = 30;
    std::uint64_t relocationRetryIntervalMs = 250;
    std::uint32_t productTypeAttempts = 10;
    std::uint64_t productTypeFirstTimeoutMs = 250;
    std::uint64_t productTypeResendTimeoutMs = 1000;
    // The upgrade indication's exchange, and the wait before it sets a wrong state again.
    std::uint32_t indicationAttempts = 5;
    std::uint64_t indicationFirstTimeoutMs = 3000;
    std::uint64_t indicationResendTimeoutMs = 1000;
    int indicationRetryMs = FirmwareUpgradeIndicator::DEFAULT_RETRY_INTERVAL_MS;
    // Silence after a reset request that counts as the pod restarting.
    std::uint64_t resetTimeoutMs = 1000;
    std::uint32_t validityPolls = 45;
    std::uint64_t validityPollIntervalMs = 1000;
    std::uint64_t validityReplyTimeoutMs = 1000;
    qint64 loginStepTimeoutMs = UserLoginAgent::DEFAULT_STEP_TIMEOUT_MS;
    // The wait for the answer to a control-pod file packet's first send.
    std::chrono::milliseconds putTimeout{10000};
    MbuBootloaderFilePutter::Timing filePut;
    UserSettingsRecordStorer::Timing settings;
    TamarindUpdateTiming tamarind;
    // Finding the Tamarind sub-system again after its restart.
    std::uint32_t tamarindRelocationAttempts = 30;
    std::uint64_t tamarindRelocationFirstTimeoutMs = 2000;
};

} // namespace fwup
