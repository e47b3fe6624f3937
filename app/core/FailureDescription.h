#pragma once

#include <QString>
#include <exception>
#include <stdexcept>

namespace tarnwick::app {

// A failure raised by the application's own code with a text of its own (UTF-8 in what()).
class Failure : public std::runtime_error {
  public:
    explicit Failure(const QString& description) : std::runtime_error(description.toStdString()) {}
};

// A step that could not be carried out because an earlier step of the same procedure failed (an
// object it needed was not made, a table was not copied): the report of that earlier failure
// already says what went wrong.
class FollowUp : public Failure {
  public:
    using Failure::Failure;
};

// The description a report shows for a caught failure: the failing component's own text, unchanged.
QString DescribeFailure(const std::exception_ptr& failure);
// Whether the failure is a FollowUp.
bool IsFollowUp(const std::exception_ptr& failure);

}  // namespace tarnwick::app
