// uUiPort.h — everything the processing core asks of the window, as one abstract class.
//
// The core never touches a widget. The Qt main window implements this port; tests implement it with a
// recorder; the headless runner with log records and safe defaults. Texts are in the system code page.
#pragma once

#include <string>
#include <vector>

namespace varnholt {

// The pages of the main window.
enum class TUiPage { Browser, Text, Action, Log, Security };

// The buttons of a question.
enum class TConfirmButtons { kYesNo, kOkCancel };

struct TStatusColor {
  int red = 0, green = 0, blue = 0;
  friend bool operator==(const TStatusColor&, const TStatusColor&) = default;
};

class TUiPort {
 public:
  virtual ~TUiPort() = default;

  // A message box with an OK button; a LF inside the text is a line break.
  virtual void ShowMessage(const std::string& text) = 0;
  // A message box that reports an error (an error icon), with an OK button.
  virtual void ShowError(const std::string& text) = 0;
  // A question with Yes and No, or OK and Cancel; true for Yes or OK.
  virtual bool Confirm(const std::string& text, TConfirmButtons buttons) = 0;
  // The hourglass cursor. Calls nest: the cursor returns after as many ends as begins.
  virtual void BeginBusyCursor() = 0;
  virtual void EndBusyCursor() = 0;
  virtual void ShowPage(TUiPage page) = 0;
  // Brings the main window back from the notification area.
  virtual void RestoreWindow() = 0;
  // Puts the Automatic toggle button down or up without running its click handler.
  virtual void SetAutomaticButton(bool down) = 0;
  // The bottom bar's colour and the notification-area icon image (0 to 3).
  virtual void ShowStatus(TStatusColor color, int iconImage) = 0;
  // The read-only box "Selected PDF File".
  virtual void ShowSelectedFile(const std::string& path) = 0;
  // The two texts of the loaded file on the Text page.
  virtual void ShowTexts(const std::string& text1, const std::string& text2) = 0;
  // Re-reads the browser's file list from its folder.
  virtual void RefreshFileList() = 0;
  // Re-reads the browser's folder tree (a folder was created below the shown one).
  virtual void RefreshFolderList() = 0;
  // The browser shows this folder now (Automatic mode went on: the queue folder).
  virtual void ShowBrowserFolder(const std::string& folder) = 0;
  // The paper printer box: its items and the one shown.
  virtual void ShowPaperPrinters(const std::vector<std::string>& items, const std::string& current) = 0;
  // The action script does not compile: the editor marks the line (1-based row and column).
  virtual void MarkScriptError(int row, int column) = 0;
  // The bottom bar's counters of PDF files in the queue and in FAILED, and the refresh bar (0 to 30).
  virtual void ShowCounts(int queueCount, int failedCount) = 0;
  virtual void ShowRefreshBar(int position) = 0;
  // Gives the keyboard focus to the Minimize button; false when the button is not showing.
  virtual bool FocusMinimizeButton() = 0;
};

// Shows the hourglass for the lifetime of the guard, on every way out of an operation.
class TBusyCursor {
 public:
  explicit TBusyCursor(TUiPort& port) : port_(port) { port_.BeginBusyCursor(); }
  ~TBusyCursor() { port_.EndBusyCursor(); }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;

 private:
  TUiPort& port_;
};

}  // namespace varnholt
