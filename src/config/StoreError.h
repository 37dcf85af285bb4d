#pragma once

#include <stdexcept>

/// Raised when a store file exists but cannot be read, or cannot be written.
class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
