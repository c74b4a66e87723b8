#include "ui/TreeSync.h"

#include <algorithm>
#include <map>

namespace NQuillon
{
void gf_SyncTree(ICTreeControl& tree, ICTreeControl::CItem parent, const std::vector<CTreeNode>& nodes)
{
    struct CExisting
    {
        ICTreeControl::CItem m_Item;
        NTev::CStr m_Label;
        bool m_bStale = true;
    };
    std::vector<CExisting> existing;
    for (ICTreeControl::CItem item : tree.f_GetChildren(parent))
        existing.push_back({item, tree.f_GetLabel(item)});
    // Siblings by identity, in tree order; the children of one parent are all of one kind.
    std::multimap<NTev::CStr, std::size_t> byIdentity;
    if (!nodes.empty())
        for (std::size_t i = 0; i < existing.size(); ++i)
            byIdentity.emplace(gf_NodeIdentity(nodes.front().m_Kind, existing[i].m_Label), i);

    ICTreeControl::CItem previous = 0;
    for (const CTreeNode& node : nodes)
    {
        const NTev::CStr identity = gf_NodeIdentity(node.m_Kind, node.m_Label);
        CExisting* match = nullptr;
        const auto found = byIdentity.lower_bound(identity);
        if (found != byIdentity.end() && found->first == identity)
        {
            match = &existing[found->second];
            byIdentity.erase(found);
        }
        ICTreeControl::CItem item;
        if (match)
        {
            match->m_bStale = false;
            item = match->m_Item;
            if (!(match->m_Label == node.m_Label))
                tree.f_SetLabel(item, node.m_Label.f_GetStr());
        }
        else
            item = tree.f_InsertItem(parent, previous, node.m_Label.f_GetStr());
        previous = item;
        gf_SyncTree(tree, item, node.m_Children);
    }
    for (const CExisting& candidate : existing)
        if (candidate.m_bStale)
            tree.f_DeleteItem(candidate.m_Item);
}

ICTreeControl::CItem gf_FindItem(ICTreeControl& tree, const std::vector<NTev::CStr>& path,
                                 std::uint32_t actionIndex)
{
    ICTreeControl::CItem item = 0;
    std::vector<NTev::CStr> prefix;
    for (const NTev::CStr& label : path)
    {
        prefix.push_back(label);
        CNodeRef node;
        if (!gf_IdentifyNode(prefix, node))
            return 0;
        const NTev::CStr identity = gf_NodeIdentity(node.m_Kind, label);
        // Every action of a binding has the same identity: skip those before the one meant.
        std::uint32_t skip = node.m_Kind == ENodeKind::Action ? actionIndex : 0;
        ICTreeControl::CItem found = 0;
        for (ICTreeControl::CItem child : tree.f_GetChildren(item))
            if (gf_NodeIdentity(node.m_Kind, tree.f_GetLabel(child)) == identity && skip-- == 0)
            {
                found = child;
                break;
            }
        if (!found)
            return 0;
        item = found;
    }
    return item;
}

std::vector<NTev::CStr> gf_GetItemPath(ICTreeControl& tree, ICTreeControl::CItem item)
{
    std::vector<NTev::CStr> path;
    for (; item; item = tree.f_GetParent(item))
        path.insert(path.begin(), tree.f_GetLabel(item));
    return path;
}

std::uint32_t gf_GetItemIndex(ICTreeControl& tree, ICTreeControl::CItem item)
{
    const std::vector<ICTreeControl::CItem> siblings = tree.f_GetChildren(tree.f_GetParent(item));
    return static_cast<std::uint32_t>(std::find(siblings.begin(), siblings.end(), item) - siblings.begin());
}
} // namespace NQuillon
