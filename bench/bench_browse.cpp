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
#include <memory>
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

// What the list's sort moves: an item the size of the list's own, the
// record reached through it and the name and its sort key by its index.
struct Row {
  const kxvFileEntry* Entry;
  uint32_t Index;
  uint16_t Spare;
  bool Selected, Focused;
};
static_assert(sizeof(Row) == sizeof(TListItem));

// The same sort of the same rows in the same order as the list's re-sort:
// the names' sort keys made inside the time, as the list makes them, then
// the same stable sort with the same comparison.
double PlainSort(const kxvFileList& list, kxvFileSortType sortType) {
  std::vector<Row> rows;
  std::vector<const char*> names;
  for (int i = 0; i < list.Count(); ++i) {
    rows.push_back(Row{&list.Entry(i), static_cast<uint32_t>(i), 0, false, false});
    names.push_back(list.Caption(i));
  }
  const bool byName = sortType == fstName || sortType == fstExt || sortType == fstAttribute;
  std::vector<String> keys;
  return Seconds([&] {
    if (byName) {
      keys.reserve(rows.size());
      for (const Row& row : rows) keys.push_back(kxvNameSortKey(names[row.Index]));
    }
    std::stable_sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) {
      return kxvCompareFiles(*a.Entry, names[a.Index], *b.Entry, names[b.Index], sortType, false,
                             byName ? &keys[a.Index] : nullptr,
                             byName ? &keys[b.Index] : nullptr) < 0;
    });
  });
}

// Whether every row goes before or with the next one in this order.
bool InOrder(const kxvFileList& list, kxvFileSortType sortType) {
  for (int i = 1; i < list.Count(); ++i) {
    if (kxvCompareFiles(list.Entry(i - 1), list.Caption(i - 1), list.Entry(i), list.Caption(i),
                        sortType, false) > 0) {
      return false;
    }
  }
  return true;
}

// A list on a form of its own, its window made, nothing listed yet.
struct Lister {
  Lister() {
    form.SetClientSize(600, 400);
    list->SetParent(&form);
    list->SetBounds(0, 0, 600, 400);
    list->SetSortType(fstName);
    list->HandleNeeded();
  }
  TForm form{nullptr};
  kxvFileList* list = new kxvFileList(&form);
};

void Measure(const String& dir, double listingTarget, Gate& gate) {
  const size_t entries = BareEnumeration(dir);
  // Each listing on a list of its own, made outside the time: a list listed
  // before would reuse what it allocated then. The last one stays.
  Pairs listing;
  std::unique_ptr<Lister> lister;
  size_t rowBytes = 0;
  const int turns = TakeTurns({&listing}, 25, [&](int) {
    const double bare = Seconds([&] { BareEnumeration(dir); });
    lister.reset();
    lister = std::make_unique<Lister>();
    const size_t before = heapBytes.load();
    listing.Add(Seconds([&] { lister->list->SetDirectory(dir); }), bare);
    rowBytes = heapBytes.load() - before;
  });
  kxvFileList* list = lister->list;

  size_t texts = 0;
  for (int i = 0; i < list->Count(); ++i) {
    for (int column = 0; column < 4; ++column) texts += std::strlen(list->Text(i, column)) + 1;
  }
  const double rows = list->Count();
  std::printf("%s: %zu entries, %d rows\n", dir.c_str(), entries, list->Count());
  gate.Check(static_cast<size_t>(list->Count()) == entries, "a row for every entry");
  gate.Check(InOrder(*list, fstName), "the rows sorted by name");
  std::printf("  bare FindFirstFileA:   %8.3f s  (medians of %d pairs)\n", listing.Reference(), turns);
  std::printf("  list (sorted by name): %8.3f s", listing.Ours());
  if (listingTarget > 0) gate.Target(listing, listingTarget);
  else gate.Print(listing);

  // Name order to size order and back, in turns with the references.
  Pairs bySize, byName;
  TakeTurns({&bySize, &byName}, 25, [&](int) {
    const double plainSize = PlainSort(*list, fstSize);
    bySize.Add(Seconds([&] { list->SetSortType(fstSize); }), plainSize);
    gate.Check(InOrder(*list, fstSize), "the rows sorted by size");
    const double plainName = PlainSort(*list, fstName);
    byName.Add(Seconds([&] { list->SetSortType(fstName); }), plainName);
    gate.Check(InOrder(*list, fstName), "the rows sorted by name again");
  });
  std::printf("  re-sort by size:       %8.3f s  (the same sort of the same rows %.3f s)",
              bySize.Ours(), bySize.Reference());
  gate.Target(bySize, 3.0);
  std::printf("  re-sort by name:       %8.3f s  (the same sort of the same rows %.3f s)",
              byName.Ours(), byName.Reference());
  gate.Target(byName, 3.0);

  const int step = std::max(1, list->Count() / 1000);
  std::vector<String> chosen;
  for (int i = 0; i < list->Count() && chosen.size() < 1000; i += step) {
    list->SetSelected(i, true);
    chosen.push_back(list->Caption(i));
  }
  const double update = Seconds([&] { list->UpdateList(); });
  std::vector<String> kept;
  for (int row = list->GetSelectedItem(-1); row >= 0; row = list->GetSelectedItem(row)) {
    kept.push_back(list->Caption(row));
  }
  std::sort(chosen.begin(), chosen.end());
  std::sort(kept.begin(), kept.end());
  gate.Check(kept == chosen, "the same rows selected after the refresh");
  std::printf("  UpdateList, %zu selected: %6.3f s\n", chosen.size(), update);
  std::printf("  memory per row:        %8.0f bytes  (the %zu-byte record + %.0f bytes of texts)\n",
              double(rowBytes) / rows, sizeof(kxvFileEntry), double(texts) / rows);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_browse <directory>[:<listing target>]...\n");
    return 2;
  }
  Gate gate;
  for (int i = 1; i < argc; ++i) {
    // The listing's target holds for large directories, where the fixed
    // costs of a listing weigh little: given after the path when it holds.
    String arg = argv[i];
    double target = 0;
    const size_t colon = arg.rfind(':');
    if (colon != String::npos && colon > 1) {
      target = std::atof(arg.c_str() + colon + 1);
      arg.resize(colon);
    }
    Measure(arg, target, gate);
  }
  return gate.Exit();
}
