#include "archive/zip_crypto.h"

#include <crypto++/rijndael.h>
#include <crypto++/ripemd.h>
#include <sys/random.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "archive/checksum.h"

namespace kvn::archive {

namespace {

uint32_t CrcStep(uint32_t reg, uint8_t b) {
  return CrcTable()[(reg ^ b) & 0xFF] ^ (reg >> 8);
}

// The strong-name key is built at run time from this constant.
constexpr uint32_t kStrongNameConstant = 0x1F3B6D29u;

}  // namespace

TraditionalCipher::TraditionalCipher(std::string_view password) {
  for (char c : password) Update(static_cast<uint8_t>(c));
}

void TraditionalCipher::Update(uint8_t plain) {
  m_key0 = CrcStep(m_key0, plain);
  m_key1 = (m_key1 + (m_key0 & 0xFF)) * 134775813u + 1;
  m_key2 = CrcStep(m_key2, static_cast<uint8_t>(m_key1 >> 24));
}

uint8_t TraditionalCipher::StreamByte() const {
  const uint32_t t = m_key2 | 2;
  return static_cast<uint8_t>(((t * (t ^ 1)) >> 8) & 0xFF);
}

uint8_t TraditionalCipher::EncryptByte(uint8_t plain) {
  const uint8_t c = StreamByte() ^ plain;
  Update(plain);
  return c;
}

uint8_t TraditionalCipher::DecryptByte(uint8_t cipher) {
  const uint8_t plain = StreamByte() ^ cipher;
  Update(plain);
  return plain;
}

// The keys are kept in locals: the bytes written cannot then alias them, and
// the loop runs at the speed of its two table lookups.
void TraditionalCipher::Encrypt(unsigned char* data, size_t n) {
  const uint32_t* table = CrcTable();
  uint32_t k0 = m_key0, k1 = m_key1, k2 = m_key2;
  for (size_t i = 0; i < n; ++i) {
    const uint32_t t = k2 | 2;
    const uint8_t plain = data[i];
    data[i] = static_cast<uint8_t>(plain ^ static_cast<uint8_t>((t * (t ^ 1)) >> 8));
    k0 = table[(k0 ^ plain) & 0xFF] ^ (k0 >> 8);
    k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1;
    k2 = table[(k2 ^ (k1 >> 24)) & 0xFF] ^ (k2 >> 8);
  }
  m_key0 = k0, m_key1 = k1, m_key2 = k2;
}

void TraditionalCipher::Decrypt(unsigned char* data, size_t n) {
  const uint32_t* table = CrcTable();
  uint32_t k0 = m_key0, k1 = m_key1, k2 = m_key2;
  for (size_t i = 0; i < n; ++i) {
    const uint32_t t = k2 | 2;
    const uint8_t plain = static_cast<uint8_t>(data[i] ^ static_cast<uint8_t>((t * (t ^ 1)) >> 8));
    data[i] = plain;
    k0 = table[(k0 ^ plain) & 0xFF] ^ (k0 >> 8);
    k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1;
    k2 = table[(k2 ^ (k1 >> 24)) & 0xFF] ^ (k2 >> 8);
  }
  m_key0 = k0, m_key1 = k1, m_key2 = k2;
}

std::array<uint8_t, kEncryptionHeaderSize> EncryptionHeader(uint32_t crc) {
  std::array<uint8_t, kEncryptionHeaderSize> h{};
  // From the kernel's random source: two archives made at the same moment do
  // not share their header bytes.
  size_t got = 0;
  while (got < 10) {
    const ssize_t n = getrandom(h.data() + got, 10 - got, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    got += static_cast<size_t>(n);
  }
  h[10] = static_cast<uint8_t>(crc >> 16);
  h[11] = static_cast<uint8_t>(crc >> 24);
  return h;
}

std::string StrongNameKey() {
  char text[16];
  std::snprintf(text, sizeof text, "%09u", kStrongNameConstant % 1000000000u);
  return text;
}

namespace {

// Block chaining of the name cipher: full blocks C = E(P xor F), F ^= C; a
// final partial block takes the first bytes of E(F), F ^= E(F).
bool NameCipher(std::string& bytes, bool encipher) {
  try {
    const std::string key = StrongNameKey();
    CryptoPP::byte digest[CryptoPP::RIPEMD256::DIGESTSIZE];
    CryptoPP::RIPEMD256().CalculateDigest(
        digest, reinterpret_cast<const CryptoPP::byte*>(key.data()), key.size());
    CryptoPP::Rijndael::Encryption enc(digest, 32);
    CryptoPP::Rijndael::Decryption dec(digest, 32);
    std::memset(digest, 0, sizeof digest);
    CryptoPP::byte f[16];
    std::memset(f, 0xFF, sizeof f);
    std::string out = bytes;
    size_t i = 0;
    for (; i + 16 <= out.size(); i += 16) {
      auto* block = reinterpret_cast<CryptoPP::byte*>(out.data() + i);
      if (encipher) {
        for (int k = 0; k < 16; ++k) block[k] ^= f[k];
        enc.ProcessBlock(block);
        for (int k = 0; k < 16; ++k) f[k] ^= block[k];
      } else {
        CryptoPP::byte c[16];
        std::memcpy(c, block, 16);
        dec.ProcessBlock(block);
        for (int k = 0; k < 16; ++k) block[k] ^= f[k];
        for (int k = 0; k < 16; ++k) f[k] ^= c[k];
      }
    }
    if (i < out.size()) {
      CryptoPP::byte b[16];
      enc.ProcessBlock(f, b);
      for (size_t k = 0; i + k < out.size(); ++k) out[i + k] = static_cast<char>(out[i + k] ^ b[k]);
      for (int k = 0; k < 16; ++k) f[k] ^= b[k];
    }
    bytes = std::move(out);
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace

bool EncipherName(std::string& bytes) {
  return NameCipher(bytes, true);
}
bool DecipherName(std::string& bytes) {
  return NameCipher(bytes, false);
}

}  // namespace kvn::archive
