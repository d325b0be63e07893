// Hands device replies to ControlCentre::handleFrame and so to every command's payload decoder. Two
// control centres see each message: on the first, every command's handler encodes what it decoded and
// checks that decoding that again gives the same command; on the second, the program's own consumers
// wait for replies: a running exchange of every command and a login agent part-way through a login
// or a logout.
//
// Input: one flags byte (bit 0 logs out instead of in, bits 1-3 pick the user), then messages, each
// one length byte followed by that many bytes.

#include "fuzz/fuzz_support.h"

#include <QCoreApplication>

#include "fwup/communication/muppet_command_exchange.h"
#include "fwup/identification/product_type_id_name.h"
#include "fwup/identification/user_login_agent.h"
#include "muppet/basic_std_vector_buffer.h"
#include "muppet/control_centre.h"
#include "muppet/error_code.h"
#include "muppet/file_put_lpd_command.h"
#include "muppet/hardware_version_command.h"
#include "muppet/indicate_firmware_upgrade_command.h"
#include "muppet/lpd_vector.h"
#include "muppet/product_model_command.h"
#include "muppet/product_type_command.h"
#include "muppet/serial_number_command.h"
#include "muppet/software_reset_command.h"
#include "muppet/software_reset_to_bootloader_command.h"
#include "muppet/software_version_command.h"
#include "muppet/store_user_settings_record_command.h"
#include "muppet/upgradeable_component_validity_command.h"
#include "muppet/user_login_command.h"
#include "muppet/user_login_session_command.h"
#include "muppet/user_login_status_command.h"
#include "muppet/user_logout_command.h"
#include "muppet/user_verification_code_command.h"

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <tuple>
#include <vector>

namespace {

using namespace cvsw::muppet::control;
using cvsw::muppet::ControlCentre;

using FilePut = FilePutLpdCommand<LpdVector<unsigned short>>;
using Login = fwup::UserLoginAgent::LoginCommand;
using Session = fwup::UserLoginAgent::SessionCommand;
using Status = fwup::UserLoginAgent::StatusCommand;
using Logout = fwup::UserLoginAgent::LogoutCommand;

// The commands the program runs as exchanges.
using ExchangeCommands =
    std::tuple<ProductTypeCommand, SoftwareVersionCommand, HardwareVersionCommand, SerialNumberCommand,
               UserVerificationCodeCommand, ProductModelCommand, UpgradeableComponentValidityCommand, FilePut,
               SoftwareResetToBootloaderCommand, SoftwareResetCommand, IndicateFirmwareUpgradeCommand,
               StoreUserSettingsRecordCommand>;

// The reply text the program would log, built so that the lookups run.
void touchNames(const CommandHeader& command) {
    if (error_code_name(command.errorCode) == nullptr || mode_to_string(command.failedMode) == nullptr) {
        std::abort();
    }
}

// Encoding what was decoded and decoding it again must give the same command: the decoder and the
// encoder agree on the layout, whatever the message held.
template <typename T>
void checkRoundTrip(const T& decoded) {
    touchNames(decoded);
    static std::vector<std::uint8_t> wire;
    wire.clear();
    cvsw::EndianInserter out(wire, cvsw::EndianInserter::UNBOUNDED_ROOM);
    decoded.encode(out);
    if (wire.size() < 3) {
        std::abort();
    }
    cvsw::ControlExtractor in(wire.data() + 3, wire.size() - 3);
    const auto again = T::decode(in, decoded.mode);
    if (!again || !(*again == decoded)) {
        std::abort();
    }
}

template <typename T>
void addChecker(ControlCentre& centre) {
    centre.setHandler<T>([](std::unique_ptr<T>&& command) { checkRoundTrip(*command); });
}

// Exposes the tick so that the harness can step the agent without a running event loop.
class SteppedLoginAgent final : public fwup::UserLoginAgent {
public:
    using UserLoginAgent::poll;
    using UserLoginAgent::UserLoginAgent;
};

template <typename T>
using Exchange = fwup::MuppetCommandExchange<T>;

template <typename... T>
struct Exchanges {
    explicit Exchanges(const std::shared_ptr<ControlCentre>& centre)
        : running(std::make_unique<Exchange<T>>(centre, 3, 1000, 1000)...) {}

    // Every exchange waits for its reply when an input begins; only those that a reply ended are
    // started again, since starting all of them would cost more than the input. Nothing is queued:
    // the replies come from the input, not from a device.
    void restartEnded() {
        std::apply([](auto&... exchange) { (restart(*exchange), ...); }, running);
    }

    template <typename U>
    static void restart(Exchange<U>& exchange) {
        if (exchange.isBusy()) {
            return;
        }
        exchange.start({[] { return std::unique_ptr<U>(); }, [](const U&) {},
                        [](fwup::MuppetCommandExchangeBase::FailureReason) {
                        }});
    }

    std::tuple<std::unique_ptr<Exchange<T>>...> running;
};

template <typename Tuple>
struct ExchangesOf;
template <typename... T>
struct ExchangesOf<std::tuple<T...>> {
    using type = Exchanges<T...>;
};

struct Harness {
    Harness()
        : consumers(std::make_shared<ControlCentre>())
        , exchanges(consumers)
        , agent(*consumers) {
        std::apply([this](auto... command) { (addChecker<decltype(command)>(checkers), ...); },
                   ExchangeCommands{});
        addChecker<Login>(checkers);
        addChecker<Session>(checkers);
        addChecker<Status>(checkers);
        addChecker<Logout>(checkers);
        agent.setPassword({'f', 'u', 'z', 'z'});
        agent.setCompletion([](bool) {});
        agent.setStepTimeoutMs(std::numeric_limits<qint64>::max()); // no wait runs out mid-input
    }

    // Takes what the consumers queued, so nothing piles up between inputs.
    void drain() {
        std::uint8_t frameType = 0;
        do {
            outbound.clear();
        } while (consumers->takeNextFrame(fuzzsupport::notifier(), frameType, outbound));
    }

    ControlCentre checkers;
    std::shared_ptr<ControlCentre> consumers;
    ExchangesOf<ExchangeCommands>::type exchanges;
    SteppedLoginAgent agent;
    cvsw::muppet::BasicStdVectorBuffer outbound;
};

Harness* harness = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzsupport::silenceLogging();
    // The exchanges' and the agent's timers need an event dispatcher, though none ever fires here.
    static QCoreApplication application(*argc, *argv);
    static Harness instance;
    harness = &instance;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::uint8_t flags = data[0];
    Harness& h = *harness;

    h.exchanges.restartEnded();
    h.agent.setUserId(static_cast<std::uint8_t>((flags >> 1) & 7));
    h.agent.start((flags & 1) != 0 ? fwup::UserLoginAgent::ISSUE_SET_USER_LOGOUT
                                   : fwup::UserLoginAgent::ISSUE_GET_USER_STATUS);
    h.agent.poll();

    for (std::size_t at = 1; at < size;) {
        const std::size_t length = std::min<std::size_t>(data[at], size - at - 1);
        const std::uint8_t* message = data + at + 1;
        h.checkers.handleFrame(message, length);
        h.consumers->handleFrame(message, length);
        h.agent.poll(); // issues the next request when a reply moved the login on
        at += 1 + length;
    }

    h.agent.start(fwup::UserLoginAgent::IDLE);
    h.drain();
    return 0;
}
