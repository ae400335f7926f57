// uSavedReportsTest.h — the Action page's "Test on saved reports": the script being edited replayed against
// the saved one on the last reports of the journal, before it is saved. The window only shows what this
// returns.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/uReplay.h"
#include "core/uServiceSettings.h"

namespace varnholt {

class TVarnholtCore;

struct TSavedReportsTest {
  bool done = false;   // the replay ran: results and notes hold what it found
  bool error = false;  // when not done: message is an error (an error box), else a plain message
  std::string message;
  std::vector<TReplayResult> results;
  std::vector<std::string> notes;  // reports of the journal left out, and why
};

// Replays candidate (the editor's text, saved or not) against Varnholt.PS as it is on disk (the standard
// script where there is none) on the last reports of the journal, with settings (the window's, with the
// passwords and printer its controls hold). The candidate is compiled first as leaving edit mode does, its
// error marked. The test holds the pass: Automatic mode and Execute wait until it ends, so no report is
// filed from under it. progress is called on this thread while the reports run. A Msg record gives the
// counts.
TSavedReportsTest TestOnSavedReports(TVarnholtCore& core, const std::vector<std::string>& candidate, int last,
                                     const TServiceSettings& settings,
                                     const std::function<void(int done, int total)>& progress);

// The script a test compares with: Varnholt.PS of the application folder as it is on disk, the standard
// script where there is none or it is blank. False, with the reason, when the file cannot be read.
bool ReadSavedScript(const std::filesystem::path& applicationFolder, std::vector<std::string>& lines,
                     std::string& problem);

}  // namespace varnholt
