// rsAesEncryptor.h — protects listed settings keys in the file: AES in ECB mode (OpenSSL), a length
// prefix, and Base64 without padding.
#pragma once

#include <string>
#include <string_view>

#include "settings/rsStorage.h"

namespace varnholt {

enum TrsCipherMode { cmECB };
enum TrsKeyBits { ck128, ck192, ck256 };

class TrsAesEncryptor : public TrsEncryptor {
 public:
  // The key text is cut to, or filled with zero bytes up to, 16, 24 or 32 bytes as KeyBits says.
  const std::string& Key() const { return key_; }
  void SetKey(std::string key) { key_ = std::move(key); }
  TrsKeyBits KeyBits() const { return keyBits_; }
  void SetKeyBits(TrsKeyBits bits) { keyBits_ = bits; }
  TrsCipherMode Mode() const { return mode_; }
  void SetMode(TrsCipherMode mode) { mode_ = mode; }

  // The key's type code and value, encrypted, become a Base64 string (a binary key stays binary).
  void EncryptKey(TrsKeyData& key) override;
  // Restores type and value; false, with the key untouched, when its text is not such a value.
  bool DecryptKey(TrsKeyData& key) override;

  // AES over whole 16-byte blocks with the current key; the size must be a multiple of 16.
  std::string EncryptBlocks(std::string_view data) const;
  std::string DecryptBlocks(std::string_view data) const;

  static std::string Base64Encode(std::string_view bytes);
  // False for a character outside the alphabet or a length that leaves one character over.
  static bool Base64Decode(std::string_view text, std::string& bytes);

 private:
  std::string CipherKey() const;
  std::string Crypt(std::string_view data, bool encrypt) const;

  std::string key_;
  TrsKeyBits keyBits_ = ck128;
  TrsCipherMode mode_ = cmECB;
};

}  // namespace varnholt
