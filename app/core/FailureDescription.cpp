#include "app/core/FailureDescription.h"

namespace tarnwick::app {

QString DescribeFailure(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Unknown failure");
    }
}

bool IsFollowUp(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const FollowUp&) {
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace tarnwick::app
