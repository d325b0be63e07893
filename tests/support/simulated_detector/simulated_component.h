#pragma once

#include "muppet/version.h"
#include "tests/support/simulated_detector/simulated_fault.h"
#include "tests/support/simulated_detector/traffic_entry.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace cuu::test {

// One Muppet device of a simulated detector system: the control pod (in its application or its
// bootloader) or the Tamarind gateway. It answers group-2 control messages from its own state, as the
// device does on the link, and keeps a record of every request. It knows nothing of framing, reports
// or tunnels; SimulatedDetector carries its messages.
//
// Answers are written by hand from the byte layouts of the link, on purpose independent of the
// program's command classes.
class SimulatedComponent {
public:
    enum class Personality : std::uint16_t {
        ControlPodApplication = 144,
        ControlPodBootloader = 145,
        TamarindGateway = 161,
    };

    // What the device does after answering a message.
    enum class Restart {
        None,
        ToApplication,
        ToBootloader,
    };

    struct Response {
        std::optional<QByteArray> reply; // the control message to send back; empty: stay silent
        bool corruptReport = false;      // damage one byte of the reply on the wire
        Restart restart = Restart::None;
    };

    // The operator password the device expects: 16 bytes for a product type and, where the device
    // knows it, its model. An empty result means the device knows no password and refuses every login.
    using PasswordSource = std::function<std::vector<std::uint8_t>(std::uint16_t productType,
                                                                   std::optional<std::uint8_t> model)>;
    using RestartHook = std::function<void(SimulatedComponent&)>;
    using RequestHook = std::function<void(const TrafficEntry&)>;

    static constexpr int kAlways = -1;
    static constexpr std::uint8_t kOperator = 1;
    static constexpr std::uint8_t kSha256 = 1;

    explicit SimulatedComponent(Personality personality);

    SimulatedComponent(const SimulatedComponent&) = delete;
    SimulatedComponent& operator=(const SimulatedComponent&) = delete;

    Personality personality() const { return personality_; }
    // The personality's type, which decides everything but the ProductType answer.
    std::uint16_t productType() const { return static_cast<std::uint16_t>(personality_); }
    // Makes the ProductType answer carry another type than the personality's (a wrong device at the
    // location, say) until it is set empty again, restarts included. Nothing else changes: the
    // commands known, the other answers and the password stay those of the personality.
    void setReportedProductType(std::optional<std::uint16_t> productType) {
        reportedProductType_ = productType;
    }
    // What the ProductType answer carries.
    std::uint16_t reportedProductType() const { return reportedProductType_.value_or(productType()); }
    // The pod changes between application and bootloader when it restarts; SimulatedDetector does it.
    void setPersonality(Personality personality) { personality_ = personality; }

    // --- Identity ---
    // 16 bytes; shorter input is padded with zeros, longer input is cut.
    void setSerialNumber(const QByteArray& bytes);
    QByteArray serialNumber() const { return serialNumber_; }
    // 32 lower-case hexadecimal digits, as the program renders the serial number.
    QString serialNumberText() const;
    void setHardwareRevision(std::uint8_t revision) { hardwareRevision_ = revision; }
    std::uint8_t hardwareRevision() const { return hardwareRevision_; }
    void setUserVerificationCode(std::uint32_t code) { userVerificationCode_ = code; }
    std::uint32_t userVerificationCode() const { return userVerificationCode_; }
    // 1..254 a model (for the pod 1 is detector type 22 and 2 is 23), 0 not valid yet, 255 invalid.
    void setModel(std::uint8_t model) { model_ = model; }
    std::uint8_t model() const { return model_; }
    // The two further words of the ProductType answer, after the product type.
    void setProductTypeWords(std::uint16_t second, std::uint16_t third);
    // The version the application reports, and the one the pod's bootloader reports.
    void setSoftwareVersion(fwup::Version version, std::uint16_t trailer = 0);
    fwup::Version softwareVersion() const { return softwareVersion_; }
    void setBootloaderVersion(fwup::Version version) { bootloaderVersion_ = version; }
    fwup::Version bootloaderVersion() const { return bootloaderVersion_; }
    void setValidity(bool complete, std::uint32_t validFlags, std::uint32_t validMask);

    // The next n ProductModel answers carry model 0 (not valid yet); kAlways for every answer.
    void setModelZeroPolls(int polls) { modelZeroPolls_ = polls; }
    // The next n UpgradeableComponentValidity answers report the check incomplete; kAlways for all.
    void setValidityIncompletePolls(int polls) { validityIncompletePolls_ = polls; }

    // --- Login ---
    void setPasswordSource(PasswordSource source);
    // The default source: a fixed 16-byte password per product type and model, for tests that do not
    // care which password it is (they read it back with expectedPassword()).
    static std::vector<std::uint8_t> defaultPassword(std::uint16_t productType,
                                                     std::optional<std::uint8_t> model);
    // What the device expects now: its product type with its model, or without one in the bootloader.
    std::vector<std::uint8_t> expectedPassword() const;
    // The hash algorithm the device reports (1 is SHA2-256, the only one it can check).
    void setHashAlgorithm(std::uint8_t algorithm) { hashAlgorithm_ = algorithm; }
    void setSessionLength(int length);
    // Bit n set: user n logged in (bit 1 is the operator).
    void setLoggedInUsers(std::uint8_t users) { loggedInUsers_ = users; }
    std::uint8_t loggedInUsers() const { return loggedInUsers_; }
    bool isOperatorLoggedIn() const { return (loggedInUsers_ & (1u << kOperator)) != 0; }
    // The open session: a session request opens one, and repeats it until a login has been tried
    // with it, so that a resent request gets the same answer.
    std::uint8_t sessionId() const { return sessionId_; }
    QByteArray session() const { return session_; }
    // The next n login requests are refused with ERR UNAUTHORISED, right password or not.
    void refuseLogins(int times = 1) { refusedLogins_ = times; }
    // The next n successful logins answer with a session id one above the one the host sent.
    void echoWrongSessionId(int times = 1) { wrongSessionEchoes_ = times; }
    // Whether a command is refused with ERR UNAUTHORISED until the operator has logged in. By default
    // validity and the installation commands are.
    void setLoginRequired(std::uint16_t commandId, bool required);

    // --- Upgrade indication ---
    void setUpgradeAllowed(bool allowed) { upgradeAllowed_ = allowed; }
    bool upgradeAllowed() const { return upgradeAllowed_; }
    // Whether the upgrade screen is shown now.
    bool upgradeIndicated() const { return indicationActive_; }
    // The next n indication SETs are answered but leave the screen as it is, so the answer shows the
    // old state; kAlways for every SET.
    void ignoreIndicationSets(int times = 1) { ignoredIndicationSets_ = times; }

    // --- User-settings record ---
    void setSettingsRecordSupported(bool supported) { settingsRecordSupported_ = supported; }
    // The statuses the store reports: the first in the answer to the store request, one more per later
    // poll, the last one repeated. The default {2} stores at once.
    void setSettingsRecordStatusScript(const QList<std::uint8_t>& statuses);
    // The target version of the last store that reported status 2.
    std::optional<fwup::Version> storedSettingsVersion() const { return storedSettingsVersion_; }

    // --- File store (FilePutLpd) ---
    // A SET at or before the held end stores its chunk there, dropping what followed, and answers the
    // offset held then: offset + length for a chunk in order. A chunk beyond the end is not taken and
    // the answer names the held end, as does a GET. An empty SET at the held end completes the file.
    // Acknowledgement faults: SimulatedFault::shortAcknowledgement and acknowledgementBeyond.
    void setAcceptedFileIds(const QList<std::uint16_t>& fileIds);
    // The bytes held for a file; their count is the file's put offset.
    QByteArray file(std::uint16_t fileId) const { return files_.value(fileId); }
    bool hasFile(std::uint16_t fileId) const { return files_.contains(fileId); }
    void setFile(std::uint16_t fileId, const QByteArray& bytes) {
        files_.insert(fileId, bytes);
        completeFiles_.erase(fileId);
    }
    QList<std::uint16_t> fileIds() const { return files_.keys(); }
    void clearFiles() {
        files_.clear();
        completeFiles_.clear();
    }
    // Whether the last put of the file ended with its empty SET; a later chunk opens it again.
    bool isFileComplete(std::uint16_t fileId) const { return completeFiles_.count(fileId) != 0; }
    // The software version the put images carry. A restart after every accepted file was put whole
    // runs them: from then on the component reports this version. Empty (the default): restarts leave
    // the version alone.
    void setImageVersion(std::optional<fwup::Version> version) { imageVersion_ = version; }

    // --- What the component answers ---
    // Whether a command is known to the given personality (default: the current one). Unknown commands
    // are answered with ERR UNHANDLED.
    void setCommandSupported(std::uint16_t commandId, bool supported,
                             std::optional<Personality> personality = {});
    bool isCommandSupported(std::uint16_t commandId) const;

    // --- Faults ---
    // The next `times` requests of the command (of the fault's mode, if it names one) meet the fault;
    // kAlways keeps it until clearFaults(). Faults for one command are used in the order added.
    void addFault(std::uint16_t commandId, const SimulatedFault& fault, int times = 1);
    void clearFaults() { faults_.clear(); }

    // --- Restart ---
    // Called after every restart, with the component already in its new personality: lets a test make
    // stored files take effect, for instance by changing the software version.
    void setRestartHook(RestartHook hook) { restartHook_ = std::move(hook); }
    // The device restarts: logins, session, upgrade indication and a store in progress are gone.
    void restart();
    int restartCount() const { return restartCount_; }

    // --- Record ---
    // Called with each request once it has been handled and recorded, before its answer leaves: lets a
    // test act at a point of a conversation. Faults it adds apply from the next request on.
    void setRequestHook(RequestHook hook) { requestHook_ = std::move(hook); }
    QList<TrafficEntry> traffic() const { return traffic_; }
    // Requests in order as "GET 20", "SET 80", ...
    QStringList requestLog() const;
    QList<std::uint16_t> commandIds() const;
    // Requests of one command (of one mode, if given) received so far.
    int requestCount(std::uint16_t commandId, std::optional<std::uint8_t> mode = {}) const;
    // Messages that were not group-2 GET or SET requests (too short, another group, INF or ERR).
    int ignoredMessageCount() const { return ignoredMessages_; }
    void clearTraffic();
    // The answer to the last request never left the device, which restarted first.
    void noteAnswerLost();

    // --- The device side ---
    // Handles one control message (the payload of a 0xFF frame) and says what goes back.
    Response handleMessage(const QByteArray& message);

private:
    struct Outcome {
        enum class Kind {
            Inf,
            Err,
        };
        Kind kind = Kind::Inf;
        QByteArray payload;
        std::uint8_t errorCode = 0;
        Restart restart = Restart::None;
    };
    struct Request {
        std::uint8_t mode = 0;
        std::uint16_t commandId = 0;
        QByteArray payload;
    };
    struct ScriptedFault {
        SimulatedFault fault;
        int remaining = 1;
    };
    using Handler = Outcome (SimulatedComponent::*)(const Request&);

    static Outcome inf(const QByteArray& payload = {}, Restart restart = Restart::None);
    static Outcome err(std::uint8_t code);
    static QByteArray infMessage(std::uint16_t commandId, const QByteArray& payload);
    static QByteArray errMessage(const Request& request, std::uint8_t code,
                                 const std::array<std::uint8_t, 4>& detail);

    std::optional<SimulatedFault> takeFault(const Request& request);
    Outcome handle(const Request& request);
    void record(const TrafficEntry& entry);
    std::optional<std::uint8_t> loginModel() const;
    void openSession();

    Outcome productType(const Request& request);
    Outcome softwareVersion(const Request& request);
    Outcome hardwareVersion(const Request& request);
    Outcome userVerificationCode(const Request& request);
    Outcome serialNumberAnswer(const Request& request);
    Outcome productModel(const Request& request);
    Outcome componentValidity(const Request& request);
    Outcome userLoginStatus(const Request& request);
    Outcome userLoginSession(const Request& request);
    Outcome userLogin(const Request& request);
    Outcome userLogout(const Request& request);
    Outcome resetToBootloader(const Request& request);
    Outcome resetToApplication(const Request& request);
    Outcome filePut(const Request& request);
    Outcome indicateFirmwareUpgrade(const Request& request);
    Outcome storeUserSettingsRecord(const Request& request);

    static const std::map<std::uint16_t, Handler>& handlers();
    static std::set<std::uint16_t> defaultCommands(Personality personality);

    Personality personality_;
    std::optional<std::uint16_t> reportedProductType_;

    QByteArray serialNumber_;
    std::uint8_t hardwareRevision_ = 0;
    std::uint32_t userVerificationCode_ = 0;
    std::uint8_t model_ = 1;
    std::uint16_t productTypeSecondWord_ = 0;
    std::uint16_t productTypeThirdWord_ = 0;
    fwup::Version softwareVersion_;
    std::uint16_t softwareVersionTrailer_ = 0;
    fwup::Version bootloaderVersion_;
    bool validityComplete_ = true;
    std::uint32_t validFlags_ = 0;
    std::uint32_t validMask_ = 0;
    int modelZeroPolls_ = 0;
    int validityIncompletePolls_ = 0;

    PasswordSource passwordSource_;
    std::uint8_t hashAlgorithm_ = kSha256;
    int sessionLength_ = 16;
    std::uint8_t loggedInUsers_ = 0;
    std::uint8_t sessionId_ = 0x20;
    QByteArray session_;
    bool sessionIssued_ = false;
    // A login was tried with the open session; the next session request opens a new one.
    bool sessionUsed_ = false;
    int refusedLogins_ = 0;
    int wrongSessionEchoes_ = 0;
    std::set<std::uint16_t> loginRequired_;

    bool upgradeAllowed_ = true;
    bool indication_ = false;
    bool indicationActive_ = false;
    int ignoredIndicationSets_ = 0;

    bool settingsRecordSupported_ = true;
    QList<std::uint8_t> settingsStatusScript_{2};
    std::optional<fwup::Version> storeVersion_;
    qsizetype storeStep_ = 0;
    std::optional<fwup::Version> storedSettingsVersion_;

    std::set<std::uint16_t> acceptedFileIds_;
    QMap<std::uint16_t, QByteArray> files_;
    std::set<std::uint16_t> completeFiles_;
    std::optional<fwup::Version> imageVersion_;
    // The acknowledgement fault met by the request being handled, if any.
    std::optional<SimulatedFault> acknowledgementFault_;

    std::map<std::pair<Personality, std::uint16_t>, bool> supportOverrides_;
    std::map<std::uint16_t, std::deque<ScriptedFault>> faults_;

    RestartHook restartHook_;
    RequestHook requestHook_;
    int restartCount_ = 0;

    QList<TrafficEntry> traffic_;
    int ignoredMessages_ = 0;
};

} // namespace cuu::test
