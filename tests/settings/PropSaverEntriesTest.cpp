// PropSaverEntriesTest.cpp — the property entries as the saver parses them, the main window's list, and
// the window placement text with its checks.
#include "settings/rsPropSaver_Entries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "settings/rsStorage.h"

namespace varnholt {
namespace {

using K = TrsPropertyKind;
using D = TrsPropertyDirection;

struct TEntryCase {
  const char* entry;
  const char* path;
  const char* defaultValue;
  const char* key;
  bool enabled;
  K kind;
  D direction;
  bool encrypted;
};

// Each row is one rule of the parser; the quirks are rules too (a key without quotes is part of the
// Default, a text without a trailing comma has no Default).
const TEntryCase kEntries[] = {
    {"pnBrowser.Width", "pnBrowser.Width", "", "", true, K::Published, D::LoadSave, false},
    {"Folder,\"\",\"\",EUD", "Folder", "", "", true, K::User, D::LoadSave, false},
    {"x.Text,\"abc\",\"def\",EPD", "x.Text", "abc", "def", true, K::Published, D::LoadSave, false},
    {"x.Text,abc,EPDC", "x.Text", "abc", "", true, K::Published, D::LoadSave, true},
    {"x.Text,\"a,b\",EPR", "x.Text", "a,b", "", true, K::Published, D::LoadOnly, false},
    {"x.Text,1,k,", "x.Text", "1,k", "", true, K::Published, D::LoadSave, false},
    {"x.Text,1,", "x.Text", "1", "", true, K::Published, D::LoadSave, false},
    {"x.Text,1", "x.Text", "", "", true, K::Published, D::LoadSave, false},
    {"x.Text,,", "x.Text", "", "", true, K::Published, D::LoadSave, false},
    {"x.Text,EPW", "x.Text", "", "", true, K::Published, D::SaveOnly, false},
    {"x.Text,,DPD", "x.Text", "", "", false, K::Published, D::LoadSave, false},
    {"x.Text,,ECD", "x.Text", "", "", true, K::Custom, D::LoadSave, false},
    {"x.Text,,EVD", "x.Text", "", "", true, K::None, D::LoadSave, false},
    {"x.Text,,EPDX", "x.Text", "", "", true, K::Published, D::LoadSave, false},
    // Flags are never taken from a text that ends with a comma.
    {"x.Text,EPD,", "x.Text", "EPD", "", true, K::Published, D::LoadSave, false},
    {"abc", "abc", "", "", true, K::Published, D::LoadSave, false},
    {"", "", "", "", true, K::Published, D::LoadSave, false},
};

class PropertyEntryParse : public ::testing::TestWithParam<TEntryCase> {};

TEST_P(PropertyEntryParse, GivesPathDefaultKeyAndFlags) {
  const TEntryCase& c = GetParam();
  const TrsProperty p = ParseProperty(c.entry);
  EXPECT_EQ(p.path, c.path);
  EXPECT_EQ(p.defaultValue, c.defaultValue);
  EXPECT_EQ(p.key, c.key);
  EXPECT_EQ(p.enabled, c.enabled);
  EXPECT_EQ(p.kind, c.kind);
  EXPECT_EQ(p.direction, c.direction);
  EXPECT_EQ(p.encrypted, c.encrypted);
}

INSTANTIATE_TEST_SUITE_P(Entries, PropertyEntryParse, ::testing::ValuesIn(kEntries),
                         [](const ::testing::TestParamInfo<TEntryCase>& info) {
                           return "Row" + std::to_string(info.index);
                         });

TEST(PropertyEntries, KeyNameIsThePathUnlessAKeyIsGiven) {
  EXPECT_EQ(ParseProperty("pnBrowser.Width").KeyName(), "pnBrowser.Width");
  EXPECT_EQ(ParseProperty("x.Text,\"\",\"Other\",EPD").KeyName(), "Other");
}

TEST(PropertyEntries, TheWindowHas31EntriesFolderFirstEachItsOwnKey) {
  const auto& entries = VarnholtPropertyEntries();
  ASSERT_EQ(entries.size(), 31u);
  EXPECT_EQ(entries.front(), "Folder,\"\",\"\",EUD");
  const TrsProperty folder = ParseProperty(entries.front());
  EXPECT_EQ(folder.kind, K::User);
  EXPECT_EQ(folder.KeyName(), "Folder");
  std::vector<std::string> keys;
  for (std::size_t i = 1; i < entries.size(); ++i) {
    const TrsProperty p = ParseProperty(entries[i]);
    EXPECT_EQ(p.kind, K::Published) << entries[i];
    EXPECT_TRUE(p.enabled && p.Loads() && p.Saves() && !p.encrypted) << entries[i];
    EXPECT_NE(p.path.find('.'), std::string::npos) << entries[i];
    keys.push_back(p.KeyName());
  }
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(std::adjacent_find(keys.begin(), keys.end()), keys.end());
}

struct TPlacementCase {
  const char* text;
  bool taken;
  TrsFormPlacement placement;
};

const TPlacementCase kPlacements[] = {
    {"0,1,0,0,0,0,61,84,835,639", true, {0, 1, 0, 0, 0, 0, 61, 84, 835, 639}},
    {"0,1,-1,-1,-8,-8,-20,-30,100,200", true, {0, 1, -1, -1, -8, -8, -20, -30, 100, 200}},
    {" 1,2,3,4,5,6,7,8,9,10", true, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
    {"1,2,3", false, {}},
    {"", false, {}},
    {"1,2,3,4,5,6,7,8,9,10,11", false, {}},
};

class FormPlacementParse : public ::testing::TestWithParam<TPlacementCase> {};

TEST_P(FormPlacementParse, TakesExactlyTenFields) {
  const TPlacementCase& c = GetParam();
  const auto placement = ParseFormPlacement(c.text);
  ASSERT_EQ(placement.has_value(), c.taken);
  if (c.taken) {
    EXPECT_EQ(*placement, c.placement);
    EXPECT_EQ(ParseFormPlacement(FormPlacementText(*placement)), placement);
  }
}

INSTANTIATE_TEST_SUITE_P(Texts, FormPlacementParse, ::testing::ValuesIn(kPlacements),
                         [](const ::testing::TestParamInfo<TPlacementCase>& info) {
                           return "Row" + std::to_string(info.index);
                         });

TEST(FormPlacement, AFieldThatIsNoNumberIsTheNumberParsersError) {
  for (const char* text : {"0,1,0,0,0,0,abc,84,835,639", "0,1,0,0,0,0,61,84,835,", "0,1,0,0,0,0,1.5,2,3,4"}) {
    try {
      ParseFormPlacement(text);
      ADD_FAILURE() << text;
    } catch (const ErsConvertError& e) {
      EXPECT_NE(std::string(e.what()).find("is not a valid integer value"), std::string::npos);
    }
  }
}

TEST(FormPlacement, IsWrittenAsTenIntegers) {
  EXPECT_EQ(FormPlacementText({0, 1, 0, 0, 0, 0, 61, 84, 835, 639}), "0,1,0,0,0,0,61,84,835,639");
}

TEST(FormPlacement, StoredPositionAndSizeWinAsTheOptionsSay) {
  const TrsFormPlacement stored{2, 3, 4, 5, 6, 7, 61, 84, 835, 639};
  const TrsFormPlacement current{0, 0, 0, 0, 0, 0, 10, 20, 110, 220};
  // Fields 1 and 3 to 6 always; the show command stays the window's own.
  EXPECT_EQ(PlacementToApply(stored, current, true, true),
            (TrsFormPlacement{2, 0, 4, 5, 6, 7, 61, 84, 835, 639}));
  EXPECT_EQ(PlacementToApply(stored, current, true, false),
            (TrsFormPlacement{2, 0, 4, 5, 6, 7, 61, 84, 161, 284}));
  EXPECT_EQ(PlacementToApply(stored, current, false, true),
            (TrsFormPlacement{2, 0, 4, 5, 6, 7, 10, 20, 784, 575}));
}

TEST(FormPlacement, AWindowOffEveryScreenComesBackOnThePrimaryOne) {
  const std::vector<TrsRect> screens = {{0, 0, 1024, 768}, {1024, 0, 2944, 1080}};
  // Partly seen, or on the second screen: where it was.
  EXPECT_EQ(RectOnScreens({61, 84, 835, 639}, screens), (TrsRect{61, 84, 835, 639}));
  EXPECT_EQ(RectOnScreens({900, -100, 1700, 500}, screens), (TrsRect{900, -100, 1700, 500}));
  // A screen that is gone: centred on the primary, as large as it was.
  EXPECT_EQ(RectOnScreens({3000, 100, 3774, 655}, screens), (TrsRect{125, 106, 899, 661}));
  EXPECT_EQ(RectOnScreens({-900, -900, -100, -100}, screens), (TrsRect{112, 0, 912, 768}));
  // Larger than the primary: made to fit it.
  EXPECT_EQ(RectOnScreens({5000, 5000, 8000, 8000}, screens), (TrsRect{0, 0, 1024, 768}));
  EXPECT_EQ(RectOnScreens({5000, 5000, 6000, 6000}, {}), (TrsRect{5000, 5000, 6000, 6000}));
}

}  // namespace
}  // namespace varnholt
