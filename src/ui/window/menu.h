// The main window's menu as one table that every view builds from: the items
// in their order, the text with its mnemonic ("&" before the letter) and the
// key shown after a tab, the accelerator that runs the item's command, the
// rule that enables it, and whether it starts work that uses the register
// link or the job threads. The command number is the handler id a view
// dispatches on (it is also the menu identifier a Windows view uses).
//
// The keys shown in the texts and the accelerators differ on purpose:
// "Otevři" shows Ctrl+O, but Ctrl+O runs "Otevři a komunikuj"; "Tiskni"
// shows Ctrl+P, which runs nothing; the editor's own keys (Ctrl+Z, Ctrl+X,
// Ctrl+C, Ctrl+V, Del) are left to the editor control.
#pragma once

#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvik::ui::window {

// Menu commands, by their numbers.
namespace command {
inline constexpr int kHelp = 40004;
inline constexpr int kRun = 40005;
inline constexpr int kChooseAndRun = 40006;
inline constexpr int kFindRegister = 40015;
inline constexpr int kSetCmd = 40017;
inline constexpr int kExit = 40026;
inline constexpr int kAbout = 40028;
inline constexpr int kSetIp = 40048;
inline constexpr int kSave = 40051;
inline constexpr int kNew = 40053;
inline constexpr int kOpen = 40054;
inline constexpr int kSaveAs = 40055;
inline constexpr int kPrint = 40056;
inline constexpr int kUndo = 40057;
inline constexpr int kCut = 40058;
inline constexpr int kCopy = 40059;
inline constexpr int kPaste = 40060;
inline constexpr int kClear = 40061;
inline constexpr int kSelectAll = 40062;
inline constexpr int kFind = 40063;
inline constexpr int kFindNext = 40064;
inline constexpr int kReplace = 40065;
inline constexpr int kFont = 40066;
inline constexpr int kDateTime = 40068;
inline constexpr int kLogo = 50180;
inline constexpr int kVerifyJournal = 50184;
}  // namespace command

// A key with its modifiers, independent of any toolkit: `key` is an upper-case
// ASCII letter or one of the function keys below; 0 means no key.
struct Accelerator {
  int key = 0;
  bool ctrl = false;
  bool alt = false;
  friend constexpr bool operator==(const Accelerator&, const Accelerator&) = default;
};
inline constexpr int kKeyF1 = 0x100;  // F1..F12 follow in order
inline constexpr int kKeyF3 = kKeyF1 + 2;

// When an item can be chosen. The editing rules are evaluated when the
// Editace menu opens; the busy rules whenever work starts or ends.
enum class Enabling {
  kAlways,
  kNever,         // present but grayed (the logo upload)
  kWhenIdle,      // no job and no operation runs
  kWhenUndoable,  // the editor can undo
  kWhenClipboardText,
  kWhenSelection,  // the editor has a selection
};

struct MenuItem {
  std::string_view text;  // UTF-8; empty with command 0: a separator
  int command = 0;        // 0 for separators and submenus
  Enabling enabling = Enabling::kAlways;
  bool startsWork = false;  // refused while a job or an operation runs
  Accelerator accelerator{};
  std::span<const MenuItem> submenu{};  // a top-level menu's items
};

// The menu bar, in order: submenus, a separator and a command item.
std::span<const MenuItem> MenuBar();

// The accelerator table: each key with the command it runs.
std::vector<std::pair<Accelerator, int>> Accelerators();

// The item of a command (the first one for a command shown twice), or null.
const MenuItem* FindItem(int command);

// The letter after the "&" of a text (UTF-8), or empty.
std::string_view Mnemonic(std::string_view text);

// What the enabling rules look at.
struct MenuState {
  bool busy = false;
  bool canUndo = false;
  bool clipboardHasText = false;
  bool hasSelection = false;
};
bool Enabled(const MenuItem& item, const MenuState& state);
// Whether the rule follows the editor (evaluated when Editace opens) rather
// than the busy state.
bool FollowsEditor(Enabling enabling);

// Whether a command may run now: work is refused while other work runs
// (nothing below the window refuses a second job).
bool MayRun(int command, bool busy);

}  // namespace tarvik::ui::window
