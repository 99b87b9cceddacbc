#include "framework/Classes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records its own destruction and the notifications it receives.
class Probe : public TComponent {
public:
  Probe(TComponent* owner, const String& name, std::vector<String>& log)
      : TComponent(owner), log_(log) {
    SetName(name);
  }
  ~Probe() override { log_.push_back("~" + Name()); }
  TComponent* peer = nullptr;
  int loadedCalls = 0;

protected:
  void Loaded() override {
    TComponent::Loaded();
    ++loadedCalls;
    log_.push_back("loaded " + Name());
  }
  void Notification(TComponent* c, TOperation op) override {
    if (op == opRemove && c == peer) peer = nullptr;
  }

private:
  std::vector<String>& log_;
};

}  // namespace

TEST(TComponent, OwnerDeletesOwnedInReverseOrderOfCreation) {
  std::vector<String> log;
  auto* owner = new Probe(nullptr, "owner", log);
  auto* a = new Probe(owner, "a", log);
  new Probe(owner, "b", log);
  new Probe(a, "a1", log);
  EXPECT_EQ(owner->ComponentCount(), 2);
  EXPECT_EQ(owner->FindComponent("B")->Name(), "b");
  delete owner;
  EXPECT_EQ(log, (std::vector<String>{"~owner", "~b", "~a", "~a1"}));
}

TEST(TComponent, DeletingAnOwnedComponentDetachesIt) {
  std::vector<String> log;
  Probe owner(nullptr, "owner", log);
  auto* a = new Probe(&owner, "a", log);
  delete a;
  EXPECT_EQ(owner.ComponentCount(), 0);
}

TEST(TComponent, FreeNotificationClearsCrossReferences) {
  std::vector<String> log;
  Probe owner(nullptr, "owner", log);
  auto* list = new Probe(&owner, "list", log);
  auto* tree = new Probe(&owner, "tree", log);
  list->peer = tree;
  tree->peer = list;
  list->FreeNotification(tree);
  delete tree;
  EXPECT_EQ(list->peer, nullptr);
  // The link is gone from both sides: deleting list touches no freed memory.
  delete list;
}

TEST(TComponent, LoadingStateCoversOwnedAndEndsWithLoaded) {
  std::vector<String> log;
  Probe form(nullptr, "form", log);
  auto* edit = new Probe(&form, "edit", log);
  form.BeginLoad();
  EXPECT_TRUE(form.Loading());
  EXPECT_TRUE(edit->Loading());
  form.EndLoad();
  EXPECT_FALSE(form.Loading());
  EXPECT_FALSE(edit->Loading());
  EXPECT_EQ(edit->loadedCalls, 1);
  EXPECT_EQ(log, (std::vector<String>{"loaded edit", "loaded form"}));
  form.SetDesigning(true);
  EXPECT_TRUE(edit->Designing());
}

TEST(TStringList, EditsAndIndexErrors) {
  TStringList list;
  int changes = 0;
  list.OnChange = [&](TObject*) { ++changes; };
  list.Add("one");
  list.Add("two");
  list.Insert(0, "zero");
  EXPECT_EQ(list.Text(), "zero\r\none\r\ntwo\r\n");
  EXPECT_EQ(list.IndexOf("ONE"), 1);
  list.Delete(1);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(changes, 4);
  EXPECT_THROW(list.Get(2), EStringListError);
  EXPECT_THROW(list.Delete(-1), EStringListError);
  EXPECT_THROW(list.Insert(5, "x"), EStringListError);

  list.BeginUpdate();
  list.Add("a");
  list.Add("b");
  list.EndUpdate();
  EXPECT_EQ(changes, 5);  // one notification for the whole update
}

TEST(TStringList, SortedFindAndDuplicates) {
  TStringList list;
  list.SetSorted(true);
  for (const char* s : {"pear", "Apple", "fig", "apple"}) list.Add(s);
  EXPECT_EQ(list.Count(), 3);  // "apple" ignored as a duplicate of "Apple"
  EXPECT_EQ(list.Get(0), "Apple");
  EXPECT_EQ(list.Get(2), "pear");
  int index;
  EXPECT_FALSE(list.Find("grape", index));
  EXPECT_EQ(index, 2);
  EXPECT_THROW(list.Insert(0, "x"), EStringListError);
  list.SetDuplicates(dupError);
  EXPECT_THROW(list.Add("FIG"), EStringListError);
  list.SetDuplicates(dupAccept);
  list.Add("FIG");
  EXPECT_EQ(list.Count(), 4);
}

TEST(TStrings, TextNamesAndValues) {
  TStringList list;
  list.SetText("a=1\r\nb=2\nc\rd=");
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Values("B"), "2");
  EXPECT_EQ(list.Values("c"), "");
  EXPECT_EQ(list.IndexOfName("c"), -1);
  EXPECT_EQ(list.Names(3), "d");
  list.SetValue("b", "22");
  list.SetValue("e", "5");
  EXPECT_EQ(list.Get(1), "b=22");
  EXPECT_EQ(list.Get(4), "e=5");
  TStringList copy;
  copy.Assign(list);
  EXPECT_EQ(copy.Text(), list.Text());
  TComponent other(nullptr);
  EXPECT_THROW(copy.Assign(other), EConvertError);
}
