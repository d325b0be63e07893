#include "tests/support/simulated_detector/simulated_component.h"

#include "security/sha256.h"
#include "tests/support/simulated_detector/command_ids.h"
#include "tests/support/simulated_detector/payload_reader.h"
#include "tests/support/simulated_detector/payload_writer.h"

#include <algorithm>

namespace cuu::test {

namespace {

constexpr std::uint8_t kGet = 0;
constexpr std::uint8_t kSet = 1;
constexpr std::uint8_t kDeviceGroup = 2;
constexpr std::uint8_t kInfHeader = 0x82;
constexpr std::uint8_t kErrHeader = 0xC2;

// Device error numbers, first of the ERR fields.
constexpr std::uint8_t kParameter = 2;
constexpr std::uint8_t kLength = 3;
constexpr std::uint8_t kUnauthorised = 4;
constexpr std::uint8_t kUnhandled = 9;
constexpr std::uint8_t kUnsupportedOperation = 10;

constexpr int kSerialNumberSize = 16;
constexpr int kDigestSize = 32;
constexpr std::uint16_t kControlPodImage = 11000;
constexpr std::uint16_t kTamarindCpuApp = 11081;
constexpr std::uint16_t kTamarindCpuNet = 11082;

std::uint8_t byteAt(const QByteArray& bytes, qsizetype index) {
    return static_cast<std::uint8_t>(bytes.at(index));
}

// Counts down a fault budget; kAlways (-1) never runs out. True while the budget lasts.
bool spend(int& budget) {
    if (budget == 0) {
        return false;
    }
    if (budget > 0) {
        --budget;
    }
    return true;
}

fwup::Version readVersion(PayloadReader& reader) {
    fwup::Version version;
    version.major = reader.u8();
    version.minor = reader.u8();
    version.patch = reader.u8();
    return version;
}

PayloadWriter& writeVersion(PayloadWriter& writer, fwup::Version version) {
    return writer.u8(version.major).u8(version.minor).u8(version.patch);
}

} // namespace

SimulatedComponent::SimulatedComponent(Personality personality)
    : personality_(personality)
    , serialNumber_(kSerialNumberSize, '\0')
    , passwordSource_(&SimulatedComponent::defaultPassword)
    , loginRequired_{command_id::UPGRADEABLE_COMPONENT_VALIDITY, command_id::FILE_PUT_LPD,
                     command_id::SOFTWARE_RESET_TO_BOOTLOADER,   command_id::SOFTWARE_RESET,
                     command_id::INDICATE_FIRMWARE_UPGRADE,      command_id::STORE_USER_SETTINGS_RECORD} {
    if (personality == Personality::TamarindGateway) {
        acceptedFileIds_ = {kTamarindCpuApp, kTamarindCpuNet};
    } else {
        acceptedFileIds_ = {kControlPodImage};
    }
}

// --- Settings ---

void SimulatedComponent::setSerialNumber(const QByteArray& bytes) {
    serialNumber_ = bytes.left(kSerialNumberSize);
    serialNumber_.append(QByteArray(kSerialNumberSize - serialNumber_.size(), '\0'));
}

QString SimulatedComponent::serialNumberText() const {
    return QString::fromLatin1(serialNumber_.toHex());
}

void SimulatedComponent::setProductTypeWords(std::uint16_t second, std::uint16_t third) {
    productTypeSecondWord_ = second;
    productTypeThirdWord_ = third;
}

void SimulatedComponent::setSoftwareVersion(fwup::Version version, std::uint16_t trailer) {
    softwareVersion_ = version;
    softwareVersionTrailer_ = trailer;
}

void SimulatedComponent::setValidity(bool complete, std::uint32_t validFlags, std::uint32_t validMask) {
    validityComplete_ = complete;
    validFlags_ = validFlags;
    validMask_ = validMask;
}

void SimulatedComponent::setPasswordSource(PasswordSource source) {
    passwordSource_ = std::move(source);
}

std::vector<std::uint8_t> SimulatedComponent::defaultPassword(std::uint16_t productType,
                                                              std::optional<std::uint8_t> model) {
    std::vector<std::uint8_t> password(16);
    for (std::size_t i = 0; i < password.size(); ++i) {
        password[i] = static_cast<std::uint8_t>(0x30 + i * 7 + productType * 13u + model.value_or(0) * 29u);
    }
    return password;
}

std::vector<std::uint8_t> SimulatedComponent::expectedPassword() const {
    return passwordSource_ ? passwordSource_(productType(), loginModel()) : std::vector<std::uint8_t>{};
}

std::optional<std::uint8_t> SimulatedComponent::loginModel() const {
    // A pod in its bootloader cannot tell its model.
    if (personality_ == Personality::ControlPodBootloader) {
        return std::nullopt;
    }
    return model_;
}

void SimulatedComponent::setSessionLength(int length) {
    sessionLength_ = std::clamp(length, 0, 255);
}

void SimulatedComponent::setLoginRequired(std::uint16_t commandId, bool required) {
    if (required) {
        loginRequired_.insert(commandId);
    } else {
        loginRequired_.erase(commandId);
    }
}

void SimulatedComponent::setSettingsRecordStatusScript(const QList<std::uint8_t>& statuses) {
    settingsStatusScript_ = statuses.isEmpty() ? QList<std::uint8_t>{2} : statuses;
}

void SimulatedComponent::setAcceptedFileIds(const QList<std::uint16_t>& fileIds) {
    acceptedFileIds_ = std::set<std::uint16_t>(fileIds.cbegin(), fileIds.cend());
}

void SimulatedComponent::setCommandSupported(std::uint16_t commandId, bool supported,
                                             std::optional<Personality> personality) {
    supportOverrides_[{personality.value_or(personality_), commandId}] = supported;
}

bool SimulatedComponent::isCommandSupported(std::uint16_t commandId) const {
    if (handlers().count(commandId) == 0) {
        return false;
    }
    const auto override = supportOverrides_.find({personality_, commandId});
    if (override != supportOverrides_.end()) {
        return override->second;
    }
    return defaultCommands(personality_).count(commandId) != 0;
}

void SimulatedComponent::addFault(std::uint16_t commandId, const SimulatedFault& fault, int times) {
    if (times == 0) {
        return;
    }
    faults_[commandId].push_back({fault, times});
}

void SimulatedComponent::restart() {
    loggedInUsers_ = 0;
    sessionIssued_ = false;
    session_.clear();
    indication_ = false;
    indicationActive_ = false;
    storeVersion_.reset();
    storeStep_ = 0;
    const bool imagesWhole = std::all_of(acceptedFileIds_.cbegin(), acceptedFileIds_.cend(),
                                         [this](std::uint16_t fileId) { return isFileComplete(fileId); });
    if (imageVersion_ && imagesWhole) {
        softwareVersion_ = *imageVersion_;
    }
    ++restartCount_;
    if (restartHook_) {
        restartHook_(*this);
    }
}

// --- Record ---

QStringList SimulatedComponent::requestLog() const {
    QStringList log;
    for (const TrafficEntry& entry : traffic_) {
        log.append(QStringLiteral("%1 %2")
                       .arg(entry.mode == kGet ? QStringLiteral("GET") : QStringLiteral("SET"))
                       .arg(entry.commandId));
    }
    return log;
}

QList<std::uint16_t> SimulatedComponent::commandIds() const {
    QList<std::uint16_t> ids;
    for (const TrafficEntry& entry : traffic_) {
        ids.append(entry.commandId);
    }
    return ids;
}

int SimulatedComponent::requestCount(std::uint16_t commandId, std::optional<std::uint8_t> mode) const {
    return static_cast<int>(std::count_if(traffic_.cbegin(), traffic_.cend(), [&](const TrafficEntry& entry) {
        return entry.commandId == commandId && (!mode || entry.mode == *mode);
    }));
}

void SimulatedComponent::clearTraffic() {
    traffic_.clear();
    ignoredMessages_ = 0;
}

void SimulatedComponent::noteAnswerLost() {
    if (traffic_.isEmpty()) {
        return;
    }
    traffic_.last().answer = TrafficEntry::Answer::Silent;
    traffic_.last().reply.clear();
}

// --- The device side ---

SimulatedComponent::Response SimulatedComponent::handleMessage(const QByteArray& message) {
    if (message.size() < 3) {
        ++ignoredMessages_;
        return {};
    }
    const std::uint8_t mode = byteAt(message, 0) >> 6;
    const std::uint8_t group = byteAt(message, 0) & 0x3F;
    if (group != kDeviceGroup || (mode != kGet && mode != kSet)) {
        ++ignoredMessages_;
        return {};
    }
    const Request request{mode, static_cast<std::uint16_t>(byteAt(message, 1) << 8 | byteAt(message, 2)),
                          message.mid(3)};

    TrafficEntry entry;
    entry.mode = request.mode;
    entry.commandId = request.commandId;
    entry.payload = request.payload;

    Response response;
    std::optional<SimulatedFault> fault = takeFault(request);
    // A gap in a script of faults is used up like a fault, but the request meets none.
    if (fault && fault->kind == SimulatedFault::Kind::None) {
        fault.reset();
    }
    if (fault) {
        entry.fault = fault->kind;
    }
    if (fault && fault->kind == SimulatedFault::Kind::Silence) {
        entry.answer = TrafficEntry::Answer::Silent;
        record(entry);
        return response;
    }

    QByteArray reply;
    if (fault && fault->kind == SimulatedFault::Kind::Error) {
        reply = errMessage(request, fault->errorCode, fault->errorDetail);
        entry.answer = TrafficEntry::Answer::Err;
        entry.errorCode = fault->errorCode;
    } else {
        if (fault && (fault->kind == SimulatedFault::Kind::ShortAcknowledgement ||
                      fault->kind == SimulatedFault::Kind::AcknowledgementBeyond)) {
            acknowledgementFault_ = fault;
        }
        const Outcome outcome = handle(request);
        acknowledgementFault_.reset();
        if (outcome.kind == Outcome::Kind::Inf) {
            reply = infMessage(request.commandId, outcome.payload);
            if (fault && fault->kind == SimulatedFault::Kind::ShortInf) {
                reply.chop(1);
            }
            entry.answer = TrafficEntry::Answer::Inf;
        } else {
            reply = errMessage(request, outcome.errorCode, {});
            entry.answer = TrafficEntry::Answer::Err;
            entry.errorCode = outcome.errorCode;
        }
        response.restart = outcome.restart;
    }
    response.corruptReport = fault && fault->kind == SimulatedFault::Kind::CorruptReport;
    response.reply = reply;
    entry.reply = reply;
    record(entry);
    return response;
}

std::optional<SimulatedFault> SimulatedComponent::takeFault(const Request& request) {
    const auto found = faults_.find(request.commandId);
    if (found == faults_.end()) {
        return std::nullopt;
    }
    std::deque<ScriptedFault>& scripted = found->second;
    for (auto it = scripted.begin(); it != scripted.end(); ++it) {
        if (it->fault.mode && *it->fault.mode != request.mode) {
            continue;
        }
        const SimulatedFault fault = it->fault;
        if (it->remaining > 0 && --it->remaining == 0) {
            scripted.erase(it);
        }
        return fault;
    }
    return std::nullopt;
}

void SimulatedComponent::record(const TrafficEntry& entry) {
    traffic_.append(entry);
    if (requestHook_) {
        // A copy: the hook may replace itself.
        const RequestHook hook = requestHook_;
        hook(entry);
    }
}

SimulatedComponent::Outcome SimulatedComponent::handle(const Request& request) {
    if (!isCommandSupported(request.commandId)) {
        return err(kUnhandled);
    }
    if (loginRequired_.count(request.commandId) != 0 && !isOperatorLoggedIn()) {
        return err(kUnauthorised);
    }
    return (this->*handlers().at(request.commandId))(request);
}

SimulatedComponent::Outcome SimulatedComponent::inf(const QByteArray& payload, Restart restart) {
    Outcome outcome;
    outcome.payload = payload;
    outcome.restart = restart;
    return outcome;
}

SimulatedComponent::Outcome SimulatedComponent::err(std::uint8_t code) {
    Outcome outcome;
    outcome.kind = Outcome::Kind::Err;
    outcome.errorCode = code;
    return outcome;
}

QByteArray SimulatedComponent::infMessage(std::uint16_t commandId, const QByteArray& payload) {
    return PayloadWriter().u8(kInfHeader).u16(commandId).raw(payload).bytes();
}

QByteArray SimulatedComponent::errMessage(const Request& request, std::uint8_t code,
                                          const std::array<std::uint8_t, 4>& detail) {
    // The device echoes the payload of the request that failed after the ERR fields.
    PayloadWriter writer;
    writer.u8(kErrHeader).u16(request.commandId).u8(code).u8(request.mode);
    for (const std::uint8_t byte : detail) {
        writer.u8(byte);
    }
    return writer.raw(request.payload).bytes();
}

const std::map<std::uint16_t, SimulatedComponent::Handler>& SimulatedComponent::handlers() {
    static const std::map<std::uint16_t, Handler> table{
        {command_id::SOFTWARE_VERSION, &SimulatedComponent::softwareVersion},
        {command_id::SOFTWARE_RESET, &SimulatedComponent::resetToApplication},
        {command_id::SERIAL_NUMBER, &SimulatedComponent::serialNumberAnswer},
        {command_id::SOFTWARE_RESET_TO_BOOTLOADER, &SimulatedComponent::resetToBootloader},
        {command_id::PRODUCT_TYPE, &SimulatedComponent::productType},
        {command_id::HARDWARE_VERSION, &SimulatedComponent::hardwareVersion},
        {command_id::USER_VERIFICATION_CODE, &SimulatedComponent::userVerificationCode},
        {command_id::FILE_PUT_LPD, &SimulatedComponent::filePut},
        {command_id::USER_LOGIN, &SimulatedComponent::userLogin},
        {command_id::USER_LOGIN_SESSION, &SimulatedComponent::userLoginSession},
        {command_id::USER_LOGIN_STATUS, &SimulatedComponent::userLoginStatus},
        {command_id::USER_LOGOUT, &SimulatedComponent::userLogout},
        {command_id::STORE_USER_SETTINGS_RECORD, &SimulatedComponent::storeUserSettingsRecord},
        {command_id::PRODUCT_MODEL, &SimulatedComponent::productModel},
        {command_id::UPGRADEABLE_COMPONENT_VALIDITY, &SimulatedComponent::componentValidity},
        {command_id::INDICATE_FIRMWARE_UPGRADE, &SimulatedComponent::indicateFirmwareUpgrade},
    };
    return table;
}

std::set<std::uint16_t> SimulatedComponent::defaultCommands(Personality personality) {
    using namespace command_id;
    switch (personality) {
    case Personality::ControlPodApplication:
        return {SOFTWARE_VERSION,
                SOFTWARE_RESET,
                SERIAL_NUMBER,
                SOFTWARE_RESET_TO_BOOTLOADER,
                PRODUCT_TYPE,
                HARDWARE_VERSION,
                USER_VERIFICATION_CODE,
                USER_LOGIN,
                USER_LOGIN_SESSION,
                USER_LOGIN_STATUS,
                USER_LOGOUT,
                STORE_USER_SETTINGS_RECORD,
                PRODUCT_MODEL,
                UPGRADEABLE_COMPONENT_VALIDITY,
                INDICATE_FIRMWARE_UPGRADE};
    case Personality::ControlPodBootloader:
        return {SOFTWARE_VERSION, SOFTWARE_RESET,     SERIAL_NUMBER,          SOFTWARE_RESET_TO_BOOTLOADER,
                PRODUCT_TYPE,     HARDWARE_VERSION,   USER_VERIFICATION_CODE, FILE_PUT_LPD,
                USER_LOGIN,       USER_LOGIN_SESSION, USER_LOGIN_STATUS,      USER_LOGOUT};
    case Personality::TamarindGateway:
        return {SOFTWARE_VERSION,         SOFTWARE_RESET, SERIAL_NUMBER, PRODUCT_TYPE,
                HARDWARE_VERSION,         FILE_PUT_LPD,   USER_LOGIN,    USER_LOGIN_SESSION,
                USER_LOGIN_STATUS,        USER_LOGOUT,    PRODUCT_MODEL, UPGRADEABLE_COMPONENT_VALIDITY,
                INDICATE_FIRMWARE_UPGRADE};
    }
    return {};
}

// --- Commands. Each answers INF with its layout, or ERR. ---

SimulatedComponent::Outcome SimulatedComponent::productType(const Request& request) {
    if (request.mode != kGet) {
        return err(kUnsupportedOperation);
    }
    return inf(PayloadWriter()
                   .u16(reportedProductType())
                   .u16(productTypeSecondWord_)
                   .u16(productTypeThirdWord_)
                   .bytes());
}

SimulatedComponent::Outcome SimulatedComponent::softwareVersion(const Request& request) {
    if (request.mode != kGet) {
        return err(kUnsupportedOperation);
    }
    const fwup::Version version =
        personality_ == Personality::ControlPodBootloader ? bootloaderVersion_ : softwareVersion_;
    PayloadWriter writer;
    writeVersion(writer, version).u16(softwareVersionTrailer_);
    return inf(writer.bytes());
}

SimulatedComponent::Outcome SimulatedComponent::hardwareVersion(const Request& request) {
    if (request.mode != kGet) {
        return err(kUnsupportedOperation);
    }
    return inf(PayloadWriter().u8(hardwareRevision_).bytes());
}

SimulatedComponent::Outcome SimulatedComponent::userVerificationCode(const Request& request) {
    if (request.mode != kGet) {
        return err(kUnsupportedOperation);
    }
    return inf(PayloadWriter().u32(userVerificationCode_).bytes());
}

SimulatedComponent::Outcome SimulatedComponent::serialNumberAnswer(const Request& request) {
    if (request.mode != kGet) {
        return err(kUnsupportedOperation);
    }
    return inf(serialNumber_);
}

SimulatedComponent::Outcome SimulatedComponent::productModel(const Request& request) {
    if (request.mode != kGet) {
        return err(kUnsupportedOperation);
    }
    const std::uint8_t model = spend(modelZeroPolls_) ? 0 : model_;
    return inf(PayloadWriter().u8(model).bytes());
}

SimulatedComponent::Outcome SimulatedComponent::componentValidity(const Request& request) {
    if (request.mode != kGet) {
        return err(kUnsupportedOperation);
    }
    const bool complete = !spend(validityIncompletePolls_) && validityComplete_;
    return inf(PayloadWriter().boolean(complete).u32(validFlags_).u32(validMask_).bytes());
}

SimulatedComponent::Outcome SimulatedComponent::userLoginStatus(const Request& request) {
    if (request.mode != kGet) {
        return err(kUnsupportedOperation);
    }
    return inf(PayloadWriter().u8(hashAlgorithm_).u8(loggedInUsers_).u8(0).bytes());
}

SimulatedComponent::Outcome SimulatedComponent::userLoginSession(const Request& request) {
    if (request.mode != kGet) {
        return err(kUnsupportedOperation);
    }
    PayloadReader reader(request.payload);
    const std::uint8_t algorithm = reader.u8();
    if (reader.failed()) {
        return err(kLength);
    }
    if (algorithm != hashAlgorithm_) {
        return err(kParameter);
    }
    if (!sessionIssued_ || sessionUsed_) {
        openSession();
    }
    return inf(PayloadWriter()
                   .u8(hashAlgorithm_)
                   .u8(sessionId_)
                   .u8(static_cast<std::uint8_t>(session_.size()))
                   .raw(session_)
                   .bytes());
}

void SimulatedComponent::openSession() {
    // The bytes follow from the session id and the serial number, so that a test run is repeatable.
    ++sessionId_;
    std::uint32_t state = 0x811C9DC5u ^ sessionId_;
    for (const char byte : serialNumber_) {
        state = (state ^ static_cast<std::uint8_t>(byte)) * 0x01000193u;
    }
    session_.resize(sessionLength_);
    for (char& byte : session_) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<char>(state >> 24);
    }
    sessionIssued_ = true;
    sessionUsed_ = false;
}

SimulatedComponent::Outcome SimulatedComponent::userLogin(const Request& request) {
    if (request.mode != kSet) {
        return err(kUnsupportedOperation);
    }
    PayloadReader reader(request.payload);
    const std::uint8_t sessionId = reader.u8();
    const std::uint8_t userId = reader.u8();
    const QByteArray digest = reader.raw(reader.u8());
    if (reader.failed()) {
        return err(kLength);
    }
    if (!sessionIssued_ || sessionId != sessionId_) {
        return err(kParameter);
    }
    sessionUsed_ = true;
    if (spend(refusedLogins_)) {
        return err(kUnauthorised);
    }
    const std::vector<std::uint8_t> password = expectedPassword();
    if (password.empty() || userId != kOperator || digest.size() != kDigestSize) {
        return err(kUnauthorised);
    }
    QByteArray message = session_;
    message.append(reinterpret_cast<const char*>(password.data()), static_cast<qsizetype>(password.size()));
    const cvsw::security::Sha256Digest expected =
        cvsw::security::sha256(message.constData(), static_cast<std::size_t>(message.size()));
    if (!std::equal(expected.cbegin(), expected.cend(), digest.cbegin(),
                    [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); })) {
        return err(kUnauthorised);
    }
    // The session stays open, so that a resent login gets the same answer.
    loggedInUsers_ |= static_cast<std::uint8_t>(1u << userId);
    const std::uint8_t echo =
        spend(wrongSessionEchoes_) ? static_cast<std::uint8_t>(sessionId + 1) : sessionId;
    return inf(PayloadWriter().u8(echo).u8(userId).u8(0).bytes());
}

SimulatedComponent::Outcome SimulatedComponent::userLogout(const Request& request) {
    if (request.mode != kSet) {
        return err(kUnsupportedOperation);
    }
    PayloadReader reader(request.payload);
    const std::uint8_t users = reader.u8();
    if (reader.failed()) {
        return err(kLength);
    }
    loggedInUsers_ &= static_cast<std::uint8_t>(~users);
    return inf(PayloadWriter().u8(users).u8(loggedInUsers_).bytes());
}

SimulatedComponent::Outcome SimulatedComponent::resetToBootloader(const Request& request) {
    if (request.mode != kSet) {
        return err(kUnsupportedOperation);
    }
    return inf({}, Restart::ToBootloader);
}

SimulatedComponent::Outcome SimulatedComponent::resetToApplication(const Request& request) {
    if (request.mode != kSet) {
        return err(kUnsupportedOperation);
    }
    return inf({}, Restart::ToApplication);
}

SimulatedComponent::Outcome SimulatedComponent::filePut(const Request& request) {
    PayloadReader reader(request.payload);
    const std::uint16_t fileId = reader.u16();
    std::uint32_t offset = 0;
    QByteArray data;
    if (request.mode == kSet) {
        offset = reader.u32();
        data = reader.raw(reader.u16());
    }
    if (reader.failed()) {
        return err(kLength);
    }
    if (acceptedFileIds_.count(fileId) == 0) {
        return err(kParameter);
    }
    const std::optional<SimulatedFault> fault = acknowledgementFault_;
    if (request.mode == kSet) {
        // A chunk at or before the end replaces what follows it, so a resent chunk lands where it did
        // the first time; a chunk beyond the end is not taken and the answer names the real end.
        QByteArray& stored = files_[fileId];
        if (offset <= static_cast<std::uint32_t>(stored.size())) {
            const bool endOfFile = data.isEmpty();
            if (fault && fault->kind == SimulatedFault::Kind::ShortAcknowledgement) {
                data.chop(
                    static_cast<qsizetype>(std::min(fault->bytes, static_cast<std::uint32_t>(data.size()))));
            }
            const bool atEnd = offset == static_cast<std::uint32_t>(stored.size());
            stored.truncate(static_cast<qsizetype>(offset));
            stored.append(data);
            if (endOfFile && atEnd) {
                completeFiles_.insert(fileId);
            } else {
                completeFiles_.erase(fileId);
            }
        }
    }
    std::uint32_t held = static_cast<std::uint32_t>(files_.value(fileId).size());
    if (fault && fault->kind == SimulatedFault::Kind::AcknowledgementBeyond) {
        held += fault->bytes;
    }
    return inf(PayloadWriter().u16(fileId).u32(held).u16(0).bytes());
}

SimulatedComponent::Outcome SimulatedComponent::indicateFirmwareUpgrade(const Request& request) {
    if (request.mode == kSet) {
        PayloadReader reader(request.payload);
        const bool indicate = reader.u8() != 0;
        if (reader.failed()) {
            return err(kLength);
        }
        indication_ = indicate;
        // The screen only comes up while an upgrade is allowed; clearing always works.
        if (spend(ignoredIndicationSets_)) {
            // Stuck: the answer shows the state as it was.
        } else if (!indicate || upgradeAllowed_) {
            indicationActive_ = indicate;
        }
    }
    return inf(
        PayloadWriter().boolean(indication_).boolean(upgradeAllowed_).boolean(indicationActive_).bytes());
}

SimulatedComponent::Outcome SimulatedComponent::storeUserSettingsRecord(const Request& request) {
    PayloadReader reader(request.payload);
    const fwup::Version version = readVersion(reader);
    if (reader.failed()) {
        return err(kLength);
    }
    const bool storing = storeVersion_ && *storeVersion_ == version;
    std::uint8_t status = 0;
    if (request.mode == kSet) {
        if (!settingsRecordSupported_) {
            return err(kParameter);
        }
        // A repeated store request for the same version is a resend: it reports, it does not restart.
        if (!storing) {
            storeVersion_ = version;
            storeStep_ = 0;
        }
        status = settingsStatusScript_.at(storeStep_);
    } else if (storing) {
        storeStep_ = std::min(storeStep_ + 1, settingsStatusScript_.size() - 1);
        status = settingsStatusScript_.at(storeStep_);
    }
    if (status == 2) {
        storedSettingsVersion_ = version;
    }
    PayloadWriter writer;
    writeVersion(writer, version).boolean(settingsRecordSupported_).u8(status);
    return inf(writer.bytes());
}

} // namespace cuu::test
