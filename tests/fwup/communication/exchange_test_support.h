#pragma once

#include "fwup/communication/muppet_command_exchange.h"
#include "tests/support/control_device/control_centre_device.h"

#include <QByteArray>

#include <functional>
#include <memory>
#include <vector>

// What one exchange's callbacks saw, with callbacks that write it down.
template <typename T>
struct Outcome {
    using Exchange = fwup::MuppetCommandExchange<T>;
    using Reason = fwup::MuppetCommandExchangeBase::FailureReason;

    std::vector<Reason> failures;
    std::vector<QByteArray> responses; // each reply written out again
    int made = 0;

    // makeCommand gives a GET of T unless the test passes its own maker.
    typename Exchange::ExchangeCallbacks callbacks(std::function<std::unique_ptr<T>(int)> maker = {}) {
        return {
            [this, maker] {
                const int index = made++;
                return maker ? maker(index) : std::make_unique<T>(cvsw::muppet::control::Mode::GET);
            },
            [this](const T& reply) {
                responses.push_back(toBytes(cuu::test::ControlCentreDevice::encode(reply)));
            },
            [this](Reason reason) { failures.push_back(reason); },
        };
    }

    int outcomes() const { return int(failures.size() + responses.size()); }

    static QByteArray toBytes(const cuu::test::Message& message) {
        return QByteArray(reinterpret_cast<const char*>(message.data()), qsizetype(message.size()));
    }
};

inline cuu::test::Message hexMessage(const char* hex) {
    const QByteArray bytes = QByteArray::fromHex(hex);
    return {bytes.begin(), bytes.end()};
}
