#pragma once

#include "fwup/identification/mbu_and_tamarind_system_identity.h"

namespace fwup {

// The identity of a Lodestar system: a control pod of model 1 or 2 with its Tamarind sub-system.
class LodestarSystemIdentity : public MbuAndTamarindSystemIdentity {
public:
    using MbuAndTamarindSystemIdentity::MbuAndTamarindSystemIdentity;

    // Equal to any Lodestar system (type 22 or 23, on the whole and on the pod) whose parts agree,
    // whichever model each side was identified as: the model is not compared.
    bool operator==(const ISystemIdentity& other) const override;
};

} // namespace fwup
