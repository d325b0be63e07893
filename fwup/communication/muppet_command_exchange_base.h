#pragma once

#include <QObject>

namespace fwup {

// The non-template part of every command exchange: the meta-object that lets a failure reason
// print by name.
class MuppetCommandExchangeBase : public QObject {
    Q_OBJECT

public:
    enum class FailureReason {
        ABORTED = 0,      // the owner cancelled
        BUSY = 1,         // started while an exchange was running
        MUPPET_ERROR = 2, // ERR reply with any error code but 4
        TIMEOUT = 3,      // every attempt went unanswered
        UNAUTHORISED = 4, // ERR reply with error code 4
    };
    Q_ENUM(FailureReason)

    ~MuppetCommandExchangeBase() override;

protected:
    MuppetCommandExchangeBase();
};

} // namespace fwup
