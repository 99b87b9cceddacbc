// The file list on large directories, beside bare references of the same
// run: listing against a bare FindFirstFileA enumeration, re-sorting
// against a plain std::sort of the same records with the same comparator,
// a refresh with 1,000 selected rows, and the memory a row costs.
//   bench_browse <directory>...   (directories made by tools/bench)
#include "bench/Timing.h"
#include "framework/Forms.h"
#include "lib/browse/Filelist.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

size_t BareEnumeration(const String& dir) {
  size_t entries = 0;
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA((dir + "\\*.*").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return 0;
  do {
    if (std::strcmp(data.cFileName, ".") && std::strcmp(data.cFileName, "..")) ++entries;
  } while (FindNextFileA(h, &data));
  FindClose(h);
  return entries;
}

// What the C++ heap holds: every block the program asked for, with the
// heap's own header per block.
std::atomic<size_t> heapBytes{0};
constexpr size_t kBlockHeader = 2 * sizeof(void*);

}  // namespace

void* operator new(size_t size) {
  void* block = std::malloc(size ? size : 1);
  if (!block) throw std::bad_alloc();
  heapBytes += _msize(block) + kBlockHeader;
  return block;
}

// The block came from malloc in operator new above.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* block) noexcept {
  if (!block) return;
  heapBytes -= _msize(block) + kBlockHeader;
  std::free(block);
}
#pragma GCC diagnostic pop

void operator delete(void* block, size_t) noexcept { operator delete(block); }

namespace {

struct Row {
  kxvFileEntry Entry;
  String Name;
};

// A plain sort of the same rows with the list's comparator.
double PlainSort(const kxvFileList& list, kxvFileSortType sortType) {
  std::vector<Row> rows;
  rows.reserve(list.Count());
  for (int i = 0; i < list.Count(); ++i) rows.push_back(Row{list.Entry(i), list.Caption(i)});
  return Seconds([&] {
    std::sort(rows.begin(), rows.end(), [sortType](const Row& a, const Row& b) {
      return kxvCompareFiles(a.Entry, a.Name.c_str(), b.Entry, b.Name.c_str(), sortType, false) < 0;
    });
  });
}

void Measure(const String& dir) {
  TForm form(nullptr);
  form.SetClientSize(600, 400);
  auto* list = new kxvFileList(&form);
  list->SetParent(&form);
  list->SetBounds(0, 0, 600, 400);
  list->SetSortType(fstName);
  list->HandleNeeded();

  const size_t entries = BareEnumeration(dir);  // warms the caches for both
  const double bare = Best(3, [&] { BareEnumeration(dir); });
  const size_t before = heapBytes.load();
  const double first = Seconds([&] { list->SetDirectory(dir); });
  const size_t after = heapBytes.load();
  const double listing = std::min(first, Best(2, [&] { list->MakeFileList(); }));

  size_t texts = 0;
  for (int i = 0; i < list->Count(); ++i) {
    for (int column = 0; column < 4; ++column) texts += std::strlen(list->Text(i, column)) + 1;
  }
  const double rows = list->Count();

  std::printf("%s: %zu entries, %d rows\n", dir.c_str(), entries, list->Count());
  std::printf("  bare FindFirstFileA:   %8.3f s\n", bare);
  std::printf("  list (sorted by name): %8.3f s  (%.2fx the bare enumeration; target 2x)\n",
              listing, listing / bare);
  const double bySize = Seconds([&] { list->SetSortType(fstSize); });
  const double plainSize = PlainSort(*list, fstSize);
  const double byName = Seconds([&] { list->SetSortType(fstName); });
  const double plainName = PlainSort(*list, fstName);
  std::printf("  re-sort by size:       %8.3f s  (plain std::sort %.3f s: %.2fx; target 3x)\n",
              bySize, plainSize, bySize / plainSize);
  std::printf("  re-sort by name:       %8.3f s  (plain std::sort %.3f s: %.2fx; target 3x)\n",
              byName, plainName, byName / plainName);

  const int step = std::max(1, list->Count() / 1000);
  for (int i = 0, n = 0; i < list->Count() && n < 1000; i += step, ++n) list->SetSelected(i, true);
  const int selected = list->SelCount();
  const double update = Seconds([&] { list->UpdateList(); });
  std::printf("  UpdateList, %d selected: %6.3f s  (%d selected after)\n", selected, update,
              list->SelCount());
  std::printf("  memory per row:        %8.0f bytes  (the 36-byte record + %.0f bytes of texts)\n",
              double(after - before) / rows, double(texts) / rows);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_browse <directory>...\n");
    return 2;
  }
  for (int i = 1; i < argc; ++i) Measure(argv[i]);
  return 0;
}
