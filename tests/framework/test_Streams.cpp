#include "framework/Streams.h"

#include "tests/helpers/TempDir.h"

#include <gtest/gtest.h>

TEST(TMemoryStream, WriteGrowsSeekAndRead) {
  TMemoryStream stream;
  stream.WriteBuffer("hello", 5);
  EXPECT_EQ(stream.Size(), 5);
  EXPECT_EQ(stream.Seek(10, soBeginning), 10);
  stream.WriteBuffer("!", 1);  // leaves a gap, as a file would
  EXPECT_EQ(stream.Size(), 11);
  stream.SetPosition(1);
  char buffer[8] = {};
  EXPECT_EQ(stream.Read(buffer, 4), 4);
  EXPECT_STREQ(buffer, "ello");
  EXPECT_EQ(stream.Seek(-1, soEnd), 10);
  EXPECT_EQ(stream.Read(buffer, 8), 1);
  EXPECT_EQ(stream.Read(buffer, 8), 0);
  EXPECT_THROW(stream.ReadBuffer(buffer, 1), EReadError);
  EXPECT_EQ(stream.Seek(-1, soBeginning), -1);
  stream.SetSize(2);
  EXPECT_EQ(stream.Position(), 2);
  stream.Clear();
  EXPECT_EQ(stream.Size(), 0);
}

namespace {

// A read-only view of a caller's block, the shape the presented bitmap
// files take.
class View : public TCustomMemoryStream {
public:
  View(void* p, int32_t n) { SetPointer(p, n); }
};

}  // namespace

TEST(TCustomMemoryStream, ReadOnlyViewOfABlock) {
  char block[] = "abcdef";
  View view(block, 6);
  EXPECT_EQ(view.Size(), 6);
  EXPECT_EQ(view.Write("x", 1), 0);
  EXPECT_THROW(view.WriteBuffer("x", 1), EWriteError);
  TMemoryStream copy;
  EXPECT_EQ(copy.CopyFrom(view, 0), 6);
  EXPECT_EQ(String(static_cast<char*>(copy.Memory()), 6), "abcdef");
}

namespace {

// Bytes made up on reading: the value of each byte is its position.
class Counting : public TCustomMemoryStream {
public:
  explicit Counting(int32_t n) { SetPointer(nullptr, n); }
  int32_t Read(void* buffer, int32_t count) override {
    int32_t n = 0;
    for (; n < count && position_ < size_; ++n) static_cast<uint8_t*>(buffer)[n] = uint8_t(position_++);
    return n;
  }
};

}  // namespace

TEST(TCustomMemoryStream, ReadOverriddenBySubclass) {
  Counting stream(300);
  EXPECT_EQ(stream.Size(), 300);
  stream.SetPosition(255);
  uint8_t two[2];
  stream.ReadBuffer(two, 2);
  EXPECT_EQ(two[0], 255);
  EXPECT_EQ(two[1], 0);
  EXPECT_EQ(stream.Position(), 257);
  EXPECT_EQ(stream.Seek(-1, soEnd), 299);
  EXPECT_THROW(stream.ReadBuffer(two, 2), EReadError);

  // Saving and copying go through Read, from the start; saving leaves the
  // position alone.
  stream.SetPosition(7);
  TMemoryStream saved;
  stream.SaveToStream(saved);
  EXPECT_EQ(stream.Position(), 7);
  ASSERT_EQ(saved.Size(), 300);
  EXPECT_EQ(static_cast<uint8_t*>(saved.Memory())[299], uint8_t(299));
  TMemoryStream copy;
  EXPECT_EQ(copy.CopyFrom(stream, 0), 300);
  EXPECT_EQ(static_cast<uint8_t*>(copy.Memory())[256], 0);
}

TEST(LocalMemory, OwnedLockedAndSized) {
  UniqueLocal block(LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, 100));
  ASSERT_TRUE(block);
  {
    LocalLockScope lock(block.get());
    ASSERT_NE(lock.Memory(), nullptr);
    EXPECT_GE(lock.Size(), 100u);
    static_cast<char*>(lock.Memory())[99] = 'z';
  }
  {
    LocalLockScope again(block.get());
    EXPECT_EQ(static_cast<char*>(again.Memory())[99], 'z');
  }
  // Moving hands the block over; only the last owner frees it.
  UniqueLocal other(std::move(block));
  EXPECT_FALSE(block);
  EXPECT_TRUE(other);
  LocalLockScope none(nullptr);
  EXPECT_EQ(none.Memory(), nullptr);
  EXPECT_EQ(none.Size(), 0u);
  other.reset();
  EXPECT_FALSE(other);
}

TEST(TFileStream, CreateOpenAndRoundTrip) {
  TempDir dir;
  String name = dir / "表ソ.bin";
  {
    TFileStream file(name, fmCreate);
    file.WriteBuffer("0123456789", 10);
    file.SetSize(4);
  }
  {
    TFileStream file(name, fmOpenRead | fmShareDenyWrite);
    EXPECT_EQ(file.Size(), 4);
    TMemoryStream memory;
    memory.LoadFromStream(file);
    EXPECT_EQ(String(static_cast<char*>(memory.Memory()), 4), "0123");
    memory.SaveToFile(dir / "copy.bin");
  }
  EXPECT_EQ(ReadWholeFile(dir / "copy.bin"), "0123");
  EXPECT_THROW(TFileStream(dir / "missing.bin", fmOpenRead), EFOpenError);
  EXPECT_THROW(TFileStream(dir / "no\\such\\dir.bin", fmCreate), EFCreateError);
  TMemoryStream loaded;
  loaded.LoadFromFile(name);
  EXPECT_EQ(loaded.Size(), 4);
}
