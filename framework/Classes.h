// The framework's object model: TObject, TPersistent, TComponent with
// ownership and component state, and the string lists. Window-free.
#pragma once

#include "framework/Sysutils.h"

#include <functional>
#include <vector>

class TObject {
public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* sender)>;

// An object that can take over another's value through Assign.
class TPersistent : public TObject {
public:
  // Copies source into this object: source's AssignTo is asked first,
  // then this class's; raises EConvertError if neither knows the other.
  virtual void Assign(const TPersistent& source);

protected:
  // Returns false if this class cannot copy itself into dest.
  virtual bool AssignTo(TPersistent& dest) const;
  // Returns false if this class cannot take source's value.
  virtual bool AssignFrom(const TPersistent& source);
};

enum TComponentStateFlag : unsigned {
  csLoading = 0x01,    // being built from a stored layout; Loaded() follows
  csReading = 0x02,
  csDestroying = 0x08,
  csDesigning = 0x10,  // used by a designer: no disk or platform work
};
using TComponentState = unsigned;

enum TOperation { opInsert, opRemove };

// A component is owned by its Owner, which deletes it (last created first).
// Components that refer to each other without owning register with
// FreeNotification and clear the reference in Notification(opRemove).
class TComponent : public TPersistent {
public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const { return components_.at(index); }
  TComponent* FindComponent(const String& name) const;
  const String& Name() const { return name_; }
  void SetName(const String& name) { name_ = name; }
  int Tag() const { return tag_; }
  void SetTag(int tag) { tag_ = tag; }

  TComponentState ComponentState() const { return state_; }
  bool Loading() const { return (state_ & csLoading) != 0; }
  bool Designing() const { return (state_ & csDesigning) != 0; }
  bool Destroying() const { return (state_ & csDestroying) != 0; }
  // Marks this component and everything it owns as designed (or not).
  void SetDesigning(bool designing);
  // Puts this component and everything it owns in the loading state; the
  // matching EndLoad calls Loaded() on each, owned ones first.
  void BeginLoad();
  void EndLoad();

  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);
  // Asks for Notification(this, opRemove)... when component goes away.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

protected:
  // After a stored layout was applied: clears the loading state.
  virtual void Loaded();
  virtual void Notification(TComponent* component, TOperation operation);

private:
  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> freeNotifies_;
  String name_;
  int tag_ = 0;
  TComponentState state_ = 0;
};

// The design-time palette: the component classes a designer offers, by
// page, each with the means to make one.
using TComponentFactory = std::function<TComponent*(TComponent* owner)>;
struct TPaletteEntry {
  String Page;
  String ClassName;
  TComponentFactory Create;
};
// Adds the class to page; a class registered again replaces its entry.
void RegisterComponent(const String& page, const String& className, TComponentFactory create);
template <class T>
void RegisterComponent(const String& page, const String& className) {
  RegisterComponent(page, className, [](TComponent* owner) -> TComponent* { return new T(owner); });
}
const std::vector<TPaletteEntry>& RegisteredComponents();
// The entry of className, or null.
const TPaletteEntry* FindRegisteredComponent(const String& className);

enum TDuplicates { dupIgnore, dupAccept, dupError };

// An ordered list of strings, each with an optional object pointer (not
// owned). Index errors raise EStringListError.
class EStringListError : public Exception {
public:
  using Exception::Exception;
};

class TStrings : public TPersistent {
public:
  virtual int Count() const = 0;
  virtual String Get(int index) const = 0;
  virtual void Put(int index, const String& text) = 0;
  virtual TObject* Objects(int index) const = 0;
  virtual void SetObjects(int index, TObject* object) = 0;
  virtual void Insert(int index, const String& text) = 0;
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;
  virtual int Add(const String& text);
  int AddObject(const String& text, TObject* object);
  void AddStrings(const TStrings& strings);
  virtual int IndexOf(const String& text) const;  // letter case ignored
  int IndexOfName(const String& name) const;
  // "name=value" lines.
  String Names(int index) const;
  String Values(const String& name) const;
  void SetValue(const String& name, const String& value);
  // The lines joined with CR LF after each; SetText splits at CR, LF or CR LF.
  String Text() const;
  void SetText(const String& text);
  void BeginUpdate();
  void EndUpdate();
  bool Updating() const { return updateCount_ > 0; }
  void Assign(const TPersistent& source) override;

protected:
  virtual void SetUpdateState(bool /*updating*/) {}

private:
  int updateCount_ = 0;
};

class TStringList : public TStrings {
public:
  int Count() const override { return static_cast<int>(items_.size()); }
  String Get(int index) const override;
  void Put(int index, const String& text) override;
  TObject* Objects(int index) const override;
  void SetObjects(int index, TObject* object) override;
  int Add(const String& text) override;
  void Insert(int index, const String& text) override;
  void Delete(int index) override;
  void Clear() override;
  int IndexOf(const String& text) const override;
  void Exchange(int a, int b);
  // Binary search in a sorted list; index of the match or of the place
  // where it would go.
  bool Find(const String& text, int& index) const;
  void Sort();
  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates duplicates) { duplicates_ = duplicates; }
  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool caseSensitive);

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

protected:
  void SetUpdateState(bool updating) override;

private:
  struct Item {
    String text;
    TObject* object = nullptr;
  };
  int Compare(const String& a, const String& b) const;
  void CheckIndex(int index) const;
  void Changing();
  void Changed();

  std::vector<Item> items_;
  bool sorted_ = false;
  bool caseSensitive_ = false;
  TDuplicates duplicates_ = dupIgnore;
};
