// Internal to the geometry utilities: the warning written when an exception is caught at
// the outer level of an operation.
#pragma once

namespace GeometryUtils::detail {

// Call only inside a catch handler: logs the exception being handled as a warning in the
// form that matches its kind, beginning with the operation's name.
void warnCaught(const char* operation);

} // namespace GeometryUtils::detail
