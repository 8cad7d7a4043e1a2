// Entry encryption: the traditional zip cipher (three 32-bit keys driven by
// the password and the plain bytes, a 12-byte header ending with the CRC's
// high bytes), and the block cipher of entry names of version 0x4114 (AES-256
// keyed by the RIPEMD-256 digest of the strong-name key).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kvn::archive {

class TraditionalCipher {
 public:
  // Keys initialised, then updated with each byte of the password.
  explicit TraditionalCipher(std::string_view password);
  uint8_t StreamByte() const;
  uint8_t EncryptByte(uint8_t plain);
  uint8_t DecryptByte(uint8_t cipher);
  void Encrypt(unsigned char* data, size_t n);
  void Decrypt(unsigned char* data, size_t n);

 private:
  void Update(uint8_t plain);
  uint32_t m_key0 = 0x12345678u, m_key1 = 0x23456789u, m_key2 = 0x34567890u;
};

constexpr size_t kEncryptionHeaderSize = 12;

// The plain encryption header of an entry: ten bytes from the system's
// cryptographic random source, then bits 16-23 and 24-31 of the entry's CRC.
std::array<uint8_t, kEncryptionHeaderSize> EncryptionHeader(uint32_t crc);

// The name cipher: the same length in and out. False when the cipher failed;
// the bytes are then left as they were.
bool EncipherName(std::string& bytes);
bool DecipherName(std::string& bytes);
// The nine decimal digits the name cipher's key is the digest of.
std::string StrongNameKey();

}  // namespace kvn::archive
