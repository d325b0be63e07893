#include "fwup/installation/user_settings_record_storer.h"

#include "fwup/communication/muppet_connection.h"
#include "fwup/identification/muppet_password_generator.h"
#include "fwup/identification/product_type_id_name.h"
#include "fwup/installation/i_component_relocator.h"
#include "muppet/control_centre.h"

#include <QDebug>

#include <stdexcept>
#include <vector>

namespace fwup {

namespace {

bool is_unknown(const Version& version) {
    return version == Version{};
}

} // namespace

UserSettingsRecordStorer::UserSettingsRecordStorer(cvsw::muppet::ProductTypeId bootloaderProductType,
                                                   cvsw::muppet::ProductTypeId applicationProductType)
    : UserSettingsRecordStorer(bootloaderProductType, applicationProductType, Timing{}) {
}

UserSettingsRecordStorer::UserSettingsRecordStorer(cvsw::muppet::ProductTypeId bootloaderProductType,
                                                   cvsw::muppet::ProductTypeId applicationProductType,
                                                   const Timing& timing)
    : bootloaderProductType_(bootloaderProductType)
    , applicationProductType_(applicationProductType)
    , loginAgent_(*link_.controlCentre())
    , coordinator_(link_.controlCentre(), timing.store)
    , productTypeGetter_(link_.controlCentre(), timing.productTypeAttempts, timing.productTypeFirstTimeoutMs,
                         timing.productTypeResendTimeoutMs)
    , resetRequester_(link_.controlCentre(), 0, timing.resetTimeoutMs, timing.resetTimeoutMs) {
    loginAgent_.setStepTimeoutMs(timing.loginStepTimeoutMs);
    tickTimer_.setInterval(TICK_MS);
}

UserSettingsRecordStorer::~UserSettingsRecordStorer() {
    // A relocator outlives the storer in its other owners; it must not call back into a dead one.
    if (activity_ == RELOCATING && relocator_) {
        relocator_->cancel();
    }
    cleanUp();
}

bool UserSettingsRecordStorer::needToStoreSettings(const VersionRangeTable& table, const Version& from,
                                                   const Version& to) {
    if (is_unknown(to)) {
        return false;
    }
    return lookup_version_range(table, from) > lookup_version_range(table, to);
}

void UserSettingsRecordStorer::start(const VersionRangeTable& table, const Version& from, const Version& to,
                                     const QString& serialNumber, const QString& location,
                                     std::shared_ptr<IComponentRelocator>&& relocator,
                                     const std::function<void(bool)>& onDone,
                                     const std::function<void()>& onFailure) {
    if (!onDone || !onFailure) {
        throw std::invalid_argument("Handler functor can not be null");
    }
    if (!needToStoreSettings(table, from, to)) {
        if (is_unknown(to)) {
            qDebug() << "No control-pod version to store settings for; not storing settings";
        } else {
            qDebug() << "No need to store settings going from " << from.toString() << "to" << to.toString();
        }
        onDone(false);
        return;
    }
    if (activity_ != IDLE) {
        onFailure();
        return;
    }
    relocator_ = std::move(relocator);
    // Events left by an earlier run are no concern of this one.
    events_.clear();
    QObject::connect(&tickTimer_, &QTimer::timeout, &tickTimer_,
                     [this, to, serialNumber, location, onDone, onFailure] {
                         tick(to, serialNumber, location, onDone, onFailure);
                     });
    if (!establishConnection(location)) {
        cleanUp();
        onFailure();
        return;
    }
    productTypeGetter_.start(
        [this](const cvsw::muppet::ProductTypeId& type) {
            if (type == bootloaderProductType_) {
                events_.push_back(RESET_TO_APPLICATION);
            } else if (type == applicationProductType_) {
                events_.push_back(LOG_IN);
            } else {
                qDebug() << "Invalid product type reported" << cvsw::muppet::product_type_id_name(type);
                events_.push_back(FAILED);
            }
        },
        [this] { events_.push_back(FAILED); });
    activity_ = CONNECTED;
    tickTimer_.start();
}

void UserSettingsRecordStorer::tick(const Version& to, const QString& serialNumber, const QString& location,
                                    const std::function<void(bool)>& onDone,
                                    const std::function<void()>& onFailure) {
    if (activity_ == CONNECTED) {
        link_.service();
    }
    while (!events_.empty()) {
        const unsigned int event = events_.front();
        events_.pop_front();
        switch (event) {
        case RELOCATE:
            relocate(serialNumber, location);
            break;
        case STORE:
            coordinator_.start(
                [this](const bool& stored) { events_.push_back(stored ? STORED : NOT_STORED); },
                [this] { events_.push_back(FAILED); }, to);
            activity_ = CONNECTED;
            break;
        case LOG_IN:
            logIn();
            break;
        case RESET_TO_APPLICATION:
            resetRequester_.start([this] { events_.push_back(RELOCATE); },
                                  [this] { events_.push_back(FAILED); });
            activity_ = CONNECTED;
            break;
        case NOT_STORED:
        case STORED: {
            // Copies: the clean-up disconnects the slot that holds the handlers.
            const std::function<void(bool)> done = onDone;
            cleanUp();
            done(event == STORED);
            return;
        }
        case FAILED: {
            const std::function<void()> failed = onFailure;
            cleanUp();
            failed();
            return;
        }
        default:
            break;
        }
    }
}

void UserSettingsRecordStorer::relocate(const QString& serialNumber, const QString& location) {
    link_.close();
    activity_ = RELOCATING;
    // Without a relocator the pod cannot be found again after its reset.
    if (!relocator_) {
        events_.push_back(FAILED);
        return;
    }
    relocator_->relocate(
        location, serialNumber,
        [this](cvsw::muppet::ProductTypeId type, const QString& newLocation) {
            if (type == bootloaderProductType_) {
                events_.push_back(NOT_STORED);
            } else {
                events_.push_back(establishConnection(newLocation) ? LOG_IN : FAILED);
            }
        },
        [this] { events_.push_back(FAILED); });
}

void UserSettingsRecordStorer::logIn() {
    std::vector<unsigned char> password;
    if (!get_operator_password_for_product(applicationProductType_, password)) {
        events_.push_back(FAILED);
        return;
    }
    loginAgent_.setPassword(password);
    loginAgent_.setCompletion([this](bool loggedIn) { events_.push_back(loggedIn ? STORE : FAILED); });
    loginAgent_.start(UserLoginAgent::ISSUE_GET_USER_STATUS);
    activity_ = CONNECTED;
}

bool UserSettingsRecordStorer::establishConnection(const QString& location) {
    location_ = location;
    return link_.open(location);
}

void UserSettingsRecordStorer::cleanUp() {
    tickTimer_.stop();
    QObject::disconnect(&tickTimer_, &QTimer::timeout, nullptr, nullptr);
    link_.close();
    relocator_.reset();
    activity_ = IDLE;
}

} // namespace fwup
