// rsPropSaver.h — the property saver TrsPropSaver: moves the saved properties of a window between its
// controls and the settings store, in the order of its entry list, and stores and restores the window's
// position and size.
//
// An entry names a control by its objectName and a property by the name the settings file has always
// used ("pnBrowser.Width", "cbErrors.Checked"). The Qt widgets do not have those properties, so a small
// table maps each name onto the widget kinds that carry it; a name the table does not know, on an object
// that has a dynamic property of that name, reads and writes that property as text. A Path that finds
// no object or no property is skipped, as a control that is gone from the form would be.
#pragma once

#include <QRect>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "settings/rsPropSaver_Entries.h"
#include "settings/rsStorage.h"

class QWidget;

namespace varnholt::shell {

enum TrsPropSaverOption : unsigned {
  poStoreFormPlacement = 1,    // the key FormPlacement holds the window's position and size
  poStoreDefValues = 2,        // a value equal to its entry's Default is stored all the same
  poEncryptFormPlacement = 4,  // FormPlacement is added to the encryptor's list
};

enum TrsFormPlacementOption : unsigned {
  pfpPlacement = 1,  // the stored left and top are applied
  pfpSize = 2,       // the stored width and height are applied
  pfpState = 4,      // the stored show command makes the window minimised, maximised or normal
};

class TrsPropSaver {
 public:
  using TNotifyEvent = std::function<void(TrsPropSaver&)>;
  using TGetUserPropertyEvent =
      std::function<void(TrsPropSaver&, const std::string& propName, TrsVariant& value)>;
  using TSetUserPropertyEvent =
      std::function<void(TrsPropSaver&, const std::string& propName, const TrsVariant& value)>;

  // The owner is the window whose controls the Paths name; it outlives the saver.
  explicit TrsPropSaver(QWidget& owner);

  TrsStorage* Storage() const { return storage_; }
  void SetStorage(TrsStorage* storage) { storage_ = storage; }
  const std::string& RootSection() const { return rootSection_; }
  void SetRootSection(std::string path) { rootSection_ = std::move(path); }
  std::vector<std::string>& Properties() { return properties_; }
  unsigned Options() const { return options_; }
  void SetOptions(unsigned options) { options_ = options; }
  unsigned FormPlacementOptions() const { return placementOptions_; }
  void SetFormPlacementOptions(unsigned options) { placementOptions_ = options; }
  // An inactive saver is not run by its window's create and destroy steps.
  bool Active() const { return active_; }
  void SetActive(bool active) { active_ = active; }
  bool Loading() const { return loading_; }
  bool Saving() const { return saving_; }

  // Applies the stored keys to the properties, entry by entry, then the window placement. OnAfterLoad is
  // raised exactly once, also when an entry fails; the failure then goes on to the caller, and the
  // entries after the failed one keep their values. Their keys are kept at the next save unless their
  // control was changed meanwhile, so a damaged value costs nothing but itself.
  void LoadProperties();
  // Stores the properties into the store (the file is written by the store), then the placement.
  void SaveProperties();

  TNotifyEvent OnBeforeLoad, OnAfterLoad, OnBeforeSave, OnAfterSave;
  // PropName is the entry's key name; an unassigned variant left by the handler is stored as an empty key.
  TGetUserPropertyEvent OnGetUserProperty;
  TSetUserPropertyEvent OnSetUserProperty;
  // The screens the window may be placed on, primary first; the application's screens unless a test
  // sets other ones.
  std::function<std::vector<QRect>()> Screens;

 private:
  void KeepUnapplied(std::size_t first);
  bool Untouched(const std::string& keyName, const std::string& text);
  void LoadEntry(const TrsProperty& property);
  void SaveEntry(const TrsProperty& property);
  void LoadPlacement();
  void SavePlacement();
  // Adds the key's full path to the encryptor's list unless it is listed already.
  void ListForEncryption(const std::string& keyName);

  QWidget& owner_;
  TrsStorage* storage_ = nullptr;
  std::string rootSection_;
  std::vector<std::string> properties_;
  unsigned options_ = poStoreFormPlacement | poStoreDefValues;
  unsigned placementOptions_ = pfpPlacement | pfpSize;
  bool active_ = true;
  bool loading_ = false;
  bool saving_ = false;
  TrsKeyWrapper scratch_{"Scratch"};
  // Keys a failed load did not apply, with the text their control held then.
  std::vector<std::pair<std::string, std::string>> unapplied_;
};

// Gives a panel of a splitter its width (its height in a vertical splitter) and keeps it there when the
// window is resized: the other panels take the difference. Used for the design sizes and by the saver.
void SetPanelExtent(QWidget& panel, int extent);

}  // namespace varnholt::shell
