// The plan of a run's new names: the numbers as the run spends them, and
// every name the run's moves would find taken, in the order they happen.
#include "app/rename_plan.h"

#include <gtest/gtest.h>

namespace {

std::vector<RenameItem> In(uint32_t directory, std::initializer_list<const char*> names) {
  std::vector<RenameItem> items;
  for (const char* name : names) items.push_back({directory, name});
  return items;
}

std::vector<String> Names(const RenamePlan& plan) {
  std::vector<String> names;
  for (const RenameOutcome& item : plan.items) names.push_back(item.newName);
  return names;
}

std::vector<bool> Marks(const RenamePlan& plan) {
  std::vector<bool> marks;
  for (const RenameOutcome& item : plan.items) marks.push_back(item.collides);
  return marks;
}

TEST(RenamePlan, NumbersRunThroughTheItemsAndFreeNamesAreNotMarked) {
  const RenamePlan plan =
      PlanRenames("Sample%.2d.%2:s", 9, In(0, {"a.txt", "b.txt", "c.doc"}), {{"a.txt", "b.txt", "c.doc"}});
  EXPECT_EQ(Names(plan), (std::vector<String>{"Sample09.txt", "Sample10.txt", "Sample11.doc"}));
  EXPECT_EQ(plan.collisions, 0u);
  EXPECT_TRUE(plan.error.empty());
}

TEST(RenamePlan, ANameHeldOnDiskOrByAnEarlierNewNameIsMarked) {
  // Sample01.txt is there and nobody renames it.
  RenamePlan plan = PlanRenames("Sample%.2d.%2:s", 0, In(0, {"a.txt", "b.txt"}),
                                {{"a.txt", "b.txt", "sample01.TXT"}});
  EXPECT_EQ(Marks(plan), (std::vector<bool>{false, true}));
  EXPECT_EQ(plan.collisions, 1u);
  // Two entries that would get the same name: both are marked.
  plan = PlanRenames("%1:s.bak", 0, In(0, {"a.txt", "c.txt", "a.doc"}), {{"a.txt", "c.txt", "a.doc"}});
  EXPECT_EQ(Marks(plan), (std::vector<bool>{true, false, true}));
  EXPECT_EQ(plan.collisions, 2u);
  // A name taken by letter case alone; its own name in other letters is free.
  plan = PlanRenames("%1:s.TXT", 0, In(0, {"a.txt", "b.doc"}), {{"a.txt", "b.doc", "B.txt"}});
  EXPECT_EQ(Marks(plan), (std::vector<bool>{false, true}));
}

TEST(RenamePlan, AnEntryRenamedAwayFreesItsNameOnlyForThoseAfterIt) {
  // aa becomes aaa first, so a may become aa.
  RenamePlan plan = PlanRenames("%1:sa", 0, In(0, {"aa", "a"}), {{"a", "aa"}});
  EXPECT_EQ(Names(plan), (std::vector<String>{"aaa", "aa"}));
  EXPECT_EQ(plan.collisions, 0u);
  // The other way round, a's move comes while aa is still there.
  plan = PlanRenames("%1:sa", 0, In(0, {"a", "aa"}), {{"a", "aa"}});
  EXPECT_EQ(Marks(plan), (std::vector<bool>{true, false}));
  // A name that failed stays taken by its old owner.
  plan = PlanRenames("%1:s", 0, In(0, {"x.txt", "x.doc", "x"}), {{"x.txt", "x.doc", "x"}});
  EXPECT_EQ(Marks(plan), (std::vector<bool>{true, true, false}));
}

TEST(RenamePlan, DirectoriesAreApartAndNamesLeadingElsewhereAreLeftToTheMove) {
  RenamePlan plan = PlanRenames("new.%2:s", 0, {{0, "a.txt"}, {1, "a.txt"}}, {{"a.txt"}, {"a.txt"}});
  EXPECT_EQ(plan.collisions, 0u);
  plan = PlanRenames("sub\\%1:s", 0, In(0, {"a.txt", "a.doc"}), {{"a.txt", "a.doc"}});
  EXPECT_EQ(plan.collisions, 0u);
  // 表 ends in the byte of "\": it is a name of this directory all the same.
  plan = PlanRenames("\x95\x5C.%2:s", 0, In(0, {"a.txt"}), {{"a.txt", "\x95\x5C.txt"}});
  EXPECT_EQ(plan.collisions, 1u);
}

TEST(RenamePlan, NamesAreThoseTheFileSystemKeeps) {
  // A directory or a name without an extension: "Sample00." is Sample00.
  const RenamePlan plan = PlanRenames("%1:s.%2:s . ", 0, In(0, {"dir", "a.txt"}), {{"dir", "a.txt", "DIR"}});
  EXPECT_EQ(Names(plan), (std::vector<String>{"dir", "a.txt"}));
  EXPECT_EQ(plan.collisions, 0u);  // each its own name
  EXPECT_EQ(StoredName(". ."), ". .");
}

TEST(RenamePlan, APatternThatCannotNameAnEntryStopsThePlanThere) {
  RenamePlan plan = PlanRenames("%s", 0, In(0, {"a.txt"}), {{"a.txt"}});
  EXPECT_TRUE(plan.items.empty());
  EXPECT_FALSE(plan.error.empty());
  // The largest number is used once; the next entry has none.
  plan = PlanRenames("%d", INT32_MAX, In(0, {"a", "b"}), {{"a", "b"}});
  EXPECT_EQ(Names(plan), std::vector<String>{"2147483647"});
  EXPECT_FALSE(plan.error.empty());
}

}  // namespace
