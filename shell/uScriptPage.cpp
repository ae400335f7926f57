// uScriptPage.cpp — the Action page: the script editor, its modes and colours, the page's commands.
#include "shell/uScriptPage.h"

#include <regex>

#include <Qsci/qsciabstractapis.h>
#include <Qsci/qscilexerpascal.h>
#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QClipboard>
#include <QFileDialog>
#include <QFont>
#include <QMenu>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QSpinBox>
#include <algorithm>
#include <utility>

#include "core/uApplicationFolder.h"
#include "core/uSavedReportsTest.h"
#include "core/uStandardScript.h"
#include "core/uVarnholtCore.h"
#include "hostlib/uScriptReference.h"
#include "platform/Process.h"
#include "platform/ScopeExit.h"
#include "script/compiler/atPascal.h"
#include "shell/fReplayResult.h"
#include "shell/uDialogs.h"
#include "shell/uLogView.h"
#include "shell/uQtText.h"
#include "ui_fVarnholt.h"

namespace varnholt::shell {

namespace {

constexpr int kErrorMarker = 0;
// Web addresses in the script are shown blue and underlined: one indicator colours the text, one
// underlines it.
constexpr int kLinkTextIndicator = 8;
constexpr int kLinkLineIndicator = 9;
// The error line stands this many lines below the top of the editor, so the lines before it are seen.
constexpr int kLinesAboveError = 10;
constexpr const char* kScriptFilter = "PascalScript files (*.psc)";
constexpr const char* kPrintout = "Varnholt_Script.htm";
constexpr const char* kHelpFile = "Varnholt_help.htm";
constexpr const char* kObject = "Varnholt";
// How many of the journal's latest reports a test takes unless the operator says otherwise.
constexpr int kSavedReportsDefault = 50;
constexpr int kSavedReportsMax = 10000;

const QColor kEditGutter(192, 220, 192);
const QColor kNavy(0, 0, 128);

// The dialect's keywords: the lexer's own list is Delphi's, which would show words this language does
// not have as keywords.
class TScriptLexer : public QsciLexerPascal {
 public:
  using QsciLexerPascal::QsciLexerPascal;
  const char* keywords(int set) const override {
    if (set != 1) return nullptr;
    static const QByteArray words = ScriptKeywords().join(QLatin1Char(' ')).toLower().toLatin1();
    return words.constData();
  }
};

}  // namespace

// The completion list and the parameter hints, from the routine tables.
class TScriptApis : public QsciAbstractAPIs {
 public:
  explicit TScriptApis(QsciLexer* lexer) : QsciAbstractAPIs(lexer) {
    for (const TScriptName& name : ScriptNames()) {
      names_ << FromSystem(name.name);
      hints_ << FromSystem(name.Hint());
    }
  }
  void updateAutoCompletionList(const QStringList& context, QStringList& list) override {
    const QString start = context.isEmpty() ? QString() : context.last();
    for (const QString& name : names_) {
      if (name.startsWith(start, Qt::CaseInsensitive)) list << name;
    }
  }
  QStringList callTips(const QStringList& context, int, QsciScintilla::CallTipsStyle,
                       QList<int>& shifts) override {
    QStringList tips;
    // The context ends with the word before "(" and an empty word for the open call.
    for (auto word = context.rbegin(); word != context.rend(); ++word) {
      if (word->isEmpty()) continue;
      for (int i = 0; i < names_.size(); ++i) {
        if (names_[i].compare(*word, Qt::CaseInsensitive) == 0 && hints_[i].contains(QLatin1Char('('))) {
          tips << hints_[i];
          shifts << 0;
        }
      }
      break;
    }
    return tips;
  }
  const QStringList& Names() const { return names_; }
  const QStringList& Hints() const { return hints_; }

 private:
  QStringList names_, hints_;
};

const QStringList& ScriptKeywords() {
  static const QStringList words = {"and",       "begin",       "break",     "cdecl",   "class",
                                    "const",     "constructor", "continue",  "default", "destructor",
                                    "do",        "else",        "end",       "except",  "finalise",
                                    "finally",   "for",         "function",  "if",      "implementation",
                                    "inherited", "initialise",  "interface", "nil",     "not",
                                    "or",        "override",    "pascal",    "private", "procedure",
                                    "program",   "property",    "protected", "public",  "published",
                                    "raise",     "repeat",      "stdcall",   "stored",  "string",
                                    "then",      "to",          "try",       "type",    "unit",
                                    "until",     "uses",        "var",       "virtual", "while",
                                    "with"};
  return words;
}

TScriptPage::TScriptPage(TVarnholtCore& core, Ui::TfmVarnholt& form, std::filesystem::path applicationFolder,
                         QWidget* window, QObject* parent)
    : QObject(parent), core_(core), applicationFolder_(std::move(applicationFolder)), window_(window) {
  CreateButtons(form);
  CreateEditor(form);
  CreateActions();
  SetEditColours(false);
}

TScriptPage::~TScriptPage() = default;

void TScriptPage::CreateButtons(Ui::TfmVarnholt& form) {
  auto* row = new QHBoxLayout();
  row->setObjectName(QStringLiteral("layScriptButtons"));
  const auto add = [&](const char* name, const char* caption, const char* hint) {
    auto* button = new QPushButton(QString::fromLatin1(caption), form.pnActionContent);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(QString::fromLatin1(hint));
    row->addWidget(button);
    return button;
  };
  sbEdit_ = add("sbEdit", "&Edit", "Edit Action Script");
  sbEdit_->setCheckable(true);
  QPushButton* load = add("btScriptLoad", "&Load...", "Load Action Script");
  QPushButton* copyTo = add("btScriptCopyTo", "&CopyTo...", "Copy Action Script to a file");
  QPushButton* reset = add("btScriptDefault", "&Default...", "Reset Action Script to factory default");
  QPushButton* print = add("btScriptPrint", "&Print...", "Print Action Script");
  QPushButton* help = add("btHelp", "&Help...", "Action Script Help");
  btTestOnSavedReports_ = add(
      "btTestOnSavedReports", "&Test on saved reports",
      "Run the last saved reports through the script in the editor and the saved script, changing nothing, "
      "and show which reports would be filed differently");
  seSavedReports_ = new QSpinBox(form.pnActionContent);
  seSavedReports_->setObjectName(QStringLiteral("seSavedReports"));
  seSavedReports_->setRange(1, kSavedReportsMax);
  seSavedReports_->setValue(kSavedReportsDefault);
  seSavedReports_->setPrefix(QStringLiteral("last "));
  seSavedReports_->setToolTip(QStringLiteral("How many of the journal's latest reports to test on"));
  row->addWidget(seSavedReports_);
  pbReplay_ = new QProgressBar(form.pnActionContent);
  pbReplay_->setObjectName(QStringLiteral("pbReplay"));
  pbReplay_->setFormat(QStringLiteral("%v of %m reports"));
  pbReplay_->setVisible(false);
  row->addWidget(pbReplay_);
  row->addStretch(1);
  QPushButton* execute = add("btExecute", "E&xecute", "Execute Action");
  form.layActionContent->insertLayout(1, row);

  connect(sbEdit_, &QPushButton::clicked, this, [this](bool down) { sbEditClick(down); });
  connect(load, &QPushButton::clicked, this, [this] { btScriptLoadClick(); });
  connect(copyTo, &QPushButton::clicked, this, [this] { btScriptCopyToClick(); });
  connect(reset, &QPushButton::clicked, this, [this] { btScriptDefaultClick(); });
  connect(print, &QPushButton::clicked, this, [this] { btScriptPrintClick(); });
  connect(help, &QPushButton::clicked, this, [this] { btHelpClick(); });
  connect(btTestOnSavedReports_, &QPushButton::clicked, this, [this] { btTestOnSavedReportsClick(); });
  connect(execute, &QPushButton::clicked, this, [this] { core_.Execute(); });
}

void TScriptPage::CreateEditor(Ui::TfmVarnholt& form) {
  editor_ = new QsciScintilla(form.pnActionContent);
  editor_->setObjectName(QStringLiteral("Script1"));
  editor_->setUtf8(true);
  editor_->setEolMode(QsciScintilla::EolUnix);
  QFont font(QStringLiteral("Courier New"));
  font.setStyleHint(QFont::Monospace);
  // 13 pixels at the usual 96 dots an inch; the editor takes its styles' sizes in points.
  font.setPointSize(10);

  lexer_ = new TScriptLexer(editor_);
  lexer_->setDefaultFont(font);
  lexer_->setFont(font, -1);
  lexer_->setColor(Qt::black, -1);
  QFont bold = font;
  bold.setBold(true);
  QFont italic = font;
  italic.setItalic(true);
  lexer_->setColor(QColor(0, 128, 0), QsciLexerPascal::Keyword);
  lexer_->setFont(bold, QsciLexerPascal::Keyword);
  for (int style :
       {QsciLexerPascal::Comment, QsciLexerPascal::CommentParenthesis, QsciLexerPascal::CommentLine}) {
    lexer_->setColor(kNavy, style);
    lexer_->setFont(italic, style);
  }
  for (int style : {QsciLexerPascal::Number, QsciLexerPascal::HexNumber}) {
    lexer_->setColor(QColor(255, 0, 255), style);
    lexer_->setFont(bold, style);
  }
  for (int style :
       {QsciLexerPascal::SingleQuotedString, QsciLexerPascal::Character, QsciLexerPascal::UnclosedString}) {
    lexer_->setColor(Qt::blue, style);
  }
  lexer_->setColor(Qt::red, QsciLexerPascal::Operator);
  lexer_->setFoldComments(false);
  lexer_->setFoldCompact(false);
  apis_ = new TScriptApis(lexer_);
  editor_->setLexer(lexer_);
  editor_->setMarginsFont(font);
  editor_->setMarginWidth(0, QStringLiteral("00000"));  // four digits and a little room

  editor_->setMarginType(0, QsciScintilla::NumberMargin);
  editor_->setMarginLineNumbers(0, true);
  editor_->setMarginWidth(1, 0);
  editor_->setFolding(QsciScintilla::NoFoldStyle);
  editor_->setTabWidth(4);
  editor_->setIndentationsUseTabs(false);
  editor_->setAutoIndent(false);
  editor_->setWrapMode(QsciScintilla::WrapNone);
  editor_->setEdgeMode(QsciScintilla::EdgeLine);
  editor_->setEdgeColumn(80);
  editor_->setSelectionBackgroundColor(kNavy);
  editor_->setSelectionForegroundColor(Qt::white);
  editor_->markerDefine(QsciScintilla::Background, kErrorMarker);
  editor_->setMarkerBackgroundColor(Qt::red, kErrorMarker);
  editor_->setMarkerForegroundColor(Qt::black, kErrorMarker);
  editor_->setAutoCompletionSource(QsciScintilla::AcsAPIs);
  editor_->setAutoCompletionThreshold(2);
  editor_->setAutoCompletionCaseSensitivity(false);
  editor_->setCallTipsStyle(QsciScintilla::CallTipsNoContext);
  editor_->setCallTipsPosition(QsciScintilla::CallTipsBelowText);
  editor_->setCallTipsBackgroundColor(QApplication::palette().color(QPalette::ToolTipBase));
  editor_->setCallTipsForegroundColor(Qt::black);
  editor_->setReadOnly(true);
  editor_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(editor_, &QsciScintilla::customContextMenuRequested, this, [this](const QPoint& at) {
    PopupMenuScriptPopup();
    menu_->popup(editor_->mapToGlobal(at));
  });
  editor_->indicatorDefine(QsciScintilla::TextColorIndicator, kLinkTextIndicator);
  editor_->setIndicatorForegroundColor(Qt::blue, kLinkTextIndicator);
  editor_->indicatorDefine(QsciScintilla::PlainIndicator, kLinkLineIndicator);
  editor_->setIndicatorForegroundColor(Qt::blue, kLinkLineIndicator);
  connect(editor_, &QsciScintilla::textChanged, this, [this] {
    if (markedLine_ > 0 && !editor_->isReadOnly()) ClearMark();
    MarkWebAddresses();
  });

  // The editor takes the place of the page's spacer and all the height there is.
  for (int i = 0; i < form.layActionContent->count(); ++i) {
    if (form.layActionContent->itemAt(i)->spacerItem() != nullptr) {
      delete form.layActionContent->takeAt(i);
      break;
    }
  }
  form.layActionContent->addWidget(editor_, 1);
}

void TScriptPage::CreateActions() {
  menu_ = new QMenu(editor_);
  menu_->setObjectName(QStringLiteral("PopupMenuScript"));
  const auto add = [this](const char* name, const char* caption, QList<QKeySequence> keys, auto effect) {
    auto* action = new QAction(QString::fromLatin1(caption), editor_);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WidgetShortcut);
    connect(action, &QAction::triggered, this, effect);
    editor_->addAction(action);
    menu_->addAction(action);
    return action;
  };
  cut_ =
      add("ActionCut", "Cu&t", {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)},
          [this] { editor_->cut(); });
  copy_ = add("ActionCopy", "&Copy",
              {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)},
              [this] { editor_->copy(); });
  paste_ = add("ActionPaste", "&Paste",
               {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)},
               [this] { editor_->paste(); });
  // With no selection, the character after the cursor.
  delete_ = add("ActionDelete", "&Delete", {QKeySequence(Qt::Key_Delete)},
                [this] { editor_->SendScintilla(QsciScintilla::SCI_CLEAR); });
  menu_->addSeparator();
  undo_ = add("ActionUndo", "&Undo", {QKeySequence(Qt::CTRL | Qt::Key_Z)}, [this] { editor_->undo(); });
  redo_ = add("ActionRedo", "&Redo", {QKeySequence(Qt::CTRL | Qt::Key_Y)}, [this] { editor_->redo(); });
  menu_->addSeparator();
  selectAll_ = add("ActionSelectAll", "Select &All", {QKeySequence(Qt::CTRL | Qt::Key_A)},
                   [this] { editor_->selectAll(true); });
}

void TScriptPage::SetEditColours(bool editMode) {
  const QColor paper = editMode ? QColor(Qt::white) : QApplication::palette().color(QPalette::Button);
  lexer_->setPaper(paper, -1);
  lexer_->setDefaultPaper(paper);
  editor_->setPaper(paper);
  editor_->setMarginsBackgroundColor(editMode ? kEditGutter : paper);
}

QColor TScriptPage::Paper() const {
  return lexer_->paper(QsciLexerPascal::Default);
}

QColor TScriptPage::Gutter() const {
  return QColor::fromRgb(static_cast<QRgb>(editor_->SendScintilla(QsciScintilla::SCI_STYLEGETBACK,
                                                                  QsciScintilla::STYLE_LINENUMBER)) &
                         0xffffff)
      .toRgb();
}

std::vector<std::string> TScriptPage::EditorLines() const {
  std::vector<std::string> lines;
  for (QString line : editor_->text().split(QLatin1Char('\n'))) {
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    lines.push_back(ToSystem(line));
  }
  return lines;
}

void TScriptPage::SetEditorLines(const std::vector<std::string>& lines) {
  QStringList text;
  for (const std::string& line : lines) text << FromSystem(line);
  const bool readOnly = editor_->isReadOnly();
  editor_->setReadOnly(false);
  editor_->setText(text.join(QLatin1Char('\n')));
  editor_->setReadOnly(readOnly);
  ClearMark();
}

void TScriptPage::ShowActionScript() {
  SetEditorLines(core_.State().ActionScript());
}

void TScriptPage::MarkWebAddresses() {
  // The editor holds UTF-8; its positions count bytes.
  const std::string text = editor_->text().toUtf8().toStdString();
  for (const int indicator : {kLinkTextIndicator, kLinkLineIndicator}) {
    editor_->SendScintilla(QsciScintilla::SCI_SETINDICATORCURRENT, indicator);
    editor_->SendScintilla(QsciScintilla::SCI_INDICATORCLEARRANGE, 0UL, static_cast<long>(text.size()));
  }
  static const std::regex address(R"((?:https?://|ftp://|www\.)[^\s'"()<>]+)", std::regex::icase);
  for (auto it = std::sregex_iterator(text.begin(), text.end(), address); it != std::sregex_iterator();
       ++it) {
    for (const int indicator : {kLinkTextIndicator, kLinkLineIndicator}) {
      editor_->SendScintilla(QsciScintilla::SCI_SETINDICATORCURRENT, indicator);
      editor_->SendScintilla(QsciScintilla::SCI_INDICATORFILLRANGE,
                             static_cast<unsigned long>(it->position()), static_cast<long>(it->length()));
    }
  }
}

bool TScriptPage::IsWebAddressAt(int position) const {
  return editor_->SendScintilla(QsciScintilla::SCI_INDICATORVALUEAT, kLinkLineIndicator,
                                static_cast<long>(position)) != 0;
}

void TScriptPage::ClearMark() {
  editor_->markerDeleteAll(kErrorMarker);
  markedLine_ = 0;
}

void TScriptPage::MarkScriptError(int row, int column) {
  ClearMark();
  if (row < 1) return;
  editor_->markerAdd(row - 1, kErrorMarker);
  markedLine_ = row;
  editor_->setCursorPosition(row - 1, std::max(0, column - 1));
  editor_->setFirstVisibleLine(std::max(0, row - 1 - kLinesAboveError));
  editor_->update();
}

int TScriptPage::MarkedLine() const {
  return markedLine_;
}

void TScriptPage::sbEditClick(bool down) {
  const bool editMode = core_.ScriptEditing().EditClick(down, EditorLines());
  sbEdit_->setChecked(editMode);
  editor_->setReadOnly(!editMode);
  SetEditColours(editMode);
}

QString TScriptPage::ScriptsFolder() const {
  return QString::fromStdString(core_.ScriptEditing().ScriptsFolder().string());
}

QString TScriptPage::FileOfDialog(const char* name) const {
  const QObject* dialog = window_->findChild<QObject*>(QString::fromLatin1(name));
  return dialog != nullptr ? dialog->property("FileName").toString() : QString();
}

void TScriptPage::SetFileOfDialog(const char* name, const QString& file) {
  if (QObject* dialog = window_->findChild<QObject*>(QString::fromLatin1(name))) {
    dialog->setProperty("FileName", file);
  }
}

void TScriptPage::btScriptLoadClick() {
  if (!core_.ScriptEditing().BeginLoad()) return;
  const QString file = AskFileName(
      window_, {false, QStringLiteral("Load Varnholt PascalScript"), QString::fromLatin1(kScriptFilter),
                QStringLiteral("PSC"), ScriptsFolder(), FileOfDialog("OpenDialogScript")});
  if (file.isEmpty()) return;
  std::vector<std::string> lines;
  if (!core_.ScriptEditing().LoadScriptFile(file.toStdString(), lines)) return;
  SetEditorLines(lines);
  SetFileOfDialog("OpenDialogScript", file);
  SetFileOfDialog("SaveDialogScript", file);
}

void TScriptPage::btScriptCopyToClick() {
  core_.ScriptEditing().BeginCopyTo();
  const QString file = AskFileName(
      window_, {true, QStringLiteral("Save Varnholt PascalScript"), QString::fromLatin1(kScriptFilter),
                QStringLiteral("PSC"), ScriptsFolder(), FileOfDialog("SaveDialogScript")});
  if (file.isEmpty()) return;
  if (!core_.ScriptEditing().CopyScriptTo(file.toStdString(), EditorLines())) return;
  SetFileOfDialog("SaveDialogScript", file);
  SetFileOfDialog("OpenDialogScript", file);
}

void TScriptPage::btScriptDefaultClick() {
  if (core_.ScriptEditing().ResetToDefault()) SetEditorLines(core_.State().ActionScript());
}

void TScriptPage::btScriptPrintClick() {
  core_.ScriptEditing().BeginPrint();
  // The printout is printed on white paper, whatever mode the editor is in.
  SetEditColours(true);
  const QString html = ExportHtml();
  SetEditColours(!editor_->isReadOnly());
  const QString path = QString::fromStdString((applicationFolder_ / kPrintout).string());
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(html.toUtf8()) < 0 || !file.commit()) {
    core_.Port().ShowError("The printout could not be written: " + path.toStdString());
    return;
  }
  OpenFile(path);
}

void TScriptPage::btHelpClick() {
  // A missing help page or viewer is not reported: the desktop says what it can. The installed program
  // keeps its help page beside it, not in the application folder.
  OpenFile(
      QString::fromStdString(ProgramFile(applicationFolder_, platform::ProgramFolder(), kHelpFile).string()));
}

void TScriptPage::btTestOnSavedReportsClick() {
  TServiceSettings settings;
  try {
    settings = replaySettings_ ? replaySettings_() : LoadServiceSettings(applicationFolder_);
  } catch (const std::exception& e) {
    core_.Port().ShowError(std::string("Can not test on saved reports: ") + e.what());
    return;
  }
  // What the window's core uses: the controls' passwords and printer, saved or not.
  const TProcessingState& state = core_.State();
  settings.ownerPassword = state.OwnerPassword();
  settings.userPassword = state.UserPassword();
  settings.paperPrinter = state.PaperPrinter();

  // While the reports run the window repaints and shows how far they are; clicks wait.
  TSavedReportsTest test;
  {
    btTestOnSavedReports_->setEnabled(false);
    pbReplay_->setValue(0);
    pbReplay_->setVisible(true);
    core_.Port().BeginBusyCursor();
    const platform::TScopeExit idle([this] {
      core_.Port().EndBusyCursor();
      pbReplay_->setVisible(false);
      btTestOnSavedReports_->setEnabled(true);
    });
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    test = TestOnSavedReports(core_, EditorLines(), seSavedReports_->value(), settings,
                              [this](int done, int total) {
                                pbReplay_->setRange(0, total);
                                pbReplay_->setValue(done);
                                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
                              });
  }
  if (test.done) {
    ShowReplayResult(window_, std::move(test.results), std::move(test.notes));
  } else if (test.error) {
    core_.Port().ShowError(test.message);
  } else {
    core_.Port().ShowMessage(test.message);
  }
}

void TScriptPage::PopupMenuScriptPopup() {
  for (QAction* action : {cut_, copy_, paste_, delete_, undo_, redo_, selectAll_}) action->setEnabled(true);
  if (editor_->isReadOnly()) {
    for (QAction* action : {delete_, cut_, paste_, undo_, redo_}) action->setEnabled(false);
    return;
  }
  const bool selected = editor_->hasSelectedText();
  copy_->setEnabled(selected);
  cut_->setEnabled(selected);
  selectAll_->setEnabled(editor_->length() > 0);
  paste_->setEnabled(!QApplication::clipboard()->text().isEmpty());
  undo_->setEnabled(editor_->isUndoAvailable());
  redo_->setEnabled(editor_->isRedoAvailable());
}

QStringList TScriptPage::CompletionNames() const {
  return apis_->Names();
}

QStringList TScriptPage::ParameterHints() const {
  return apis_->Hints();
}

QString TScriptPage::ExportHtml() const {
  editor_->SendScintilla(QsciScintilla::SCI_COLOURISE, 0, -1);
  const QByteArray bytes = editor_->text().toUtf8();
  QString body;
  int start = 0;
  const auto styleAt = [this](int position) {
    return static_cast<int>(editor_->SendScintilla(QsciScintilla::SCI_GETSTYLEAT, position));
  };
  while (start < bytes.size()) {
    const int style = styleAt(start);
    int end = start + 1;
    while (end < bytes.size() && styleAt(end) == style && bytes[end] != '\n') ++end;
    const QString text = QString::fromUtf8(bytes.mid(start, end - start)).toHtmlEscaped();
    if (text == QLatin1String("\n")) {
      body += QLatin1Char('\n');
    } else {
      const QFont font = lexer_->font(style);
      body +=
          QStringLiteral("<span style=\"color:%1;%2%3\">%4</span>")
              .arg(lexer_->color(style).name(), font.bold() ? QStringLiteral("font-weight:bold;") : QString(),
                   font.italic() ? QStringLiteral("font-style:italic;") : QString(), text);
    }
    start = end;
  }
  return QStringLiteral(
             "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>Varnholt Action "
             "Script</title>\n"
             "</head>\n<body style=\"background:%1\">\n<pre style=\"font-family:'Courier New',monospace;"
             "font-size:13px\">%2</pre>\n</body>\n</html>\n")
      .arg(Paper().name(), body);
}

}  // namespace varnholt::shell
