#pragma once

// The record layout shared by the Palm DOC reader and writer.

#include <cstddef>
#include <cstdint>

namespace palmdoc {

inline constexpr std::size_t RecordEntrySize = 8;
inline constexpr std::size_t Record0Size = 16;
inline constexpr std::uint16_t CompressionNone = 1;
inline constexpr std::uint16_t CompressionPalmDoc = 2;

} // namespace palmdoc
