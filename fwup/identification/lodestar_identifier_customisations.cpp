#include "fwup/identification/lodestar_identifier_customisations.h"

#include <QDebug>

namespace fwup {

namespace {

constexpr cvsw::muppet::ProductTypeId LODESTAR_CONTROL_POD = 144;
constexpr cvsw::muppet::ProductTypeId NORDIC_BLUETOOTH_LE_GATEWAY = 161;

// Every bit the mask names is set in the flags.
bool allMaskedBitsSet(unsigned int validFlags, unsigned int validMask) {
    return (validMask & ~validFlags) == 0;
}

class LodestarMbuIdentifierCustomisations final : public MbuComponentIdentifier::ICustomisation {
public:
    std::optional<DetectorType> detectorTypeFor(cvsw::muppet::ProductTypeId type,
                                                unsigned char productModel) const override {
        if (type != LODESTAR_CONTROL_POD) {
            return std::nullopt;
        }
        switch (productModel) {
        case 1:
            return DetectorType::LODESTAR_MODEL_1;
        case 2:
            return DetectorType::LODESTAR_MODEL_2;
        default:
            qDebug() << "detector type is not lodestar";
            return std::nullopt;
        }
    }

    std::optional<DetectorType> detectorTypeFromName(const QString& name) const override {
        if (name == QLatin1String("summit_pro") || name == QLatin1String("speculativeSummitPro")) {
            return DetectorType::LODESTAR_MODEL_1;
        }
        if (name == QLatin1String("summit_pro_2") || name == QLatin1String("speculativeSummitPro2")) {
            return DetectorType::LODESTAR_MODEL_2;
        }
        return std::nullopt;
    }

    bool validityFlagA(unsigned int validFlags, unsigned int validMask) const override {
        return ((validFlags & validMask) & 0x2u) != 0;
    }

    bool validityFlagB(unsigned int validFlags, unsigned int validMask) const override {
        return allMaskedBitsSet(validFlags, validMask);
    }

    std::optional<QString> detectorName(DetectorType type) const override {
        switch (type) {
        case DetectorType::LODESTAR_MODEL_1:
            return QStringLiteral("summit_pro");
        case DetectorType::LODESTAR_MODEL_2:
            return QStringLiteral("summit_pro_2");
        default:
            qDebug() << "detector type is not lodestar";
            return std::nullopt;
        }
    }

    std::optional<QString> speculativeDetectorName(DetectorType type) const override {
        switch (type) {
        case DetectorType::LODESTAR_MODEL_1:
            return QStringLiteral("speculativeSummitPro");
        case DetectorType::LODESTAR_MODEL_2:
            return QStringLiteral("speculativeSummitPro2");
        default:
            qDebug() << "detector type is not lodestar";
            return std::nullopt;
        }
    }
};

class LodestarTamarindCustomisations final : public TamarindComponentIdentifier::ICustomisation {
public:
    std::optional<DetectorType> detectorTypeFor(cvsw::muppet::ProductTypeId type,
                                                unsigned char productModel) const override {
        if (type == NORDIC_BLUETOOTH_LE_GATEWAY && productModel == 1) {
            return DetectorType::LODESTAR_JUNIPER;
        }
        return std::nullopt;
    }

    std::optional<DetectorType> detectorTypeFromName(const QString& name) const override {
        if (name == lodestar_tamarind_detector_name()) {
            return DetectorType::LODESTAR_JUNIPER;
        }
        return std::nullopt;
    }

    bool validityFlag(unsigned int validFlags, unsigned int validMask) const override {
        return allMaskedBitsSet(validFlags, validMask);
    }

    std::optional<QString> detectorName(DetectorType type) const override {
        if (type == DetectorType::LODESTAR_JUNIPER) {
            return lodestar_tamarind_detector_name();
        }
        return std::nullopt;
    }
};

const LodestarMbuIdentifierCustomisations mbuCustomisations;
const LodestarTamarindCustomisations tamarindCustomisations;

} // namespace

const MbuComponentIdentifier::ICustomisation& lodestar_mbu_identifier_customisations() {
    return mbuCustomisations;
}

const TamarindComponentIdentifier::ICustomisation& lodestar_tamarind_customisations() {
    return tamarindCustomisations;
}

} // namespace fwup
