// ApplicationFolderTest.cpp — which application folder a program works in when none is named, and where
// it finds the files it ships beside itself (the engine, the help page) when that folder lacks them.
#include "core/uApplicationFolder.h"

#include <gtest/gtest.h>

#include "Layout.h"
#include "tests/support/TempFolder.h"

namespace varnholt::test {
namespace {

namespace fs = std::filesystem;

struct TChoiceCase {
  const char* name;
  const char* programFolder;
  TFolderAccount account;
  const char* expected;
};

class ApplicationFolderChoice : public testing::TestWithParam<TChoiceCase> {};

TEST_P(ApplicationFolderChoice, FollowsTheLayout) {
  const TChoiceCase& c = GetParam();
  EXPECT_EQ(ChooseApplicationFolder(c.programFolder, c.account), fs::path(c.expected));
}

const TChoiceCase kChoices[] = {
    // A build or a copy of its own works where it lies, whoever runs it.
    {"BuildFolder",
     "/home/lab/varnholt/build/app",
     {1000, {"lab"}, "", "/home/lab"},
     "/home/lab/varnholt/build/app"},
    {"CopyRunByRoot", "/opt/varnholt", {0, {"root"}, "", "/root"}, "/opt/varnholt"},
    // The installed programs are read-only: root and the group share the service's folder.
    {"InstalledRoot", kInstalledProgramFolder, {0, {"root"}, "", "/root"}, kSharedApplicationFolder},
    {"InstalledGroupMember",
     kInstalledProgramFolder,
     {1000, {"lab", kSharedGroup}, "", "/home/lab"},
     kSharedApplicationFolder},
    {"InstalledServiceUser",
     kInstalledProgramFolder,
     {120, {kSharedGroup}, "", "/var/lib/varnholt"},
     kSharedApplicationFolder},
    // Anybody else works in a folder of their own.
    {"InstalledOtherUser",
     kInstalledProgramFolder,
     {1000, {"lab", "sudo"}, "", "/home/lab"},
     "/home/lab/.local/share/varnholt"},
    {"InstalledOtherUserXdg",
     kInstalledProgramFolder,
     {1000, {"lab"}, "/data/lab", "/home/lab"},
     "/data/lab/varnholt"},
    // A relative XDG_DATA_HOME is no valid setting and is ignored.
    {"InstalledOtherUserRelativeXdg",
     kInstalledProgramFolder,
     {1000, {"lab"}, "data", "/home/lab"},
     "/home/lab/.local/share/varnholt"},
    // Group names are case-sensitive on Linux.
    {"GroupNameCase",
     kInstalledProgramFolder,
     {1000, {"Varnholt"}, "", "/home/lab"},
     "/home/lab/.local/share/varnholt"},
    {"InstalledFolderWithSlash", "/usr/lib/varnholt/", {0, {"root"}, "", "/root"}, kSharedApplicationFolder},
};

INSTANTIATE_TEST_SUITE_P(Cases, ApplicationFolderChoice, testing::ValuesIn(kChoices),
                         [](const testing::TestParamInfo<TChoiceCase>& info) { return info.param.name; });

TEST(ProgramFile, TheApplicationFoldersOwnFirstElseTheOneBesideTheProgram) {
  TTempFolder app, programs;
  WriteFile(programs / "PDF.EXE", "beside");
  WriteFile(programs / "Varnholt_help.htm", "beside");
  WriteFile(app / "Varnholt_help.htm", "own");
  // A site may put an engine of its own into the application folder.
  EXPECT_EQ(ProgramFile(app.Path(), programs.Path(), "Varnholt_help.htm"), app / "Varnholt_help.htm");
  EXPECT_EQ(ProgramFile(app.Path(), programs.Path(), "PDF.EXE"), programs / "PDF.EXE");
  // Neither has it: the application folder's name, so that the error names the usual place.
  EXPECT_EQ(ProgramFile(app.Path(), programs.Path(), "PDFX.EXE"), app / "PDFX.EXE");
}

}  // namespace
}  // namespace varnholt::test
