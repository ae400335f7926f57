// StorageTest.cpp — the settings store: names, paths, sections, the key cursor's conversions, events and
// errors.
#include "settings/rsStorage.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "platform/Locale.h"

namespace varnholt {
namespace {

class StorageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = platform::FormatSettings();
    platform::SetFormatSettings(platform::TFormatSettings::English());
  }
  void TearDown() override { platform::SetFormatSettings(saved_); }
  platform::TFormatSettings saved_;
  TrsStorage store;
};

TEST_F(StorageTest, NamesCompareWithoutRegardToTheCaseOfAToZ) {
  store.WriteString("/fmOstrevane.rsPropSaver1/edFind.Text", "x");
  EXPECT_GE(store.FindKey("/FMOSTREVANE.rsPropSaver1/edfind.text", false), 0);
  EXPECT_EQ(store.Key().Name(), "edFind.Text");
  // Only A-Z fold: accented letters are different names.
  store.WriteString("/s/\xC9t\xE9", "1");
  EXPECT_FALSE(store.KeyExists("/s/\xE9t\xE9"));
  EXPECT_TRUE(store.KeyExists("/S/\xC9T\xE9"));
}

TEST_F(StorageTest, KeysAreSortedBySectionThenNameWithPrefixesFirst) {
  for (const char* name : {"b", "AB", "a", "aa", "B1"}) store.WriteString(std::string("/s/") + name, "1");
  std::vector<std::string> names;
  for (const auto& k : store.Keys()) names.push_back(k.name);
  EXPECT_EQ(names, (std::vector<std::string>{"a", "aa", "AB", "b", "B1"}));
}

TEST_F(StorageTest, SectionIdsRestartAfterClear) {
  store.WriteString("/a/b/k", "1");
  EXPECT_EQ(store.Sections().size(), 2u);
  store.ClearStore();
  EXPECT_TRUE(store.Keys().empty());
  EXPECT_TRUE(store.Sections().empty());
  ASSERT_TRUE(store.OpenSection("new"));
  EXPECT_EQ(store.CurrentSection(), 1);
  ASSERT_TRUE(store.OpenSection("inner"));
  EXPECT_EQ(store.CurrentSection(), 2);
}

TEST_F(StorageTest, PathsUseEitherSeparatorAndStartAtTheCurrentSectionUnlessRooted) {
  store.WriteString("\\a\\b/k", "1");
  EXPECT_TRUE(store.KeyExists("/a/b/k"));
  EXPECT_TRUE(store.SectionExists("a\\b"));
  store.SetRootSection("a");
  EXPECT_TRUE(store.KeyExists("b/k"));
  EXPECT_FALSE(store.KeyExists("k"));
  store.WriteString("top", "2");  // no separator: the current section
  EXPECT_TRUE(store.KeyExists("/a/top"));
  store.WriteString("/rootkey", "3");  // a single leading separator: the root
  EXPECT_EQ(store.KeyPath(store.FindKey("/rootkey", false)), "\\rootkey");
  ASSERT_TRUE(store.OpenSection("b", false));
  EXPECT_TRUE(store.KeyExists("k"));
  store.CloseSection();
  store.CloseSection();
  EXPECT_EQ(store.CurrentSection(), 0);
  store.CloseSection();  // the root has no parent: it stays current
  EXPECT_EQ(store.CurrentSection(), 0);
}

TEST_F(StorageTest, EmptyNamesMatchNothingAndAreNeverCreated) {
  store.WriteString("/a/k", "1");
  EXPECT_EQ(store.FindKey("/a//k", false), -1);
  EXPECT_EQ(store.FindKey("//a/k", true), -1);
  EXPECT_EQ(store.FindKey("/a/", true), -1);
  EXPECT_EQ(store.Keys().size(), 1u);
  EXPECT_THROW(store.WriteString("/a//k", "x"), TrsException);
}

TEST_F(StorageTest, RootSectionCreatesItsPathAndIsResolvedFromTheRoot) {
  store.SetRootSection("fmOstrevane.rsPropSaver1");
  store.SetRootSection("fmOstrevane.rsPropSaver1");  // again: still directly below the root
  EXPECT_EQ(store.Sections().size(), 1u);
  EXPECT_EQ(store.RootSection(), "fmOstrevane.rsPropSaver1");
  store.WriteString("pnBrowser.Width", "185");
  EXPECT_TRUE(store.KeyExists("/fmOstrevane.rsPropSaver1/pnBrowser.Width"));
}

TEST_F(StorageTest, DeleteKeyRaisesItsEventAndForgetsTheLastLookup) {
  std::vector<std::string> events;
  store.OnKeyAdd = [&](TrsStorage&, const std::string& n) { events.push_back("add " + n); };
  store.OnKeyDeletion = [&](TrsStorage&, const std::string& n) { events.push_back("del " + n); };
  store.WriteString("/s/k", "1");
  EXPECT_GE(store.FindKey("/s/k", false), 0);
  EXPECT_TRUE(store.DeleteKey("/s/k"));
  EXPECT_FALSE(store.DeleteKey("/s/k"));
  EXPECT_EQ(store.FindKey("/s/k", false), -1);
  EXPECT_EQ(store.ReadString("/s/k", "default"), "default");
  store.WriteString("/s/a", "1");
  store.WriteString("/s/b", "2");
  store.ClearStore();
  EXPECT_EQ(events, (std::vector<std::string>{"add k", "del k", "add a", "add b", "del a", "del b"}));
  EXPECT_EQ(store.FindKey("/s/b", false), -1);
  EXPECT_FALSE(store.SectionExists("/s"));
}

TEST_F(StorageTest, TheCursorFollowsItsKeyWhenOthersAreInsertedOrDeleted) {
  store.WriteString("/s/m", "middle");
  store.WriteString("/s/z", "last");
  ASSERT_GE(store.FindKey("/s/m", false), 0);
  const int section = store.Keys()[0].sectionId;
  store.AddKey(section, "a");  // sorts before the cursor's key
  EXPECT_EQ(store.Key().AsString(), "middle");
  EXPECT_TRUE(store.DeleteKey("/s/a"));
  EXPECT_EQ(store.Key().AsString(), "middle");
  EXPECT_TRUE(store.DeleteKey("/s/m"));
  EXPECT_FALSE(store.Key().Assigned());
  EXPECT_THROW(store.Key().AsString(), TrsException);
}

TEST_F(StorageTest, TheLastLookupIsReusedOnlyForTheSameSectionAndName) {
  store.WriteString("/a/k", "A");
  store.WriteString("/b/k", "B");
  EXPECT_EQ(store.ReadString("/a/k", ""), "A");
  EXPECT_EQ(store.ReadString("/b/k", ""), "B");
  store.SetRootSection("a");
  EXPECT_EQ(store.ReadString("k", ""), "A");
  store.SetRootSection("b");
  EXPECT_EQ(store.ReadString("k", ""), "B");
}

// ---- Conversions -----------------------------------------------------------------------------------------

struct TKeySetup {
  const char* what;
  std::function<void(TrsKeyWrapper&)> set;
};

TEST_F(StorageTest, IntegerReadsFollowTheConversionTable) {
  struct TCase {
    TKeySetup key;
    bool ok;
    std::int32_t expected;
  };
  const std::vector<TCase> cases = {
      {{"empty", [](TrsKeyWrapper& k) { k.Clear(); }}, true, 0},
      {{"string", [](TrsKeyWrapper& k) { k.SetString("-42"); }}, true, -42},
      {{"integer", [](TrsKeyWrapper& k) { k.SetInteger(7); }}, true, 7},
      {{"Int64 low bits", [](TrsKeyWrapper& k) { k.SetInt64(0x100000005LL); }}, true, 5},
      {{"float 2.5", [](TrsKeyWrapper& k) { k.SetFloat(2.5); }}, true, 2},
      {{"float 3.5", [](TrsKeyWrapper& k) { k.SetFloat(3.5); }}, true, 4},
      {{"float -2.5", [](TrsKeyWrapper& k) { k.SetFloat(-2.5); }}, true, -2},
      {{"float 1e12", [](TrsKeyWrapper& k) { k.SetFloat(1e12); }}, false, 0},
      {{"float NaN", [](TrsKeyWrapper& k) { k.SetFloat(std::nan("")); }}, false, 0},
      {{"date", [](TrsKeyWrapper& k) { k.SetVariant(TrsDateTime{45000.75}); }}, true, 45001},
      {{"currency 2.5", [](TrsKeyWrapper& k) { k.SetVariant(TrsCurrency{25000}); }}, true, 2},
      {{"currency -3.5", [](TrsKeyWrapper& k) { k.SetVariant(TrsCurrency{-35000}); }}, true, -4},
      {{"currency 1.0001", [](TrsKeyWrapper& k) { k.SetVariant(TrsCurrency{10001}); }}, true, 1},
      {{"boolean", [](TrsKeyWrapper& k) { k.SetBoolean(true); }}, true, 1},
      {{"binary 4", [](TrsKeyWrapper& k) { k.SetBinary(std::string("\x01\x02\x00\x80", 4)); }},
       true,
       static_cast<std::int32_t>(0x80000201u)},
      {{"binary 3", [](TrsKeyWrapper& k) { k.SetBinary("abc"); }}, false, 0},
      {{"point",
        [](TrsKeyWrapper& k) {
          k.SetPoint({3, 4});
        }},
       false,
       0},
  };
  store.WriteString("/fmOstrevane.rsPropSaver1/pnBrowser.Width", "");
  for (const auto& c : cases) {
    ASSERT_GE(store.FindKey("/fmOstrevane.rsPropSaver1/pnBrowser.Width", false), 0);
    c.key.set(store.Key());
    if (c.ok) {
      EXPECT_EQ(store.Key().AsInteger(), c.expected) << c.key.what;
    } else {
      try {
        store.Key().AsInteger();
        ADD_FAILURE() << c.key.what << " should not read as integer";
      } catch (const TrsException& e) {
        EXPECT_STREQ(e.what(),
                     "TrsStorage get key value error: Can't read value of key "
                     "\"\\fmOstrevane.rsPropSaver1\\pnBrowser.Width\" as integer type.")
            << c.key.what;
      }
    }
  }
}

TEST_F(StorageTest, Int64AndFloatReadsFollowTheConversionTable) {
  TrsKeyWrapper k("k");
  k.Clear();
  EXPECT_EQ(k.AsInt64(), 0);
  EXPECT_EQ(k.AsFloat(), 0.0);
  k.SetInteger(-5);
  EXPECT_EQ(k.AsInt64(), -5);  // sign-extended
  EXPECT_EQ(k.AsFloat(), -5.0);
  k.SetString("-9223372036854775808");
  EXPECT_EQ(k.AsInt64(), std::numeric_limits<std::int64_t>::min());
  k.SetFloat(1e15 + 0.5);
  EXPECT_EQ(k.AsInt64(), 1000000000000000);  // tie to even
  k.SetVariant(TrsCurrency{-123456});
  EXPECT_EQ(k.AsInt64(), -12);
  EXPECT_DOUBLE_EQ(k.AsFloat(), -12.3456);
  k.SetInt64(1LL << 40);
  EXPECT_EQ(k.AsFloat(), 1099511627776.0);
  k.SetBinary(std::string("\x01\x00\x00\x00\x00\x00\x00\x80", 8));
  EXPECT_EQ(k.AsInt64(), static_cast<std::int64_t>(0x8000000000000001ULL));
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(2.25);
  std::string raw;
  for (int i = 0; i < 8; ++i) raw += static_cast<char>((bits >> (8 * i)) & 0xFF);
  k.SetBinary(raw);
  EXPECT_EQ(k.AsFloat(), 2.25);
  k.SetString("1.5");
  EXPECT_EQ(k.AsFloat(), 1.5);

  k.SetBoolean(true);
  EXPECT_THROW(k.AsInt64(), TrsException);
  EXPECT_THROW(k.AsFloat(), TrsException);
  k.SetPoint({1, 2});
  EXPECT_THROW(k.AsInt64(), TrsException);
  EXPECT_THROW(k.AsFloat(), TrsException);
  k.SetBinary("abc");
  try {
    k.AsFloat();
    ADD_FAILURE();
  } catch (const TrsException& e) {
    EXPECT_STREQ(e.what(), "TrsStorage get key value error: Can't read value of key \"\\k\" as float type.");
  }
}

TEST_F(StorageTest, StringsThatAreNoNumbersRaiseTheNumberParsersError) {
  TrsKeyWrapper k("k");
  for (const char* text : {"abc", "", "12x", "+-1", "2147483648", "--1"}) {
    k.SetString(text);
    try {
      k.AsInteger();
      ADD_FAILURE() << text;
    } catch (const ErsConvertError& e) {
      EXPECT_EQ(std::string(e.what()), std::string("'") + text + "' is not a valid integer value");
    }
  }
  k.SetString("1,5");  // not with "." as the decimal separator
  EXPECT_THROW(k.AsFloat(), ErsConvertError);
  k.SetString("1e400");
  EXPECT_THROW(k.AsFloat(), ErsConvertError);
  k.SetString("nan");
  EXPECT_THROW(k.AsFloat(), ErsConvertError);
  k.SetString(" 12");
  EXPECT_EQ(k.AsInteger(), 12);
  k.SetString("+12");
  EXPECT_EQ(k.AsInteger(), 12);
}

TEST_F(StorageTest, TextFormsOfEveryType) {
  TrsKeyWrapper k("k");
  const std::vector<std::pair<std::function<void()>, std::string>> cases = {
      {[&] { k.Clear(); }, ""},
      {[&] { k.SetString("a\tb"); }, "a\tb"},
      {[&] { k.SetBinary(std::string("\x00\xAB\x0f", 3)); }, "00,AB,0F"},
      {[&] { k.SetInteger(-2147483647 - 1); }, "-2147483648"},
      {[&] { k.SetFloat(1.5); }, "1.5"},
      {[&] { k.SetFloat(0.1); }, "0.1"},
      {[&] { k.SetFloat(1.0 / 3.0); }, "0.333333333333333"},
      {[&] { k.SetFloat(-250.0); }, "-250"},
      {[&] { k.SetFloat(1e20); }, "1E20"},
      {[&] { k.SetFloat(123456789012345678.0); }, "1.23456789012346E17"},
      {[&] { k.SetFloat(0.0001); }, "0.0001"},
      {[&] { k.SetFloat(0.00001); }, "1E-5"},
      {[&] { k.SetVariant(TrsCurrency{15000}); }, "1.5"},
      {[&] { k.SetVariant(TrsCurrency{-5}); }, "-0.0005"},
      {[&] { k.SetVariant(TrsCurrency{std::numeric_limits<std::int64_t>::min()}); }, "-922337203685477.5808"},
      {[&] { k.SetVariant(TrsDateTime{0}); }, "12/30/1899"},
      {[&] { k.SetVariant(TrsDateTime{45000.5}); }, "3/15/2023 12:00:00 PM"},
      {[&] { k.SetVariant(TrsDateTime{-1.25}); }, "12/29/1899 6:00:00 AM"},
      {[&] { k.SetBoolean(true); }, "True"},
      {[&] { k.SetBoolean(false); }, "False"},
      {[&] {
         k.SetPoint({3, -4});
       },
       "(3,-4)"},
      {[&] { k.SetInt64(-9223372036854775807LL - 1); }, "-9223372036854775808"},
  };
  for (const auto& [set, text] : cases) {
    set();
    EXPECT_EQ(k.AsString(), text);
  }
  platform::TFormatSettings german = platform::TFormatSettings::English();
  german.DecimalSeparator = ',';
  german.DateSeparator = '.';
  german.ShortDateFormat = "dd/mm/yyyy";
  german.LongTimeFormat = "hh:mm:ss";
  platform::SetFormatSettings(german);
  k.SetVariant(TrsDateTime{45000.75});
  EXPECT_EQ(k.AsString(), "15.03.2023 18:00:00");
  k.SetFloat(1.5);
  EXPECT_EQ(k.AsString(), "1,5");
  k.SetString("2,25");
  EXPECT_EQ(k.AsFloat(), 2.25);
}

// The store's texts keep their own rules where the script's FloatToStr and date routines differ, so that
// existing settings files read and write back unchanged.
TEST_F(StorageTest, TextFormsKeepTheStoresOwnRules) {
  struct TCase {
    double value;
    const char* text;
  };
  for (const TCase& c : std::vector<TCase>{
           {0.00001, "1E-5"},  // scientific notation already below 10^-4
           {0.0001, "0.0001"},
           {123456789012344.5, "123456789012344"},  // a tie rounds to even from the binary value
           {12345678901234.25, "12345678901234.2"},
           {1e15, "1E15"},
           {-2.5e-300, "-2.5E-300"},
       }) {
    EXPECT_EQ(FloatText(c.value), c.text) << c.value;
  }
  EXPECT_EQ(FloatText(std::numeric_limits<double>::quiet_NaN()), "NAN");
  EXPECT_EQ(CurrencyText(std::numeric_limits<std::int64_t>::min()), "-922337203685477.5808");
  EXPECT_EQ(CurrencyText(1), "0.0001");
  EXPECT_EQ(CurrencyText(-1234500), "-123.45");
  EXPECT_EQ(CurrencyText(0), "0");
  platform::TFormatSettings fs = platform::TFormatSettings::English();
  fs.ShortDateFormat = "yyyy-mm-dd";
  fs.LongTimeFormat = "hh:nn:ss.zzz";
  platform::SetFormatSettings(fs);
  // A time of milliseconds alone is shown; one that rounds to midnight stays on its day.
  EXPECT_EQ(DateTimeText(45000 + 0.5 / 86400000.0 * 2), "2023-03-15 00:00:00.001");
  EXPECT_EQ(DateTimeText(45000 + 0.9999999999), "2023-03-15 23:59:59.999");
  EXPECT_EQ(DateTimeText(-1.25), "1899-12-29 06:00:00.000");
  EXPECT_EQ(DateTimeText(2958465.0), "9999-12-31");
  EXPECT_EQ(DateTimeText(3e6), "3000000");
}

TEST_F(StorageTest, WritesSetTypeCodeAndValue) {
  TrsKeyWrapper k("k");
  k.SetBoolean(true);
  EXPECT_EQ(k.Type(), ktBoolean);
  EXPECT_EQ((std::array<std::uint8_t, 8>{0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}), k.Data().field);
  k.SetString("x");
  EXPECT_EQ(k.Type(), ktString);
  EXPECT_EQ(k.Data().field, (std::array<std::uint8_t, 8>{}));
  k.SetPoint({1, -1});
  EXPECT_EQ(k.Type(), ktPoint);
  EXPECT_EQ((std::array<std::uint8_t, 8>{1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}), k.Data().field);
  k.SetInt64(-2);
  EXPECT_EQ(k.Type(), ktInt64);
  k.SetFloat(0.5);
  EXPECT_EQ(k.Type(), ktFloat);
}

TEST_F(StorageTest, VariantsAreWrittenByKindAndReadBackByType) {
  TrsKeyWrapper k("k");
  const std::vector<std::pair<TrsVariant, std::uint16_t>> writes = {
      {std::monostate{}, ktEmpty},
      {TrsNull{}, ktEmpty},
      {std::int16_t{-3}, ktInteger},
      {std::int32_t{5}, ktInteger},
      {std::uint8_t{200}, ktInteger},
      {1.5f, ktFloat},
      {2.5, ktFloat},
      {TrsCurrency{5}, ktCurrency},
      {TrsDateTime{1.5}, ktDateTime},
      {std::string("s"), ktString},
      {true, ktBoolean},
      {std::int64_t{1} << 40, ktInt64},
  };
  for (const auto& [value, type] : writes) {
    k.SetVariant(value);
    EXPECT_EQ(k.Type(), type) << value.index();
  }
  k.SetVariant(std::uint8_t{200});
  EXPECT_EQ(std::get<std::int32_t>(k.AsVariant()), 200);
  k.SetVariant(TrsCurrency{5});
  EXPECT_EQ(std::get<TrsCurrency>(k.AsVariant()), TrsCurrency{5});
  k.SetVariant(TrsDateTime{1.5});
  EXPECT_EQ(std::get<TrsDateTime>(k.AsVariant()), TrsDateTime{1.5});
  k.SetVariant(true);
  EXPECT_EQ(std::get<bool>(k.AsVariant()), true);
  k.SetBinary("\x01\x02");
  EXPECT_EQ(std::get<std::string>(k.AsVariant()), "\x01\x02");
  k.SetPoint({1, 2});
  EXPECT_TRUE(std::holds_alternative<std::monostate>(k.AsVariant()));
  k.Clear();
  EXPECT_TRUE(std::holds_alternative<std::monostate>(k.AsVariant()));
  // A kind the store cannot hold clears the value and keeps the type code.
  k.SetInteger(9);
  k.SetVariant(TrsUnsupported{});
  EXPECT_EQ(k.Type(), ktInteger);
  EXPECT_EQ(k.AsInteger(), 0);
}

TEST_F(StorageTest, AssignCopiesTypeFlagsAndValueButNotTheName) {
  TrsKeyWrapper scratch("scratch");
  scratch.SetPoint({7, 8});
  scratch.SetFlags(kfAttribute);
  store.FindKey("/s/target", true);
  store.Key().Assign(scratch);
  EXPECT_EQ(store.Key().Name(), "target");
  EXPECT_EQ(store.Key().Flags(), kfAttribute);
  EXPECT_EQ(store.Key().AsString(), "(7,8)");
}

TEST(TrsException, PrefixesByKind) {
  EXPECT_STREQ(TrsException(TrsErrorKind::Parser, "Unknown entity.").what(),
               "TrsXMLData parser error: Unknown entity.");
  EXPECT_STREQ(TrsException(TrsErrorKind::SetKeyValue, "x").what(), "TrsStorage set key value error: x");
  EXPECT_STREQ(TrsException(TrsErrorKind::SearchPrepare, "x").what(), "TrsSearch prepare search error: x");
  EXPECT_STREQ(TrsException(TrsErrorKind::Search, "x").what(), "TrsSearch error: x");
  EXPECT_STREQ(TrsException(TrsErrorKind::RegData, "x").what(), "TrsRegData error: x");
  EXPECT_STREQ(TrsException(TrsErrorKind::Other, "x").what(), "Storage library error: x");
}

// ---- Load and save sequence ------------------------------------------------------------------------------

// Records the steps of the sequence; the encryptor only notes which keys it was asked about.
struct TRecorder {
  std::vector<std::string> steps;
};

class TFakeData : public TrsStorageData {
 public:
  explicit TFakeData(TRecorder& r) : r_(r) {}
  void Load(TrsStorage& s) override {
    if (OnBeforeLoad) OnBeforeLoad(*this);
    r_.steps.push_back("data read");
    s.WriteString("/p/pw", "cipher");
    s.WriteString("/p/other", "x");
    if (failLoad) throw TrsException(TrsErrorKind::Parser, "Unknown entity.");
    s.SetCurrentSection(0);
    if (OnAfterLoad) OnAfterLoad(*this);
  }
  void Save(TrsStorage& s) override {
    if (OnBeforeSave) OnBeforeSave(*this);
    r_.steps.push_back("data write " + s.ReadString("/p/pw", "?"));
    if (OnAfterSave) OnAfterSave(*this);
    if (failSave) throw EFileError("Cannot create file \"x\". No space left on device");
  }
  bool failLoad = false, failSave = false;

 private:
  TRecorder& r_;
};

class TFakeEncryptor : public TrsEncryptor {
 public:
  explicit TFakeEncryptor(TRecorder& r) : r_(r) {}
  void EncryptKey(TrsKeyData& key) override {
    r_.steps.push_back("encrypt " + key.name);
    key.bytes = "[" + key.bytes + "]";
  }
  bool DecryptKey(TrsKeyData& key) override {
    r_.steps.push_back("decrypt " + key.name);
    if (key.bytes.size() < 2 || key.bytes.front() != '[') return false;
    key.bytes = key.bytes.substr(1, key.bytes.size() - 2);
    return true;
  }

 private:
  TRecorder& r_;
};

class SequenceTest : public ::testing::Test {
 protected:
  SequenceTest() : data(r), encryptor(r) {
    store.SetStorageData(&data);
    store.SetEncryptor(&encryptor);
    encryptor.EncryptKeys() = {"p\\pw", "/p/missing"};
    const auto note = [this](const char* what) { return [this, what](auto&) { r.steps.push_back(what); }; };
    store.OnBeforeLoad = note("store before load");
    store.OnAfterLoad = note("store after load");
    store.OnBeforeSave = note("store before save");
    store.OnAfterSave = note("store after save");
    data.OnBeforeLoad = note("data before load");
    data.OnAfterLoad = note("data after load");
    data.OnBeforeSave = note("data before save");
    data.OnAfterSave = note("data after save");
  }
  TRecorder r;
  TFakeData data;
  TFakeEncryptor encryptor;
  TrsStorage store;
};

TEST_F(SequenceTest, LoadAndSaveRunTheirStepsInOrder) {
  store.LoadStore();
  store.SaveStore();
  EXPECT_EQ(r.steps,
            (std::vector<std::string>{"store before load", "data before load", "data read", "data after load",
                                      "decrypt pw", "store after load", "store before save", "encrypt pw",
                                      "data before save", "data write [cipher]", "data after save",
                                      "decrypt pw", "store after save"}));
}

TEST_F(SequenceTest, WithoutABackEndOnlyTheStoreEventsRun) {
  store.SetStorageData(nullptr);
  store.LoadStore();
  store.SaveStore();
  EXPECT_EQ(r.steps, (std::vector<std::string>{"store before load", "store after load", "store before save",
                                               "store after save"}));
}

TEST_F(SequenceTest, AnInactiveEncryptorLeavesKeysAlone) {
  encryptor.SetActive(false);
  store.LoadStore();
  store.SaveStore();
  for (const auto& step : r.steps) EXPECT_EQ(step.find("crypt"), std::string::npos) << step;
}

TEST_F(SequenceTest, AFailedWriteRestoresThePlainValuesAtOnce) {
  store.LoadStore();
  r.steps.clear();
  data.failSave = true;
  EXPECT_THROW(store.SaveStore(), EFileError);
  EXPECT_EQ(r.steps, (std::vector<std::string>{"store before save", "encrypt pw", "data before save",
                                               "data write [cipher]", "data after save", "decrypt pw"}));
  EXPECT_EQ(store.ReadString("/p/pw", ""), "cipher");
  data.failSave = false;
  r.steps.clear();
  store.SaveStore();
  EXPECT_EQ(r.steps[3], "data write [cipher]");  // encrypted once, not twice
}

TEST_F(SequenceTest, AFailedLoadLeavesNoHalfTreeAndNoCloseSave) {
  data.failLoad = true;
  store.SetOptions(soSaveOnClose);
  EXPECT_THROW(store.SetActive(true), TrsException);
  EXPECT_TRUE(store.Keys().empty());
  EXPECT_TRUE(store.LoadFailed());
  r.steps.clear();
  store.SetActive(false);
  EXPECT_TRUE(r.steps.empty());
}

TEST_F(SequenceTest, ActivationDuringConstructionLoadsWhenItCompletes) {
  store.BeginConstruction();
  store.SetActive(true);
  EXPECT_TRUE(r.steps.empty());
  store.EndConstruction();
  EXPECT_EQ(store.ReadString("/p/pw", ""), "cipher");
  r.steps.clear();
  store.SetActive(false);  // soSaveOnClose is the default
  EXPECT_EQ(r.steps.front(), "store before save");
}

TEST_F(SequenceTest, AStoreThatNeverLoadedDoesNotSaveOnClose) {
  store.BeginConstruction();
  store.SetActive(true);
  store.SetActive(false);
  EXPECT_TRUE(r.steps.empty());
}

TEST_F(SequenceTest, ASaveFailingAtDestructionIsReportedNotThrown) {
  std::string reported;
  {
    TRecorder r2;
    TFakeData failing(r2);
    failing.failSave = true;
    TrsStorage s;
    s.SetStorageData(&failing);
    s.OnSaveError = [&](TrsStorage&, const std::exception& e) { reported = e.what(); };
    s.SetActive(true);
  }
  EXPECT_EQ(reported, "Cannot create file \"x\". No space left on device");
}

}  // namespace
}  // namespace varnholt
