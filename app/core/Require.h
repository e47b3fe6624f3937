#pragma once

#include <memory>

#include "app/core/FailureDescription.h"

namespace tarnwick::app {

// The object behind a pointer that an earlier step of a procedure should have created. Throws
// FollowUp when that step failed, so that the later step is reported instead of crashing.
template <class Object>
Object& Require(const std::shared_ptr<Object>& object) {
    if (!object) throw FollowUp(QStringLiteral("Object variable not set"));
    return *object;
}

}  // namespace tarnwick::app
