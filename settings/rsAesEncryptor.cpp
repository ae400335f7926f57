// rsAesEncryptor.cpp — encryption of listed settings keys: the payload layout around OpenSSL's AES.
//
// Payload P = type code (2 bytes, little-endian) + value (the bytes of a string or binary key, else the
// 8-byte value field). Stored C = length of P (4 bytes, little-endian, in clear) + P padded with zero
// bytes to whole blocks and encrypted. The key then holds C in Base64 without "=" padding.
#include "settings/rsAesEncryptor.h"

#include <openssl/evp.h>

#include <memory>

namespace varnholt {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

struct TCipherContextFree {
  void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};

}  // namespace

std::string TrsAesEncryptor::Base64Encode(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
  for (; i + 3 <= bytes.size(); i += 3) {
    const unsigned v = byte(i) << 16 | byte(i + 1) << 8 | byte(i + 2);
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  const std::size_t rest = bytes.size() - i;
  if (rest == 1) {
    const unsigned v = byte(i) << 16;
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
  } else if (rest == 2) {
    const unsigned v = byte(i) << 16 | byte(i + 1) << 8;
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
  }
  return out;
}

bool TrsAesEncryptor::Base64Decode(std::string_view text, std::string& bytes) {
  if (text.size() % 4 == 1) return false;
  bytes.clear();
  bytes.reserve(text.size() / 4 * 3 + 2);
  unsigned buffer = 0;
  int bits = 0;
  for (const char c : text) {
    const int v = Base64Value(c);
    if (v < 0) return false;
    buffer = (buffer << 6) | static_cast<unsigned>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      bytes += static_cast<char>((buffer >> bits) & 0xFF);
    }
  }
  return true;
}

std::string TrsAesEncryptor::CipherKey() const {
  const std::size_t size = keyBits_ == ck256 ? 32 : keyBits_ == ck192 ? 24 : 16;
  std::string key = key_.substr(0, size);
  key.resize(size, '\0');
  return key;
}

std::string TrsAesEncryptor::Crypt(std::string_view data, bool encrypt) const {
  if (data.size() % 16 != 0)
    throw TrsException(TrsErrorKind::Other, "AES data is not a whole number of blocks.");
  const EVP_CIPHER* cipher = keyBits_ == ck256   ? EVP_aes_256_ecb()
                             : keyBits_ == ck192 ? EVP_aes_192_ecb()
                                                 : EVP_aes_128_ecb();
  const std::unique_ptr<EVP_CIPHER_CTX, TCipherContextFree> ctx(EVP_CIPHER_CTX_new());
  const std::string key = CipherKey();
  std::string out(data.size() + 16, '\0');
  int outLength = 0, finalLength = 0;
  const auto* keyBytes = reinterpret_cast<const unsigned char*>(key.data());
  auto* outBytes = reinterpret_cast<unsigned char*>(out.data());
  const bool ok =
      ctx && EVP_CipherInit_ex(ctx.get(), cipher, nullptr, keyBytes, nullptr, encrypt ? 1 : 0) == 1 &&
      EVP_CIPHER_CTX_set_padding(ctx.get(), 0) == 1 &&
      EVP_CipherUpdate(ctx.get(), outBytes, &outLength, reinterpret_cast<const unsigned char*>(data.data()),
                       static_cast<int>(data.size())) == 1 &&
      EVP_CipherFinal_ex(ctx.get(), outBytes + outLength, &finalLength) == 1;
  if (!ok) throw TrsException(TrsErrorKind::Other, "The AES cipher is not available.");
  out.resize(static_cast<std::size_t>(outLength + finalLength));
  return out;
}

std::string TrsAesEncryptor::EncryptBlocks(std::string_view data) const {
  return Crypt(data, true);
}
std::string TrsAesEncryptor::DecryptBlocks(std::string_view data) const {
  return Crypt(data, false);
}

void TrsAesEncryptor::EncryptKey(TrsKeyData& key) {
  std::string payload;
  payload += static_cast<char>(key.type & 0xFF);
  payload += static_cast<char>(key.type >> 8);
  if (key.type == ktString || key.type == ktBinary) {
    payload += key.bytes;
  } else {
    payload.append(reinterpret_cast<const char*>(key.field.data()), key.field.size());
  }
  const auto length = static_cast<std::uint32_t>(payload.size());
  payload.resize((payload.size() + 15) / 16 * 16, '\0');
  std::string stored;
  for (int i = 0; i < 4; ++i) stored += static_cast<char>((length >> (8 * i)) & 0xFF);
  stored += EncryptBlocks(payload);
  key.bytes = Base64Encode(stored);
  key.field.fill(0);
  if (key.type != ktBinary) key.type = ktString;
}

bool TrsAesEncryptor::DecryptKey(TrsKeyData& key) {
  if (key.type != ktString && key.type != ktBinary) return false;
  std::string stored;
  if (!Base64Decode(key.bytes, stored)) return false;
  if (stored.size() < 20 || (stored.size() - 4) % 16 != 0) return false;
  std::uint32_t length = 0;
  for (int i = 3; i >= 0; --i)
    length = length << 8 | static_cast<unsigned char>(stored[static_cast<std::size_t>(i)]);
  const std::size_t blocks = stored.size() - 4;
  if (length < 2 || length > blocks) return false;
  std::string payload;
  try {
    payload = DecryptBlocks(std::string_view(stored).substr(4));
  } catch (const TrsException&) {
    return false;
  }
  payload.resize(length);
  const auto type = static_cast<std::uint16_t>(static_cast<unsigned char>(payload[0]) |
                                               static_cast<unsigned char>(payload[1]) << 8);
  if (type > kMaxKeyType) return false;
  const std::string_view value = std::string_view(payload).substr(2);
  if (type == ktString || type == ktBinary) {
    key.bytes = value;
    key.field.fill(0);
  } else {
    // A fixed-size value must fill the whole field; anything else was not made by us.
    if (value.size() != key.field.size()) return false;
    for (std::size_t i = 0; i < value.size(); ++i) key.field[i] = static_cast<std::uint8_t>(value[i]);
    key.bytes.clear();
  }
  key.type = type;
  return true;
}

}  // namespace varnholt
