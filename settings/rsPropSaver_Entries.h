// rsPropSaver_Entries.h — what the property saver saves: one property entry and its parser, the
// main window's list of entries, and the text of the window placement with its checks. No Qt.
//
// An entry is one line "Path[,Default[,Key],[Flags]]": the control property (component and property
// joined by "."), or a name handled by the saver's events, with the text used when the store has no key,
// the key name (the Path when empty) and three or four flag letters (enabled, kind, direction,
// encrypted). The grammar is loose on purpose: existing sites' entries are parsed exactly as they always
// were, so a quirk of the parser is a rule here, not a fault to mend.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnholt {

// Flag letter 2: who moves the value.
enum class TrsPropertyKind {
  Published,  // "P": a property of a component of the window
  Custom,     // "C": supplied by an add-in component (none in this program)
  User,       // "U": handled by the saver's user-property events
  None,       // "V" (or a letter we do not know): nothing is moved
};

// Flag letter 3: when it is moved.
enum class TrsPropertyDirection {
  LoadSave,  // "D"
  LoadOnly,  // "R"
  SaveOnly,  // "W"
};

struct TrsProperty {
  std::string path;
  std::string defaultValue;
  std::string key;  // empty: the Path is the key name
  bool enabled = true;
  TrsPropertyKind kind = TrsPropertyKind::Published;
  TrsPropertyDirection direction = TrsPropertyDirection::LoadSave;
  bool encrypted = false;  // flag letter 4 "C": the key is added to the encryptor's list

  const std::string& KeyName() const { return key.empty() ? path : key; }
  bool Loads() const { return direction != TrsPropertyDirection::SaveOnly; }
  bool Saves() const { return direction != TrsPropertyDirection::LoadOnly; }
};

// Parses one entry. Never fails: every text is some entry (at worst one whose Path names nothing).
TrsProperty ParseProperty(std::string_view entry);

// The section of the store that holds the window's keys, and the key of the window placement.
inline constexpr const char* kPropSaverRootSection = "fmOstrevane.rsPropSaver1";
inline constexpr const char* kFormPlacementKey = "FormPlacement";

// The 31 entries of the main window, in the order they are loaded and saved; entry 1 is the user
// property Folder (the queue folder).
const std::vector<std::string>& VarnholtPropertyEntries();

// The window placement as ten integers, in the order of the text: flags, show command, the minimised and
// maximised positions, and the normal rectangle.
struct TrsFormPlacement {
  std::int32_t flags = 0;
  std::int32_t showCommand = 1;  // 0 hidden, 1 normal, 2 minimised, 3 maximised
  std::int32_t minX = 0, minY = 0, maxX = 0, maxY = 0;
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const TrsFormPlacement&) const = default;
};

// "%d,%d,%d,%d,%d,%d,%d,%d,%d,%d".
std::string FormPlacementText(const TrsFormPlacement& placement);
// nullopt when the text has other than ten comma-separated fields (it is then ignored); a field that is
// not a whole number throws ErsConvertError, as any number read from the store does.
std::optional<TrsFormPlacement> ParseFormPlacement(std::string_view text);

// What the window gets from a stored placement: with placement the stored left and top, else the
// current ones; with size the stored width and height, else the current ones.
TrsFormPlacement PlacementToApply(const TrsFormPlacement& stored, const TrsFormPlacement& current,
                                  bool placement, bool size);

// A rectangle on the screens: left, top, right, bottom.
struct TrsRect {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
  std::int32_t Width() const { return right - left; }
  std::int32_t Height() const { return bottom - top; }
  bool operator==(const TrsRect&) const = default;
};

// The rectangle where the window can be seen now: as it is when it shares any part with one of the
// screens, else (a screen that was unplugged, a resolution that shrank) centred on the primary screen,
// no larger than it. Screens are given primary first; without screens the rectangle stays.
TrsRect RectOnScreens(const TrsRect& rect, const std::vector<TrsRect>& screens);

}  // namespace varnholt
