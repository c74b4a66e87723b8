#include "ui/win32/TreeViewControl.h"

#include <commctrl.h>

namespace NQuillon
{
namespace
{
HTREEITEM fg_Handle(ICTreeControl::CItem item)
{
    return reinterpret_cast<HTREEITEM>(item);
}

ICTreeControl::CItem fg_Item(HTREEITEM handle)
{
    return reinterpret_cast<ICTreeControl::CItem>(handle);
}
} // namespace

std::vector<ICTreeControl::CItem> CTreeViewControl::f_GetChildren(CItem parent)
{
    std::vector<CItem> children;
    HTREEITEM child = parent ? TreeView_GetChild(m_Tree, fg_Handle(parent)) : TreeView_GetRoot(m_Tree);
    for (; child; child = TreeView_GetNextSibling(m_Tree, child))
        children.push_back(fg_Item(child));
    return children;
}

ICTreeControl::CItem CTreeViewControl::f_GetParent(CItem item)
{
    return fg_Item(TreeView_GetParent(m_Tree, fg_Handle(item)));
}

NTev::CStr CTreeViewControl::f_GetLabel(CItem item)
{
    // Labels are at most a few hundred characters (a long ignore list). A longer one reads
    // back cut, so each rebuild sets it again; the item itself is kept.
    char text[4096] = {};
    TVITEMA data{};
    data.mask = TVIF_TEXT;
    data.hItem = fg_Handle(item);
    data.pszText = text;
    data.cchTextMax = sizeof text;
    SendMessageA(m_Tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
    return text;
}

void CTreeViewControl::f_SetLabel(CItem item, const char* label)
{
    TVITEMA data{};
    data.mask = TVIF_TEXT;
    data.hItem = fg_Handle(item);
    data.pszText = const_cast<char*>(label);
    SendMessageA(m_Tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&data));
}

ICTreeControl::CItem CTreeViewControl::f_InsertItem(CItem parent, CItem after, const char* label)
{
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent ? fg_Handle(parent) : TVI_ROOT;
    insert.hInsertAfter = after ? fg_Handle(after) : TVI_FIRST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<char*>(label);
    return fg_Item(reinterpret_cast<HTREEITEM>(
        SendMessageA(m_Tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert))));
}

void CTreeViewControl::f_DeleteItem(CItem item)
{
    TreeView_DeleteItem(m_Tree, fg_Handle(item));
}
} // namespace NQuillon
