#include "cvbv3/block_registry.h"

#include "cvbv3/block_registry_secrets.h"
#include "cvbv3/fixed_secret_auth_response_generator.h"

#include <QFile>

#include <optional>
#include <string>

namespace cvsw::cvbv3 {

namespace {

std::optional<QFile> logFile;
std::optional<QFile> standardOutput;

BlockTypeTag tag(const char (&text)[9]) {
    BlockTypeTag bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(text[i]);
    }
    return bytes;
}

// Strings stored whole.
AuthResponseGeneratorFactory plainRow(const char* keyName, const char* secret) {
    return [keyName, secret] {
        return std::make_shared<FixedSecretAuthResponseGenerator>(std::string(keyName), std::string(secret));
    };
}

// Strings assembled only when the generator is made.
AuthResponseGeneratorFactory runTimeRow(const ObfuscatedString& keyName, const ObfuscatedString& secret) {
    return [&keyName, &secret] {
        return std::make_shared<FixedSecretAuthResponseGenerator>(keyName.reveal(), secret.reveal());
    };
}

void insertRow(const BlockTypeTag& blockType, AuthResponseGeneratorFactory&& factory) {
    globalBlockRegistry().insert({blockType, std::move(factory)});
}

const bool registered = (registerBlockAuthFactories(), true);

} // namespace

BlockRegistry& globalBlockRegistry() {
    static BlockRegistry registry;
    return registry;
}

QFile& messageHandlerLogFile() {
    if (!logFile) {
        logFile.emplace();
    }
    return *logFile;
}

QFile& messageHandlerStandardOutput() {
    if (!standardOutput) {
        standardOutput.emplace();
    }
    return *standardOutput;
}

void registerBlockAuthFactories() {
    messageHandlerLogFile();
    messageHandlerStandardOutput();

    const char* const heronKey = "Heron Control Box Encryption Key Issue #1";
    const char* const ocelotKey = "Ocelot Control Box Encryption Key Issue #1";
    const char* const fennelUimKey = "Fennel UIM Encryption Key Issue #1";

    insertRow(tag("HERNCBM1"), plainRow(heronKey, "20170214_Hq4TnWz8Lp2R"));
    insertRow(tag("HERNCBM2"), plainRow(heronKey, "20170214_mB7xKd3QvY9s"));
    insertRow(tag("HERNCBM3"), plainRow(heronKey, "20170214_Zr5uPc8NjW1e"));
    insertRow(tag("OCLTCBM1"), plainRow(ocelotKey, "20150611_Tk9Vb2MxRq7D"));
    insertRow(tag("OCLTCBM2"), plainRow(ocelotKey, "20150611_Tk9Vb2MxRq7D"));
    insertRow(tag("COBCBSW1"),
              plainRow("Cobalt Control Box Encryption Key Issue #1", "20160422_3Jw85Rp1Nc6Y"));
    insertRow(tag("COBPODSW"), plainRow("Cobalt Pod Encryption Key Issue #1", "20160422_qD74295tHs3K"));
    insertRow(tag("FENLCB01"),
              plainRow("Fennel Control Box Encryption Key Issue #1", "20170530_9M28C41K5X3Q"));
    insertRow(tag("FENLUIM1"), plainRow(fennelUimKey, "20170602_KP342RT71"));
    insertRow(tag("FENLGSYS"), plainRow("Fennel GPR System Encryption Key Issue #1", "20170711_ZW563Q218"));
    insertRow(tag("FENLGPRS"), plainRow(fennelUimKey, "20170705_KP7DFQR34"));
    insertRow(tag("FENLGPRD"), plainRow(fennelUimKey, "20170705_VN2J8QR81"));
    insertRow(tag("FENLGPRF"), plainRow(fennelUimKey, "20170705_ZW563QR29"));
    insertRow(tag("LRCHMD01"),
              plainRow("Larch Metal Detector Encryption Key Issue #1", "20170815_BHN27TR64QWE"));
    insertRow(tag("GRAPHAS1"), runTimeRow(gfx::GRAPHICAL_ASSETS_STRING_1_SECRET_OBS,
                                          gfx::GRAPHICAL_ASSETS_STRING_2_SECRET_OBS));
    insertRow(tag("LRCHSC01"),
              plainRow("Larch System Controller Encryption Key Issue #1", "20170815_QJP8FN3X71ZT"));
    insertRow(tag("OCL2CPM1"), runTimeRow(ocelot2::OCELOT2_MODEL_1_STRING_1_SECRET_OBS,
                                          ocelot2::OCELOT2_MODEL_1_STRING_2_SECRET_OBS));
    insertRow(tag("OCL2CPM2"), runTimeRow(ocelot2::OCELOT2_MODEL_2_STRING_1_SECRET_OBS,
                                          ocelot2::OCELOT2_MODEL_2_STRING_2_SECRET_OBS));
    insertRow(tag("OCL2JNA1"), runTimeRow(ocelot2::OCELOT2_JUNIPER_CPUAPP_STRING_1_SECRET_OBS,
                                          ocelot2::OCELOT2_JUNIPER_CPUAPP_STRING_2_SECRET_OBS));
    insertRow(tag("OCL2JNN1"), runTimeRow(ocelot2::OCELOT2_JUNIPER_CPUNET_STRING_1_SECRET_OBS,
                                          ocelot2::OCELOT2_JUNIPER_CPUNET_STRING_2_SECRET_OBS));
    insertRow(tag("ROWNCP01"), runTimeRow(rowan::ROWAN_CONTROL_POD_STRING_1_SECRET_OBS,
                                          rowan::ROWAN_CONTROL_POD_STRING_2_SECRET_OBS));
    insertRow(tag("ROWNJNA1"), runTimeRow(rowan::ROWAN_JUNIPER_CPUAPP_STRING_1_SECRET_OBS,
                                          rowan::ROWAN_JUNIPER_CPUAPP_STRING_2_SECRET_OBS));
    insertRow(tag("ROWNJNN1"), runTimeRow(rowan::ROWAN_JUNIPER_CPUNET_STRING_1_SECRET_OBS,
                                          rowan::ROWAN_JUNIPER_CPUNET_STRING_2_SECRET_OBS));
    insertRow(tag("LNTPCB01"),
              plainRow("LanternPost Control Box Encryption Key Issue #1", "20181127_4H52PK8MQZT3"));
    insertRow(tag("LDSTCP01"), runTimeRow(lodestar::LODESTAR_MODEL_1_STRING_1_SECRET_OBS,
                                          lodestar::LODESTAR_MODEL_1_STRING_2_SECRET_OBS));
    insertRow(tag("LDSTCP02"), runTimeRow(lodestar::LODESTAR_MODEL_2_STRING_1_SECRET_OBS,
                                          lodestar::LODESTAR_MODEL_2_STRING_2_SECRET_OBS));
    insertRow(tag("LDSTJNA1"), runTimeRow(lodestar::LODESTAR_JUNIPER_CPUAPP_STRING_1_SECRET_OBS,
                                          lodestar::LODESTAR_JUNIPER_CPUAPP_STRING_2_SECRET_OBS));
    insertRow(tag("LDSTJNN1"), runTimeRow(lodestar::LODESTAR_JUNIPER_CPUNET_STRING_1_SECRET_OBS,
                                          lodestar::LODESTAR_JUNIPER_CPUNET_STRING_2_SECRET_OBS));
    insertRow(tag("QUILCP01"),
              plainRow("Quill Control Pod Encryption Key Issue #1", "20190916_Wd3kfpr7Hn5Q"));
    insertRow(tag("ALDERA01"), runTimeRow(alder::ALDER_CPUAPP_MODEL_1_STRING_1_SECRET_OBS,
                                          alder::ALDER_CPUAPP_MODEL_1_STRING_2_SECRET_OBS));
    insertRow(tag("ALDERN01"), runTimeRow(alder::ALDER_CPUNET_MODEL_1_STRING_1_SECRET_OBS,
                                          alder::ALDER_CPUNET_MODEL_1_STRING_2_SECRET_OBS));
    insertRow(tag("ALDERA02"), runTimeRow(alder::ALDER_CPUAPP_MODEL_2_STRING_1_SECRET_OBS,
                                          alder::ALDER_CPUAPP_MODEL_2_STRING_2_SECRET_OBS));
    insertRow(tag("ALDERN02"), runTimeRow(alder::ALDER_CPUNET_MODEL_2_STRING_1_SECRET_OBS,
                                          alder::ALDER_CPUNET_MODEL_2_STRING_2_SECRET_OBS));
    insertRow(tag("RT44APP1"), runTimeRow(rt44::RT44_CPUAPP_MODEL_1_STRING_1_SECRET_OBS,
                                          rt44::RT44_CPUAPP_MODEL_1_STRING_2_SECRET_OBS));
    insertRow(tag("RT44NET1"), runTimeRow(rt44::RT44_CPUNET_MODEL_1_STRING_1_SECRET_OBS,
                                          rt44::RT44_CPUNET_MODEL_1_STRING_2_SECRET_OBS));
}

} // namespace cvsw::cvbv3
