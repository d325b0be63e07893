#include "fwup/identification/product_type_getter.h"

#include "fwup/identification/device_info_getter_support_p.h"
#include "fwup/identification/product_type_id_name.h"

#include <QDebug>

namespace fwup {

using cvsw::muppet::control::Mode;
using cvsw::muppet::control::ProductTypeCommand;

ProductTypeGetter::ProductTypeGetter(const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre,
                                     std::uint32_t attemptLimit, std::uint64_t firstTimeoutMs,
                                     std::uint64_t resendTimeoutMs)
    : exchange_(controlCentre, attemptLimit, firstTimeoutMs, resendTimeoutMs) {
}

ProductTypeGetter::~ProductTypeGetter() = default;

void ProductTypeGetter::start(const SuccessHandler& onSuccess, const std::function<void()>& onFailure) {
    detail::require_handlers(onSuccess, onFailure);
    exchange_.start({
        [] { return std::make_unique<ProductTypeCommand>(Mode::GET); },
        [onSuccess](const ProductTypeCommand& reply) {
            const cvsw::muppet::ProductTypeId type = reply.productType;
            qDebug() << "Received product type" << cvsw::muppet::product_type_id_name(type);
            onSuccess(type);
        },
        [onFailure](MuppetCommandExchangeBase::FailureReason) { onFailure(); },
    });
}

void ProductTypeGetter::cancel() {
    exchange_.cancel();
}

} // namespace fwup
