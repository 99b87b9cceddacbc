#include "framework/TreeView.h"

#include <algorithm>
#include <cstring>

namespace {

// The one order of the model and of the window's TVM_SORTCHILDRENCB: by
// text as lstrcmpA sees it, ties in their former order so both agree.
int CALLBACK CompareNodes(LPARAM a, LPARAM b, LPARAM) {
  auto* x = reinterpret_cast<TTreeNode*>(a);
  auto* y = reinterpret_cast<TTreeNode*>(b);
  return lstrcmpA(x->Text().c_str(), y->Text().c_str());
}

// Scope of program-driven window changes.
struct Syncing {
  explicit Syncing(int& count) : count_(count) { ++count_; }
  ~Syncing() { --count_; }
  int& count_;
};

}  // namespace

// --- TTreeNode --------------------------------------------------------------

TTreeNode* TTreeNode::Parent() const {
  return parent_ && !tree_->IsRoot(parent_) ? parent_ : nullptr;
}

void TTreeNode::SetText(const String& text) {
  if (text == text_) return;
  text_ = text;
  tree_->UpdateItem(this, TVIF_TEXT);
  if (tree_->sortType_ == stText && parent_) tree_->SortChildren(parent_, false);
}

TTreeNode* TTreeNode::GetNextSibling() const {
  if (!parent_) return nullptr;
  return index_ + 1 < parent_->Count() ? parent_->children_[index_ + 1] : nullptr;
}

TTreeNode* TTreeNode::GetPrevSibling() const {
  if (!parent_) return nullptr;
  return index_ > 0 ? parent_->children_[index_ - 1] : nullptr;
}

int TTreeNode::Index() const { return parent_ ? index_ : -1; }

int TTreeNode::Level() const {
  int level = 0;
  for (const TTreeNode* p = Parent(); p; p = p->Parent()) ++level;
  return level;
}

bool TTreeNode::HasAsParent(const TTreeNode* ancestor) const {
  for (const TTreeNode* p = Parent(); p; p = p->Parent()) {
    if (p == ancestor) return true;
  }
  return false;
}

bool TTreeNode::HasChildren() const {
  if (!children_.empty()) return true;
  if (!childrenKnown_) {
    hasChildren_ = tree_->DecideHasChildren(const_cast<TTreeNode*>(this));
    childrenKnown_ = true;
  }
  return hasChildren_;
}

void TTreeNode::SetHasChildren(bool hasChildren) {
  hasChildren_ = hasChildren;
  childrenKnown_ = true;
  if (TCustomTreeView::ShownChildren(this) != shownChildren_) {
    tree_->UpdateItem(this, TVIF_CHILDREN);
  }
}

bool TTreeNode::Expanded() const {
  if (children_.empty()) return false;
  if (item_ && tree_->HandleAllocated()) {
    return (SendMessageA(tree_->Handle(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item_),
                         TVIS_EXPANDED) &
            TVIS_EXPANDED) != 0;
  }
  return expanded_;
}

void TTreeNode::SetExpanded(bool expanded) {
  if (expanded) Expand();
  else Collapse();
}

void TTreeNode::Expand(bool recurse) {
  tree_->ExpandNode(this);
  if (recurse) {
    for (TTreeNode* child : std::vector<TTreeNode*>(children_)) child->Expand(true);
  }
}

void TTreeNode::Collapse(bool recurse) {
  if (recurse) {
    for (TTreeNode* child : std::vector<TTreeNode*>(children_)) child->Collapse(true);
  }
  tree_->CollapseNode(this);
}

bool TTreeNode::Selected() const { return tree_->Selected() == this; }

void TTreeNode::SetSelected(bool selected) {
  if (selected) tree_->SetSelected(this);
  else if (Selected()) tree_->SetSelected(nullptr);
}

void TTreeNode::AlphaSort(bool recurse) { tree_->SortChildren(this, recurse); }

void TTreeNode::MakeVisible() {
  if (item_ && tree_->HandleAllocated()) tree_->Send(TVM_ENSUREVISIBLE, 0, item_);
}

void TTreeNode::Delete() { tree_->DeleteNode(this); }

void TTreeNode::DeleteChildren() { tree_->DeleteChildren(this); }

// --- TTreeNodes -------------------------------------------------------------

namespace {

int CountBelow(const TTreeNode* node) {
  int n = 0;
  for (int i = 0; i < node->Count(); ++i) n += 1 + CountBelow(node->Item(i));
  return n;
}

// The index-th node below parent in display order, counting down index.
TTreeNode* Walk(const TTreeNode* parent, int& index) {
  for (int i = 0; i < parent->Count(); ++i) {
    TTreeNode* child = parent->Item(i);
    if (index-- == 0) return child;
    if (TTreeNode* found = Walk(child, index)) return found;
  }
  return nullptr;
}

}  // namespace

int TTreeNodes::Count() const { return CountBelow(&tree_->root_); }

TTreeNode* TTreeNodes::Item(int index) const {
  if (index < 0) return nullptr;
  return Walk(&tree_->root_, index);
}

TTreeNode* TTreeNodes::GetFirstNode() const { return tree_->root_.GetFirstChild(); }

TTreeNode* TTreeNodes::Add(TTreeNode* sibling, const String& text) {
  return AddObject(sibling, text, nullptr);
}

TTreeNode* TTreeNodes::AddObject(TTreeNode* sibling, const String& text, void* data) {
  return tree_->AddNode(sibling ? sibling->parent_ : &tree_->root_, text, data);
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* parent, const String& text) {
  return AddChildObject(parent, text, nullptr);
}

TTreeNode* TTreeNodes::AddChildObject(TTreeNode* parent, const String& text, void* data) {
  return tree_->AddNode(parent ? parent : &tree_->root_, text, data);
}

void TTreeNodes::Delete(TTreeNode* node) {
  if (node) tree_->DeleteNode(node);
}

void TTreeNodes::Clear() { tree_->ClearNodes(); }

void TTreeNodes::BeginUpdate() {
  if (updateCount_++ == 0 && tree_->HandleAllocated()) tree_->Send(WM_SETREDRAW, FALSE, nullptr);
}

void TTreeNodes::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0 && tree_->HandleAllocated()) {
    tree_->Send(WM_SETREDRAW, TRUE, nullptr);
    tree_->Invalidate();
  }
}

// --- TCustomTreeView --------------------------------------------------------

TCustomTreeView::TCustomTreeView(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 121, 97);
  SetTabStop(true);
  SetColor(clWindow);
}

TCustomTreeView::~TCustomTreeView() {
  // Our DestroyWnd while we are still a tree view: the base destructor
  // would only run the inherited one.
  if (HandleAllocated()) DestroyWnd();
  selected_ = nullptr;
  for (TTreeNode* child : root_.children_) FreeNode(child);
  root_.children_.clear();
}

LRESULT TCustomTreeView::Send(UINT msg, WPARAM wp, const void* lp) {
  return SendMessageA(Handle(), msg, wp, reinterpret_cast<LPARAM>(lp));
}

void TCustomTreeView::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.BaseClass = WC_TREEVIEWA;
  params.ClassName = "TTreeView";
  AddFrame(params);
  if (showLines_) params.Style |= TVS_HASLINES;
  if (showButtons_) params.Style |= TVS_HASBUTTONS;
  if (showRoot_) params.Style |= TVS_LINESATROOT;
  if (!readOnly_) params.Style |= TVS_EDITLABELS;
  if (!hideSelection_) params.Style |= TVS_SHOWSELALWAYS;
}

void TCustomTreeView::InitializeWnd() {
  Syncing s(syncing_);
  if (indent_ > 0) Send(TVM_SETINDENT, static_cast<WPARAM>(indent_), nullptr);
  if (items_.Updating()) Send(WM_SETREDRAW, FALSE, nullptr);
  InsertItems(&root_);
  RestoreExpanded(&root_);
  if (selected_) Send(TVM_SELECTITEM, TVGN_CARET, selected_->item_);
}

void TCustomTreeView::DestroyWnd() {
  {
    Syncing s(syncing_);
    ReadBack(&root_);
    selected_ = Selected();
    // Destroying the window deletes every item: no echo of that reaches
    // the model, and no node keeps a dead item.
    TWinControl::DestroyWnd();
  }
  ForgetItems(&root_);
}

void TCustomTreeView::WndProc(TMessage& m) {
  if (m.Msg == WM_LBUTTONDOWN || m.Msg == WM_RBUTTONDOWN) {
    // The control reports a click before it moves the selection; the
    // click is passed on once the button's work is done, so that a handler
    // sees the node that was clicked as the selected one.
    ++buttonDown_;
    TWinControl::WndProc(m);
    --buttonDown_;
    if (clickPending_ && buttonDown_ == 0) {
      clickPending_ = false;
      Click();
    }
    return;
  }
  TWinControl::WndProc(m);
  // A window destroyed behind our back (not through DestroyWnd) leaves
  // items that no longer exist.
  if (m.Msg == WM_NCDESTROY) ForgetItems(&root_);
}

void TCustomTreeView::ReadBack(TTreeNode* parent) {
  for (TTreeNode* child : parent->children_) {
    child->expanded_ = child->Expanded();
    ReadBack(child);
  }
}

void TCustomTreeView::ForgetItems(TTreeNode* parent) {
  for (TTreeNode* child : parent->children_) {
    child->item_ = nullptr;
    ForgetItems(child);
  }
}

void TCustomTreeView::InsertItems(TTreeNode* parent) {
  for (TTreeNode* child : parent->children_) {
    InsertItem(child, true);
    InsertItems(child);
  }
}

void TCustomTreeView::RestoreExpanded(TTreeNode* parent) {
  for (TTreeNode* child : parent->children_) {
    if (child->expanded_ && !child->children_.empty()) {
      Send(TVM_EXPAND, TVE_EXPAND, child->item_);
    }
    RestoreExpanded(child);
  }
}

void TCustomTreeView::InsertItem(TTreeNode* node, bool last) {
  TVINSERTSTRUCTA insert{};
  insert.hParent = IsRoot(node->parent_) ? TVI_ROOT : node->parent_->item_;
  // The control looks a given item up among all of its items: the end of
  // a level is named as such.
  TTreeNode* before = node->GetPrevSibling();
  insert.hInsertAfter = last ? TVI_LAST : before ? before->item_ : TVI_FIRST;
  insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN;
  insert.item.pszText = const_cast<char*>(node->text_.c_str());
  insert.item.cChildren = node->shownChildren_ = ShownChildren(node);
  insert.item.lParam = reinterpret_cast<LPARAM>(node);
  node->item_ = reinterpret_cast<HTREEITEM>(Send(TVM_INSERTITEMA, 0, &insert));
}

void TCustomTreeView::UpdateItem(TTreeNode* node, UINT mask) {
  if (IsRoot(node) || !node->item_ || !HandleAllocated()) return;
  TVITEMA item{};
  item.mask = mask | TVIF_HANDLE;
  item.hItem = node->item_;
  item.pszText = const_cast<char*>(node->text_.c_str());
  item.cChildren = node->shownChildren_ = ShownChildren(node);
  Send(TVM_SETITEMA, 0, &item);
}

int TCustomTreeView::ShownChildren(const TTreeNode* node) {
  if (!node->HasChildrenKnown()) return I_CHILDRENCALLBACK;
  return node->HasChildren() ? 1 : 0;
}

TTreeNode* TCustomTreeView::NodeOf(HTREEITEM item) const {
  if (!item || !HandleAllocated()) return nullptr;
  TVITEMA tv{};
  tv.mask = TVIF_HANDLE | TVIF_PARAM;
  tv.hItem = item;
  if (!SendMessageA(const_cast<TCustomTreeView*>(this)->Handle(), TVM_GETITEMA, 0,
                    reinterpret_cast<LPARAM>(&tv))) {
    return nullptr;
  }
  return reinterpret_cast<TTreeNode*>(tv.lParam);
}

TTreeNode* TCustomTreeView::AddNode(TTreeNode* parent, const String& text, void* data) {
  auto* node = new TTreeNode(this);
  node->parent_ = parent;
  node->text_ = text;
  node->data_ = data;
  node->childrenKnown_ = !deferHasChildren_;
  auto& siblings = parent->children_;
  auto at = siblings.end();
  const auto before = [](TTreeNode* a, TTreeNode* b) {
    return CompareNodes(reinterpret_cast<LPARAM>(a), reinterpret_cast<LPARAM>(b), 0) < 0;
  };
  // Names that come in order cost one comparison each.
  if (sortType_ == stText && !siblings.empty() && before(node, siblings.back())) {
    at = std::upper_bound(siblings.begin(), siblings.end(), node, before);
  }
  const size_t place = static_cast<size_t>(at - siblings.begin());
  const bool last = at == siblings.end();
  siblings.insert(at, node);
  Renumber(parent, place);
  if (HandleAllocated()) {
    Syncing s(syncing_);
    InsertItem(node, last);
  }
  if (!IsRoot(parent)) parent->SetHasChildren(true);
  return node;
}

void TCustomTreeView::DeleteNode(TTreeNode* node) {
  if (IsRoot(node) || node->tree_ != this) return;
  // The selection moves on before its node goes, the same way with or
  // without a window: to the next sibling, else the one before, else up.
  if (TTreeNode* sel = Selected(); sel && (sel == node || sel->HasAsParent(node))) {
    TTreeNode* next = node->GetNextSibling();
    if (!next) next = node->GetPrevSibling();
    if (!next) next = node->Parent();
    SetSelected(next);
  }
  if (node->item_ && HandleAllocated()) {
    Syncing s(syncing_);
    Send(TVM_DELETEITEM, 0, node->item_);
  }
  TTreeNode* parent = node->parent_;
  auto& siblings = parent->children_;
  const size_t place = static_cast<size_t>(node->index_);
  siblings.erase(siblings.begin() + static_cast<std::ptrdiff_t>(place));
  Renumber(parent, place);
  if (selected_ == node || (selected_ && selected_->HasAsParent(node))) selected_ = nullptr;
  FreeNode(node);
  if (!IsRoot(parent) && parent->children_.empty()) {
    parent->expanded_ = false;
    parent->SetHasChildren(false);
  }
}

void TCustomTreeView::DeleteChildren(TTreeNode* node) {
  if (node->children_.empty()) return;
  if (TTreeNode* sel = Selected(); sel && sel->HasAsParent(node)) SetSelected(node);
  if (selected_ && selected_->HasAsParent(node)) selected_ = nullptr;
  // One message for the lot: item by item the control's own bookkeeping
  // grows with the square of the level. A control that did not take them
  // all loses the rest one by one: no item may outlive its node.
  if (HandleAllocated() && node->item_) {
    Syncing s(syncing_);
    Send(TVM_EXPAND, TVE_COLLAPSE | TVE_COLLAPSERESET, node->item_);
    const auto firstChild = [&] {
      return reinterpret_cast<HTREEITEM>(Send(TVM_GETNEXTITEM, TVGN_CHILD, node->item_));
    };
    while (HTREEITEM item = firstChild()) Send(TVM_DELETEITEM, 0, item);
  }
  for (TTreeNode* child : node->children_) FreeNode(child);
  node->children_.clear();
  node->expanded_ = false;
  node->hasChildren_ = false;
  node->childrenKnown_ = true;
  // The reset may leave the item's button as it was.
  UpdateItem(node, TVIF_CHILDREN);
}

void TCustomTreeView::ClearNodes() {
  if (root_.children_.empty()) return;
  SetSelected(nullptr);
  if (HandleAllocated()) {
    Syncing s(syncing_);
    Send(TVM_DELETEITEM, 0, TVI_ROOT);
  }
  for (TTreeNode* child : root_.children_) FreeNode(child);
  root_.children_.clear();
  selected_ = nullptr;
}

void TCustomTreeView::FreeNode(TTreeNode* node) {
  for (TTreeNode* child : node->children_) FreeNode(child);
  delete node;
}

TTreeNode* TCustomTreeView::Selected() const {
  if (HandleAllocated()) {
    auto* self = const_cast<TCustomTreeView*>(this);
    return NodeOf(reinterpret_cast<HTREEITEM>(self->Send(TVM_GETNEXTITEM, TVGN_CARET, nullptr)));
  }
  return selected_;
}

TTreeNode* TCustomTreeView::GetNodeAt(int x, int y) const {
  if (!HandleAllocated()) return nullptr;
  TVHITTESTINFO hit{};
  hit.pt = POINT{x, y};
  auto* self = const_cast<TCustomTreeView*>(this);
  auto* item = reinterpret_cast<HTREEITEM>(self->Send(TVM_HITTEST, 0, &hit));
  return hit.flags & (TVHT_ONITEMLABEL | TVHT_ONITEMICON) ? NodeOf(item) : nullptr;
}

TTreeNode* TCustomTreeView::DropTarget() const {
  if (!HandleAllocated()) return nullptr;
  auto* self = const_cast<TCustomTreeView*>(this);
  auto* item = reinterpret_cast<HTREEITEM>(self->Send(TVM_GETNEXTITEM, TVGN_DROPHILITE, nullptr));
  // The item's state tells: Wine keeps the item when told none while
  // nothing is selected.
  if (!item || !(SendMessageA(self->Handle(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item),
                              TVIS_DROPHILITED) &
                 TVIS_DROPHILITED)) {
    return nullptr;
  }
  return NodeOf(item);
}

void TCustomTreeView::SetDropTarget(TTreeNode* node) {
  TTreeNode* old = DropTarget();
  if (!HandleAllocated() || old == node) return;
  const BOOL shown = ImageList_DragShowNolock(FALSE);
  Send(TVM_SELECTITEM, TVGN_DROPHILITE, node ? node->item_ : nullptr);
  if (!node && DropTarget() == old) {
    TVITEMA item{};
    item.mask = TVIF_STATE;
    item.hItem = old->item_;
    item.stateMask = TVIS_DROPHILITED;
    Send(TVM_SETITEMA, 0, &item);
  }
  UpdateWindow(Handle());
  if (shown) ImageList_DragShowNolock(TRUE);
}

void TCustomTreeView::SetSelected(TTreeNode* node) {
  if (node && node->tree_ != this) return;
  if (node == Selected()) return;
  selected_ = node;
  if (HandleAllocated()) {
    Syncing s(syncing_);
    Send(TVM_SELECTITEM, TVGN_CARET, node ? node->item_ : nullptr);
  }
  Change(node);
}

void TCustomTreeView::ExpandNode(TTreeNode* node) {
  if (node->Expanded() || !node->HasChildren()) return;
  if (!CanExpand(node)) return;
  // Nothing came to open: the "+" goes.
  if (node->children_.empty()) {
    node->SetHasChildren(false);
    return;
  }
  node->expanded_ = true;
  if (node->item_ && HandleAllocated()) {
    Syncing s(syncing_);
    Send(TVM_EXPAND, TVE_EXPAND, node->item_);
  }
}

void TCustomTreeView::CollapseNode(TTreeNode* node) {
  if (!node->Expanded() || !CanCollapse(node)) return;
  // A selection inside goes up to the node, as the control moves it.
  TTreeNode* selected = Selected();
  const bool moves = selected && selected->HasAsParent(node);
  node->expanded_ = false;
  if (node->item_ && HandleAllocated()) {
    Syncing s(syncing_);
    Send(TVM_EXPAND, TVE_COLLAPSE, node->item_);
  }
  if (moves) {
    selected_ = node;
    if (HandleAllocated() && node->item_) {
      Syncing s(syncing_);
      Send(TVM_SELECTITEM, TVGN_CARET, node->item_);
    }
    Change(node);
  }
}

void TCustomTreeView::SortChildren(TTreeNode* parent, bool recurse) {
  auto& kids = parent->children_;
  for (size_t i = 0; i < kids.size(); ++i) kids[i]->sortKey_ = static_cast<int>(i);
  std::sort(kids.begin(), kids.end(), [&](TTreeNode* a, TTreeNode* b) {
    return CompareForSort(reinterpret_cast<LPARAM>(a), reinterpret_cast<LPARAM>(b), 0) < 0;
  });
  Renumber(parent, 0);
  if (kids.size() > 1 && HandleAllocated() && (IsRoot(parent) || parent->item_)) {
    TVSORTCB sort{IsRoot(parent) ? TVI_ROOT : parent->item_, &CompareForSort, 0};
    Syncing s(syncing_);
    Send(TVM_SORTCHILDRENCB, 0, &sort);
  }
  if (recurse) {
    for (TTreeNode* child : kids) SortChildren(child, true);
  }
}

void TCustomTreeView::Renumber(TTreeNode* parent, size_t from) {
  auto& kids = parent->children_;
  for (size_t i = from; i < kids.size(); ++i) kids[i]->index_ = static_cast<int>(i);
}

int CALLBACK TCustomTreeView::CompareForSort(LPARAM a, LPARAM b, LPARAM) {
  const int c = CompareNodes(a, b, 0);
  if (c != 0) return c;
  return reinterpret_cast<TTreeNode*>(a)->sortKey_ - reinterpret_cast<TTreeNode*>(b)->sortKey_;
}

void TCustomTreeView::AlphaSort() { SortChildren(&root_, true); }

void TCustomTreeView::SetSortType(TSortType sortType) {
  if (sortType == sortType_) return;
  sortType_ = sortType;
  if (sortType == stText) AlphaSort();
}

void TCustomTreeView::SetStyle(bool& field, bool value) {
  if (field == value) return;
  field = value;
  // Every style here is read by the control as it goes, so the window
  // stays.
  if (HandleAllocated()) {
    TCreateParams params;
    CreateParams(params);
    const DWORD mask = TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_EDITLABELS |
                       TVS_SHOWSELALWAYS;
    LONG style = GetWindowLongA(Handle(), GWL_STYLE);
    SetWindowLongA(Handle(), GWL_STYLE, (style & ~mask) | (params.Style & mask));
    Invalidate();
  }
}

void TCustomTreeView::SetReadOnly(bool readOnly) { SetStyle(readOnly_, readOnly); }
void TCustomTreeView::SetHideSelection(bool hideSelection) {
  SetStyle(hideSelection_, hideSelection);
}
void TCustomTreeView::SetShowLines(bool showLines) { SetStyle(showLines_, showLines); }
void TCustomTreeView::SetShowButtons(bool showButtons) { SetStyle(showButtons_, showButtons); }
void TCustomTreeView::SetShowRoot(bool showRoot) { SetStyle(showRoot_, showRoot); }

void TCustomTreeView::SetIndent(int indent) {
  indent_ = indent;
  if (indent > 0 && HandleAllocated()) Send(TVM_SETINDENT, static_cast<WPARAM>(indent), nullptr);
}

bool TCustomTreeView::CanExpand(TTreeNode* node) {
  bool allow = true;
  if (OnExpanding) OnExpanding(this, node, allow);
  return allow;
}

bool TCustomTreeView::CanCollapse(TTreeNode* node) {
  bool allow = true;
  if (OnCollapsing) OnCollapsing(this, node, allow);
  return allow;
}

bool TCustomTreeView::CanChange(TTreeNode* node) {
  bool allow = true;
  if (OnChanging) OnChanging(this, node, allow);
  return allow;
}

void TCustomTreeView::Change(TTreeNode* node) {
  if (OnChange) OnChange(this, node);
}

bool TCustomTreeView::DecideHasChildren(TTreeNode*) { return false; }

bool TCustomTreeView::CNNotify(NMHDR* header, LRESULT& result) {
  // The A and W forms share the fields read here (no text).
  auto* tv = reinterpret_cast<NMTREEVIEWA*>(header);
  auto nodeOf = [](const TVITEMA& item) {
    return item.hItem ? reinterpret_cast<TTreeNode*>(item.lParam) : nullptr;
  };
  switch (header->code) {
    case TVN_ITEMEXPANDINGA:
    case TVN_ITEMEXPANDINGW: {
      result = FALSE;
      TTreeNode* node = nodeOf(tv->itemNew);
      if (syncing_ || !node) return true;
      bool allow;
      if ((tv->action & (TVE_EXPAND | TVE_COLLAPSE)) == TVE_COLLAPSE) {
        allow = CanCollapse(node);
      } else {
        allow = CanExpand(node);
        if (allow && node->children_.empty()) {
          node->SetHasChildren(false);
          allow = false;
        }
      }
      result = allow ? FALSE : TRUE;
      return true;
    }
    case TVN_ITEMEXPANDEDA:
    case TVN_ITEMEXPANDEDW:
      if (TTreeNode* node = nodeOf(tv->itemNew)) node->expanded_ = node->Expanded();
      result = 0;
      return true;
    case TVN_SELCHANGINGA:
    case TVN_SELCHANGINGW:
      result = (syncing_ || CanChange(nodeOf(tv->itemNew))) ? FALSE : TRUE;
      return true;
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW:
      result = 0;
      if (!syncing_) {
        selected_ = nodeOf(tv->itemNew);
        Change(selected_);
      }
      return true;
    case TVN_BEGINLABELEDITA:
    case TVN_BEGINLABELEDITW:
      result = readOnly_ ? TRUE : FALSE;
      return true;
    case TVN_ENDLABELEDITA: {
      auto* info = reinterpret_cast<NMTVDISPINFOA*>(header);
      result = FALSE;
      if (TTreeNode* node = nodeOf(info->item); node && info->item.pszText && !readOnly_) {
        node->text_ = info->item.pszText;
        result = TRUE;
        if (sortType_ == stText) SortChildren(node->parent_, false);
      }
      return true;
    }
    case TVN_GETDISPINFOA:
    case TVN_GETDISPINFOW: {
      // Only the children are ever left to a callback, and their field
      // lies alike in both forms. The answer is kept by the control.
      auto* info = reinterpret_cast<NMTVDISPINFOA*>(header);
      result = 0;
      if (TTreeNode* node = nodeOf(info->item); node && (info->item.mask & TVIF_CHILDREN)) {
        info->item.cChildren = node->shownChildren_ = node->HasChildren() ? 1 : 0;
        info->item.mask |= TVIF_DI_SETITEM;
      }
      return true;
    }
    case NM_CLICK:
      result = 0;
      if (buttonDown_ > 0) clickPending_ = true;
      else Click();
      return true;
    case TVN_BEGINDRAGA:
    case TVN_BEGINDRAGW:
      result = 0;
      if (DragMode() == dmAutomatic) {
        dragItem_ = tv->itemNew.hItem;
        dragAt_ = tv->ptDrag;
        BeginDrag(true);
        dragItem_ = nullptr;
      }
      return true;
    default:
      return false;
  }
}

HIMAGELIST TCustomTreeView::CreateDragImage(POINT grab, POINT& hotspot) {
  HTREEITEM item = dragItem_;
  if (item) grab = dragAt_;
  if (!item) {
    TVHITTESTINFO hit{};
    hit.pt = grab;
    item = reinterpret_cast<HTREEITEM>(Send(TVM_HITTEST, 0, &hit));
  }
  if (!item) item = reinterpret_cast<HTREEITEM>(Send(TVM_GETNEXTITEM, TVGN_CARET, nullptr));
  if (!item) return TWinControl::CreateDragImage(grab, hotspot);
  RECT r{};
  std::memcpy(&r, &item, sizeof item);  // the message takes the item in the rectangle
  Send(TVM_GETITEMRECT, TRUE, &r);
  // The control draws a node's picture only with images; else it is the
  // node's text as the control shows it.
  auto* list = reinterpret_cast<HIMAGELIST>(Send(TVM_CREATEDRAGIMAGE, 0, item));
  if (!list) list = ClientPicture(r);
  // The picture starts where the node's text does.
  hotspot = POINT{grab.x - r.left, grab.y - r.top};
  return list;
}
