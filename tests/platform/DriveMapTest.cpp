// DriveMapTest.cpp — Windows paths resolved through the drive folders, and the refusals.
#include "platform/DriveMap.h"

#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"

namespace varnholt::platform {
namespace {

class DriveMapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteFile(app_ / "drives/c/PDF/FAILED/a.PDF", "x");
    std::filesystem::create_directories(app_ / "drives/c/Archive");
  }
  test::TTempFolder app_;
  TDriveMap map_{app_.Path()};
};

TEST_F(DriveMapTest, ResolvesEachComponentWithoutRegardToCase) {
  EXPECT_EQ(map_.Resolve("C:\\pdf\\Failed\\a.PDF"), app_ / "drives/c/PDF/FAILED/a.PDF");
  EXPECT_EQ(map_.Resolve("c:\\PDF\\FAILED\\A.pdf"), app_ / "drives/c/PDF/FAILED/a.PDF");
  EXPECT_EQ(map_.Resolve("C:/pdf/failed/a.pdf"), app_ / "drives/c/PDF/FAILED/a.PDF");
  EXPECT_EQ(map_.Resolve("C:\\"), app_ / "drives/c");
  EXPECT_EQ(map_.Resolve("C:"), app_ / "drives/c");
  EXPECT_EQ(map_.Resolve("C:\\PDF\\\\FAILED\\.\\a.PDF"), app_ / "drives/c/PDF/FAILED/a.PDF");
}

TEST_F(DriveMapTest, AnExactMatchWinsOverAFoldedOne) {
  std::filesystem::create_directories(app_ / "drives/c/pdf");
  EXPECT_EQ(map_.Resolve("C:\\pdf"), app_ / "drives/c/pdf");
  EXPECT_EQ(map_.Resolve("C:\\PDF"), app_ / "drives/c/PDF");
}

TEST_F(DriveMapTest, MissingComponentsKeepTheCaseWritten) {
  EXPECT_EQ(map_.Resolve("C:\\archive\\New Folder\\Sub\\x.PDF"), app_ / "drives/c/Archive/New Folder/Sub/x.PDF");
  EXPECT_EQ(map_.Resolve("C:\\PDF\\failed\\..\\FAILED\\b.pdf"), app_ / "drives/c/PDF/FAILED/b.pdf");
}

TEST_F(DriveMapTest, NonAsciiNamesFoldOverTheWesternEuropeanTable) {
  std::filesystem::create_directories(app_ / "drives/c/\xC3\x9C" "BER");  // "ÜBER" in UTF-8
  // The Windows path is in 1252: "über".
  EXPECT_EQ(map_.Resolve("C:\\\xFC" "ber"), app_ / "drives/c/\xC3\x9C" "BER");
  EXPECT_EQ(map_.Resolve("C:\\Probe S\xFC" "d-7.pdf"), app_ / "drives/c/Probe S\xC3\xBC" "d-7.pdf");
}

TEST_F(DriveMapTest, RefusesWhatItCannotMapWithAClearMessage) {
  struct Case {
    const char* path;
    const char* reason;
  };
  const Case cases[] = {
      {"PDF\\x.pdf", "drive letter"},
      {"\\\\server\\share\\x.pdf", "drive letter"},
      {"", "drive letter"},
      {"C:relative.pdf", "drive letter"},
      {"1:\\x", "drive letter"},
      {"Q:\\x.pdf", "drive Q: is not mapped"},
      {"C:\\..\\x.pdf", "leaves the drive"},
      {"C:\\PDF\\..\\..\\outside", "leaves the drive"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(map_.TryResolve(c.path, &error)) << c.path;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.path << ": " << error;
    EXPECT_NE(error.find(c.path), std::string::npos) << error;
    EXPECT_THROW(map_.Resolve(c.path), EPathError) << c.path;
  }
}

TEST_F(DriveMapTest, DriveFoldersMayBeLinksToAnywhere) {
  test::TTempFolder archive;
  test::WriteFile(archive / "2010/r.pdf", "r");
  std::filesystem::create_symlink(archive.Path(), app_ / "drives/s");
  EXPECT_EQ(map_.Resolve("S:\\2010\\R.PDF"), app_ / "drives/s/2010/r.pdf");
  EXPECT_EQ(map_.ToWindowsPath(archive / "2010/r.pdf"), "S:\\2010\\r.pdf");
}

TEST_F(DriveMapTest, MapsNativePathsBackToWindowsPaths) {
  EXPECT_EQ(map_.ToWindowsPath(app_ / "drives/c/PDF/FAILED/a.PDF"), "C:\\PDF\\FAILED\\a.PDF");
  EXPECT_EQ(map_.ToWindowsPath(app_ / "drives/c"), "C:\\");
  EXPECT_EQ(map_.ToWindowsPath(app_ / "drives/c/PDF/new.pdf"), "C:\\PDF\\new.pdf");
  EXPECT_EQ(map_.ToWindowsPath(app_ / "drives/c/S\xC3\xBC" "d"), "C:\\S\xFC" "d");
  EXPECT_EQ(map_.ToWindowsPath(app_ / "elsewhere.pdf"), std::nullopt);
  EXPECT_EQ(map_.ToWindowsPath(app_ / "drives/c/../../x"), std::nullopt);
}

TEST_F(DriveMapTest, EnsureDriveCreatesTheDriveFolder) {
  EXPECT_FALSE(map_.TryResolve("D:\\x"));
  EXPECT_TRUE(map_.EnsureDrive('D').ok());
  EXPECT_EQ(map_.Resolve("d:\\x"), app_ / "drives/d/x");
}

}  // namespace
}  // namespace varnholt::platform
