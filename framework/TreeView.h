// The tree view: a system tree view control whose items mirror a model of
// TTreeNode objects owned by the tree. The nodes are the truth; the window
// is rebuilt from them whenever it is made, so nodes, their expanded state
// and the selection survive RecreateWnd.
#pragma once

#include "framework/Controls.h"

#include <commctrl.h>

#include <functional>
#include <vector>

class TCustomTreeView;
class TTreeNodes;

// One node of a tree. Made and destroyed only through the tree's Items().
class TTreeNode : public TObject {
public:
  TCustomTreeView* TreeView() const { return tree_; }
  const String& Text() const { return text_; }
  void SetText(const String& text);
  void* Data() const { return data_; }
  void SetData(void* data) { data_ = data; }
  // The parent node, or null for a top-level node.
  TTreeNode* Parent() const;
  int Count() const { return static_cast<int>(children_.size()); }
  TTreeNode* Item(int index) const { return children_.at(index); }
  TTreeNode* GetFirstChild() const { return children_.empty() ? nullptr : children_.front(); }
  TTreeNode* GetLastChild() const { return children_.empty() ? nullptr : children_.back(); }
  TTreeNode* GetNextSibling() const;
  TTreeNode* GetPrevSibling() const;
  // The place among the siblings.
  int Index() const;
  // 0 for a top-level node.
  int Level() const;
  bool HasAsParent(const TTreeNode* ancestor) const;

  // A "+" button even before there are children, so that an owner can
  // add them when the node is first opened. Adding a child sets it;
  // deleting the last child, or opening a node that got none, clears it.
  // A node added while the tree defers the "+" asks the tree's
  // DecideHasChildren once, when the control first shows it or the
  // program first asks.
  bool HasChildren() const;
  void SetHasChildren(bool hasChildren);
  bool HasChildrenKnown() const { return childrenKnown_ || !children_.empty(); }
  bool Expanded() const;
  void SetExpanded(bool expanded);
  // Opens the node (OnExpanding may veto or add the children first).
  void Expand(bool recurse = false);
  void Collapse(bool recurse = false);
  // Scrolls the control until the node is in view, the control opening
  // the branches above it as it does for a selection (opening them here
  // would let an owner that reads a level afresh replace this node);
  // nothing without a window.
  void MakeVisible();
  bool Selected() const;
  void SetSelected(bool selected);
  // The window's item, or null without a window.
  HTREEITEM ItemId() const { return item_; }
  // Sorts the children by text (lstrcmpA).
  void AlphaSort(bool recurse = false);
  // Deletes the node and its children.
  void Delete();
  // Deletes the children, all at once: a selection among them goes up to
  // the node, with one OnChange.
  void DeleteChildren();

private:
  explicit TTreeNode(TCustomTreeView* tree) : tree_(tree) {}
  ~TTreeNode() override = default;

  TCustomTreeView* tree_;
  TTreeNode* parent_ = nullptr;
  std::vector<TTreeNode*> children_;
  String text_;
  void* data_ = nullptr;
  HTREEITEM item_ = nullptr;
  // Decided on the first question, which a const reader may ask.
  mutable bool hasChildren_ = false;
  mutable bool childrenKnown_ = true;
  // What the window's item was last given for its button: the control
  // keeps the answer to a callback, which the model must not lose sight of.
  int shownChildren_ = 0;
  bool expanded_ = false;
  int sortKey_ = 0;  // place before a sort: ties keep their order
  // The place among the siblings, kept with every change of them: sibling
  // steps through a level of thousands are then a lookup, not a search.
  int index_ = 0;

  friend class TCustomTreeView;
  friend class TTreeNodes;
};

// The nodes of a tree.
class TTreeNodes {
public:
  TTreeNodes(const TTreeNodes&) = delete;
  TTreeNodes& operator=(const TTreeNodes&) = delete;

  TCustomTreeView* Owner() const { return tree_; }
  // All nodes, at every level.
  int Count() const;
  // The node at index counting every node in display order (parents
  // before their children), or null.
  TTreeNode* Item(int index) const;
  TTreeNode* GetFirstNode() const;
  // A new last sibling of sibling (a top-level node when null).
  TTreeNode* Add(TTreeNode* sibling, const String& text);
  TTreeNode* AddObject(TTreeNode* sibling, const String& text, void* data);
  // A new last child of parent (a top-level node when null).
  TTreeNode* AddChild(TTreeNode* parent, const String& text);
  TTreeNode* AddChildObject(TTreeNode* parent, const String& text, void* data);
  void Delete(TTreeNode* node);
  void Clear();
  // Redrawing stops until the matching EndUpdate; calls nest.
  void BeginUpdate();
  void EndUpdate();
  bool Updating() const { return updateCount_ > 0; }

private:
  explicit TTreeNodes(TCustomTreeView* tree) : tree_(tree) {}

  TCustomTreeView* tree_;
  int updateCount_ = 0;

  friend class TCustomTreeView;
};

enum TSortType { stNone, stText };

using TTVExpandingEvent = std::function<void(TObject* sender, TTreeNode* node, bool& allow)>;
using TTVChangingEvent = std::function<void(TObject* sender, TTreeNode* node, bool& allow)>;
using TTVChangedEvent = std::function<void(TObject* sender, TTreeNode* node)>;

class TCustomTreeView : public TWinControl {
public:
  explicit TCustomTreeView(TComponent* owner);
  ~TCustomTreeView() override;

  TTreeNodes& Items() { return items_; }
  const TTreeNodes& Items() const { return items_; }
  TTreeNode* Selected() const;
  // Selects node (null for none); fires OnChange when the selection moved.
  void SetSelected(TTreeNode* node);
  // The node whose text or picture is at the client point (x, y), or null.
  TTreeNode* GetNodeAt(int x, int y) const;
  // The node drawn as the target of a drag (null for none). The drag's
  // picture is hidden while the control repaints, so it leaves no trail.
  TTreeNode* DropTarget() const;
  void SetDropTarget(TTreeNode* node);

  TSortType SortType() const { return sortType_; }
  // stText sorts the whole tree now and keeps added nodes in order.
  void SetSortType(TSortType sortType);
  // Sorts every level by text (lstrcmpA).
  void AlphaSort();

  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool hideSelection);
  bool ShowLines() const { return showLines_; }
  void SetShowLines(bool showLines);
  bool ShowButtons() const { return showButtons_; }
  void SetShowButtons(bool showButtons);
  bool ShowRoot() const { return showRoot_; }
  void SetShowRoot(bool showRoot);
  // Nodes added while it is on leave their "+" to DecideHasChildren, so
  // that a level of thousands costs one decision a node shown.
  bool DeferHasChildren() const { return deferHasChildren_; }
  void SetDeferHasChildren(bool defer) { deferHasChildren_ = defer; }
  // Pixels a level is indented by; 0 leaves the control's own.
  int Indent() const { return indent_; }
  void SetIndent(int indent);

  // Before a node opens, by the user or the program: add its children
  // here, or clear allow to keep it closed.
  TTVExpandingEvent OnExpanding;
  TTVExpandingEvent OnCollapsing;
  // Before the user moves the selection to node; clear allow to stay.
  TTVChangingEvent OnChanging;
  // After the selection moved to node (null for none), by any means: the
  // user, the program, or a collapse that took it up to the closed node.
  TTVChangedEvent OnChange;

protected:
  void CreateParams(TCreateParams& params) override;
  void InitializeWnd() override;
  void DestroyWnd() override;
  void WndProc(TMessage& message) override;
  bool CNNotify(NMHDR* header, LRESULT& result) override;
  virtual bool CanExpand(TTreeNode* node);
  virtual bool CanCollapse(TTreeNode* node);
  virtual bool CanChange(TTreeNode* node);
  virtual void Change(TTreeNode* node);
  // The "+" of a node that deferred it; none by default.
  virtual bool DecideHasChildren(TTreeNode* node);
  // A drag carries the node's picture as the control draws it: the node
  // the control saw dragged, else the one grabbed, else the selected one.
  HIMAGELIST CreateDragImage(POINT grab, POINT& hotspot) override;
  // With dmAutomatic the control's own detection of a node dragged begins
  // the drag, not the press.
  void BeginAutoDrag() override {}

private:
  TTreeNode* AddNode(TTreeNode* parent, const String& text, void* data);
  void DeleteNode(TTreeNode* node);
  void DeleteChildren(TTreeNode* node);
  void ClearNodes();
  void FreeNode(TTreeNode* node);
  // last: the node is the last of its level in the window too.
  void InsertItem(TTreeNode* node, bool last);
  void InsertItems(TTreeNode* parent);
  void UpdateItem(TTreeNode* node, UINT mask);
  // The item's cChildren: the callback while the node's "+" is deferred.
  static int ShownChildren(const TTreeNode* node);
  void ReadBack(TTreeNode* parent);
  void ForgetItems(TTreeNode* parent);
  void RestoreExpanded(TTreeNode* parent);
  void SortChildren(TTreeNode* parent, bool recurse);
  // Gives the children of parent from index from on their places.
  static void Renumber(TTreeNode* parent, size_t from);
  static int CALLBACK CompareForSort(LPARAM a, LPARAM b, LPARAM);
  void ExpandNode(TTreeNode* node);
  void CollapseNode(TTreeNode* node);
  void SetStyle(bool& field, bool value);
  TTreeNode* NodeOf(HTREEITEM item) const;
  LRESULT Send(UINT msg, WPARAM wp, const void* lp);
  bool IsRoot(const TTreeNode* node) const { return node == &root_; }

  // The hidden parent of the top-level nodes.
  TTreeNode root_{this};
  TTreeNodes items_{this};
  TTreeNode* selected_ = nullptr;
  TSortType sortType_ = stNone;
  bool readOnly_ = false;
  bool hideSelection_ = true;
  bool showLines_ = true;
  bool showButtons_ = true;
  bool showRoot_ = true;
  bool deferHasChildren_ = false;
  int indent_ = 0;
  // The program drives the window: its notifications only echo the model.
  int syncing_ = 0;
  // Inside the control's own handling of a mouse button.
  int buttonDown_ = 0;
  bool clickPending_ = false;
  // The node the control reports dragged and where, while its drag begins.
  HTREEITEM dragItem_ = nullptr;
  POINT dragAt_{0, 0};

  friend class TTreeNode;
  friend class TTreeNodes;
};

// The tree view as placed on a form.
class TTreeView : public TCustomTreeView {
public:
  using TCustomTreeView::TCustomTreeView;
};
