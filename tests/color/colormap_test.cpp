// Colormaps: entry editing, transparency, the exhaustive search and the
// cutting-plane tree.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>

#include "support/tcl_env.h"

namespace {

struct MapDeleter {
    void operator()(TavColormap *map) const { TavDeleteColormap(map); }
};
using Map = std::unique_ptr<TavColormap, MapDeleter>;

Map make_map(std::initializer_list<std::array<int, 3>> colours) {
    Map map(TavCreateColormap());
    for (const auto &c : colours) TavAddColormap(map.get(), c[0], c[1], c[2]);
    return map;
}

void expect_leaf(const TavColormapNode *node, int index) {
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->index, index);
    EXPECT_EQ(node->left, nullptr);
    EXPECT_EQ(node->right, nullptr);
}

void expect_plane(const TavColormapNode *node, int a, int b, int c, int d) {
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->index, -1);
    EXPECT_EQ(node->a, a);
    EXPECT_EQ(node->b, b);
    EXPECT_EQ(node->c, c);
    EXPECT_EQ(node->d, d);
}

TEST(Colormap, NewMapIsEmpty) {
    tavtest::interp();
    Map map(TavCreateColormap());
    EXPECT_EQ(TavColormapSize(map.get()), 0);
    EXPECT_EQ(map->capacity, 256);
    EXPECT_EQ(TavGetTransparent(map.get()), -1);
    EXPECT_EQ(map->tree, nullptr);
    EXPECT_EQ(TavFindClosestExact(map.get(), 1, 2, 3), -1);
    EXPECT_EQ(TavFindClosest(map.get(), 1, 2, 3), -1);
    EXPECT_EQ(TavGetTransparent(nullptr), -1);
    TavDeleteColormap(nullptr);
}

TEST(Colormap, EntriesAreOpaqueAndIndexesChecked) {
    Map map = make_map({{1, 2, 3}});
    EXPECT_EQ(map->entries[3], 255);
    int r = -1, g = -1, b = -1;
    EXPECT_EQ(TavGetColormap(map.get(), 0, &r, &g, &b), 0);
    EXPECT_EQ(r, 1);
    EXPECT_EQ(g, 2);
    EXPECT_EQ(b, 3);
    EXPECT_EQ(TavSetColormap(map.get(), 0, 300, 20, 30), 0);  // taken as 8-bit values
    EXPECT_EQ(TavGetColormap(map.get(), 0, &r, &g, &b), 0);
    EXPECT_EQ(r, 300 & 255);
    EXPECT_EQ(TavSetColormap(map.get(), 1, 0, 0, 0), -1);
    EXPECT_EQ(TavSetColormap(map.get(), -1, 0, 0, 0), -1);
    EXPECT_EQ(TavGetColormap(map.get(), 1, &r, &g, &b), -1);
    EXPECT_EQ(TavGetColormap(map.get(), -1, &r, &g, &b), -1);
    EXPECT_EQ(TavColormapSize(map.get()), 1);
}

TEST(Colormap, AddStopsAtCapacity) {
    Map map(TavCreateColormap());
    for (int i = 0; i < 256; ++i) ASSERT_EQ(TavAddColormap(map.get(), i, 0, 0), i);
    EXPECT_EQ(TavAddColormap(map.get(), 1, 1, 1), -1);
    EXPECT_EQ(TavColormapSize(map.get()), 256);
}

TEST(Colormap, Resize) {
    Map map = make_map({{10, 20, 30}, {40, 50, 60}, {70, 80, 90}});
    EXPECT_EQ(TavResizeColormap(map.get(), 0), 1);
    EXPECT_EQ(TavResizeColormap(map.get(), -2), 1);
    EXPECT_EQ(TavResizeColormap(map.get(), 257), 1);
    EXPECT_EQ(TavColormapSize(map.get()), 3);
    EXPECT_EQ(map->entries[4], 40);
    // Shrinking blackens the dropped entries; growing brings back what is there.
    EXPECT_EQ(TavResizeColormap(map.get(), 1), 0);
    EXPECT_EQ(TavColormapSize(map.get()), 1);
    map->entries[4 * 5] = 99;  // a slot beyond size that was never in use
    EXPECT_EQ(TavResizeColormap(map.get(), 6), 0);
    int r, g, b;
    for (int i = 1; i <= 2; ++i) {
        EXPECT_EQ(TavGetColormap(map.get(), i, &r, &g, &b), i);
        EXPECT_EQ(r + g + b, 0) << i;
        EXPECT_EQ(map->entries[4 * i + 3], 255) << i;
    }
    EXPECT_EQ(TavGetColormap(map.get(), 5, &r, &g, &b), 5);
    EXPECT_EQ(r, 99);
    EXPECT_EQ(TavGetColormap(map.get(), 0, &r, &g, &b), 0);
    EXPECT_EQ(r, 10);
}

TEST(Colormap, TransparentIndex) {
    Map map = make_map({{0, 0, 0}, {9, 9, 9}});
    EXPECT_EQ(TavSetTransparent(map.get(), 2), -1);
    EXPECT_EQ(TavGetTransparent(map.get()), -1);
    EXPECT_EQ(TavSetTransparent(map.get(), 1), 0);
    EXPECT_EQ(TavGetTransparent(map.get()), 1);
    EXPECT_EQ(TavSetTransparent(map.get(), 7), -1);
    EXPECT_EQ(TavGetTransparent(map.get()), 1);
    EXPECT_EQ(TavSetTransparent(map.get(), -5), 0);
    EXPECT_EQ(TavGetTransparent(map.get()), -1);
}

TEST(Colormap, DuplicateIsIndependent) {
    Map map = make_map({{1, 2, 3}, {4, 5, 6}});
    TavSetTransparent(map.get(), 1);
    TavCompileColormap(map.get());
    Map copy(TavDupColormap(map.get()));
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy.get(), map.get());
    EXPECT_NE(copy->entries, map->entries);
    EXPECT_EQ(copy->tree, nullptr);
    EXPECT_EQ(TavColormapSize(copy.get()), 2);
    EXPECT_EQ(TavGetTransparent(copy.get()), 1);
    EXPECT_EQ(0, std::memcmp(copy->entries, map->entries, 8));

    TavSetColormap(copy.get(), 0, 200, 200, 200);
    TavAddColormap(copy.get(), 7, 7, 7);
    TavSetTransparent(copy.get(), -1);
    int r, g, b;
    TavGetColormap(map.get(), 0, &r, &g, &b);
    EXPECT_EQ(r, 1);
    EXPECT_EQ(TavColormapSize(map.get()), 2);
    EXPECT_EQ(TavGetTransparent(map.get()), 1);
    // Each keeps searching its own entries.
    EXPECT_EQ(TavFindClosest(copy.get(), 7, 7, 7), 2);
    EXPECT_EQ(TavFindClosest(map.get(), 7, 7, 7), 0);
    TavSetColormap(map.get(), 1, 50, 50, 50);
    TavGetColormap(copy.get(), 1, &r, &g, &b);
    EXPECT_EQ(r, 4);
}

TEST(Colormap, ExactSearchPrefersTheFirstOfEqualEntries) {
    Map map = make_map({{0, 0, 0}, {255, 255, 255}, {0, 0, 0}});
    EXPECT_EQ(TavFindClosestExact(map.get(), 10, 10, 10), 0);
    EXPECT_EQ(TavFindClosestExact(map.get(), 200, 250, 255), 1);
    TavSetTransparent(map.get(), 0);  // the exact search still sees it
    EXPECT_EQ(TavFindClosestExact(map.get(), 10, 10, 10), 0);
}

TEST(ColormapTree, TwoEntriesSplitOnTheirBisector) {
    Map map = make_map({{0, 0, 0}, {255, 255, 255}});
    EXPECT_EQ(TavFindClosest(map.get(), 128, 128, 128), 1);
    EXPECT_EQ(TavFindClosest(map.get(), 127, 127, 127), 0);
    const TavColormapNode *root = map->tree;
    expect_plane(root, 510, 510, 510, 3 * 255 * 255);
    expect_leaf(root->left, 0);
    expect_leaf(root->right, 1);
}

TEST(ColormapTree, ThreeGreysSplitOnBlueFirst) {
    Map map = make_map({{0, 0, 0}, {100, 100, 100}, {255, 255, 255}});
    const TavColormapNode *root = TavCompileColormap(map.get());
    ASSERT_EQ(root, map->tree);
    // Equal gaps on every axis: blue wins, halfway between 100 and 255.
    expect_plane(root, 0, 0, 2, 355);
    expect_leaf(root->right, 2);
    expect_plane(root->left, 200, 200, 200, 30000);  // bisector of black and grey
    expect_leaf(root->left->left, 0);
    expect_leaf(root->left->right, 1);

    EXPECT_EQ(TavFindClosest(map.get(), 200, 200, 200), 2);
    EXPECT_EQ(TavFindClosestExact(map.get(), 200, 200, 200), 2);
    EXPECT_EQ(TavFindClosest(map.get(), 250, 0, 0), 1);
    EXPECT_EQ(TavFindClosestExact(map.get(), 250, 0, 0), 1);
    // No backtracking: the blue cut sends this colour to white.
    EXPECT_EQ(TavFindClosest(map.get(), 0, 0, 180), 2);
    EXPECT_EQ(TavFindClosestExact(map.get(), 0, 0, 180), 1);
}

TEST(ColormapTree, AxisWithTheLargestGapWins) {
    // Red gap 200, green gap 40, blue gap 0: the cut is on red at 20 + 220.
    Map map = make_map({{20, 0, 9}, {220, 50, 9}, {0, 40, 9}});
    const TavColormapNode *root = TavCompileColormap(map.get());
    expect_plane(root, 2, 0, 0, 240);
    expect_leaf(root->right, 1);
    ASSERT_NE(root->left, nullptr);
    EXPECT_EQ(root->left->index, -1);
    // Left pair in red order: (0,40,9) first, (20,0,9) second.
    expect_leaf(root->left->left, 2);
    expect_leaf(root->left->right, 0);
}

TEST(ColormapTree, IdenticalColoursEndAsLeafOfTheFirst) {
    Map same = make_map({{5, 6, 7}, {5, 6, 7}, {5, 6, 7}});
    expect_leaf(TavCompileColormap(same.get()), 0);
    EXPECT_EQ(TavFindClosest(same.get(), 200, 0, 0), 0);

    Map mixed = make_map({{255, 0, 0}, {255, 0, 0}, {255, 0, 0}, {0, 0, 255}});
    const TavColormapNode *root = TavCompileColormap(mixed.get());
    expect_plane(root, 0, 0, 2, 255);
    expect_leaf(root->left, 0);
    expect_leaf(root->right, 3);

    // Two equal entries still get their (degenerate) bisector: ties go to the second.
    Map pair = make_map({{1, 1, 1}, {1, 1, 1}});
    EXPECT_EQ(TavFindClosest(pair.get(), 1, 1, 1), 1);
    EXPECT_EQ(TavFindClosestExact(pair.get(), 1, 1, 1), 0);
}

TEST(ColormapTree, TransparentEntryIsNeverFound) {
    Map map = make_map({{0, 0, 0}, {128, 128, 128}, {255, 255, 255}, {128, 0, 0}});
    EXPECT_EQ(TavSetTransparent(map.get(), 1), 0);
    TavCompileColormap(map.get());
    for (int v = 0; v < 256; v += 5)
        for (int w = 0; w < 256; w += 51) EXPECT_NE(TavFindClosest(map.get(), v, w, v), 1) << v << "," << w;
    EXPECT_EQ(TavFindClosestExact(map.get(), 128, 128, 128), 1);

    Map only = make_map({{3, 3, 3}});
    TavSetTransparent(only.get(), 0);
    EXPECT_EQ(TavFindClosest(only.get(), 3, 3, 3), -1);
}

TEST(ColormapTree, EditsNeedARecompile) {
    Map map = make_map({{0, 0, 0}, {255, 255, 255}});
    EXPECT_EQ(TavFindClosest(map.get(), 250, 250, 250), 1);
    TavSetColormap(map.get(), 1, 0, 0, 255);
    TavSetTransparent(map.get(), 0);
    EXPECT_EQ(TavFindClosest(map.get(), 250, 250, 250), 1);  // the old tree
    TavCompileColormap(map.get());
    EXPECT_EQ(TavFindClosest(map.get(), 0, 0, 0), 1);
}

TEST(ColormapTree, EveryDistinctEntryFindsItself) {
    std::srand(77);
    Map map(TavCreateColormap());
    std::set<int> seen;
    while (TavColormapSize(map.get()) < 256) {
        const int r = std::rand() % 256, g = std::rand() % 256, b = std::rand() % 4 * 85;
        if (seen.insert(r << 16 | g << 8 | b).second) TavAddColormap(map.get(), r, g, b);
    }
    for (int i = 0; i < 256; ++i) {
        int r, g, b;
        TavGetColormap(map.get(), i, &r, &g, &b);
        EXPECT_EQ(TavFindClosest(map.get(), r, g, b), i);
    }
    for (int i = 0; i < 2000; ++i) {
        const int found = TavFindClosest(map.get(), std::rand() % 256, std::rand() % 256, std::rand() % 256);
        EXPECT_GE(found, 0);
        EXPECT_LT(found, 256);
    }
}

TEST(ColormapTree, RecursionEdges) {
    EXPECT_EQ(TavCompileColormapRec(nullptr, 0), nullptr);
    TavColormapNode node{1, 2, 3, 4, -1, nullptr, nullptr};
    unsigned char colour[4] = {9, 9, 9, 255};
    TavColormapItem item{0, colour, 0};
    ChooseCuttingPlane(&item, 1, &node);  // nothing to separate: node untouched
    EXPECT_EQ(node.d, 4);
}

}  // namespace
