#include "framework/Classes.h"

#include <algorithm>
#include <typeinfo>

// --- TPersistent ------------------------------------------------------------

void TPersistent::Assign(const TPersistent& source) {
  if (source.AssignTo(*this) || AssignFrom(source)) return;
  throw EConvertError(String("Cannot assign a ") + typeid(source).name() + " to a " +
                      typeid(*this).name());
}

bool TPersistent::AssignTo(TPersistent&) const { return false; }
bool TPersistent::AssignFrom(const TPersistent&) { return false; }

// --- TComponent -------------------------------------------------------------

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  state_ |= csDestroying;
  // Whoever holds a reference to us drops it now.
  while (!freeNotifies_.empty()) {
    TComponent* other = freeNotifies_.back();
    freeNotifies_.pop_back();
    auto& theirs = other->freeNotifies_;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
    other->Notification(this, opRemove);
  }
  // Owned components go last-created first; each removes itself.
  while (!components_.empty()) delete components_.back();
  if (owner_) owner_->RemoveComponent(this);
}

TComponent* TComponent::FindComponent(const String& name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_) {
    if (CompareText(c->Name(), name) == 0) return c;
  }
  return nullptr;
}

void TComponent::SetDesigning(bool designing) {
  if (designing) state_ |= csDesigning;
  else state_ &= ~csDesigning;
  for (TComponent* c : components_) c->SetDesigning(designing);
}

void TComponent::BeginLoad() {
  state_ |= csLoading | csReading;
  for (TComponent* c : components_) c->BeginLoad();
}

void TComponent::EndLoad() {
  for (TComponent* c : components_) c->EndLoad();
  state_ &= ~csReading;
  if (Loading()) Loaded();
}

void TComponent::Loaded() { state_ &= ~csLoading; }

void TComponent::InsertComponent(TComponent* component) {
  if (component->owner_) component->owner_->RemoveComponent(component);
  components_.push_back(component);
  component->owner_ = this;
  // A component made while its owner loads is part of that load.
  if (Loading()) component->BeginLoad();
  Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  auto it = std::find(components_.begin(), components_.end(), component);
  if (it == components_.end()) return;
  Notification(component, opRemove);
  components_.erase(it);
  component->owner_ = nullptr;
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this) return;
  if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end()) {
    freeNotifies_.push_back(component);
    component->freeNotifies_.push_back(this);
  }
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), component),
                      freeNotifies_.end());
  auto& theirs = component->freeNotifies_;
  theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

void TComponent::Notification(TComponent*, TOperation) {}

// --- TStrings ---------------------------------------------------------------

int TStrings::Add(const String& text) {
  int index = Count();
  Insert(index, text);
  return index;
}

int TStrings::AddObject(const String& text, TObject* object) {
  int index = Add(text);
  SetObjects(index, object);
  return index;
}

void TStrings::AddStrings(const TStrings& strings) {
  BeginUpdate();
  for (int i = 0; i < strings.Count(); ++i) AddObject(strings.Get(i), strings.Objects(i));
  EndUpdate();
}

int TStrings::IndexOf(const String& text) const {
  for (int i = 0; i < Count(); ++i) {
    if (CompareText(Get(i), text) == 0) return i;
  }
  return -1;
}

int TStrings::IndexOfName(const String& name) const {
  for (int i = 0; i < Count(); ++i) {
    if (CompareText(Names(i), name) == 0 && Get(i).find('=') != String::npos) return i;
  }
  return -1;
}

String TStrings::Names(int index) const {
  String line = Get(index);
  size_t eq = line.find('=');
  return eq == String::npos ? String() : line.substr(0, eq);
}

String TStrings::Values(const String& name) const {
  int index = IndexOfName(name);
  return index < 0 ? String() : Get(index).substr(name.size() + 1);
}

void TStrings::SetValue(const String& name, const String& value) {
  int index = IndexOfName(name);
  if (index < 0) Add(name + "=" + value);
  else Put(index, name + "=" + value);
}

String TStrings::Text() const {
  String text;
  for (int i = 0; i < Count(); ++i) text += Get(i) + "\r\n";
  return text;
}

void TStrings::SetText(const String& text) {
  BeginUpdate();
  Clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == String::npos) end = text.size();
    Add(text.substr(start, end - start));
    start = end;
    if (start < text.size() && text[start] == '\r') ++start;
    if (start < text.size() && text[start] == '\n') ++start;
  }
  EndUpdate();
}

void TStrings::BeginUpdate() {
  if (updateCount_++ == 0) SetUpdateState(true);
}

void TStrings::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0) SetUpdateState(false);
}

void TStrings::Assign(const TPersistent& source) {
  if (auto strings = dynamic_cast<const TStrings*>(&source)) {
    BeginUpdate();
    Clear();
    AddStrings(*strings);
    EndUpdate();
    return;
  }
  TPersistent::Assign(source);
}

// --- TStringList ------------------------------------------------------------

void TStringList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) {
    throw EStringListError("List index out of bounds (" + IntToStr(index) + ")");
  }
}

void TStringList::Changing() {
  if (!Updating() && OnChanging) OnChanging(this);
}

void TStringList::Changed() {
  if (!Updating() && OnChange) OnChange(this);
}

void TStringList::SetUpdateState(bool updating) {
  if (updating) Changing();
  else Changed();
}

int TStringList::Compare(const String& a, const String& b) const {
  return caseSensitive_ ? a.compare(b) : CompareText(a, b);
}

String TStringList::Get(int index) const {
  CheckIndex(index);
  return items_[index].text;
}

void TStringList::Put(int index, const String& text) {
  if (sorted_) throw EStringListError("Operation not allowed on sorted string list");
  CheckIndex(index);
  Changing();
  items_[index].text = text;
  Changed();
}

TObject* TStringList::Objects(int index) const {
  CheckIndex(index);
  return items_[index].object;
}

void TStringList::SetObjects(int index, TObject* object) {
  CheckIndex(index);
  Changing();
  items_[index].object = object;
  Changed();
}

int TStringList::Add(const String& text) {
  if (!sorted_) return TStrings::Add(text);
  int index;
  if (Find(text, index)) {
    if (duplicates_ == dupIgnore) return index;
    if (duplicates_ == dupError) throw EStringListError("String list does not allow duplicates");
  }
  Changing();
  items_.insert(items_.begin() + index, Item{text, nullptr});
  Changed();
  return index;
}

void TStringList::Insert(int index, const String& text) {
  if (sorted_) throw EStringListError("Operation not allowed on sorted string list");
  if (index < 0 || index > Count()) {
    throw EStringListError("List index out of bounds (" + IntToStr(index) + ")");
  }
  Changing();
  items_.insert(items_.begin() + index, Item{text, nullptr});
  Changed();
}

void TStringList::Delete(int index) {
  CheckIndex(index);
  Changing();
  items_.erase(items_.begin() + index);
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  items_.clear();
  Changed();
}

int TStringList::IndexOf(const String& text) const {
  if (!sorted_) {
    for (int i = 0; i < Count(); ++i) {
      if (Compare(items_[i].text, text) == 0) return i;
    }
    return -1;
  }
  int index;
  return Find(text, index) ? index : -1;
}

void TStringList::Exchange(int a, int b) {
  CheckIndex(a);
  CheckIndex(b);
  Changing();
  std::swap(items_[a], items_[b]);
  Changed();
}

bool TStringList::Find(const String& text, int& index) const {
  int low = 0, high = Count() - 1;
  bool found = false;
  while (low <= high) {
    int mid = (low + high) / 2;
    int c = Compare(items_[mid].text, text);
    if (c < 0) {
      low = mid + 1;
    } else {
      high = mid - 1;
      if (c == 0) {
        found = true;
        if (duplicates_ != dupAccept) low = mid;
      }
    }
  }
  index = low;
  return found;
}

void TStringList::Sort() {
  Changing();
  std::stable_sort(items_.begin(), items_.end(),
                   [this](const Item& a, const Item& b) { return Compare(a.text, b.text) < 0; });
  Changed();
}

void TStringList::SetSorted(bool sorted) {
  if (sorted == sorted_) return;
  if (sorted) Sort();
  sorted_ = sorted;
}

void TStringList::SetCaseSensitive(bool caseSensitive) {
  if (caseSensitive == caseSensitive_) return;
  caseSensitive_ = caseSensitive;
  if (sorted_) Sort();
}

// --- The design-time palette ------------------------------------------------

namespace {
std::vector<TPaletteEntry>& Palette() {
  static std::vector<TPaletteEntry> palette;
  return palette;
}
}  // namespace

void RegisterComponent(const String& page, const String& className, TComponentFactory create) {
  for (TPaletteEntry& entry : Palette()) {
    if (entry.ClassName == className) {
      entry = TPaletteEntry{page, className, std::move(create)};
      return;
    }
  }
  Palette().push_back(TPaletteEntry{page, className, std::move(create)});
}

const std::vector<TPaletteEntry>& RegisteredComponents() { return Palette(); }

const TPaletteEntry* FindRegisteredComponent(const String& className) {
  for (const TPaletteEntry& entry : Palette()) {
    if (entry.ClassName == className) return &entry;
  }
  return nullptr;
}
