#pragma once

#include <stdexcept>
#include <string>

namespace quillet {

// The one error type of the project. The sprite core, the file code and the
// importer throw it; the editor decides whether the user sees the message.
class QuilletError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace quillet
