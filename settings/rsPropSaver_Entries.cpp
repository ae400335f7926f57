// rsPropSaver_Entries.cpp — the property entry parser, the main window's entries and the placement text.
#include "settings/rsPropSaver_Entries.h"

#include <algorithm>

#include "rtl/uRtlFormat.h"
#include "settings/rsStorage.h"

namespace varnholt {

namespace {

// A quote is removed at either end on its own: the Default and the Key around '","' each keep one
// quote of that sequence, the Default its opening one and the Key its closing one.
std::string Unquoted(std::string_view text) {
  if (!text.empty() && text.front() == '"') text.remove_prefix(1);
  if (!text.empty() && text.back() == '"') text.remove_suffix(1);
  return std::string(text);
}

void ApplyFlags(TrsProperty& property, std::string_view flags) {
  property.enabled = flags[0] == 'E';
  switch (flags[1]) {
    case 'P':
      property.kind = TrsPropertyKind::Published;
      break;
    case 'C':
      property.kind = TrsPropertyKind::Custom;
      break;
    case 'U':
      property.kind = TrsPropertyKind::User;
      break;
    default:
      property.kind = TrsPropertyKind::None;
      break;
  }
  switch (flags[2]) {
    case 'R':
      property.direction = TrsPropertyDirection::LoadOnly;
      break;
    case 'W':
      property.direction = TrsPropertyDirection::SaveOnly;
      break;
    default:
      property.direction = TrsPropertyDirection::LoadSave;
      break;
  }
  property.encrypted = flags.size() == 4 && flags[3] == 'C';
}

}  // namespace

TrsProperty ParseProperty(std::string_view entry) {
  TrsProperty property;
  std::string_view text = entry;
  if (!text.empty() && text.back() != ',') {
    std::size_t flagCount = 0;
    if (text.size() >= 4 && text[text.size() - 4] == ',') {
      flagCount = 3;
    } else if (text.size() >= 5 && text[text.size() - 5] == ',') {
      flagCount = 4;
    }
    if (flagCount > 0) {
      ApplyFlags(property, text.substr(text.size() - flagCount));
      text.remove_suffix(flagCount);
    }
  }
  const std::size_t firstComma = text.find(',');
  property.path = std::string(text.substr(0, firstComma));
  if (firstComma != std::string_view::npos && text.back() == ',') {
    const std::size_t lastComma = text.size() - 1;
    const std::size_t sequence = text.find("\",\"", firstComma + 1);
    if (sequence != std::string_view::npos && sequence + 3 <= lastComma) {
      property.defaultValue = Unquoted(text.substr(firstComma + 1, sequence - firstComma - 1));
      property.key = Unquoted(text.substr(sequence + 3, lastComma - sequence - 3));
    } else if (lastComma > firstComma) {
      property.defaultValue = Unquoted(text.substr(firstComma + 1, lastComma - firstComma - 1));
    }
  }
  return property;
}

const std::vector<std::string>& VarnholtPropertyEntries() {
  static const std::vector<std::string> entries = {
      "Folder,\"\",\"\",EUD",
      "pcContent.ActivePage",
      "pnBrowser.Width",
      "pnFolders.Height",
      "edFind.Text",
      "sbAutomatic.Down",
      "OpenDialogScript.FileName",
      "SaveDialogScript.FileName",
      "cbErrors.Checked",
      "cbMessages.Checked",
      "cbProcedures.Checked",
      "cbScript.Checked",
      "cbAdminChangeLogging.Checked",
      "cbAdminNavigateFolder.Checked",
      "cbAdminPrinterSetup.Checked",
      "cbAdminScriptCopyTo.Checked",
      "cbAdminScriptDefault.Checked",
      "cbAdminScriptEdit.Checked",
      "cbAdminScriptExecute.Checked",
      "cbAdminScriptLoad.Checked",
      "cbAdminSelectFile.Checked",
      "cbAdminClose.Checked",
      "cbAdminAutomatic.Checked",
      "cbAdminDeleteFailedFiles.Checked",
      "cbAdminReQueueFailedFiles.Checked",
      "cbPaperPrinter.Text",
      "edOwner.Text",
      "edUser.Text",
      "cbAdminTabAction.Checked",
      "cbAdminTabLog.Checked",
      "cbAdminTabText.Checked",
  };
  return entries;
}

std::string FormPlacementText(const TrsFormPlacement& p) {
  const std::int32_t fields[] = {p.flags, p.showCommand, p.minX, p.minY,  p.maxX,
                                 p.maxY,  p.left,        p.top,  p.right, p.bottom};
  std::string text;
  for (const std::int32_t field : fields) {
    if (!text.empty()) text += ',';
    text += std::to_string(field);
  }
  return text;
}

std::optional<TrsFormPlacement> ParseFormPlacement(std::string_view text) {
  if (std::count(text.begin(), text.end(), ',') != 9) return std::nullopt;
  std::int32_t fields[10] = {};
  for (std::int32_t& field : fields) {
    const std::size_t comma = text.find(',');
    const std::string_view part = text.substr(0, comma);
    if (!rtl::TryStrToInt(part, field)) {
      throw ErsConvertError("'" + std::string(part) + "' is not a valid integer value");
    }
    text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
  }
  return TrsFormPlacement{fields[0], fields[1], fields[2], fields[3], fields[4],
                          fields[5], fields[6], fields[7], fields[8], fields[9]};
}

TrsFormPlacement PlacementToApply(const TrsFormPlacement& stored, const TrsFormPlacement& current,
                                  bool placement, bool size) {
  TrsFormPlacement result = current;
  result.flags = stored.flags;
  result.minX = stored.minX;
  result.minY = stored.minY;
  result.maxX = stored.maxX;
  result.maxY = stored.maxY;
  if (placement) {
    result.left = stored.left;
    result.top = stored.top;
  }
  const std::int64_t width =
      size ? std::int64_t{stored.right} - stored.left : std::int64_t{current.right} - current.left;
  const std::int64_t height =
      size ? std::int64_t{stored.bottom} - stored.top : std::int64_t{current.bottom} - current.top;
  // A hand-edited text may hold any ten numbers: the sums are kept in range rather than wrapped.
  const auto clamp = [](std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
  };
  result.right = clamp(result.left + width);
  result.bottom = clamp(result.top + height);
  return result;
}

TrsRect RectOnScreens(const TrsRect& rect, const std::vector<TrsRect>& screens) {
  if (screens.empty()) return rect;
  const bool seen = std::any_of(screens.begin(), screens.end(), [&](const TrsRect& screen) {
    return std::max(rect.left, screen.left) < std::min(rect.right, screen.right) &&
           std::max(rect.top, screen.top) < std::min(rect.bottom, screen.bottom);
  });
  if (seen) return rect;
  const TrsRect& primary = screens.front();
  const std::int32_t width = std::clamp(rect.Width(), 0, primary.Width());
  const std::int32_t height = std::clamp(rect.Height(), 0, primary.Height());
  const std::int32_t left = primary.left + (primary.Width() - width) / 2;
  const std::int32_t top = primary.top + (primary.Height() - height) / 2;
  return TrsRect{left, top, left + width, top + height};
}

}  // namespace varnholt
