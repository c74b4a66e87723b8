#pragma once
// Reads and drives a tree view of another process, as a user sees it: its labels through a
// buffer in that process, its items by path, selection and expansion.

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

namespace NQuillonTest
{
class CRemoteTree
{
public:
    CRemoteTree(HWND tree, DWORD processId);
    ~CRemoteTree();
    CRemoteTree(const CRemoteTree&) = delete;
    CRemoteTree& operator=(const CRemoteTree&) = delete;

    std::string f_Label(HTREEITEM item);
    // Every item, two blanks of indentation a level.
    std::string f_Text(HTREEITEM parent = TVI_ROOT, int depth = 0);
    // The item with that path of labels, or null.
    HTREEITEM f_Find(const std::vector<std::string>& path);
    void f_Select(HTREEITEM item);
    bool f_IsExpanded(HTREEITEM item);
    void f_Expand(HTREEITEM item);

private:
    HWND m_Tree;
    HANDLE m_Process = nullptr;
    void* m_pRemote = nullptr;
};
} // namespace NQuillonTest
