// CmdSettings.cpp — `varnholt-cli settings list|get PATH|set PATH VALUE`: the settings file Varnholt.xml
// without the window, e.g. to set the paper printer or the PDF passwords on a machine without a screen.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "core/uServiceSettings.h"
#include "platform/CodePage.h"
#include "settings/rsXmlData.h"
#include "settings/uVarnholtSettings.h"

namespace varnholt::cli {

namespace {

const char* TypeName(std::uint16_t type) {
  static const char* const kNames[] = {"empty",     "string",  "binary", "integer", "float",       "currency",
                                       "date-time", "boolean", "point",  "Int64",   "32-bit value"};
  return type <= kMaxKeyType ? kNames[type] : "unknown";
}

// One line per key: control characters shown as escapes so a value never breaks the listing.
std::string OneLine(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      out += c;
    }
  }
  return out;
}

// A name the settings file can hold: the file writes names as they are, so markup characters, white
// space and separators would make a file that cannot be read back.
bool IsWritableName(const std::string& name) {
  if (name.empty() || name[0] == '?' || name[0] == '!') return false;
  for (const char c : name) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '<' || c == '>' || c == '&' || c == '"' ||
        c == '\'' || c == '=' || c == '/' || c == '\\') {
      return false;
    }
  }
  return true;
}

bool IsWritablePath(const std::string& path) {
  std::size_t start = (!path.empty() && (path[0] == '/' || path[0] == '\\')) ? 1 : 0;
  // A key below more sections than the reader accepts would make a file the program cannot start with.
  if (std::count_if(path.begin() + static_cast<std::ptrdiff_t>(start), path.end(),
                    [](char c) { return c == '/' || c == '\\'; }) > kMaxSectionDepth) {
    return false;
  }
  while (true) {
    const std::size_t end = path.find_first_of("/\\", start);
    if (!IsWritableName(path.substr(start, end == std::string::npos ? std::string::npos : end - start))) {
      return false;
    }
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

// The characters of a UTF-8 text that code page 1252 has no code for, each once, as "Ω" (U+03A9).
// Malformed bytes are not listed: they are kept as the 1252 bytes they are.
std::string CharactersOutside1252(std::string_view utf8) {
  std::string listed;
  std::vector<std::uint32_t> seen;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    const std::string_view character = utf8.substr(i, length);
    if (length == 1 || !platform::IsValidUtf8(character)) {
      ++i;
      continue;
    }
    i += length;
    if (platform::IsCp1252Representable(character)) continue;
    std::uint32_t code = lead & (0xFF >> (length + 1));
    for (std::size_t k = 1; k < character.size(); ++k) code = code << 6 | (character[k] & 0x3F);
    if (std::find(seen.begin(), seen.end(), code) != seen.end()) continue;
    seen.push_back(code);
    char number[16];
    std::snprintf(number, sizeof number, "U+%04X", static_cast<unsigned>(code));
    if (!listed.empty()) listed += ", ";
    listed += "\"" + std::string(character) + "\" (" + number + ")";
  }
  return listed;
}

// Keys in the order of the file: each section's keys, then its subsections, depth first.
std::vector<int> KeysInFileOrder(const TrsStorage& store) {
  std::vector<int> order;
  std::vector<int> pending{0};
  while (!pending.empty()) {
    const int id = pending.back();
    pending.pop_back();
    const auto [first, last] = store.KeyRange(id);
    for (int i = first; i < last; ++i) order.push_back(i);
    const auto [sFirst, sLast] = store.SubsectionRange(id);
    for (int i = sLast; i-- > sFirst;) pending.push_back(store.Sections()[static_cast<std::size_t>(i)].id);
  }
  return order;
}

}  // namespace

void AddSettingsCommand(CLI::App& app, TCliContext& context) {
  auto* cmd = app.add_subcommand("settings", "List, read or change the settings file Varnholt.xml");
  cmd->require_subcommand(1);
  auto* list = cmd->add_subcommand("list", "List every key with its type and value (passwords as ****)");
  auto* get = cmd->add_subcommand("get", "Print the value of one key (passwords decrypted)");
  auto* set = cmd->add_subcommand("set", "Write one key as a string and save (passwords encrypted)");
  auto getPath = std::make_shared<std::string>();
  auto setPath = std::make_shared<std::string>();
  auto setValue = std::make_shared<std::string>();
  get->add_option("PATH", *getPath, "Key path, e.g. /fmOstrevane.rsPropSaver1/cbPaperPrinter.Text")
      ->required();
  set->add_option("PATH", *setPath, "Key path, e.g. /fmOstrevane.rsPropSaver1/edOwner.Text")->required();
  set->add_option("VALUE", *setValue, "The new value")->required();

  // Runs one action on the loaded settings; failures become a message and exit code 1.
  const auto withSettings = [&context](auto action) {
    try {
      TVarnholtSettings settings(context.ApplicationFolder());
      TrsStorage& store = settings.Storage();
      store.SetOptions(0);  // only `set` writes, and it says so explicitly
      store.SetActive(true);
      action(settings);
    } catch (const std::exception& e) {
      std::cerr << platform::Cp1252ToUtf8(e.what()) << '\n';
      context.exitCode = 1;
    }
  };

  list->callback([withSettings] {
    withSettings([](TVarnholtSettings& settings) {
      TrsStorage& store = settings.Storage();
      for (const int index : KeysInFileOrder(store)) {
        const std::string path = store.KeyPath(index, '/');
        store.SelectKey(index);
        const std::string value =
            settings.Encryptor().IsListed(path) ? "****" : OneLine(store.Key().AsString());
        std::cout << platform::Cp1252ToUtf8(path) << '\t' << TypeName(store.Key().Type()) << '\t'
                  << platform::Cp1252ToUtf8(value) << '\n';
      }
    });
  });

  get->callback([withSettings, getPath, &context] {
    withSettings([&](TVarnholtSettings& settings) {
      TrsStorage& store = settings.Storage();
      const std::string path = platform::Utf8ToCp1252(*getPath);
      if (store.FindKey(path, false) < 0) {
        std::cerr << "No key \"" << *getPath << "\" in Varnholt.xml\n";
        context.exitCode = 2;
        return;
      }
      std::cout << platform::Cp1252ToUtf8(store.Key().AsString()) << '\n';
    });
  });

  set->callback([withSettings, setPath, setValue, &context] {
    const std::string path = platform::Utf8ToCp1252(*setPath);
    if (!IsWritablePath(path)) {
      std::cerr << "Not a key path the settings file can hold: \"" << *setPath
                << "\" (names without spaces, markup characters or empty parts, at most " << kMaxSectionDepth
                << " sections deep)\n";
      context.exitCode = 2;
      return;
    }
    // Settings hold 1252 text; a character stored as '?' would silently change the value, and for a
    // password protect documents with one the operator never typed.
    if (const std::string outside = CharactersOutside1252(*setValue); !outside.empty()) {
      std::cerr << "Not saved: the value holds characters the settings file cannot hold (it is written in "
                   "code page Windows-1252): "
                << outside << '\n';
      context.exitCode = 2;
      return;
    }
    // A line break in a password would end its line of the engine's request, and a limit out of its range
    // would be replaced by the default at the next start: both are refused here, where they enter.
    if (const std::string refused = CheckSettingValue(path, platform::Utf8ToCp1252(*setValue)); !refused.empty()) {
      std::cerr << platform::Cp1252ToUtf8(refused) << '\n';
      context.exitCode = 2;
      return;
    }
    withSettings([&](TVarnholtSettings& settings) {
      TrsStorage& store = settings.Storage();
      // The switches of the file itself decide, read just before the write.
      if (const std::string refused = SettingChangeRefusal(path, ReadRestrictions(store), context.Rights());
          !refused.empty()) {
        std::cerr << platform::Cp1252ToUtf8(refused) << '\n';
        context.exitCode = 2;
        return;
      }
      store.WriteString(path, platform::Utf8ToCp1252(*setValue));
      store.SaveStore();
    });
  });
}

}  // namespace varnholt::cli
