// The CRC-16 of LZH archives (polynomial 0x8005 reflected, i.e. 0xA001,
// initial value 0), over member data and level-2/3 headers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lzh {

std::uint16_t crc16_update(std::uint16_t crc, const std::uint8_t *data, std::size_t n);

inline std::uint16_t crc16(const std::uint8_t *data, std::size_t n) { return crc16_update(0, data, n); }

// The two ways crc16_update() works, for the tests: with byte tables on
// any machine, and with carry-less multiplication (some ten times as fast)
// where the processor has it; that one is false, and leaves `crc`, when it
// has not.
std::uint16_t crc16_update_tables(std::uint16_t crc, const std::uint8_t *data, std::size_t n);
bool crc16_update_clmul(std::uint16_t &crc, const std::uint8_t *data, std::size_t n);

} // namespace lzh
