#include "fwup/identification/operator_user_login_agent.h"

#include "fwup/identification/muppet_password_generator.h"

#include <QDebug>

#include <stdexcept>
#include <vector>

namespace fwup {

namespace {

void require_callbacks(const std::function<void()>& onSuccess, const std::function<void()>& onFailure) {
    if (!onSuccess || !onFailure) {
        throw std::invalid_argument("Handler functors can not be null");
    }
}

} // namespace

void OperatorUserLoginAgent::start(cvsw::muppet::ProductTypeId type, unsigned char productModel,
                                   const std::function<void()>& onSuccess,
                                   const std::function<void()>& onFailure) {
    startLogin(type, productModel, onSuccess, onFailure);
}

void OperatorUserLoginAgent::start(cvsw::muppet::ProductTypeId type, const std::function<void()>& onSuccess,
                                   const std::function<void()>& onFailure) {
    startLogin(type, std::nullopt, onSuccess, onFailure);
}

void OperatorUserLoginAgent::startLogout(const std::function<void()>& onSuccess,
                                         const std::function<void()>& onFailure) {
    require_callbacks(onSuccess, onFailure);
    if (refuseWhileRunning(onFailure)) {
        return;
    }
    setCallbacks(onSuccess, onFailure);
    setUserId(OPERATOR);
    UserLoginAgent::start(ISSUE_SET_USER_LOGOUT);
}

void OperatorUserLoginAgent::startLogin(cvsw::muppet::ProductTypeId type,
                                        std::optional<unsigned char> productModel,
                                        const std::function<void()>& onSuccess,
                                        const std::function<void()>& onFailure) {
    require_callbacks(onSuccess, onFailure);
    if (refuseWhileRunning(onFailure)) {
        return;
    }
    std::vector<unsigned char> password;
    if (!get_operator_password_for_product(type, password, productModel)) {
        // One report is all the caller gets: a handshake with no password could only add a second.
        onFailure();
        return;
    }
    setCallbacks(onSuccess, onFailure);
    setPassword(password);
    UserLoginAgent::start(ISSUE_GET_USER_STATUS);
}

// A second start while a handshake runs would replace its callbacks, and the first caller would
// never hear back.
bool OperatorUserLoginAgent::refuseWhileRunning(const std::function<void()>& onFailure) {
    if (!isRunning()) {
        return false;
    }
    qDebug() << "Attempt to start while busy";
    onFailure();
    return true;
}

void OperatorUserLoginAgent::setCallbacks(const std::function<void()>& onSuccess,
                                          const std::function<void()>& onFailure) {
    setCompletion([onSuccess, onFailure](bool success) {
        if (success) {
            onSuccess();
        } else {
            onFailure();
        }
    });
}

} // namespace fwup
