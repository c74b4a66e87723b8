#pragma once
// Brings a tree control to show a new state of the configuration while keeping what did not
// change: items that still stand keep their expansion and selection, items that went are
// deleted and new ones are inserted where the model has them.

#include "ui/ConfigTree.h"

#include <cstdint>
#include <vector>

namespace NQuillon
{
// The tree control as the rebuild needs it: the Win32 tree view, or a stand-in in tests.
class ICTreeControl
{
public:
    // An item; 0 is the invisible root above the two roots.
    using CItem = std::uintptr_t;

    virtual std::vector<CItem> f_GetChildren(CItem parent) = 0;
    // 0 for the two roots.
    virtual CItem f_GetParent(CItem item) = 0;
    virtual NTev::CStr f_GetLabel(CItem item) = 0;
    virtual void f_SetLabel(CItem item, const char* label) = 0;
    // Inserts a new child of parent after the sibling after (0: as the first child).
    virtual CItem f_InsertItem(CItem parent, CItem after, const char* label) = 0;
    // Deletes the item with everything below it.
    virtual void f_DeleteItem(CItem item) = 0;

protected:
    ~ICTreeControl() = default;
};

// Makes the children of parent show nodes, recursively. An existing child is kept when its
// identity (gf_NodeIdentity) matches a node's, and relabelled when its label changed.
void gf_SyncTree(ICTreeControl& tree, ICTreeControl::CItem parent, const std::vector<CTreeNode>& nodes);

// The item that stands for the node with that path of labels now: each level matched by its
// identity (a setting whose value changed is still found), an action by its place among its
// binding's actions; 0 when the node went.
ICTreeControl::CItem gf_FindItem(ICTreeControl& tree, const std::vector<NTev::CStr>& path,
                                 std::uint32_t actionIndex = 0);

// The labels from the root down to item (what gf_IdentifyNode takes).
std::vector<NTev::CStr> gf_GetItemPath(ICTreeControl& tree, ICTreeControl::CItem item);
// The item's place among its siblings: for an action, which of its binding's actions it is.
std::uint32_t gf_GetItemIndex(ICTreeControl& tree, ICTreeControl::CItem item);
} // namespace NQuillon
