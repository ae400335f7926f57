// HostRoutineTableTest.cpp — the host routine table registered both ways: the compile-only signatures and
// the bound routines of a run come from one table and one list of constants, and agree.
#include "hostlib/uHostRoutineTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/DriveMap.h"
#include "tests/hostlib/HostLog.h"

namespace varnholt::test {
namespace {

// A host that answers the environment routines and refuses every operation of the core.
class TFakeHost : public THostContext {
 public:
  TLogger& Log() override { return *log; }
  const platform::TFileSystem& Files() const override { return files_; }
  const std::filesystem::path& ApplicationFolder() const override { return folder_.Path(); }
  const std::string& CurrentPdf() const override { return pdf_; }
  const std::string& ActiveText() const override { return text_; }
  void ActivateText(int) override {}
  const std::string& Text1() const override { return text_; }
  const std::string& Text2() const override { return text_; }
  int OcrConfidence() const override { return -1; }
  bool IsAutomatic() const override { return false; }
  std::string QueueFolder() const override { return "C:\\PDF"; }
  std::string PaperPrinter() const override { return printer; }
  void BeginBusyCursor() override {}
  void EndBusyCursor() override {}
  void EmergencyStop() override {}
  void RunEngineRequest(const std::vector<std::string>&, const std::string&,
                        const std::function<void()>&) override {}
  void PdfCopyMoveTo(const std::string&, bool) override {}
  bool CopyFile(const std::string&, const std::string&) override { return false; }
  bool DeleteFile(const std::string&) override { return false; }
  bool MoveToFailed(const std::string&) override { return false; }
  std::string LastPDFFile(const std::string&) override { return {}; }
  bool PrintTo(const std::string&, const std::string&, bool) override { return false; }
  void PrintingByAcrobatReader() override {}
  void PrintingByVarnholt() override {}

  THostLog log;
  std::string printer = "Lab printer";

 private:
  TTempFolder folder_;
  platform::TDriveMap map_{folder_.Path()};
  platform::TFileSystem files_{map_};
  std::string pdf_ = "C:\\PDF\\r.pdf";
  std::string text_;
};

TEST(HostRoutineTable, CompileOnlyAndRunRegistrationsAgree) {
  TatHostRegistry check(false);
  check.SignaturesOnly = true;
  RegisterHostRoutineSignatures(check);
  TFakeHost host;
  TatPascalScripter scripter;
  DefineScriptFunction(scripter, host);
  ASSERT_EQ(HostRoutineTable().size(), 75u);
  for (const THostRoutine& r : HostRoutineTable()) {
    SCOPED_TRACE(r.name);
    const TatMethod* signature = check.DefaultClass().FindMethod(r.name);
    const TatMethod* bound = scripter.Registry().DefaultClass().FindMethod(r.name);
    ASSERT_NE(signature, nullptr);
    ASSERT_NE(bound, nullptr);
    EXPECT_EQ(signature->ArgCount, bound->ArgCount);
    EXPECT_EQ(signature->ResultDataType, bound->ResultDataType);
    EXPECT_EQ(signature->ByRefArgMask, bound->ByRefArgMask);
    EXPECT_FALSE(signature->Handler);
    EXPECT_TRUE(static_cast<bool>(bound->Handler));
  }
  ASSERT_EQ(HostConstants().size(), 4u);
  for (const THostConstant& c : HostConstants()) {
    SCOPED_TRACE(c.name);
    const TatProperty* value = check.DefaultClass().FindProperty(c.name);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(std::any_cast<const std::string&>(value->StoredValue), c.compileValue);
    EXPECT_NE(scripter.Registry().DefaultClass().FindProperty(c.name), nullptr);
  }
}

TEST(HostRoutineTable, ConstantsTakeTheirValueAtEachRegistrationAndRoutinesWriteTheirRecord) {
  TFakeHost host;
  TatPascalScripter scripter;
  DefineScriptFunction(scripter, host);
  scripter.SetSourceText("Log('', PDFFile); Result := PaperPrinter + NewLine");
  EXPECT_EQ(scripter.RunScript().ToText(), "Lab printer\n");
  host.printer = "Other printer";
  host.log.Mark();
  DefineScriptFunction(scripter, host);
  EXPECT_EQ(scripter.RunScript().ToText(), "Other printer\n");
  // DefineScriptFunction first; PDFFile's record by its own log name; Log writes none of its own.
  EXPECT_EQ(host.log.Procs(),
            (std::vector<std::string>{"Prc DefineScriptFunction", "Prc s_PdfFile", "Scr Script"}));
}

}  // namespace
}  // namespace varnholt::test
