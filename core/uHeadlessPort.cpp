// uHeadlessPort.cpp — message boxes and questions of a program without a window, as log records.
#include "core/uHeadlessPort.h"

namespace varnholt {

void THeadlessPort::ShowMessage(const std::string& text) {
  // A Sys record: nobody sees a box here, so the message must reach the log whatever types it keeps.
  logger_.WriteEntry(ltSys, "Varnholt", "Message", text);
  if (OnMessage) OnMessage(text);
}

bool THeadlessPort::Confirm(const std::string& text, TConfirmButtons buttons) {
  const bool ok = buttons == TConfirmButtons::kOkCancel;
  logger_.WriteEntry(ltSys, "Varnholt", "Confirm", text,
                     confirmAnswer_ ? (ok ? "OK" : "Yes") : (ok ? "Cancel" : "No"));
  return confirmAnswer_;
}

}  // namespace varnholt
