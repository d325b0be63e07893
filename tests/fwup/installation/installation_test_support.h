#pragma once

#include "fwup/installation/mbu_and_tamarind_updater.h"
#include "tests/support/fake_hidapi/fake_hid_bus.h"
#include "tests/support/operator_passwords/generated_operator_password.h"
#include "tests/support/simulated_detector/command_ids.h"
#include "tests/support/simulated_detector/link_stack.h"
#include "tests/support/simulated_detector/payload_reader.h"
#include "tests/support/simulated_detector/simulated_detector.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

namespace installation_test {

using cuu::test::FakeHidBus;
using cuu::test::Link;
using cuu::test::registerLinkStack;
using cuu::test::SimulatedComponent;
using cuu::test::SimulatedDetector;
using cuu::test::SimulatedFault;
using cuu::test::unregisterLinkStack;
namespace command_id = cuu::test::command_id;

inline const QString& TUNNEL_PREFIX = fwup::MbuAndTamarindUpdater::TUNNEL_PREFIX;

inline constexpr std::uint8_t GET = 0;
inline constexpr std::uint8_t SET = 1;
inline constexpr std::uint8_t OPERATOR_LOGGED_IN = 1u << SimulatedComponent::kOperator;

// A plugged system whose parts check logins against the program's own passwords.
inline std::unique_ptr<SimulatedDetector> plugDetector(SimulatedDetector::PodMode mode) {
    auto detector = std::make_unique<SimulatedDetector>(mode);
    detector->setPasswordSource(&cuu::test::generated_operator_password);
    detector->plug();
    return detector;
}

// Image bytes that do not repeat every 256 bytes, so that a packet put at the wrong offset shows.
inline QByteArray contents(qsizetype size, int seed = 0) {
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 37 + i / 251 + seed) & 0xFF);
    }
    return bytes;
}

// The offsets of the file packets the component was sent, in order.
inline QList<quint32> setOffsets(const SimulatedComponent& component) {
    QList<quint32> offsets;
    for (const auto& entry : component.traffic()) {
        if (entry.commandId == command_id::FILE_PUT_LPD && entry.mode == SET) {
            cuu::test::PayloadReader reader(entry.payload);
            reader.u16();
            offsets.append(reader.u32());
        }
    }
    return offsets;
}

// The end handlers an agent called, counted.
struct Ends {
    int done = 0;
    int failed = 0;
    int total() const { return done + failed; }
    std::function<void()> onDone() {
        return [this] {
            ++done;
        };
    }
    std::function<void()> onFailure() {
        return [this] {
            ++failed;
        };
    }
};

} // namespace installation_test
