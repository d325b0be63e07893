#pragma once

#include "muppet/product_type_id.h"

#include <QString>

#include <functional>

namespace fwup {

// Finds a detector component again after it has reset or rebooted, and reports the product type it
// answers with now and the location at which it was found. The caller decides what the type means.
class IComponentRelocator {
public:
    using FoundHandler = std::function<void(cvsw::muppet::ProductTypeId, QString)>;

    virtual ~IComponentRelocator();

    // Exactly one handler follows, unless the relocation is cancelled. name identifies the system
    // looked for, where the kind of relocator needs it.
    virtual void relocate(const QString& location, const QString& name, const FoundHandler& onFound,
                          const std::function<void()>& onFailure) = 0;
    // Ends a running relocation without calling either of its handlers.
    virtual void cancel() = 0;

protected:
    IComponentRelocator() = default;
};

} // namespace fwup
