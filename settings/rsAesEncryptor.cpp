// rsAesEncryptor.cpp — encryption of listed settings keys: the payload layout around OpenSSL's AES.
//
// Payload P = type code (2 bytes, little-endian) + value (the bytes of a string or binary key, else the
// 8-byte value field). Stored C = length of P (4 bytes, little-endian, in clear) + P padded with zero
// bytes to whole blocks and encrypted. The key then holds C in Base64 without "=" padding.
#include "settings/rsAesEncryptor.h"

#include <openssl/evp.h>

#include <memory>
#include <utility>

namespace varnholt {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

struct TCipherContextFree {
  void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};

}  // namespace

std::string TrsAesEncryptor::Base64Encode(std::string_view bytes) {
  if (bytes.empty()) return {};
  std::string out((bytes.size() + 2) / 3 * 4 + 1, '\0');  // EVP_EncodeBlock ends with a NUL
  const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                     reinterpret_cast<const unsigned char*>(bytes.data()),
                                     static_cast<int>(bytes.size()));
  out.resize(static_cast<std::size_t>(length));
  // The stored form has no "=" padding.
  while (!out.empty() && out.back() == '=') out.pop_back();
  return out;
}

bool TrsAesEncryptor::Base64Decode(std::string_view text, std::string& bytes) {
  // EVP_DecodeBlock also takes "=", surrounding white space and line breaks; the stored form has none of
  // them, so only the alphabet passes, and a last group of one character holds no whole byte.
  if (text.size() % 4 == 1 || text.find_first_not_of(kAlphabet) != std::string_view::npos) return false;
  bytes.clear();
  if (text.empty()) return true;
  // A short last group is filled with zero bits ('A') to a whole one; the bytes they make are cut off.
  std::string padded(text);
  padded.resize((text.size() + 3) / 4 * 4, 'A');
  std::string decoded(padded.size() / 4 * 3, '\0');
  const int length = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(decoded.data()),
                                     reinterpret_cast<const unsigned char*>(padded.data()),
                                     static_cast<int>(padded.size()));
  if (length < 0) return false;
  decoded.resize(text.size() * 6 / 8);
  bytes = std::move(decoded);
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
