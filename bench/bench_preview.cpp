// Page 1's preview at 10,000 selected rows: from a key typed into the
// pattern to the list painted with the new names, against the same names
// made bare (the pattern formatted for each row, nothing else), in one
// run, in pairs taken in turns.
//   bench_preview <directory>   (a flat directory made by tools/bench)
#include "bench/MainWindow.h"
#include "bench/Timing.h"
#include "framework/Format.h"
#include "lib/core/File.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr double kWithinSeconds = 0.100;

String Named(const String& pattern, int number, const char* name) {
  return Format(pattern, {number, BaseNamePart(name), String(ExtensionPart(name))});
}

// Dispatches what comes until done() holds; false after 5 s without.
template <class F>
bool PumpUntil(F done) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > 5000) return false;
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    } else {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  return WithMainWindow(argc, argv, "bench_preview", [](TMainForm& form, const String& drive) {
    form.Show();
    kxvFileList& list = *form.FileList;
    list.SelectAll();
    const String pattern = "Sample%.5d.%2:s";
    form.CheckBoxFileName->SetChecked(true);
    form.EditFileName->SetText(pattern);
    form.UpdatePreview();
    const int rows = list.Count();
    const int column = kxvFileList::kOwnColumns;
    Gate gate;
    gate.Check(rows >= 10000 && list.SelCount() == rows, "the rows are not all there and selected");

    // Each turn types one key at the pattern's end, or takes it back.
    const HWND edit = form.EditFileName->Handle();
    bool typed = false;
    size_t wrong = 0;
    Pairs preview;
    const int turns = TakeTurns({&preview}, 25, [&](int) {
      typed = !typed;
      const String now = typed ? pattern + "x" : pattern;
      const String first = Named(now, 0, list.Caption(0));
      const String last = Named(now, rows - 1, list.Caption(rows - 1));
      const double ours = Seconds([&] {
        SendMessageA(edit, EM_SETSEL, 1000, 1000);  // the caret at the end
        SendMessageA(edit, WM_CHAR, typed ? 'x' : VK_BACK, 1);
        if (!PumpUntil([&] { return list.Text(0, column) == first; })) ++wrong;
        UpdateWindow(list.Handle());
      });
      if (list.Text(rows - 1, column) != last) ++wrong;
      std::vector<String> names(rows);
      const double bare = Seconds([&] {
        for (int row = 0; row < rows; ++row) names[row] = Named(now, row, list.Caption(row));
      });
      preview.Add(ours, bare);
    });
    gate.Check(wrong == 0, std::to_string(wrong) + " previews did not come, or missed the last row");
    std::printf("rows: %d, all selected\n", rows);
    std::printf("names made bare:           %8.4f s  (medians of %d pairs)\n", preview.Reference(), turns);
    std::printf("key to preview painted:    %8.4f s", preview.Ours());
    gate.Print(preview);
    const bool within = preview.Ours() <= kWithinSeconds;
    std::printf("  target: within %.0f ms of the key%s\n", kWithinSeconds * 1000, within ? "" : " MISSED");
    gate.Check(within, "the preview took longer than its target");
    return gate.Exit();
  });
}
