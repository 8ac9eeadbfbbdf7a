#pragma once
// The fuzzer's input as Qt types. The bytes are not copied, so that a read
// past their end in the code under test is caught by the address sanitizer.

#include <QByteArray>

#include <cstddef>
#include <cstdint>

inline QByteArray fuzzBytes(const std::uint8_t* data, std::size_t size) {
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
}

// A broken promise of the code under test: stops the fuzzer with a report.
#define FUZZ_EXPECT(condition)              \
    do {                                    \
        if (!(condition)) __builtin_trap(); \
    } while (false)
