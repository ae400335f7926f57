// rsPropSaver.cpp — the property saver: entries resolved to widget properties, loaded and saved in list
// order, and the window placement.
#include "shell/rsPropSaver.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLayout>
#include <QLineEdit>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QWidget>
#include <algorithm>
#include <exception>
#include <numeric>
#include <optional>

#include "platform/CodePage.h"
#include "shell/uQtText.h"

namespace varnholt::shell {

namespace {

// How a property's value is kept in the store.
enum class TValueKind {
  Boolean,    // "True" / "False", applied by name
  Integer,    // an integer key
  String,     // a string key
  Component,  // the name of the component it refers to
};

// A property name of the settings file on the widget kind that carries it.
struct TPropertyRow {
  const char* name;
  TValueKind kind;
  bool (*carries)(QObject* object);
};

QSplitter* SplitterOf(QObject* object, Qt::Orientation orientation) {
  auto* widget = qobject_cast<QWidget*>(object);
  auto* splitter = widget != nullptr ? qobject_cast<QSplitter*>(widget->parentWidget()) : nullptr;
  return splitter != nullptr && splitter->orientation() == orientation ? splitter : nullptr;
}

const TPropertyRow kPropertyRows[] = {
    {"Checked", TValueKind::Boolean, [](QObject* o) { return qobject_cast<QCheckBox*>(o) != nullptr; }},
    {"Down", TValueKind::Boolean,
     [](QObject* o) {
       auto* button = qobject_cast<QAbstractButton*>(o);
       return button != nullptr && button->isCheckable();
     }},
    {"Text", TValueKind::String,
     [](QObject* o) {
       return qobject_cast<QLineEdit*>(o) != nullptr || qobject_cast<QComboBox*>(o) != nullptr;
     }},
    {"ActivePage", TValueKind::Component, [](QObject* o) { return qobject_cast<QTabWidget*>(o) != nullptr; }},
    {"Width", TValueKind::Integer, [](QObject* o) { return SplitterOf(o, Qt::Horizontal) != nullptr; }},
    {"Height", TValueKind::Integer, [](QObject* o) { return SplitterOf(o, Qt::Vertical) != nullptr; }},
};

// What a Path resolved to: the object and either a row of the table or a dynamic property.
struct TTarget {
  QObject* object = nullptr;
  const TPropertyRow* row = nullptr;
  QByteArray dynamicName;
  TValueKind Kind() const { return row != nullptr ? row->kind : TValueKind::String; }
};

// Component names compare as the store's names do: only A to Z fold.
bool SameName(const QString& a, const std::string& b) {
  return platform::SameText(ToSystem(a), b);
}

QObject* FindComponent(QObject& parent, const std::string& name) {
  for (QObject* child : parent.findChildren<QObject*>()) {
    if (SameName(child->objectName(), name)) return child;
  }
  return nullptr;
}

std::optional<TTarget> Resolve(QWidget& owner, const std::string& path) {
  std::vector<std::string> segments;
  for (std::size_t start = 0;;) {
    const std::size_t dot = path.find('.', start);
    segments.push_back(path.substr(start, dot - start));
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  // A Path of one name would save a whole component; the window has no such entry.
  if (segments.size() < 2) return std::nullopt;
  QObject* current = &owner;
  for (std::size_t i = 0; i + 1 < segments.size(); ++i) {
    current = FindComponent(*current, segments[i]);
    if (current == nullptr) return std::nullopt;
  }
  const std::string& property = segments.back();
  for (const TPropertyRow& row : kPropertyRows) {
    if (platform::SameText(row.name, property) && row.carries(current)) return TTarget{current, &row, {}};
  }
  for (const QByteArray& name : current->dynamicPropertyNames()) {
    if (platform::SameText(name.toStdString(), property)) return TTarget{current, nullptr, name};
  }
  return std::nullopt;
}

// The extent a panel gets when its splitter is first shown.
constexpr const char* kPendingExtent = "varnholtPendingExtent";
constexpr const char* kWaitsForShow = "varnholtWaitsForShow";

void ApplyExtent(QSplitter& splitter, int index, int extent) {
  QList<int> sizes = splitter.sizes();
  const int total = std::accumulate(sizes.begin(), sizes.end(), 0);
  extent = std::clamp(extent, 0, std::max(total, 0));
  const int other = index == 0 ? 1 : 0;
  if (other < sizes.size()) sizes[other] += sizes[index] - extent;
  sizes[index] = extent;
  splitter.setSizes(sizes);
}

int PanelExtent(QWidget& panel) {
  const QVariant pending = panel.property(kPendingExtent);
  if (pending.isValid()) return pending.toInt();
  auto* splitter = qobject_cast<QSplitter*>(panel.parentWidget());
  const int index = splitter->indexOf(&panel);
  return splitter->sizes().value(index);
}

// Applies the waiting extents of a splitter's panels when it is first shown, then goes.
class TExtentOnShow : public QObject {
 public:
  explicit TExtentOnShow(QSplitter& splitter) : QObject(&splitter), splitter_(splitter) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == &splitter_ && event->type() == QEvent::Show) {
      splitter_.removeEventFilter(this);
      ApplyPending();
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  void ApplyPending() {
    for (int i = 0; i < splitter_.count(); ++i) {
      QWidget* panel = splitter_.widget(i);
      const QVariant pending = panel->property(kPendingExtent);
      if (!pending.isValid()) continue;
      panel->setProperty(kPendingExtent, QVariant());
      ApplyExtent(splitter_, i, pending.toInt());
    }
    splitter_.setProperty(kWaitsForShow, QVariant());
    deleteLater();
  }

  QSplitter& splitter_;
};

void ReadProperty(const TTarget& target, TrsKeyWrapper& into) {
  QObject* o = target.object;
  if (target.row == nullptr) {
    into.SetString(ToSystem(o->property(target.dynamicName.constData()).toString()));
    return;
  }
  switch (target.row->kind) {
    case TValueKind::Boolean:
      into.SetString(qobject_cast<QAbstractButton*>(o)->isChecked() ? "True" : "False");
      return;
    case TValueKind::Integer:
      into.SetInteger(PanelExtent(*qobject_cast<QWidget*>(o)));
      return;
    case TValueKind::String:
      if (auto* edit = qobject_cast<QLineEdit*>(o)) {
        into.SetString(ToSystem(edit->text()));
      } else {
        into.SetString(ToSystem(qobject_cast<QComboBox*>(o)->currentText()));
      }
      return;
    case TValueKind::Component: {
      const QWidget* page = qobject_cast<QTabWidget*>(o)->currentWidget();
      into.SetString(page != nullptr ? ToSystem(page->objectName()) : std::string());
      return;
    }
  }
}

// Sets the property from the key; the key's conversion errors (a width "abc") leave from here.
void WriteProperty(const TTarget& target, const TrsKeyWrapper& from) {
  QObject* o = target.object;
  if (target.row == nullptr) {
    o->setProperty(target.dynamicName.constData(), FromSystem(from.AsString()));
    return;
  }
  switch (target.row->kind) {
    case TValueKind::Boolean: {
      // Neither "True" nor "False": the box stays as it is rather than fail the whole load.
      const std::string text = from.AsString();
      if (platform::SameText(text, "True")) qobject_cast<QAbstractButton*>(o)->setChecked(true);
      if (platform::SameText(text, "False")) qobject_cast<QAbstractButton*>(o)->setChecked(false);
      return;
    }
    case TValueKind::Integer:
      SetPanelExtent(*qobject_cast<QWidget*>(o), from.AsInteger());
      return;
    case TValueKind::String:
      if (auto* edit = qobject_cast<QLineEdit*>(o)) {
        edit->setText(FromSystem(from.AsString()));
      } else if (auto* box = qobject_cast<QComboBox*>(o); box->isEditable()) {
        box->setEditText(FromSystem(from.AsString()));
      } else {
        box->setCurrentText(FromSystem(from.AsString()));
      }
      return;
    case TValueKind::Component: {
      // A name that is no page of this control leaves the page shown.
      auto* tabs = qobject_cast<QTabWidget*>(o);
      const std::string name = from.AsString();
      for (int i = 0; i < tabs->count(); ++i) {
        if (SameName(tabs->widget(i)->objectName(), name)) tabs->setCurrentIndex(i);
      }
      return;
    }
  }
}

std::vector<QRect> ApplicationScreens() {
  std::vector<QRect> screens;
  if (QScreen* primary = QGuiApplication::primaryScreen()) screens.push_back(primary->availableGeometry());
  for (QScreen* screen : QGuiApplication::screens()) {
    if (screen != QGuiApplication::primaryScreen()) screens.push_back(screen->availableGeometry());
  }
  return screens;
}

// The platform has no window-placement record: the ten fields come from the window's own geometry.
TrsFormPlacement PlacementOf(const QWidget& window) {
  const bool restored = !window.isMinimized() && !window.isMaximized();
  const QRect normal =
      restored || !window.normalGeometry().isValid() ? window.geometry() : window.normalGeometry();
  TrsFormPlacement placement;
  placement.showCommand = window.isMinimized() ? 2 : window.isMaximized() ? 3 : 1;
  placement.left = normal.left();
  placement.top = normal.top();
  placement.right = normal.left() + normal.width();
  placement.bottom = normal.top() + normal.height();
  return placement;
}

// Marks the saver loading or saving for as long as the step runs, failures included.
class TMark {
 public:
  explicit TMark(bool& flag) : flag_(flag) { flag_ = true; }
  ~TMark() { flag_ = false; }
  TMark(const TMark&) = delete;
  TMark& operator=(const TMark&) = delete;

 private:
  bool& flag_;
};

}  // namespace

TrsPropSaver::TrsPropSaver(QWidget& owner) : Screens(ApplicationScreens), owner_(owner) {}

void TrsPropSaver::LoadProperties() {
  const TMark mark(loading_);
  std::exception_ptr failure;
  try {
    if (OnBeforeLoad) OnBeforeLoad(*this);
    if (storage_ != nullptr) {
      storage_->SetRootSection(rootSection_);
      for (std::size_t i = 0; i < properties_.size(); ++i) {
        try {
          LoadEntry(ParseProperty(properties_[i]));
        } catch (...) {
          KeepUnapplied(i + 1);
          throw;
        }
      }
      LoadPlacement();
    }
  } catch (...) {
    failure = std::current_exception();
  }
  if (OnAfterLoad) OnAfterLoad(*this);
  if (failure) std::rethrow_exception(failure);
}

void TrsPropSaver::KeepUnapplied(std::size_t first) {
  // The keys an interrupted load never applied would be overwritten by the design values at the next
  // save. What the controls hold now is noted, so that the save can tell an untouched control (its key
  // stays) from one the operator changed (its value is stored).
  TrsKeyWrapper value;
  for (std::size_t i = first; i < properties_.size(); ++i) {
    const TrsProperty property = ParseProperty(properties_[i]);
    if (!property.enabled || !property.Loads() || property.kind != TrsPropertyKind::Published) continue;
    if (!storage_->KeyExists(property.KeyName())) continue;
    if (const auto target = Resolve(owner_, property.path)) {
      ReadProperty(*target, value);
      unapplied_.emplace_back(property.KeyName(), value.AsString());
    }
  }
  if ((options_ & poStoreFormPlacement) != 0 && storage_->KeyExists(kFormPlacementKey)) {
    unapplied_.emplace_back(kFormPlacementKey, FormPlacementText(PlacementOf(owner_)));
  }
}

bool TrsPropSaver::Untouched(const std::string& keyName, const std::string& text) {
  return std::any_of(unapplied_.begin(), unapplied_.end(),
                     [&](const auto& noted) {
                       return platform::SameText(noted.first, keyName) && noted.second == text;
                     }) &&
         storage_->KeyExists(keyName);
}

void TrsPropSaver::LoadEntry(const TrsProperty& property) {
  if (!property.enabled || !property.Loads()) return;
  const std::string& keyName = property.KeyName();
  const TrsKeyWrapper* key = nullptr;
  if (storage_->FindKey(keyName, false) >= 0) {
    key = &storage_->Key();
  } else if (!property.defaultValue.empty()) {
    scratch_.Clear();
    scratch_.Data().name = keyName;
    scratch_.SetString(property.defaultValue);
    key = &scratch_;
  } else {
    return;
  }
  switch (property.kind) {
    case TrsPropertyKind::Published:
      if (const auto target = Resolve(owner_, property.path)) WriteProperty(*target, *key);
      break;
    case TrsPropertyKind::User:
      if (OnSetUserProperty) OnSetUserProperty(*this, keyName, key->AsVariant());
      break;
    case TrsPropertyKind::Custom:  // no add-in component in this program
    case TrsPropertyKind::None:
      break;
  }
}

void TrsPropSaver::LoadPlacement() {
  if ((options_ & poStoreFormPlacement) == 0 || storage_->FindKey(kFormPlacementKey, false) < 0) return;
  TrsKeyWrapper& key = storage_->Key();
  if ((options_ & poEncryptFormPlacement) != 0 && storage_->Encryptor() != nullptr) {
    storage_->Encryptor()->DecryptKey(key.Data());
  }
  const std::optional<TrsFormPlacement> stored = ParseFormPlacement(key.AsString());
  if (!stored) return;
  TrsFormPlacement current = PlacementOf(owner_);
  if (!owner_.isVisible()) current.showCommand = 0;  // applying it must not show the window
  const TrsFormPlacement wanted = PlacementToApply(*stored, current, (placementOptions_ & pfpPlacement) != 0,
                                                   (placementOptions_ & pfpSize) != 0);
  std::vector<TrsRect> screens;
  for (const QRect& screen : Screens()) {
    screens.push_back(
        {screen.left(), screen.top(), screen.left() + screen.width(), screen.top() + screen.height()});
  }
  const TrsRect rect = RectOnScreens({wanted.left, wanted.top, wanted.right, wanted.bottom}, screens);
  owner_.setGeometry(rect.left, rect.top, rect.Width(), rect.Height());
  if ((placementOptions_ & pfpState) != 0) {
    switch (stored->showCommand) {
      case 2:
      case 6:
      case 7:
        owner_.setWindowState(Qt::WindowMinimized);
        break;
      case 3:
        owner_.setWindowState(Qt::WindowMaximized);
        break;
      default:
        owner_.setWindowState(Qt::WindowNoState);
        break;
    }
  }
}

void TrsPropSaver::SaveProperties() {
  const TMark mark(saving_);
  std::exception_ptr failure;
  try {
    if (OnBeforeSave) OnBeforeSave(*this);
    if (storage_ != nullptr) {
      storage_->SetRootSection(rootSection_);
      for (const std::string& entry : properties_) SaveEntry(ParseProperty(entry));
      SavePlacement();
    }
  } catch (...) {
    failure = std::current_exception();
  }
  if (OnAfterSave) OnAfterSave(*this);
  if (failure) std::rethrow_exception(failure);
}

void TrsPropSaver::SaveEntry(const TrsProperty& property) {
  // A load-only entry's key is the file's business: neither written nor removed.
  if (!property.Saves()) return;
  const std::string& keyName = property.KeyName();
  bool hasValue = false;
  scratch_.Clear();
  scratch_.Data().name = keyName;
  if (property.enabled) {
    switch (property.kind) {
      case TrsPropertyKind::Published:
        if (const auto target = Resolve(owner_, property.path)) {
          ReadProperty(*target, scratch_);
          hasValue = true;
        }
        break;
      case TrsPropertyKind::User:
        if (OnGetUserProperty) {
          TrsVariant value;
          OnGetUserProperty(*this, keyName, value);
          scratch_.SetVariant(value);
          hasValue = true;
        }
        break;
      case TrsPropertyKind::Custom:
      case TrsPropertyKind::None:
        break;
    }
  }
  if (hasValue && (options_ & poStoreDefValues) == 0 &&
      platform::SameText(scratch_.AsString(), property.defaultValue)) {
    hasValue = false;
  }
  if (hasValue && Untouched(keyName, scratch_.AsString())) return;
  if (!hasValue) {
    storage_->DeleteKey(keyName);
    return;
  }
  storage_->FindKey(keyName, true);
  storage_->Key().Assign(scratch_);
  if (property.encrypted) ListForEncryption(keyName);
}

void TrsPropSaver::SavePlacement() {
  if ((options_ & poStoreFormPlacement) == 0) return;
  const std::string text = FormPlacementText(PlacementOf(owner_));
  if (Untouched(kFormPlacementKey, text)) return;
  storage_->WriteString(kFormPlacementKey, text);
  if ((options_ & poEncryptFormPlacement) != 0) ListForEncryption(kFormPlacementKey);
}

void TrsPropSaver::ListForEncryption(const std::string& keyName) {
  TrsEncryptor* encryptor = storage_->Encryptor();
  if (encryptor == nullptr) return;
  const std::string path = "\\" + rootSection_ + "\\" + keyName;
  if (!encryptor->IsListed(path)) encryptor->EncryptKeys().push_back(path);
}

void SetPanelExtent(QWidget& panel, int extent) {
  auto* splitter = qobject_cast<QSplitter*>(panel.parentWidget());
  if (splitter == nullptr) return;
  const int index = splitter->indexOf(&panel);
  for (int i = 0; i < splitter->count(); ++i) splitter->setStretchFactor(i, i == index ? 0 : 1);
  if (splitter->isVisible()) {
    panel.setProperty(kPendingExtent, QVariant());
    ApplyExtent(*splitter, index, extent);
    return;
  }
  // A splitter that was never shown has no size to divide: the extent waits for its first show.
  panel.setProperty(kPendingExtent, extent);
  if (!splitter->property(kWaitsForShow).isValid()) {
    splitter->setProperty(kWaitsForShow, true);
    splitter->installEventFilter(new TExtentOnShow(*splitter));
  }
}

}  // namespace varnholt::shell
