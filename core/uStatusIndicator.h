// uStatusIndicator.h — what the operator sees of the processing state: the bottom bar's colour, the
// notification-area icon, the Automatic button, and the emergency stop that ends Automatic mode after a
// failure that must not go on unattended.
#pragma once

#include "core/uProcessingState.h"
#include "core/uUiPort.h"
#include "logging/uLogger.h"

namespace varnholt {

// Bottom bar colours of the status indicator.
inline constexpr TStatusColor kStatusProcessing{166, 202, 240};
inline constexpr TStatusColor kStatusError{255, 0, 0};
inline constexpr TStatusColor kStatusAutomatic{192, 220, 192};
inline constexpr TStatusColor kStatusIdle{255, 255, 0};

class TStatusIndicator {
 public:
  TStatusIndicator(TProcessingState& state, TUiPort& port, TLogger& logger)
      : state_(state), port_(port), logger_(logger) {}

  // Refreshes the bottom bar colour and the notification-area icon from the state.
  void UpdateStatus();
  // Stops Automatic mode after a failure that must not go on unattended; nothing when it is off.
  void EmergencyStop();
  // Puts the Automatic button up without running its click handler.
  void SwitchAutomaticOff();
  // The Minimize button lost the keyboard focus: the error state is over.
  void HideExit();
  // How many emergency stops this core has made.
  int EmergencyStops() const { return emergencyStops_; }

 private:
  TProcessingState& state_;
  TUiPort& port_;
  TLogger& logger_;
  int emergencyStops_ = 0;
};

}  // namespace varnholt
