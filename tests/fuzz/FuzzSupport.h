#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

namespace kestar::test {

// A folder of this fuzzer process's own in the temporary folder (TMPDIR), made on first use and
// removed when the process ends normally. Two fuzzers running side by side never share it.
QString scratchFolder();

// Reports a broken promise with the input that broke it and aborts, which libFuzzer records as
// a crash and keeps the input for.
[[noreturn]] void fail(const char* what, const QString& detail);

// The input as text three ways: bytes read as UTF-8, as Latin-1, and as raw UTF-16 code units
// (the only one of the three that can hold a lone surrogate).
QString utf8Text(const std::uint8_t* data, std::size_t size);
QString latin1Text(const std::uint8_t* data, std::size_t size);
QString utf16Text(const std::uint8_t* data, std::size_t size);
// Bytes below 0x80 as themselves, the others as characters that try a code page hardest: its
// own letters, characters it lacks, lone surrogates, other line separators.
QString awkwardText(const std::uint8_t* data, std::size_t size);

} // namespace kestar::test
