#pragma once

#include "ComTypes.h"

#include <stdexcept>
#include <string>

namespace veilcraft::component {

// A component could not be loaded, registered or created. The message names
// the library or class and the cause in words; status() is the code a
// Windows host would have seen.
class ComponentError : public std::runtime_error {
public:
    ComponentError(HRESULT status, const std::string& message) : std::runtime_error(message), status_(status) {}
    [[nodiscard]] HRESULT status() const { return status_; }

private:
    HRESULT status_;
};

}  // namespace veilcraft::component
