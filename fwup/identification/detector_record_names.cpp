#include "fwup/identification/detector_record_names.h"

#include <QDebug>

#include <utility>

namespace fwup {

QString detector_name_for_detector_type(DetectorType type) {
    switch (type) {
    case DetectorType::NONE:
        qDebug() << "Detector type NONE selected";
        return {};
    case DetectorType::KESTREL12:
        return QStringLiteral("kestrel12");
    case DetectorType::KESTREL12B:
        return QStringLiteral("kestrel12b");
    case DetectorType::HERON_MODEL_1:
        return QStringLiteral("meridian11");
    case DetectorType::HERON_MODEL_2:
        return QStringLiteral("meridian13");
    case DetectorType::HERON_MODEL_3:
        return QStringLiteral("meridian15");
    case DetectorType::CASCADE21:
        return QStringLiteral("cascade21");
    case DetectorType::CASCADE25:
        return QStringLiteral("cascade25");
    case DetectorType::LANTERN_POST:
        return QStringLiteral("keepsake50");
    case DetectorType::RDQ40:
        return QStringLiteral("rdq40");
    case DetectorType::COBALT:
        return QStringLiteral("RDX 30");
    case DetectorType::FENNEL:
    case DetectorType::FENNEL_CB_NO_APP:
    case DetectorType::FENNEL_UIM_NO_APP:
        return QStringLiteral("pqv3");
    case DetectorType::OCELOT2_JUNIPER:
        return QStringLiteral("cascade2327_juniper");
    case DetectorType::OCELOT2_MODEL_1:
        return QStringLiteral("cascade23");
    case DetectorType::OCELOT2_MODEL_2:
        return QStringLiteral("cascade27");
    case DetectorType::LODESTAR_JUNIPER:
        return QStringLiteral("summit_pro_juniper");
    case DetectorType::LODESTAR_MODEL_1:
        return QStringLiteral("summit_pro");
    case DetectorType::LODESTAR_MODEL_2:
        return QStringLiteral("summit_pro_2");
    case DetectorType::LARCH:
    case DetectorType::LARCH_MD_BL:
        return QStringLiteral("kq9");
    case DetectorType::QUILL:
        return QStringLiteral("quill");
    case DetectorType::ALDER_MODEL_1:
    case DetectorType::ALDER_MODEL_2:
    case DetectorType::ROWAN_JUNIPER:
    case DetectorType::ROWAN_MODEL_1:
    case DetectorType::RT44_MODEL_1:
        break;
    }
    return {};
}

QString speculated_detector_name_for_detector_type(DetectorType type) {
    switch (type) {
    case DetectorType::HERON_MODEL_1:
        return QStringLiteral("speculativeMeridian11");
    case DetectorType::HERON_MODEL_2:
        return QStringLiteral("speculativeMeridian13");
    case DetectorType::HERON_MODEL_3:
        return QStringLiteral("speculativeMeridian15");
    case DetectorType::CASCADE21:
        return QStringLiteral("speculativeCascade21");
    case DetectorType::CASCADE25:
        return QStringLiteral("speculativeCascade25");
    default:
        return detector_name_for_detector_type(DetectorType::NONE);
    }
}

DetectorType detector_type_from_detector_name(const QString& name) {
    static const std::pair<QLatin1String, DetectorType> table[] = {
        {QLatin1String("kestrel12"), DetectorType::KESTREL12},
        {QLatin1String("kestrel12b"), DetectorType::KESTREL12B},
        {QLatin1String("rdq40"), DetectorType::RDQ40},
        {QLatin1String("cascade21"), DetectorType::CASCADE21},
        {QLatin1String("speculativeCascade21"), DetectorType::CASCADE21},
        {QLatin1String("cascade25"), DetectorType::CASCADE25},
        {QLatin1String("speculativeCascade25"), DetectorType::CASCADE25},
        {QLatin1String("RDX 30"), DetectorType::COBALT},
        {QLatin1String("cascade23"), DetectorType::OCELOT2_MODEL_1},
        {QLatin1String("cascade27"), DetectorType::OCELOT2_MODEL_2},
        {QLatin1String("kq9"), DetectorType::LARCH},
        {QLatin1String("keepsake50"), DetectorType::LANTERN_POST},
        {QLatin1String("summit_pro"), DetectorType::LODESTAR_MODEL_1},
        {QLatin1String("summit_pro_2"), DetectorType::LODESTAR_MODEL_2},
    };
    for (const auto& [recordName, type] : table) {
        if (name == recordName) {
            return type;
        }
    }
    return DetectorType::NONE;
}

} // namespace fwup
