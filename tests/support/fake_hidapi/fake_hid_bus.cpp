#include "tests/support/fake_hidapi/fake_hid_bus.h"

#include "tests/support/fake_hidapi/fake_hid_device.h"

// Included for its declarations: the definitions below must match the real library's signatures.
#include <hidapi.h>

#include <QtGlobal>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

// A host handle: which device it was opened on, and in which plugging of it.
struct hid_device_ {
    std::weak_ptr<cuu::test::FakeHidDevice> device;
    quint64 generation = 0;
    bool nonBlocking = false;
};

namespace cuu::test {

namespace {

// One hid_enumerate result; the records point into the strings held beside them.
struct Enumeration {
    std::vector<hid_device_info> records;
    std::vector<std::vector<char>> paths;
    std::vector<std::wstring> serialNumbers;
    std::wstring emptyText;
};

// The bus's frame clock: whole milliseconds since the first use.
using Clock = std::chrono::steady_clock;

Clock::time_point frameEpoch() {
    static const Clock::time_point epoch = Clock::now();
    return epoch;
}

qint64 currentFrame() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - frameEpoch()).count();
}

Clock::time_point endOfFrame(qint64 frame) {
    return frameEpoch() + std::chrono::milliseconds(frame + 1);
}

} // namespace

struct FakeHidBus::State {
    QList<std::shared_ptr<FakeHidDevice>> devices;
    std::map<const hid_device*, std::unique_ptr<hid_device>> handles;
    std::map<const hid_device_info*, std::unique_ptr<Enumeration>> enumerations;
    bool enumerationFails = false;
    bool fullSpeedPacing = false;
    QStringList openPathLog;
    QList<QPair<quint16, quint16>> openIdLog;
    int initCount = 0;
    int exitCount = 0;
};

FakeHidBus& FakeHidBus::instance() {
    static FakeHidBus bus;
    return bus;
}

FakeHidBus::FakeHidBus()
    : state_(std::make_unique<State>()) {
}

FakeHidBus::~FakeHidBus() = default;

void FakeHidBus::plug(const std::shared_ptr<FakeHidDevice>& device) {
    const std::lock_guard lock(mutex_);
    const std::lock_guard deviceLock(device->mutex_);
    if (device->plugged_) {
        return;
    }
    device->plugged_ = true;
    state_->devices.append(device);
}

void FakeHidBus::unplug(const std::shared_ptr<FakeHidDevice>& device) {
    const std::lock_guard lock(mutex_);
    const std::lock_guard deviceLock(device->mutex_);
    if (!device->plugged_) {
        return;
    }
    device->plugged_ = false;
    ++device->generation_;
    state_->devices.removeAll(device);
}

void FakeHidBus::replug(const std::shared_ptr<FakeHidDevice>& device, const QString& newPath) {
    unplug(device);
    device->setPath(newPath);
    plug(device);
}

void FakeHidBus::reset() {
    const QList<std::shared_ptr<FakeHidDevice>> plugged = devices();
    for (const auto& device : plugged) {
        unplug(device);
    }
    const std::lock_guard lock(mutex_);
    state_->enumerationFails = false;
    state_->fullSpeedPacing = false;
    state_->openPathLog.clear();
    state_->openIdLog.clear();
    state_->initCount = 0;
    state_->exitCount = 0;
}

QList<std::shared_ptr<FakeHidDevice>> FakeHidBus::devices() const {
    const std::lock_guard lock(mutex_);
    return state_->devices;
}

void FakeHidBus::setEnumerationFails(bool fails) {
    const std::lock_guard lock(mutex_);
    state_->enumerationFails = fails;
}

void FakeHidBus::setFullSpeedPacing(bool on) {
    const std::lock_guard lock(mutex_);
    state_->fullSpeedPacing = on;
}

bool FakeHidBus::isFullSpeedPacing() const {
    const std::lock_guard lock(mutex_);
    return state_->fullSpeedPacing;
}

QStringList FakeHidBus::openPathLog() const {
    const std::lock_guard lock(mutex_);
    return state_->openPathLog;
}

QList<QPair<quint16, quint16>> FakeHidBus::openIdLog() const {
    const std::lock_guard lock(mutex_);
    return state_->openIdLog;
}

int FakeHidBus::openHandleCount() const {
    const std::lock_guard lock(mutex_);
    return static_cast<int>(state_->handles.size());
}

int FakeHidBus::outstandingEnumerationCount() const {
    const std::lock_guard lock(mutex_);
    return static_cast<int>(state_->enumerations.size());
}

int FakeHidBus::initCount() const {
    const std::lock_guard lock(mutex_);
    return state_->initCount;
}

int FakeHidBus::exitCount() const {
    const std::lock_guard lock(mutex_);
    return state_->exitCount;
}

// The hidapi operations, on the bus. Device hooks are called with no lock held.
struct FakeHidHost {
    static FakeHidBus& bus() { return FakeHidBus::instance(); }

    static int init(bool exiting) {
        const std::lock_guard lock(bus().mutex_);
        ++(exiting ? bus().state_->exitCount : bus().state_->initCount);
        return 0;
    }

    static hid_device_info* enumerate(quint16 vendorId, quint16 productId) {
        FakeHidBus& b = bus();
        const std::lock_guard lock(b.mutex_);
        if (b.state_->enumerationFails) {
            return nullptr;
        }
        QList<std::shared_ptr<FakeHidDevice>> matching;
        for (const auto& device : b.state_->devices) {
            if ((vendorId == 0 || device->vendorId() == vendorId) &&
                (productId == 0 || device->productId() == productId)) {
                matching.append(device);
            }
        }
        if (matching.isEmpty()) {
            return nullptr;
        }
        auto enumeration = std::make_unique<Enumeration>();
        const auto count = static_cast<std::size_t>(matching.size());
        // Reserved up front: the records point into these strings.
        enumeration->records.resize(count);
        enumeration->paths.reserve(count);
        enumeration->serialNumbers.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            const auto& device = matching.at(static_cast<qsizetype>(i));
            const QByteArray path = device->path().toUtf8();
            enumeration->paths.emplace_back(path.constData(), path.constData() + path.size() + 1);
            enumeration->serialNumbers.push_back(device->serialNumber().toStdWString());
            hid_device_info& record = enumeration->records[i];
            std::memset(&record, 0, sizeof record);
            record.path = enumeration->paths.back().data();
            record.vendor_id = device->vendorId();
            record.product_id = device->productId();
            record.serial_number = enumeration->serialNumbers.back().data();
            record.manufacturer_string = enumeration->emptyText.data();
            record.product_string = enumeration->emptyText.data();
            record.interface_number = 0;
            record.bus_type = HID_API_BUS_USB;
            record.next = i + 1 < count ? &enumeration->records[i + 1] : nullptr;
        }
        hid_device_info* head = enumeration->records.data();
        b.state_->enumerations.emplace(head, std::move(enumeration));
        return head;
    }

    static void freeEnumeration(hid_device_info* head) {
        if (head == nullptr) {
            return;
        }
        const std::lock_guard lock(bus().mutex_);
        if (bus().state_->enumerations.erase(head) == 0) {
            qFatal("fake hidapi: hid_free_enumeration of a list hid_enumerate did not return");
        }
    }

    // Opens the first plugged device the predicate accepts.
    template <typename Predicate>
    static hid_device* open(Predicate accepts) {
        FakeHidBus& b = bus();
        std::shared_ptr<FakeHidDevice> device;
        hid_device* handle = nullptr;
        {
            const std::lock_guard lock(b.mutex_);
            for (const auto& candidate : b.state_->devices) {
                if (accepts(*candidate)) {
                    device = candidate;
                    break;
                }
            }
            if (!device) {
                return nullptr;
            }
            const std::lock_guard deviceLock(device->mutex_);
            ++device->openAttempts_;
            if (FakeHidDevice::takeFault(device->openFailures_)) {
                return nullptr;
            }
            ++device->opens_;
            ++device->openHandles_;
            auto entry = std::make_unique<hid_device>();
            entry->device = device;
            entry->generation = device->generation_;
            handle = entry.get();
            b.state_->handles.emplace(handle, std::move(entry));
        }
        device->onOpened();
        return handle;
    }

    static hid_device* openPath(const char* path) {
        const QString wanted = QString::fromUtf8(path != nullptr ? path : "");
        {
            const std::lock_guard lock(bus().mutex_);
            bus().state_->openPathLog.append(wanted);
        }
        return open([&](const FakeHidDevice& device) { return device.path() == wanted; });
    }

    static hid_device* openIds(quint16 vendorId, quint16 productId, const wchar_t* serialNumber) {
        {
            const std::lock_guard lock(bus().mutex_);
            bus().state_->openIdLog.append({vendorId, productId});
        }
        const QString serial = serialNumber != nullptr ? QString::fromWCharArray(serialNumber) : QString();
        return open([&](const FakeHidDevice& device) {
            return device.vendorId_ == vendorId && device.productId_ == productId &&
                   (serialNumber == nullptr || device.serialNumber_ == serial);
        });
    }

    // The device behind a handle, or null when the handle has gone stale (device unplugged since).
    static std::shared_ptr<FakeHidDevice> deviceOf(hid_device* handle, const char* operation) {
        const std::lock_guard lock(bus().mutex_);
        const auto found = bus().state_->handles.find(handle);
        if (found == bus().state_->handles.end()) {
            qFatal("fake hidapi: %s on a handle that is not open", operation);
        }
        std::shared_ptr<FakeHidDevice> device = found->second->device.lock();
        if (!device) {
            return nullptr;
        }
        const std::lock_guard deviceLock(device->mutex_);
        if (!device->plugged_ || device->generation_ != found->second->generation) {
            return nullptr;
        }
        return device;
    }

    static int write(hid_device* handle, const unsigned char* data, std::size_t length) {
        const std::shared_ptr<FakeHidDevice> device = deviceOf(handle, "hid_write");
        if (!device || data == nullptr || length == 0) {
            return -1;
        }
        const bool paced = bus().isFullSpeedPacing();
        qint64 frame = 0;
        {
            const std::lock_guard lock(device->mutex_);
            ++device->writeCalls_;
            if (FakeHidDevice::takeFault(device->writeFailures_)) {
                return -1;
            }
            if (FakeHidDevice::takeFault(device->writeStalls_)) {
                return 0;
            }
            if (paced) {
                frame = std::max(currentFrame(), device->lastWriteFrame_ + 1);
                device->lastWriteFrame_ = frame;
            }
        }
        // The transfer takes its frame; the device has the report once the frame is over.
        if (paced) {
            std::this_thread::sleep_until(endOfFrame(frame));
        }
        device->onReport(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(length)));
        return static_cast<int>(length);
    }

    static int read(hid_device* handle, unsigned char* data, std::size_t length) {
        const std::shared_ptr<FakeHidDevice> device = deviceOf(handle, "hid_read");
        if (!device || data == nullptr) {
            return -1;
        }
        const bool paced = bus().isFullSpeedPacing();
        const std::lock_guard lock(device->mutex_);
        ++device->readCalls_;
        if (FakeHidDevice::takeFault(device->readFailures_)) {
            return -1;
        }
        if (FakeHidDevice::takeFault(device->readStalls_)) {
            return 0;
        }
        // A blocking read on an empty queue returns 0 as well: nothing else could fill the queue while
        // the (single) test thread waits. So does one whose report has to wait for the next frame.
        if (device->inputReports_.isEmpty()) {
            return 0;
        }
        if (paced) {
            const qint64 frame = currentFrame();
            if (frame == device->lastReadFrame_) {
                return 0;
            }
            device->lastReadFrame_ = frame;
        }
        const QByteArray report = device->inputReports_.takeFirst();
        const std::size_t count = std::min(length, static_cast<std::size_t>(report.size()));
        std::memcpy(data, report.constData(), count);
        return static_cast<int>(count);
    }

    static int setNonBlocking(hid_device* handle, int nonBlock) {
        const std::lock_guard lock(bus().mutex_);
        const auto found = bus().state_->handles.find(handle);
        if (found == bus().state_->handles.end()) {
            qFatal("fake hidapi: hid_set_nonblocking on a handle that is not open");
        }
        found->second->nonBlocking = nonBlock != 0;
        return 0;
    }

    static void close(hid_device* handle) {
        if (handle == nullptr) {
            return;
        }
        std::shared_ptr<FakeHidDevice> device;
        {
            const std::lock_guard lock(bus().mutex_);
            const auto found = bus().state_->handles.find(handle);
            if (found == bus().state_->handles.end()) {
                qFatal("fake hidapi: hid_close on a handle that is not open");
            }
            device = found->second->device.lock();
            bus().state_->handles.erase(found);
            if (device) {
                const std::lock_guard deviceLock(device->mutex_);
                --device->openHandles_;
            }
        }
        if (device) {
            device->onClosed();
        }
    }
};

} // namespace cuu::test

using cuu::test::FakeHidHost;

extern "C" {

int HID_API_EXPORT HID_API_CALL hid_init(void) {
    return FakeHidHost::init(false);
}

int HID_API_EXPORT HID_API_CALL hid_exit(void) {
    return FakeHidHost::init(true);
}

struct hid_device_info HID_API_EXPORT* HID_API_CALL hid_enumerate(unsigned short vendor_id,
                                                                  unsigned short product_id) {
    return FakeHidHost::enumerate(vendor_id, product_id);
}

void HID_API_EXPORT HID_API_CALL hid_free_enumeration(struct hid_device_info* devs) {
    FakeHidHost::freeEnumeration(devs);
}

HID_API_EXPORT hid_device* HID_API_CALL hid_open(unsigned short vendor_id, unsigned short product_id,
                                                 const wchar_t* serial_number) {
    return FakeHidHost::openIds(vendor_id, product_id, serial_number);
}

HID_API_EXPORT hid_device* HID_API_CALL hid_open_path(const char* path) {
    return FakeHidHost::openPath(path);
}

int HID_API_EXPORT HID_API_CALL hid_write(hid_device* dev, const unsigned char* data, size_t length) {
    return FakeHidHost::write(dev, data, length);
}

int HID_API_EXPORT HID_API_CALL hid_read(hid_device* dev, unsigned char* data, size_t length) {
    return FakeHidHost::read(dev, data, length);
}

int HID_API_EXPORT HID_API_CALL hid_set_nonblocking(hid_device* dev, int nonblock) {
    return FakeHidHost::setNonBlocking(dev, nonblock);
}

void HID_API_EXPORT HID_API_CALL hid_close(hid_device* dev) {
    FakeHidHost::close(dev);
}

} // extern "C"
