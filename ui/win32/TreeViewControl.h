#pragma once
// The tree view common control as the configuration tree's rebuild sees it.

#include "ui/TreeSync.h"

#include <windows.h>

namespace NQuillon
{
class CTreeViewControl final : public ICTreeControl
{
public:
    explicit CTreeViewControl(HWND tree) : m_Tree(tree) {}

    std::vector<CItem> f_GetChildren(CItem parent) override;
    CItem f_GetParent(CItem item) override;
    NTev::CStr f_GetLabel(CItem item) override;
    void f_SetLabel(CItem item, const char* label) override;
    CItem f_InsertItem(CItem parent, CItem after, const char* label) override;
    void f_DeleteItem(CItem item) override;

private:
    HWND m_Tree;
};
} // namespace NQuillon
