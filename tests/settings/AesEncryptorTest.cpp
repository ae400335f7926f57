// AesEncryptorTest.cpp — the encryption of listed keys: AES known answers, the payload layout, Base64
// without padding and the silent refusal of texts that are no encrypted values.
#include "settings/rsAesEncryptor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varnholt {
namespace {

std::string FromHex(const std::string& hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return out;
}

std::string Sequence(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += static_cast<char>(i);
  return s;
}

TEST(AesEncryptor, PassesTheFips197KnownAnswers) {
  struct TCase {
    TrsKeyBits bits;
    std::string key, plain, cipher;
  };
  const std::vector<TCase> cases = {
      // Appendix B and C.1 to C.3 of the AES standard.
      {ck128, FromHex("2b7e151628aed2a6abf7158809cf4f3c"), FromHex("3243f6a8885a308d313198a2e0370734"),
       FromHex("3925841d02dc09fbdc118597196a0b32")},
      {ck128, Sequence(16), FromHex("00112233445566778899aabbccddeeff"),
       FromHex("69c4e0d86a7b0430d8cdb78070b4c55a")},
      {ck192, Sequence(24), FromHex("00112233445566778899aabbccddeeff"),
       FromHex("dda97ca4864cdfe06eaf70a0ec0d7191")},
      {ck256, Sequence(32), FromHex("00112233445566778899aabbccddeeff"),
       FromHex("8ea2b7ca516745bfeafc49904b496089")},
  };
  for (const auto& c : cases) {
    TrsAesEncryptor aes;
    aes.SetKeyBits(c.bits);
    aes.SetKey(c.key);
    EXPECT_EQ(aes.EncryptBlocks(c.plain), c.cipher);
    EXPECT_EQ(aes.DecryptBlocks(c.cipher), c.plain);
    // ECB: two equal blocks give two equal cipher blocks.
    EXPECT_EQ(aes.EncryptBlocks(c.plain + c.plain), c.cipher + c.cipher);
  }
  TrsAesEncryptor aes;
  EXPECT_THROW(aes.EncryptBlocks("short"), TrsException);
}

TEST(AesEncryptor, AShortKeyIsFilledWithZeroBytesAndALongOneIsCut) {
  TrsAesEncryptor shortKey, padded, longKey, cut;
  shortKey.SetKey("Pqrvst Lmnoxz");
  padded.SetKey(std::string("Pqrvst Lmnoxz\0\0\0", 16));
  const std::string block(16, 'x');
  EXPECT_EQ(shortKey.EncryptBlocks(block), padded.EncryptBlocks(block));
  longKey.SetKey("0123456789abcdefEXTRA");
  cut.SetKey("0123456789abcdef");
  EXPECT_EQ(longKey.EncryptBlocks(block), cut.EncryptBlocks(block));
}

TEST(AesEncryptor, Base64UsesTheStandardAlphabetWithoutPadding) {
  EXPECT_EQ(TrsAesEncryptor::Base64Encode(""), "");
  EXPECT_EQ(TrsAesEncryptor::Base64Encode("f"), "Zg");
  EXPECT_EQ(TrsAesEncryptor::Base64Encode("fo"), "Zm8");
  EXPECT_EQ(TrsAesEncryptor::Base64Encode("foo"), "Zm9v");
  EXPECT_EQ(TrsAesEncryptor::Base64Encode("foobar"), "Zm9vYmFy");
  EXPECT_EQ(TrsAesEncryptor::Base64Encode("\xFB\xFF"), "+/8");
  std::string bytes;
  ASSERT_TRUE(TrsAesEncryptor::Base64Decode("Zm9vYmE", bytes));
  EXPECT_EQ(bytes, "fooba");
  ASSERT_TRUE(TrsAesEncryptor::Base64Decode("+/8", bytes));
  EXPECT_EQ(bytes, "\xFB\xFF");
  EXPECT_FALSE(TrsAesEncryptor::Base64Decode("Zm9vY", bytes));  // one character over
  EXPECT_FALSE(TrsAesEncryptor::Base64Decode("Zg==", bytes));   // padding is not part of the alphabet
  EXPECT_FALSE(TrsAesEncryptor::Base64Decode("Zm 9v", bytes));
  EXPECT_FALSE(TrsAesEncryptor::Base64Decode("Zm-_", bytes));
}

class EncryptTest : public ::testing::Test {
 protected:
  EncryptTest() { aes.SetKey("Pqrvst Lmnoxz"); }
  TrsKeyData StringKey(const std::string& text) {
    TrsKeyData k;
    k.name = "edOwner.Text";
    k.type = ktString;
    k.bytes = text;
    return k;
  }
  TrsAesEncryptor aes;
};

TEST_F(EncryptTest, PasswordsOfUpTo14CharactersTake27Base64Characters) {
  const std::vector<std::pair<std::string, std::size_t>> cases = {{"", 27},
                                                                  {"a", 27},
                                                                  {"14 characters!", 27},
                                                                  {"15 characters!!", 48},
                                                                  {std::string(30, 'p'), 48},
                                                                  {std::string(31, 'p'), 70}};
  for (const auto& [password, length] : cases) {
    TrsKeyData k = StringKey(password);
    aes.EncryptKey(k);
    EXPECT_EQ(k.type, ktString);
    EXPECT_EQ(k.bytes.size(), length) << password;
    EXPECT_EQ(k.bytes.find('='), std::string::npos);
    ASSERT_TRUE(aes.DecryptKey(k)) << password;
    EXPECT_EQ(k.type, ktString);
    EXPECT_EQ(k.bytes, password);
  }
}

TEST_F(EncryptTest, ThePayloadIsLengthPrefixTypeCodeAndValueInZeroPaddedBlocks) {
  TrsKeyData k = StringKey("secret");
  aes.EncryptKey(k);
  std::string stored;
  ASSERT_TRUE(TrsAesEncryptor::Base64Decode(k.bytes, stored));
  ASSERT_EQ(stored.size(), 20u);
  EXPECT_EQ(stored.substr(0, 4), std::string("\x08\x00\x00\x00", 4));
  EXPECT_EQ(aes.DecryptBlocks(stored.substr(4)), std::string("\x01\x00secret\0\0\0\0\0\0\0\0", 16));
}

TEST_F(EncryptTest, EveryTypeSurvivesEncryptionAndBinaryStaysBinary) {
  TrsKeyWrapper w("k");
  const std::vector<std::function<void()>> setters = {[&] { w.Clear(); },
                                                      [&] { w.SetString("x"); },
                                                      [&] { w.SetBinary(std::string("\0\1", 2)); },
                                                      [&] { w.SetInteger(-5); },
                                                      [&] { w.SetFloat(2.5); },
                                                      [&] { w.SetVariant(TrsCurrency{12345}); },
                                                      [&] { w.SetBoolean(true); },
                                                      [&] {
                                                        w.SetPoint({-1, 2});
                                                      },
                                                      [&] { w.SetInt64(1LL << 50); },
                                                      [&] { w.SetVariant(TrsDateTime{45000.25}); }};
  for (const auto& set : setters) {
    set();
    const TrsKeyData before = w.Data();
    aes.EncryptKey(w.Data());
    EXPECT_EQ(w.Type(), before.type == ktBinary ? ktBinary : ktString);
    ASSERT_TRUE(aes.DecryptKey(w.Data())) << before.type;
    EXPECT_EQ(w.Type(), before.type);
    EXPECT_EQ(w.Data().field, before.field);
    EXPECT_EQ(w.Data().bytes, before.bytes);
  }
}

TEST_F(EncryptTest, TextsThatAreNoEncryptedValuesStayAsTheyAre) {
  TrsAesEncryptor other;
  other.SetKey("another key");
  TrsKeyData foreign = StringKey("secret");
  other.EncryptKey(foreign);  // decrypts under our key to a garbage type code or length, nearly always

  std::string shortPrefix = std::string("\x01\x00\x00\x00", 4) + std::string(16, 'x');
  std::string longPrefix = std::string("\x11\x00\x00\x00", 4) + std::string(16, 'x');
  std::string noBlock = std::string("\x02\x00\x00\x00", 4);
  std::string halfBlock = std::string("\x02\x00\x00\x00", 4) + std::string(8, 'x');
  // A valid layout with type code 11, and one with a fixed-size type but too short a value.
  std::string badType = std::string("\x02\x00\x00\x00", 4) +
                        aes.EncryptBlocks(std::string("\x0B\x00", 2) + std::string(14, '\0'));
  std::string shortValue =
      std::string("\x06\x00\x00\x00", 4) +
      aes.EncryptBlocks(std::string("\x03\x00\x01\x02\x03\x04", 6) + std::string(10, '\0'));
  const std::vector<std::string> texts = {
      "",
      "not base64!",
      "Zg==",
      "QUJD",  // valid Base64, too short
      TrsAesEncryptor::Base64Encode(shortPrefix),
      TrsAesEncryptor::Base64Encode(longPrefix),
      TrsAesEncryptor::Base64Encode(noBlock),
      TrsAesEncryptor::Base64Encode(halfBlock),
      TrsAesEncryptor::Base64Encode(badType),
      TrsAesEncryptor::Base64Encode(shortValue),
      foreign.bytes,
  };
  for (const auto& text : texts) {
    TrsKeyData k = StringKey(text);
    EXPECT_FALSE(aes.DecryptKey(k)) << text;
    EXPECT_EQ(k.type, ktString);
    EXPECT_EQ(k.bytes, text);
  }
  TrsKeyData number;
  number.type = ktInteger;
  number.field[0] = 7;
  EXPECT_FALSE(aes.DecryptKey(number));
  EXPECT_EQ(number.type, ktInteger);
  EXPECT_EQ(number.field[0], 7);
}

TEST(Encryptor, ListedPathsMatchWithEitherSeparatorAndWithoutRegardToCase) {
  TrsAesEncryptor aes;
  aes.EncryptKeys() = {"/fmOstrevane.rsPropSaver1/edOwner.Text", "\\a\\b"};
  EXPECT_TRUE(aes.IsListed("\\fmOstrevane.rsPropSaver1\\edOwner.Text"));
  EXPECT_TRUE(aes.IsListed("fmostrevane.rspropsaver1/EDOWNER.TEXT"));
  EXPECT_TRUE(aes.IsListed("/a/b"));
  EXPECT_FALSE(aes.IsListed("/a/c"));
}

}  // namespace
}  // namespace varnholt
