// Package initialisation and the per-interpreter state: name tables,
// generated names, independent interpreters, clean-up on deletion.
#include <gtest/gtest.h>

#include <cstring>

#include "support/tcl_env.h"
#include "tcl/state_p.h"

namespace {

TavInterpState *state_of(Tcl_Interp *interp) {
    Tcl_CmdInfo info;
    if (!Tcl_GetCommandInfo(interp, "tavrel", &info)) return nullptr;
    return static_cast<TavInterpState *>(info.objClientData);
}

struct FreshInterp {
    Tcl_Interp *interp;
    FreshInterp() : interp(Tcl_CreateInterp()) {
        tavtest::interp();
        EXPECT_EQ(Tavrel_Init(interp), TCL_OK);
    }
    ~FreshInterp() { Tcl_DeleteInterp(interp); }
};

TEST(InterpState, LoadsWithoutTkWithEmptyResult) {
    FreshInterp fresh;
    EXPECT_STREQ(Tcl_GetStringResult(fresh.interp), "");
    for (const char *cmd : {"tavrel", "tavfont", "tavcodec", "tavcopy"}) {
        Tcl_CmdInfo info;
        EXPECT_TRUE(Tcl_GetCommandInfo(fresh.interp, cmd, &info)) << cmd;
    }
    TavInterpState *state = state_of(fresh.interp);
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->interp, fresh.interp);
    EXPECT_EQ(state->tk_ready, 0);
    ASSERT_EQ(Tcl_Eval(fresh.interp, "package present tavrel"), TCL_OK);
    EXPECT_STREQ(Tcl_GetStringResult(fresh.interp), "0.8");
}

TEST(InterpState, TwoInterpretersHaveIndependentTables) {
    FreshInterp a, b;
    TavInterpState *sa = state_of(a.interp), *sb = state_of(b.interp);
    ASSERT_NE(sa, sb);
    int dummy1 = 0, dummy2 = 0;
    const char *na = TavNameRegister(sa->images, nullptr, &dummy1, "tavrel", &sa->image_counter);
    const char *nb = TavNameRegister(sb->images, nullptr, &dummy2, "tavrel", &sb->image_counter);
    EXPECT_STREQ(na, "tavrel0");
    EXPECT_STREQ(nb, "tavrel0");
    // Remove again so that the clean-up does not take the ints for images.
    EXPECT_EQ(TavNameRemove(sa->images, "tavrel0"), &dummy1);
    EXPECT_EQ(TavNameRemove(sb->images, "tavrel0"), &dummy2);
    EXPECT_EQ(TavNameRemove(sb->images, "tavrel0"), nullptr);
}

TEST(InterpState, GeneratedNamesSkipNamesInUse) {
    Tcl_HashTable table;
    Tcl_InitHashTable(&table, TCL_STRING_KEYS);
    unsigned int counter = 0;
    int objects[3];
    EXPECT_STREQ(TavNameRegister(&table, "tavrel0", &objects[0], "tavrel", &counter), "tavrel0");
    EXPECT_EQ(counter, 0u);
    EXPECT_STREQ(TavNameRegister(&table, nullptr, &objects[1], "tavrel", &counter), "tavrel1");
    EXPECT_EQ(counter, 2u);
    EXPECT_EQ(TavNameRegister(&table, "tavrel1", &objects[2], "tavrel", &counter), nullptr);
    EXPECT_EQ(TavNameLookup(&table, "tavrel1"), &objects[1]);
    EXPECT_EQ(TavNameLookup(&table, "nosuch"), nullptr);
    // Without a counter numbering starts at 0 and finds the first free name.
    EXPECT_STREQ(TavNameRegister(&table, nullptr, &objects[2], "tavrel", nullptr), "tavrel2");
    // Numbers are written as signed ints.
    unsigned int high = 0x80000000u;
    EXPECT_STREQ(TavNameRegister(&table, nullptr, &objects[0], "tavrel", &high), "tavrel-2147483648");
    EXPECT_EQ(high, 0x80000001u);
    Tcl_DeleteHashTable(&table);
}

TEST(InterpState, DeletionDestroysRegisteredImages) {
    // Run under the leak checker: the image must be freed by the clean-up.
    Tcl_Interp *interp = Tcl_CreateInterp();
    ASSERT_EQ(Tavrel_Init(interp), TCL_OK);
    TavInterpState *state = state_of(interp);
    Photo *image = PhotoCreate(64, 64, TAV_MODE_RGBA, TAV_RENDER_MEMORY);
    ASSERT_NE(TavNameRegister(state->images, nullptr, image, "tavrel", &state->image_counter), nullptr);
    Tcl_DeleteInterp(interp);
}

TEST(InterpState, StandAloneLoadSetsRcFile) {
    Tcl_Interp *interp = Tcl_CreateInterp();
    ASSERT_EQ(Tavrel_Load(interp), TCL_OK) << Tcl_GetStringResult(interp);
    EXPECT_STREQ(Tcl_GetVar(interp, "tcl_rcFileName", TCL_GLOBAL_ONLY), "~/.tavrelrc");
    Tcl_DeleteInterp(interp);
}

}  // namespace
