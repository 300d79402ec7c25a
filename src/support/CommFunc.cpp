#include "support/CommFunc.h"

#include <cstring>

namespace maplink {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

unsigned char* At(void* buffer, int32_t offset) { return static_cast<unsigned char*>(buffer) + offset; }

const unsigned char* At(const void* buffer, int32_t offset) {
  return static_cast<const unsigned char*>(buffer) + offset;
}

}  // namespace

void HexDump(char* out, const void* bytes, int32_t count, char separator) {
  const auto* in = static_cast<const unsigned char*>(bytes);
  for (int32_t i = 0; i < count; ++i) {
    *out++ = kHexDigits[in[i] >> 4];
    *out++ = kHexDigits[in[i] & 0x0F];
    if (separator != 0) *out++ = separator;
  }
  *out = '\0';
}

std::string HexString(const void* bytes, int32_t count) {
  if (count <= 0) return std::string();
  std::string text(3 * static_cast<size_t>(count) + 1, '\0');
  HexDump(text.data(), bytes, count, ' ');
  text.pop_back();  // the terminator
  return text;
}

double Percent(double a, double b) { return b > 0 ? a / b * 100.0 : 0.0; }

uint16_t ReadWord(const void* buffer, int32_t& offset) {
  const unsigned char* p = At(buffer, offset);
  offset += 2;
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t ReadDWord(const void* buffer, int32_t& offset) {
  const unsigned char* p = At(buffer, offset);
  offset += 4;
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void WriteBuf(void* buffer, int32_t& offset, const void* source, int32_t length) {
  if (length > 0) std::memcpy(At(buffer, offset), source, static_cast<size_t>(length));
  offset += length;
}

void WriteWord(void* buffer, int32_t& offset, uint16_t value) {
  unsigned char* p = At(buffer, offset);
  p[0] = static_cast<unsigned char>(value);
  p[1] = static_cast<unsigned char>(value >> 8);
  offset += 2;
}

void WriteDWord(void* buffer, int32_t& offset, uint32_t value) {
  unsigned char* p = At(buffer, offset);
  p[0] = static_cast<unsigned char>(value);
  p[1] = static_cast<unsigned char>(value >> 8);
  p[2] = static_cast<unsigned char>(value >> 16);
  p[3] = static_cast<unsigned char>(value >> 24);
  offset += 4;
}

}  // namespace maplink
