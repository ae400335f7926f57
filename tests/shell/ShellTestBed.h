// ShellTestBed.h — a main window in a temporary application folder with the real PDF engine, and the
// message boxes answered by the test.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "logging/uLogger.h"
#include "shell/fVarnholt.h"
#include "shell/uDialogs.h"
#include "tests/support/TempFolder.h"

namespace varnholt::test {

class TShellBed {
 public:
  // Copies the engine into a fresh application folder; the window is made by Start().
  TShellBed();
  ~TShellBed();

  const std::filesystem::path& AppFolder() const { return temp_.Path(); }
  std::filesystem::path operator/(std::string_view name) const { return temp_ / name; }
  // Makes the window (the start-up runs) and lets the start-up timer fire.
  shell::TfmVarnholt& Start(const QStringList& arguments = {});
  // Ends the program as the Close command does after OK: the window is destroyed, settings are saved.
  void Stop();
  shell::TfmVarnholt& Window() { return *window_; }
  TLogger& Log() { return *logger_; }

  // Boxes: each one shown is recorded ("Information: text", "Question: text"); the answers are taken
  // from the queue in order, OK/Yes when it is empty.
  std::vector<std::string> boxes;
  std::deque<QMessageBox::StandardButton> answers;

  // Copies a sample report (tests/data/engine/reports) into C:\PDF under a name.
  void Drop(const std::string& sample, const std::string& name) const;
  // Lets the event loop run until condition holds or the time is up; true when it held.
  template <typename TCondition>
  bool WaitFor(TCondition condition, int milliseconds = 15000);
  // The log records since the start, without time stamps: "Type|Object|Proc|Text|Data".
  std::vector<std::string> Records() const;

 private:
  TTempFolder temp_;
  std::unique_ptr<TLogger> logger_;
  std::unique_ptr<shell::TfmVarnholt> window_;
};

bool WaitUntil(const std::function<bool()>& condition, int milliseconds);

template <typename TCondition>
bool TShellBed::WaitFor(TCondition condition, int milliseconds) {
  return WaitUntil(condition, milliseconds);
}

}  // namespace varnholt::test
