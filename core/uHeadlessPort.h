// uHeadlessPort.h — the UI port of the program without a window (varnholt-cli run and watch): message
// boxes become log records, questions get the answer the caller chose (No unless told otherwise), and
// nothing is shown.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/uUiPort.h"
#include "logging/uLogger.h"

namespace varnholt {

class THeadlessPort : public TUiPort {
 public:
  explicit THeadlessPort(TLogger& logger, bool confirmAnswer = false)
      : logger_(logger), confirmAnswer_(confirmAnswer) {}

  void ShowMessage(const std::string& text) override;
  void ShowError(const std::string& text) override { ShowMessage(text); }
  bool Confirm(const std::string& text, TConfirmButtons buttons) override;
  void BeginBusyCursor() override {}
  void EndBusyCursor() override {}
  void ShowPage(TUiPage) override {}
  void RestoreWindow() override {}
  void SetAutomaticButton(bool) override {}
  void ShowStatus(TStatusColor, int) override {}
  void ShowSelectedFile(const std::string&) override {}
  void ShowTexts(const std::string&, const std::string&) override {}
  void RefreshFileList() override {}
  void RefreshFolderList() override {}
  void ShowBrowserFolder(const std::string&) override {}
  void ShowPaperPrinters(const std::vector<std::string>&, const std::string&) override {}
  void MarkScriptError(int, int) override {}
  void ShowCounts(int, int) override {}
  void ShowRefreshBar(int) override {}
  bool FocusMinimizeButton() override { return false; }

  // Called with every message box's text after it was logged (a command prints it, for example).
  std::function<void(const std::string&)> OnMessage;

 private:
  TLogger& logger_;
  bool confirmAnswer_;
};

}  // namespace varnholt
