// tavrel create at the C level: what the named image holds.
#include <gtest/gtest.h>

#include "support/tcl_env.h"
#include "tcl/state_p.h"

namespace {

Photo *named_image(Tcl_Interp *interp, const char *name) {
    Tcl_CmdInfo info;
    if (!Tcl_GetCommandInfo(interp, "tavrel", &info)) return nullptr;
    auto *state = static_cast<TavInterpState *>(info.objClientData);
    Tcl_HashEntry *entry = Tcl_FindHashEntry(state->images, name);
    return entry ? static_cast<Photo *>(Tcl_GetHashValue(entry)) : nullptr;
}

TEST(TavrelCreate, PaletteImageHasBlackAndWhite) {
    Tcl_Interp *interp = tavtest::interp();
    ASSERT_EQ(Tcl_Eval(interp, "tavrel create palette_img -palette yes"), TCL_OK);
    Photo *image = named_image(interp, "palette_img");
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(PhotoIsIndexed(image));
    EXPECT_EQ(PhotoWidth(image), 0);
    TavColormap *map = PhotoColormap(image);
    ASSERT_EQ(TavColormapSize(map), 2);
    int r, g, b;
    TavGetColormap(map, 0, &r, &g, &b);
    EXPECT_EQ(r + g + b, 0);
    TavGetColormap(map, 1, &r, &g, &b);
    EXPECT_EQ(r, 255);
    EXPECT_EQ(g, 255);
    EXPECT_EQ(b, 255);
    EXPECT_EQ(Tcl_Eval(interp, "tavrel delete palette_img"), TCL_OK);
}

TEST(TavrelCreate, LoadReplacesTheImageUnderTheSameName) {
    Tcl_Interp *interp = tavtest::interp();
    ASSERT_EQ(Tcl_Eval(interp, "tavrel create loaded; tavrel quality loaded 50"), TCL_OK);
    Photo *before = named_image(interp, "loaded");
    ASSERT_EQ(Tcl_Eval(interp, "tavrel load loaded -data \"P5 2 1 255\\n\\x01\\x02\""), TCL_OK)
        << Tcl_GetStringResult(interp);
    // The record stays the same (the name keeps naming it); its content and
    // settings follow the file, as a re-creation in place would give them.
    EXPECT_EQ(named_image(interp, "loaded"), before);
    EXPECT_TRUE(PhotoIsGrayscale(before));
    EXPECT_EQ(PhotoGetQuality(before), -1);
    EXPECT_EQ(Tcl_Eval(interp, "tavrel delete loaded"), TCL_OK);
}

}  // namespace
