// uScriptHost.h — the host context the script's host routines run on, made of the core's units: the
// state of the run, file placement, printing and the engine bridge.
#pragma once

#include "core/uEngineBridge.h"
#include "core/uFilePlacement.h"
#include "core/uPrinting.h"
#include "core/uProcessingState.h"
#include "core/uStatusIndicator.h"
#include "core/uUiPort.h"
#include "hostlib/uHostContext.h"

namespace varnholt {

class TScriptHost : public THostContext {
 public:
  TScriptHost(TProcessingState& state, TUiPort& port, TLogger& logger, const platform::TFileSystem& files,
              TStatusIndicator& status, TEngineBridge& engine, TFilePlacement& placement, TPrinting& printing)
      : state_(state),
        port_(port),
        logger_(logger),
        files_(files),
        status_(status),
        engine_(engine),
        placement_(placement),
        printing_(printing) {}

  TLogger& Log() override { return logger_; }
  const platform::TFileSystem& Files() const override { return files_; }
  const std::filesystem::path& ApplicationFolder() const override { return state_.ApplicationFolder(); }
  const std::string& CurrentPdf() const override { return state_.CurrentPdf(); }
  const std::string& ActiveText() const override { return state_.ActiveText(); }
  void ActivateText(int which) override { state_.ActivateText(which); }
  const std::string& Text1() const override { return state_.Text1(); }
  const std::string& Text2() const override { return state_.Text2(); }
  int OcrConfidence() const override { return state_.OcrConfidence(); }
  bool IsAutomatic() const override { return state_.Automatic(); }
  std::string QueueFolder() const override { return state_.QueueFolder(); }
  std::string PaperPrinter() const override { return state_.PaperPrinter(); }
  void BeginBusyCursor() override { port_.BeginBusyCursor(); }
  void EndBusyCursor() override { port_.EndBusyCursor(); }
  void EmergencyStop() override { status_.EmergencyStop(); }
  void RunEngineRequest(const std::vector<std::string>& keys, const std::string& action,
                        const std::function<void()>& prepare = {}) override {
    const int errors = engine_.Errors();
    engine_.ExecPDF({action, keys}, prepare);
    if (engine_.Errors() > errors) return;
    // The requests that change a PDF in place change the one named by PDFFILE.
    const bool appends = action == "APPENDPDF";
    if (!appends && action != "PROTECT" && action != "WATERMARK" && action != "REPAGINATE" &&
        action != "COVERPAGE" && action != "DELPAGES") {
      return;
    }
    for (const std::string& key : keys) {
      if (key.rfind("PDFFILE=", 0) == 0) placement_.NoteWritten(key.substr(8), appends ? "appended" : "changed");
    }
  }
  void PdfCopyMoveTo(const std::string& destination, bool move) override {
    placement_.PdfCopyMoveTo(destination, move);
  }
  bool CopyFile(const std::string& source, const std::string& destination) override {
    return placement_.CopyFile(source, destination);
  }
  bool DeleteFile(const std::string& path) override { return placement_.DeleteFile(path); }
  bool MoveToFailed(const std::string& file) override { return placement_.MoveToFailed(file); }
  std::string LastPDFFile(const std::string& fileName) override { return placement_.LastPDFFile(fileName); }
  bool PrintTo(const std::string& file, const std::string& printer, bool stopOnError) override {
    return printing_.PrintTo(file, printer, stopOnError);
  }
  void PrintingByAcrobatReader() override { printing_.PrintingByAcrobatReader(); }
  void PrintingByVarnholt() override { printing_.PrintingByVarnholt(); }
  platform::TStatus StartProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                                 const std::filesystem::path& workingFolder) override {
    return programStandIn_ ? programStandIn_(program, args, false)
                           : THostContext::StartProgram(program, args, workingFolder);
  }
  platform::TStatus OpenDocument(const std::filesystem::path& document) override {
    return programStandIn_ ? programStandIn_(document, {}, true) : THostContext::OpenDocument(document);
  }

  // A replay records the programs and documents a script would start instead of starting them.
  using TProgramStandIn = std::function<platform::TStatus(
      const std::filesystem::path& target, const std::vector<std::string>& args, bool document)>;
  void SetProgramStandIn(TProgramStandIn standIn) { programStandIn_ = std::move(standIn); }

 private:
  TProcessingState& state_;
  TUiPort& port_;
  TLogger& logger_;
  const platform::TFileSystem& files_;
  TStatusIndicator& status_;
  TEngineBridge& engine_;
  TFilePlacement& placement_;
  TPrinting& printing_;
  TProgramStandIn programStandIn_;
};

}  // namespace varnholt
