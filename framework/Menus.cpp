#include "framework/Menus.h"

#include "framework/Forms.h"

#include <windows.h>

#include <algorithm>

namespace {

// The platform menu of parent's visible items. Items that can be chosen
// get the command of their place in commands (from 1 on: 0 is "nothing").
HMENU BuildMenu(const TMenuItem& parent, std::vector<TMenuItem*>& commands) {
  HMENU menu = CreatePopupMenu();
  for (int i = 0; i < parent.Count(); ++i) {
    TMenuItem* item = parent.Items(i);
    if (!item->Visible()) continue;
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    if (item->IsLine()) {
      info.fType = MFT_SEPARATOR;
    } else {
      info.fMask |= MIIM_STATE | MIIM_STRING;
      info.fType = item->RadioItem() ? MFT_RADIOCHECK : MFT_STRING;
      info.fState = (item->Enabled() ? MFS_ENABLED : MFS_GRAYED) |
                    (item->Checked() ? MFS_CHECKED : MFS_UNCHECKED);
      info.dwTypeData = const_cast<char*>(item->Caption().c_str());
      if (item->Count() > 0) {
        info.fMask |= MIIM_SUBMENU;
        info.hSubMenu = BuildMenu(*item, commands);
      } else {
        commands.push_back(item);
        info.fMask |= MIIM_ID;
        info.wID = static_cast<UINT>(commands.size());
      }
    }
    InsertMenuItemA(menu, GetMenuItemCount(menu), TRUE, &info);
  }
  return menu;
}

// Whether item is root or anywhere below it; compares pointers only, so
// an item deleted meanwhile is never touched.
bool Holds(const TMenuItem* root, const TMenuItem* item) {
  if (root == item) return true;
  for (int i = 0; i < root->Count(); ++i) {
    if (Holds(root->Items(i), item)) return true;
  }
  return false;
}

}  // namespace

// --- TMenuItem --------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
  if (parent_) parent_->Remove(this);
  // Each leaves us as it goes.
  while (!items_.empty()) delete items_.back();
}

void TMenuItem::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  if (checked) TurnSiblingsOff();
}

void TMenuItem::SetRadioItem(bool radioItem) {
  if (radioItem == radioItem_) return;
  radioItem_ = radioItem;
  if (checked_) TurnSiblingsOff();
}

void TMenuItem::SetGroupIndex(int groupIndex) {
  if (groupIndex == groupIndex_) return;
  groupIndex_ = groupIndex;
  // A checked item joining a group is the one that keeps its mark.
  if (checked_) TurnSiblingsOff();
}

void TMenuItem::TurnSiblingsOff() {
  if (!parent_ || !radioItem_ || !checked_) return;
  for (TMenuItem* sibling : parent_->items_) {
    if (sibling != this && sibling->radioItem_ && sibling->groupIndex_ == groupIndex_) {
      sibling->checked_ = false;
    }
  }
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (item->parent_) throw EMenuError("Menu item inserted twice");
  for (const TMenuItem* p = this; p; p = p->parent_) {
    if (p == item) throw EMenuError("Menu item inserted into itself");
  }
  if (index < 0 || index > Count()) throw EMenuError("Menu index out of range");
  items_.insert(items_.begin() + index, item);
  item->parent_ = this;
  item->TurnSiblingsOff();
}

void TMenuItem::Delete(int index) {
  if (index < 0 || index >= Count()) throw EMenuError("Menu index out of range");
  items_[index]->parent_ = nullptr;
  items_.erase(items_.begin() + index);
}

void TMenuItem::Remove(TMenuItem* item) {
  int index = IndexOf(item);
  if (index >= 0) Delete(index);
}

void TMenuItem::Clear() {
  while (!items_.empty()) delete items_.back();
}

void TMenuItem::Click() {
  if (enabled_ && OnClick) OnClick(this);
}

// --- TPopupMenu -------------------------------------------------------------

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), items_(new TMenuItem(this)) {}

void TPopupMenu::SetPopupComponent(TComponent* component) {
  if (component == popupComponent_) return;
  if (popupComponent_) RemoveFreeNotification(popupComponent_);
  popupComponent_ = component;
  if (component) FreeNotification(component);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == popupComponent_) popupComponent_ = nullptr;
}

void TPopupMenu::Popup(int x, int y) {
  if (OnPopup) OnPopup(this);
  TUserSeam* seam = Application().UserSeam();
  TMenuItem* chosen = seam ? seam->ChooseMenuItem(*this, x, y) : Track(x, y);
  if (chosen && Choosable(chosen)) chosen->Click();
}

TMenuItem* TPopupMenu::Track(int x, int y) {
  std::vector<TMenuItem*> commands;
  HMENU menu = BuildMenu(*items_, commands);
  // The menu's loop talks to its owner window; a hidden one of its own
  // keeps that traffic away from the program's windows.
  HWND owner = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
  const UINT command = static_cast<UINT>(
      TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD |
                               TPM_NONOTIFY,
                     x, y, 0, owner, nullptr));
  DestroyWindow(owner);
  DestroyMenu(menu);
  if (command == 0 || command > commands.size()) return nullptr;
  // Timers run while the menu is open: the item may be gone by now.
  TMenuItem* item = commands[command - 1];
  return Holds(items_, item) ? item : nullptr;
}

bool TPopupMenu::Choosable(const TMenuItem* item) const {
  if (!Holds(items_, item) || item == items_ || item->IsLine() || item->Count() > 0) return false;
  for (const TMenuItem* p = item; p != items_; p = p->Parent()) {
    if (!p->Visible() || !p->Enabled()) return false;
  }
  return true;
}
