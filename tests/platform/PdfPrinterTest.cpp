// PdfPrinterTest.cpp — finding cups-pdf queues, reading where they write, and setting up the queue
// Varnholt-PDF against a CUPS server of the test's own, with cups-pdf's settings in a temporary folder.
#include "platform/PdfPrinter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <regex>
#include <set>

#include "platform/Printers.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestCupsServer.h"

namespace varnholt::platform {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TTempFolder;
using test::TTestCupsServer;
using test::WriteFile;

TEST(CupsPdfSettings, TheDeviceNamesTheOneFileReadAndMissingKeysKeepTheDefaults) {
  TTempFolder temp;
  WriteFile(temp / "cups-pdf.conf", "### Key: Out\n#Out /nowhere\nOut ${HOME}/PDF\nlabel 1\n");
  WriteFile(temp / "cups-pdf-Lab.conf",
            "  Out   /srv/lab pdfs\r\nTitlePref 1\nTruncate 3\nLabel 9\nPostProcessing /bin/post arg\n");
  const struct {
    const char* uri;
    const char* file;
    bool found;
    const char* out;
    int label;
    int titlePref;
    int truncate;
    const char* post;
  } cases[] = {
      {"cups-pdf:/", "cups-pdf.conf", true, "${HOME}/PDF", 1, 0, 64, ""},
      {"cups-pdf:/Lab", "cups-pdf-Lab.conf", true, "/srv/lab pdfs", 2, 1, 8, "/bin/post arg"},
      // A named device whose file is missing does not fall back to cups-pdf.conf.
      {"cups-pdf:/Gone", "cups-pdf-Gone.conf", false, "/var/spool/cups-pdf/${USER}", 0, 0, 64, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.uri);
    const TCupsPdfSettings s = ReadCupsPdfSettings(temp.Path(), c.uri);
    EXPECT_EQ(s.configFile, temp / c.file);
    EXPECT_EQ(s.configFound, c.found);
    EXPECT_EQ(s.out, c.out);
    EXPECT_EQ(s.label, c.label);
    EXPECT_EQ(s.titlePref, c.titlePref);
    EXPECT_EQ(s.truncate, c.truncate);
    EXPECT_EQ(s.postProcessing, c.post);
  }
}

// Debian's printer description for cups-pdf queues; the server only stores it.
constexpr const char* kPpd = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";

// A stand-in for the cups-pdf backend: the server accepts a device only when its backend exists.
constexpr const char* kStandInBackend =
    "#!/bin/sh\n"
    "if [ $# -eq 0 ]; then echo 'file cups-pdf:/ \"Virtual PDF Printer\" \"CUPS-PDF\"'; fi\n"
    "exit 0\n";

class PdfPrinter : public testing::Test {
 protected:
  void Start(const std::string& extraPrinters = {}) {
    if (!fs::exists(test::kCupsd))
      GTEST_SKIP() << "cupsd is not installed (scripts/install-deps.sh installs it)";
    if (!fs::exists(kPpd))
      GTEST_SKIP() << "printer-driver-cups-pdf is not installed (scripts/install-deps.sh installs it)";
    TTestCupsServer::TOptions options;
    options.extraPrinters = extraPrinters;
    options.backends.emplace_back("cups-pdf", kStandInBackend);
    server_ = std::make_unique<TTestCupsServer>(options);
    ASSERT_TRUE(server_->Running()) << "the test's own cupsd did not start";
    UsePrintServer(server_->Socket().string());
    paths_.configFolder = temp_ / "cups";
    paths_.backend = temp_ / "backend/cups-pdf";
    paths_.ppdFile = kPpd;
    fs::create_directories(paths_.configFolder);
    WriteFile(paths_.backend, kStandInBackend);
  }
  void TearDown() override {
    UsePrintServer("");
    server_.reset();
  }
  const TPrinterQueue* Queue(const std::vector<TPrinterQueue>& queues, const std::string& name) {
    for (const auto& q : queues)
      if (q.name == name) return &q;
    return nullptr;
  }
  fs::path QueueFolder() const { return fs::weakly_canonical(app_ / "drives/c/PDF"); }

  TTempFolder temp_;
  TTempFolder app_;
  TPdfPrinterPaths paths_;
  std::unique_ptr<TTestCupsServer> server_;
};

TEST_F(PdfPrinter, SetupCreatesTheQueueThenFindsNothingToChange) {
  Start();
  if (IsSkipped()) return;
  const TDriveMap map(app_.Path());
  EXPECT_FALSE(CheckPdfPrinter(map, paths_).Ready());

  std::vector<std::string> changes;
  const TStatus done = SetUpPdfPrinter(map, changes, paths_);
  ASSERT_TRUE(done) << done.Message();
  std::string all;
  for (const auto& c : changes) all += c + "\n";
  for (const char* expected : {"Created the folder", "Wrote ", "cups-pdf-Varnholt-PDF.conf",
                               "cups-pdf-Varnholt-PDF.sh", "Created the printer Varnholt-PDF"}) {
    EXPECT_NE(all.find(expected), std::string::npos) << expected << " in\n" << all;
  }

  const TPdfPrinterCheck check = CheckPdfPrinter(map, paths_);
  EXPECT_TRUE(check.backendInstalled);
  EXPECT_TRUE(check.serverAnswers);
  ASSERT_EQ(check.queues.size(), 1u);
  EXPECT_EQ(check.matchingQueue, "Varnholt-PDF");
  EXPECT_EQ(check.queues[0].deviceUri, "cups-pdf:/Varnholt-PDF");
  EXPECT_TRUE(check.queues[0].namesByDateTime);
  EXPECT_EQ(fs::path(check.queues[0].writesTo), QueueFolder());
  EXPECT_EQ(check.queues[0].settings.out, (QueueFolder() / ".printing").string());
  EXPECT_EQ(check.queues[0].settings.label, 2);  // cups-pdf never replaces an earlier job's file

  // The other printers keep everything, the default included.
  const auto queues = PrinterQueues();
  ASSERT_NE(Queue(queues, "Lab_Printer"), nullptr);
  EXPECT_TRUE(Queue(queues, "Lab_Printer")->isDefault);
  EXPECT_FALSE(Queue(queues, "Closed_Printer")->acceptingJobs);

  std::vector<std::string> again;
  ASSERT_TRUE(SetUpPdfPrinter(map, again, paths_));
  EXPECT_TRUE(again.empty()) << again.front();
}

TEST_F(PdfPrinter, SetupMakesTheSharedFoldersStickyAndGivesTheQueueToTheServicesUser) {
  Start();
  if (IsSkipped()) return;
  // The service runs as the owner of the application folder; setup runs as root.
  constexpr uid_t kServiceUser = 65534;
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(app_.Path().c_str(), kServiceUser, kServiceUser), 0);
  }
  std::vector<std::string> changes;
  const TStatus done = SetUpPdfPrinter(TDriveMap(app_.Path()), changes, paths_);
  ASSERT_TRUE(done) << done.Message();
  for (const fs::path& folder : {QueueFolder(), QueueFolder() / ".printing"}) {
    SCOPED_TRACE(folder.string());
    const fs::perms mode = fs::status(folder).permissions();
    EXPECT_EQ(mode & fs::perms::all, fs::perms::all);
    EXPECT_NE(mode & fs::perms::sticky_bit, fs::perms::none);  // nobody moves another user's report
  }
  if (!root) {
    GTEST_SKIP() << "giving folders to another user needs root";
  }
  struct stat queue {};
  ASSERT_EQ(::stat(QueueFolder().c_str(), &queue), 0);
  EXPECT_EQ(queue.st_uid, kServiceUser);  // so the service may move every report out of the sticky queue
  ASSERT_EQ(::stat((app_ / "drives/c").c_str(), &queue), 0);
  EXPECT_EQ(queue.st_uid, kServiceUser);
}

TEST_F(PdfPrinter, SetupAdjustsItsOwnQueueAndLeavesAnotherPdfPrinterAlone) {
  // An earlier Varnholt-PDF that was switched off and pointed elsewhere, and a site's own PDF printer that
  // uses cups-pdf.conf.
  Start(
      "<Printer varnholt-pdf>\nState Stopped\nAccepting No\nDeviceURI cups-pdf:/Old\n</Printer>\n"
      "<Printer Office-PDF>\nState Idle\nAccepting Yes\nDeviceURI cups-pdf:/\n</Printer>\n");
  if (IsSkipped()) return;
  const std::string mainConfig = "Out /srv/office\nLabel 1\n";
  WriteFile(paths_.configFolder / "cups-pdf.conf", mainConfig);
  WriteFile(paths_.configFolder / "cups-pdf-Varnholt-PDF.conf", "Out /somewhere/else\n");
  const TDriveMap map(app_.Path());

  std::vector<std::string> changes;
  const TStatus done = SetUpPdfPrinter(map, changes, paths_);
  ASSERT_TRUE(done) << done.Message();
  std::string all;
  for (const auto& c : changes) all += c + "\n";
  for (const char* expected :
       {"Rewrote ", "Set the device of the printer varnholt-pdf to cups-pdf:/Varnholt-PDF",
        "(was cups-pdf:/Old)", "accept jobs", "Started the printer varnholt-pdf"}) {
    EXPECT_NE(all.find(expected), std::string::npos) << expected << " in\n" << all;
  }
  EXPECT_EQ(all.find("Created the printer"), std::string::npos) << all;

  const TPdfPrinterCheck check = CheckPdfPrinter(map, paths_);
  EXPECT_EQ(check.matchingQueue, "varnholt-pdf");
  ASSERT_EQ(check.queues.size(), 2u);
  const TPdfPrinterQueue& office = check.queues[0];
  EXPECT_EQ(office.name, "Office-PDF");
  EXPECT_EQ(office.deviceUri, "cups-pdf:/");
  EXPECT_TRUE(office.acceptingJobs);
  EXPECT_EQ(office.writesTo, "/srv/office");
  EXPECT_FALSE(office.namesByDateTime);
  EXPECT_EQ(ReadFile(paths_.configFolder / "cups-pdf.conf"), mainConfig);
}

TEST_F(PdfPrinter, SetupRefusesClearlyAndWritesNothing) {
  Start();
  if (IsSkipped()) return;
  struct TCase {
    const char* what;
    std::function<void(TPdfPrinterPaths&, fs::path&)> arrange;
    const char* message;
  };
  const TCase cases[] = {
      {"no backend", [](TPdfPrinterPaths& p, fs::path&) { p.backend = p.configFolder / "missing"; },
       "install the Debian package printer-driver-cups-pdf"},
      {"no printer description", [](TPdfPrinterPaths& p, fs::path&) { p.ppdFile = p.configFolder / "x.ppd"; },
       "printer description is missing"},
      {"a queue folder the shell would split",
       [](TPdfPrinterPaths&, fs::path& app) { app = app / "Lab Data"; }, "unquoted to a shell"},
      {"no print server",
       [this](TPdfPrinterPaths&, fs::path&) { UsePrintServer((temp_ / "nobody.sock").string()); },
       "does not answer"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TPdfPrinterPaths paths = paths_;
    fs::path app = app_.Path();
    c.arrange(paths, app);
    std::vector<std::string> changes;
    const TStatus done = SetUpPdfPrinter(TDriveMap(app), changes, paths);
    ASSERT_FALSE(done);
    EXPECT_NE(done.Message().find(c.message), std::string::npos) << done.Message();
    UsePrintServer(server_->Socket().string());
    EXPECT_TRUE(fs::is_empty(paths_.configFolder));
    EXPECT_EQ(PrinterQueues().size(), 2u);
  }
}

// The filing program that cups-pdf calls after each job, run as cups-pdf would run it. A stand-in `date`
// fixes the clock so that the counter can be seen stepping over a name that is taken.
TEST_F(PdfPrinter, FilingProgramNamesByDateTimeAndCounterAndNeverReplacesAFile) {
  Start();
  if (IsSkipped()) return;
  std::vector<std::string> changes;
  ASSERT_TRUE(SetUpPdfPrinter(TDriveMap(app_.Path()), changes, paths_));
  const fs::path program = paths_.configFolder / "cups-pdf-Varnholt-PDF.sh";
  const fs::path staging = QueueFolder() / ".printing";
  WriteFile(temp_ / "bin/date", "#!/bin/sh\necho 20261209143005\n");
  fs::permissions(temp_ / "bin/date", fs::perms::owner_all);
  WriteFile(QueueFolder() / "20261209143005_0001.pdf", "earlier report");

  for (const char* job : {"GC_run-job_7.pdf", "untitled_document-job_8.pdf"}) {
    WriteFile(staging / job, std::string("%PDF-1.4 ") + job);
    const std::string command = "PATH=" + (temp_ / "bin").string() + ":/usr/bin:/bin " + program.string() +
                                " " + (staging / job).string() + " lab lab";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }
  EXPECT_EQ(ReadFile(QueueFolder() / "20261209143005_0001.pdf"), "earlier report");
  EXPECT_EQ(ReadFile(QueueFolder() / "20261209143005_0002.pdf"), "%PDF-1.4 GC_run-job_7.pdf");
  EXPECT_EQ(ReadFile(QueueFolder() / "20261209143005_0003.pdf"), "%PDF-1.4 untitled_document-job_8.pdf");
  EXPECT_TRUE(fs::is_empty(staging));
}

TEST_F(PdfPrinter, BackendWritesAPdfIntoTheQueueFolder) {
  GTEST_SKIP() << "the cups-pdf backend reads its settings only from /etc/cups (fixed when it is built), "
                  "which tests never touch; its filing program and queue setup are tested above";
}

}  // namespace
}  // namespace varnholt::platform
