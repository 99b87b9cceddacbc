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
