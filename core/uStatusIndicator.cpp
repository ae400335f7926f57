// uStatusIndicator.cpp — the status indicator and the emergency stop.
#include "core/uStatusIndicator.h"

namespace varnholt {

namespace {
constexpr const char* kObject = "Varnholt";
}  // namespace

void TStatusIndicator::UpdateStatus() {
  if (state_.ActionIsProcessing()) {
    port_.ShowStatus(kStatusProcessing, 2);
  } else if (state_.ErrorState() || state_.FailedCount() > 0) {
    port_.ShowStatus(kStatusError, 3);
  } else if (state_.Automatic()) {
    port_.ShowStatus(kStatusAutomatic, 0);
  } else {
    port_.ShowStatus(kStatusIdle, 1);
  }
}

void TStatusIndicator::SwitchAutomaticOff() {
  state_.SetAutomatic(false);
  port_.SetAutomaticButton(false);
}

void TStatusIndicator::EmergencyStop() {
  if (!state_.Automatic()) return;
  ++emergencyStops_;
  state_.RaiseErrorState();
  port_.FocusMinimizeButton();  // a button that is not showing cannot take the focus; that is fine
  logger_.WriteEntry(ltErr, kObject, "EmergencyStop", "Automatic", "Stop");
  SwitchAutomaticOff();
  UpdateStatus();
  port_.RestoreWindow();
}

void TStatusIndicator::HideExit() {
  logger_.WriteProc(kObject, "HideExit");
  state_.ClearErrorState();
  // The red bar of the emergency stop ends here (unless FAILED still holds files).
  UpdateStatus();
}

}  // namespace varnholt
