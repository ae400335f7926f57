// RecordingPort.h — a UI port that writes down every call, and a test bed with a core, a logger and a
// temporary application folder.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/uUiPort.h"
#include "core/uVarnholtCore.h"
#include "logging/uLogger.h"
#include "tests/support/TempFolder.h"

namespace varnholt::test {

class TRecordingPort : public TUiPort {
 public:
  std::vector<std::string> calls;
  bool confirmAnswer = true;
  bool minimizeShowing = true;
  int busyDepth = 0;
  int busyMax = 0;
  std::string text1, text2, selected;
  TStatusColor color;
  int icon = -1;

  void ShowMessage(const std::string& text) override { calls.push_back("Message " + text); }
  void ShowError(const std::string& text) override { calls.push_back("Error " + text); }
  bool Confirm(const std::string& text, TConfirmButtons buttons) override {
    calls.push_back((buttons == TConfirmButtons::kOkCancel ? "Confirm OK/Cancel " : "Confirm ") + text);
    return confirmAnswer;
  }
  void ShowBrowserFolder(const std::string& folder) override { calls.push_back("Browser " + folder); }
  void ShowPaperPrinters(const std::vector<std::string>& items, const std::string& current) override {
    std::string text = "Printers";
    for (const std::string& item : items) text += " " + item;
    calls.push_back(text + " / " + current);
  }
  void MarkScriptError(int row, int column) override {
    calls.push_back("Mark " + std::to_string(row) + "," + std::to_string(column));
  }
  void BeginBusyCursor() override { busyMax = std::max(busyMax, ++busyDepth); }
  void EndBusyCursor() override { --busyDepth; }
  void ShowPage(TUiPage page) override {
    calls.push_back("ShowPage " + std::to_string(static_cast<int>(page)));
  }
  void RestoreWindow() override { calls.push_back("RestoreWindow"); }
  void SetAutomaticButton(bool down) override { calls.push_back(down ? "Automatic down" : "Automatic up"); }
  void ShowStatus(TStatusColor c, int image) override {
    color = c;
    icon = image;
    calls.push_back("Status " + std::to_string(image));
  }
  void ShowSelectedFile(const std::string& path) override {
    selected = path;
    calls.push_back("Selected " + path);
  }
  void ShowTexts(const std::string& t1, const std::string& t2) override {
    text1 = t1;
    text2 = t2;
  }
  void RefreshFileList() override { calls.push_back("RefreshFileList"); }
  void RefreshFolderList() override { calls.push_back("RefreshFolderList"); }
  void ShowCounts(int queue, int failed) override {
    calls.push_back("Counts " + std::to_string(queue) + " " + std::to_string(failed));
  }
  void ShowRefreshBar(int position) override { refreshBar = position; }
  int refreshBar = 0;
  bool FocusMinimizeButton() override {
    calls.push_back("FocusMinimize");
    return minimizeShowing;
  }
};

// One log record without its time stamp: "Type|Object|Proc|Text|Data".
std::vector<std::string> RecordsSince(const TLogger& logger, int first);

class TCoreBed {
 public:
  TCoreBed();
  TTempFolder temp;
  TRecordingPort port;
  std::unique_ptr<TLogger> logger;
  std::unique_ptr<TVarnholtCore> core;

  const std::filesystem::path& AppFolder() const { return temp.Path(); }
  // Records written since the bed was made (or since the last Mark()).
  std::vector<std::string> Records() const { return RecordsSince(*logger, mark_); }
  void Mark() { mark_ = logger->Count(); }
  // Installs a shell script as the engine program PDF.EXE.
  void FakeEngine(const std::string& script);
  // Installs the real engine program.
  void RealEngine();

 private:
  int mark_ = 0;
};

}  // namespace varnholt::test
