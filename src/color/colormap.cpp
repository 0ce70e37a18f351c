// Colormaps: up to 256 opaque entries, an optional transparent index, and a
// cutting-plane tree for fast nearest-colour lookup without backtracking.
#include "core/memory_p.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr int kCapacity = 256;

void delete_tree(TavColormapNode *node) {
    // Iterative so that a degenerate tree cannot exhaust the stack.
    std::vector<TavColormapNode *> pending{node};
    while (!pending.empty()) {
        TavColormapNode *n = pending.back();
        pending.pop_back();
        if (!n) continue;
        pending.push_back(n->left);
        pending.push_back(n->right);
        TavFree(n);
    }
}

TavColormapNode *new_node() {
    auto *node = static_cast<TavColormapNode *>(TavAlloc(sizeof(TavColormapNode)));
    std::memset(node, 0, sizeof(*node));
    return node;
}

TavColormapNode *new_leaf(int index) {
    TavColormapNode *leaf = new_node();
    leaf->index = index;
    return leaf;
}

inline int side_of(const TavColormapNode *node, const unsigned char *rgb) {
    return node->a * rgb[0] + node->b * rgb[1] + node->c * rgb[2] - node->d;
}

void sort_by_component(TavColormapItem *items, int count, int component) {
    std::stable_sort(items, items + count, [component](const TavColormapItem &p, const TavColormapItem &q) {
        return p.color[component] < q.color[component];
    });
}

bool all_same_colour(const TavColormapItem *items, int count) {
    for (int i = 1; i < count; ++i)
        if (std::memcmp(items[i].color, items[0].color, 3) != 0) return false;
    return true;
}

}  // namespace

extern "C" {

TavColormap *TavCreateColormap(void) {
    auto *map = static_cast<TavColormap *>(TavAlloc(sizeof(TavColormap)));
    map->size = 0;
    map->capacity = kCapacity;
    map->transparent = -1;
    map->entries = static_cast<unsigned char *>(TavAlloc(kCapacity * 4));
    std::memset(map->entries, 0, kCapacity * 4);
    map->tree = nullptr;
    return map;
}

TavColormap *TavDupColormap(TavColormap *map) {
    if (!map) return nullptr;
    auto *copy = static_cast<TavColormap *>(TavAlloc(sizeof(TavColormap)));
    copy->size = map->size;
    copy->capacity = map->capacity;
    copy->transparent = map->transparent;
    copy->entries = nullptr;
    copy->tree = nullptr;
    if (map->capacity > 0) {
        copy->entries = static_cast<unsigned char *>(TavAlloc(static_cast<unsigned int>(map->capacity) * 4));
        std::memcpy(copy->entries, map->entries, static_cast<size_t>(map->capacity) * 4);
    }
    return copy;
}

void TavDeleteColormap(TavColormap *map) {
    if (!map) return;
    TavFree(map->entries);
    delete_tree(map->tree);
    TavFree(map);
}

int TavColormapSize(TavColormap *map) { return map->size; }

int TavSetColormap(TavColormap *map, int index, int red, int green, int blue) {
    if (index < 0 || index >= map->size) return -1;
    TavSetColor(map->entries + 4 * index, red, green, blue, 255);
    return index;
}

int TavAddColormap(TavColormap *map, int red, int green, int blue) {
    if (map->size >= map->capacity) return -1;
    const int index = map->size++;
    TavSetColor(map->entries + 4 * index, red, green, blue, 255);
    return index;
}

int TavGetColormap(TavColormap *map, int index, int *red, int *green, int *blue) {
    if (index < 0 || index >= map->size) return -1;
    const unsigned char *e = map->entries + 4 * index;
    *red = e[0];
    *green = e[1];
    *blue = e[2];
    return index;
}

int TavResizeColormap(TavColormap *map, int new_size) {
    if (new_size <= 0 || new_size > map->capacity) return 1;
    for (int i = new_size; i < map->size; ++i) TavSetColor(map->entries + 4 * i, 0, 0, 0, 255);
    map->size = new_size;
    return 0;
}

int TavGetTransparent(TavColormap *map) { return map ? map->transparent : -1; }

int TavSetTransparent(TavColormap *map, int index) {
    if (index >= map->size) return -1;
    map->transparent = index < 0 ? -1 : index;
    return 0;
}

void ChooseCuttingPlane(TavColormapItem *items, int count, TavColormapNode *node) {
    if (count < 2) return;  // a plane needs an item on either side of it
    int gap[3] = {0, 0, 0}, at[3] = {1, 1, 1};
    for (int component = 0; component < 3; ++component) {
        sort_by_component(items, count, component);
        for (int k = 1; k < count; ++k) {
            const int diff = items[k].color[component] - items[k - 1].color[component];
            if (diff >= gap[component]) {  // on equal gaps the later pair wins
                gap[component] = diff;
                at[component] = k;
            }
        }
    }
    int axis = 2;
    if (gap[0] > gap[1] && gap[0] > gap[2]) axis = 0;
    else if (gap[1] > gap[2]) axis = 1;
    sort_by_component(items, count, axis);
    node->a = axis == 0 ? 2 : 0;
    node->b = axis == 1 ? 2 : 0;
    node->c = axis == 2 ? 2 : 0;
    node->d = items[at[axis] - 1].color[axis] + items[at[axis]].color[axis];
}

TavColormapNode *TavCompileColormapRec(TavColormapItem *items, int count) {
    if (count <= 0) return nullptr;
    if (count == 1) return new_leaf(items[0].index);
    TavColormapNode *node = new_node();
    node->index = -1;
    if (count == 2) {
        const unsigned char *p = items[0].color, *q = items[1].color;
        node->a = 2 * (q[0] - p[0]);
        node->b = 2 * (q[1] - p[1]);
        node->c = 2 * (q[2] - p[2]);
        node->d = (q[0] * q[0] + q[1] * q[1] + q[2] * q[2]) - (p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
        node->left = new_leaf(items[0].index);
        node->right = new_leaf(items[1].index);
        return node;
    }
    if (all_same_colour(items, count)) {
        // No plane separates identical colours: the group ends as a leaf of
        // its first item, so the recursion always shrinks.
        TavFree(node);
        return new_leaf(items[0].index);
    }
    ChooseCuttingPlane(items, count, node);
    for (int i = 0; i < count; ++i) items[i].side = side_of(node, items[i].color);
    std::stable_sort(items, items + count,
                     [](const TavColormapItem &p, const TavColormapItem &q) { return p.side < q.side; });
    int below = 0;
    while (below < count && items[below].side < 0) ++below;
    node->left = TavCompileColormapRec(items, below);
    node->right = TavCompileColormapRec(items + below, count - below);
    return node;
}

TavColormapNode *TavCompileColormap(TavColormap *map) {
    std::vector<TavColormapItem> items;
    items.reserve(static_cast<size_t>(std::max(map->size, 0)));
    for (int i = 0; i < map->size; ++i)
        if (i != map->transparent) items.push_back({i, map->entries + 4 * i, 0});
    delete_tree(map->tree);
    map->tree = TavCompileColormapRec(items.data(), static_cast<int>(items.size()));
    return map->tree;
}

int TavFindClosestExact(TavColormap *map, int red, int green, int blue) {
    if (!map) return -1;
    red &= 255;
    green &= 255;
    blue &= 255;
    int best = -1, best_distance = 0;
    for (int i = 0; i < map->size; ++i) {
        const unsigned char *e = map->entries + 4 * i;
        const int dr = red - e[0], dg = green - e[1], db = blue - e[2];
        const int distance = dr * dr + dg * dg + db * db;
        if (best < 0 || distance < best_distance) {
            best = i;
            best_distance = distance;
        }
    }
    return best;
}

int TavFindClosest(TavColormap *map, int red, int green, int blue) {
    if (!map) return -1;
    if (!map->tree) TavCompileColormap(map);
    const unsigned char rgb[3] = {static_cast<unsigned char>(red), static_cast<unsigned char>(green),
                                  static_cast<unsigned char>(blue)};
    const TavColormapNode *node = map->tree;
    while (node && node->index < 0) node = side_of(node, rgb) < 0 ? node->left : node->right;
    return node ? node->index : -1;
}

}  // extern "C"
