#include "tests/app/win32/RemoteTree.h"

namespace NQuillonTest
{
namespace
{
constexpr std::size_t gc_TextSize = 1024;
}

CRemoteTree::CRemoteTree(HWND tree, DWORD processId) : m_Tree(tree)
{
    m_Process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (m_Process)
        m_pRemote =
            VirtualAllocEx(m_Process, nullptr, sizeof(TVITEMA) + gc_TextSize, MEM_COMMIT, PAGE_READWRITE);
}

CRemoteTree::~CRemoteTree()
{
    if (m_pRemote)
        VirtualFreeEx(m_Process, m_pRemote, 0, MEM_RELEASE);
    if (m_Process)
        CloseHandle(m_Process);
}

std::string CRemoteTree::f_Label(HTREEITEM item)
{
    if (!m_pRemote)
        return "(no access to the process)";
    auto* remoteText = static_cast<char*>(m_pRemote) + sizeof(TVITEMA);
    TVITEMA data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = remoteText;
    data.cchTextMax = gc_TextSize;
    WriteProcessMemory(m_Process, m_pRemote, &data, sizeof data, nullptr);
    SendMessageA(m_Tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(m_pRemote));
    char text[gc_TextSize] = {};
    ReadProcessMemory(m_Process, remoteText, text, sizeof text - 1, nullptr);
    return text;
}

std::string CRemoteTree::f_Text(HTREEITEM parent, int depth)
{
    std::string text;
    HTREEITEM child = parent == TVI_ROOT ? TreeView_GetRoot(m_Tree) : TreeView_GetChild(m_Tree, parent);
    for (; child; child = TreeView_GetNextSibling(m_Tree, child))
        text += std::string(static_cast<std::size_t>(depth) * 2, ' ') + f_Label(child) + "\n" +
                f_Text(child, depth + 1);
    return text;
}

HTREEITEM CRemoteTree::f_Find(const std::vector<std::string>& path)
{
    HTREEITEM item = TVI_ROOT;
    for (const std::string& label : path)
    {
        HTREEITEM child = item == TVI_ROOT ? TreeView_GetRoot(m_Tree) : TreeView_GetChild(m_Tree, item);
        while (child && f_Label(child) != label)
            child = TreeView_GetNextSibling(m_Tree, child);
        if (!child)
            return nullptr;
        item = child;
    }
    return item == TVI_ROOT ? nullptr : item;
}

void CRemoteTree::f_Select(HTREEITEM item)
{
    TreeView_SelectItem(m_Tree, item);
}

bool CRemoteTree::f_IsExpanded(HTREEITEM item)
{
    return (TreeView_GetItemState(m_Tree, item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

void CRemoteTree::f_Expand(HTREEITEM item)
{
    TreeView_Expand(m_Tree, item, TVE_EXPAND);
}
} // namespace NQuillonTest
