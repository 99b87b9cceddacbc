// Menu items and the popup menu.
//
// The items are a tree of plain objects. The platform menu is built from
// them each time the menu opens and destroyed when it closes, so a change
// to an item needs no upkeep and shows at the next opening.
#pragma once

#include "framework/Classes.h"

#include <vector>

// An item put into a second menu, into itself or below itself, or an index
// out of range.
class EMenuError : public Exception {
public:
  using Exception::Exception;
};

// One entry of a menu. The caption "-" makes a separator line; an item
// holding items opens them as its submenu. A parent item deletes its items
// when it goes; an item deleted on its own leaves its parent first. Items
// usually also have the form as their owner: whichever goes first takes
// the item with it, the other forgets it.
class TMenuItem : public TComponent {
public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;

  const String& Caption() const { return caption_; }
  void SetCaption(const String& caption) { caption_ = caption; }
  bool IsLine() const { return caption_ == "-"; }
  // A disabled item shows grey and cannot be chosen, nor can anything in
  // its submenu.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled) { enabled_ = enabled; }
  // A hidden item is left out of the menu, with its submenu.
  bool Visible() const { return visible_; }
  void SetVisible(bool visible) { visible_ = visible; }
  // Radio items of one GroupIndex among the same parent's items form a
  // group: checking one clears the others, so at most one shows its mark
  // (a bullet instead of a tick).
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);
  bool RadioItem() const { return radioItem_; }
  void SetRadioItem(bool radioItem);
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int groupIndex);

  TMenuItem* Parent() const { return parent_; }
  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int index) const { return items_.at(index); }
  // -1 when item is not one of ours.
  int IndexOf(const TMenuItem* item) const;
  // Takes item in at the end or at index; it must not be in a menu yet.
  void Add(TMenuItem* item) { Insert(Count(), item); }
  void Insert(int index, TMenuItem* item);
  // Takes an item out without deleting it: it is the caller's again.
  void Delete(int index);
  void Remove(TMenuItem* item);
  // Deletes every item.
  void Clear();

  // What choosing the item does: fires OnClick, unless disabled.
  virtual void Click();

  TNotifyEvent OnClick;

private:
  void TurnSiblingsOff();

  String caption_;
  bool enabled_ = true;
  bool visible_ = true;
  bool checked_ = false;
  bool radioItem_ = false;
  int groupIndex_ = 0;
  TMenuItem* parent_ = nullptr;
  std::vector<TMenuItem*> items_;
};

// A menu shown at a point of the screen, by a right click on a control
// whose PopupMenu it is, or by Popup.
class TPopupMenu : public TComponent {
public:
  explicit TPopupMenu(TComponent* owner);

  // The root item, owned by the menu: its items are the menu's entries.
  TMenuItem* Items() const { return items_; }
  // The control the menu was last opened on, so that one menu can serve
  // several controls.
  TComponent* PopupComponent() const { return popupComponent_; }
  void SetPopupComponent(TComponent* component);

  // Fires OnPopup, shows the menu with its top left corner at the screen
  // point and returns once it has closed, after clicking the item chosen.
  // With a test seam installed (TApplication::SetUserSeam) the seam
  // chooses instead and no menu opens; as with the real menu, a disabled,
  // hidden, separator or submenu item it names is not clicked.
  void Popup(int x, int y);

  TNotifyEvent OnPopup;

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  // The platform menu and its loop; the item chosen, or null.
  TMenuItem* Track(int x, int y);
  // Whether the user could choose item in this menu.
  bool Choosable(const TMenuItem* item) const;

  TMenuItem* items_;
  TComponent* popupComponent_ = nullptr;
};
