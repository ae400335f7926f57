// ShellTestBed.cpp — the window's test bed.
#include "tests/shell/ShellTestBed.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include "core/uPdfPrinterSetup.h"

namespace varnholt::test {

TShellBed::TShellBed() {
  // The start-up's PDF printer check never reaches the machine's print server from a test.
  SetPdfPrinterSource([](const platform::TDriveMap&) { return NoPdfPrinter(); });
  for (const char* program : {"PDF.EXE", "PDFEDIT.EXE"}) {
    std::filesystem::copy_file(std::filesystem::path(VARNHOLT_APP_DIR) / program, temp_ / program);
  }
  shell::SetDialogAnswerer(
      [this](shell::TDialogKind kind, const QString& text, QMessageBox::StandardButtons buttons) {
        const char* kindName = kind == shell::TDialogKind::kError      ? "Error: "
                               : kind == shell::TDialogKind::kQuestion ? "Question: "
                                                                       : "Information: ";
        boxes.push_back(kindName + text.toStdString());
        if (!answers.empty()) {
          const QMessageBox::StandardButton answer = answers.front();
          answers.pop_front();
          return answer;
        }
        if (buttons.testFlag(QMessageBox::Ok)) return QMessageBox::Ok;
        if (buttons.testFlag(QMessageBox::Yes)) return QMessageBox::Yes;
        return QMessageBox::Ok;
      });
}

TShellBed::~TShellBed() {
  window_.reset();
  logger_.reset();
  shell::SetDialogAnswerer({});
}

shell::TfmVarnholt& TShellBed::Start(const QStringList& arguments) {
  logger_ = std::make_unique<TLogger>(temp_ / kLogFileName, true, kDefaultLogCapacity, kDefaultLogTypes);
  window_ = std::make_unique<shell::TfmVarnholt>(*logger_, temp_.Path(), arguments);
  window_->show();
  // The start-up timer fires half a second after the window was made.
  WaitUntil([this] { return window_->StartupDone(); }, 5000);
  return *window_;
}

void TShellBed::Stop() {
  window_.reset();
}

void TShellBed::Drop(const std::string& sample, const std::string& name) const {
  std::filesystem::create_directories(temp_ / "drives/c/PDF");
  std::filesystem::copy_file(TestDataFolder() / "engine/reports" / sample, temp_ / "drives/c/PDF" / name);
}

std::vector<std::string> TShellBed::Records() const {
  std::vector<std::string> records;
  for (int i = 0; i < logger_->Count(); ++i) {
    std::string line = logger_->Line(i);
    const std::size_t second = line.find('\t', line.find('\t') + 1);
    line = line.substr(second + 1);
    for (char& c : line) c = c == '\t' ? '|' : c;
    records.push_back(line);
  }
  return records;
}

bool WaitUntil(const std::function<bool()>& condition, int milliseconds) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > milliseconds) return false;
    QTest::qWait(20);
  }
  return true;
}

}  // namespace varnholt::test
