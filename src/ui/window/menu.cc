#include "ui/window/menu.h"

#include <array>

namespace tarvik::ui::window {
namespace {

using namespace command;

constexpr MenuItem kSeparator{};
constexpr Accelerator Ctrl(char letter) {
  return {letter, true, false};
}

constexpr auto kFileMenu = std::to_array<MenuItem>({
    {"Nový \tCtrl+N", kNew, Enabling::kAlways, false, Ctrl('N')},
    {"Otevři\tCtrl+O", kOpen},
    {"Ulož\tCtrl+S", kSave, Enabling::kAlways, false, Ctrl('S')},
    {"Ulož jako...\tCtrl+Alt+S", kSaveAs, Enabling::kAlways, false, {'S', true, true}},
    kSeparator,
    {"Tiskni\tCtrl+P", kPrint},
    kSeparator,
    {"&Konec", kExit},
});

constexpr auto kEditMenu = std::to_array<MenuItem>({
    {"Zpět\tCtrl+Z", kUndo, Enabling::kWhenUndoable},
    {"Vyjmi\tCtrl+X", kCut, Enabling::kWhenSelection},
    {"Kopíruj\tCtrl+C", kCopy, Enabling::kWhenSelection},
    {"Vlož\tCtrl+V", kPaste, Enabling::kWhenClipboardText},
    {"Smaž\tDel", kClear, Enabling::kWhenSelection},
    {"Vyber vše", kSelectAll},
    kSeparator,
    {"Najdi\tCtrl+F", kFind, Enabling::kAlways, false, Ctrl('F')},
    {"Najdi další\tF3", kFindNext, Enabling::kAlways, false, {kKeyF3, false, false}},
    {"Nahraď\tCtrl+R", kReplace, Enabling::kAlways, false, Ctrl('R')},
    kSeparator,
    {"Písmo", kFont},
});

constexpr auto kActionMenu = std::to_array<MenuItem>({
    {"&Komunikuj!", kRun, Enabling::kWhenIdle, true, Ctrl('K')},
    {"&Otevři a komunikuj", kChooseAndRun, Enabling::kWhenIdle, true, Ctrl('O')},
    {"&Nastav CMD", kSetCmd, Enabling::kWhenIdle, true},
    {"Nastav &IP adresy", kSetIp, Enabling::kWhenIdle, true},
    {"&Datum a čas", kDateTime, Enabling::kWhenIdle, true},
    {"&Verifikuj žurnál", kVerifyJournal, Enabling::kWhenIdle, true},
    {"Grafické logo", kLogo, Enabling::kNever, true},
    {"Najdi kasu     Alt/&F", kFindRegister, Enabling::kWhenIdle, true},
    kSeparator,
});

constexpr auto kHelpMenu = std::to_array<MenuItem>({
    {"&Nápověda", kHelp},
    {"&O programu", kAbout},
});

constexpr auto kBar = std::to_array<MenuItem>({
    {"&Soubor", 0, Enabling::kAlways, false, {}, kFileMenu},
    {"Editace", 0, Enabling::kAlways, false, {}, kEditMenu},
    kSeparator,
    {"&Proveď", kChooseAndRun, Enabling::kWhenIdle, true},
    {"&Akce", 0, Enabling::kAlways, false, {}, kActionMenu},
    {"&Nápověda", 0, Enabling::kAlways, false, {}, kHelpMenu},
});

template <typename Visit>
void ForEachItem(std::span<const MenuItem> items, const Visit& visit) {
  for (const MenuItem& item : items) {
    visit(item);
    ForEachItem(item.submenu, visit);
  }
}

}  // namespace

std::span<const MenuItem> MenuBar() {
  return kBar;
}

std::vector<std::pair<Accelerator, int>> Accelerators() {
  std::vector<std::pair<Accelerator, int>> table;
  ForEachItem(kBar, [&](const MenuItem& item) {
    if (item.accelerator.key != 0) table.emplace_back(item.accelerator, item.command);
  });
  return table;
}

const MenuItem* FindItem(int command) {
  const MenuItem* found = nullptr;
  ForEachItem(kBar, [&](const MenuItem& item) {
    if (found == nullptr && command != 0 && item.command == command) found = &item;
  });
  return found;
}

std::string_view Mnemonic(std::string_view text) {
  const std::size_t amp = text.find('&');
  if (amp == std::string_view::npos || amp + 1 >= text.size()) return {};
  // One UTF-8 character: its lead byte tells the length.
  const auto lead = static_cast<unsigned char>(text[amp + 1]);
  const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  return text.substr(amp + 1, length);
}

bool Enabled(const MenuItem& item, const MenuState& state) {
  switch (item.enabling) {
    case Enabling::kAlways:
      return true;
    case Enabling::kNever:
      return false;
    case Enabling::kWhenIdle:
      return !state.busy;
    case Enabling::kWhenUndoable:
      return state.canUndo;
    case Enabling::kWhenClipboardText:
      return state.clipboardHasText;
    case Enabling::kWhenSelection:
      return state.hasSelection;
  }
  return true;
}

bool FollowsEditor(Enabling enabling) {
  return enabling == Enabling::kWhenUndoable || enabling == Enabling::kWhenClipboardText ||
         enabling == Enabling::kWhenSelection;
}

bool MayRun(int command, bool busy) {
  const MenuItem* item = FindItem(command);
  return item == nullptr || !item->startsWork || !busy;
}

}  // namespace tarvik::ui::window
