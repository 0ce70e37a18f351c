// Images bound to a named Tk photo notice the photo's end, from C callers
// too, however the photo goes and whatever address its successor gets.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "tavrel.h"
#include "tk/tk_env.h"

namespace {

using Rgba = std::array<unsigned char, 4>;

void eval(const std::string &script) {
    Tcl_Interp *interp = tk_test_interp();
    ASSERT_EQ(Tcl_Eval(interp, script.c_str()), TCL_OK) << script << ": " << Tcl_GetStringResult(interp);
}

std::string eval_result(const std::string &script) {
    eval(script);
    return Tcl_GetStringResult(tk_test_interp());
}

// The image is an empty memory image that works as one, and nothing it
// does reaches whatever photo now has the old name (or the old address).
void expect_unbound_and_harmless(Photo *image, const char *photo_name, Tk_PhotoHandle old_handle) {
    EXPECT_EQ(PhotoRenderer(image), TAV_RENDER_MEMORY);
    EXPECT_EQ(PhotoWidth(image), 0);
    EXPECT_EQ(PhotoHeight(image), 0);
    EXPECT_EQ(PhotoTkPhotoName(image), nullptr);

    const std::string name = photo_name;
    eval("if {[lsearch [image names] " + name + "] < 0} {image create photo " + name + " -width 8 -height 8}");
    Tk_PhotoHandle now = Tk_FindPhoto(tk_test_interp(), photo_name);
    if (now == old_handle) ::testing::Test::RecordProperty("address_reused", "yes");
    eval(name + " put #102030 -to 0 0 8 8");

    const Rgba red{255, 0, 0, 255};
    PhotoFill(image, red.data());
    ASSERT_EQ(PhotoExpand(image, 2, 2), 0);
    PhotoPutRGBA(image, red.data(), 0, 0, 1, 1, TAV_COMPOSE_REPLACE);
    PhotoPutRGBA(image, red.data(), 1, 1, 1, 1, TAV_COMPOSE_REPLACE);
    Rgba back{};
    PhotoGetRGBA(image, back.data(), 1, 1, 1, 1);
    EXPECT_EQ(back, red);
    EXPECT_EQ(eval_result(name + " get 0 0"), "16 32 48");
    EXPECT_EQ(eval_result(name + " get 1 1"), "16 32 48");
}

TEST(TkBinding, ImageNoticesItsPhotoGoing) {
    struct Case {
        const char *how;
        const char *script;  // ends photo "w"
    };
    const Case cases[] = {
        {"deleted", "image delete w"},
        {"replaced under the same name", "image create photo w -width 8 -height 8"},
        {"deleted then made again", "image delete w; image create photo w -width 8 -height 8"},
        {"command deleted", "rename w {}"},
        {"command renamed, then photo deleted", "rename w w_moved; image delete w"},
        {"command renamed, then renamed command deleted", "rename w w_moved; rename w_moved {}"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.how);
        eval("catch {image delete w}; image create photo w -width 8 -height 8");
        Tk_PhotoHandle handle = Tk_FindPhoto(tk_test_interp(), "w");
        Photo *image = PhotoCreateTkPhoto(tk_test_interp(), "w");
        ASSERT_NE(image, nullptr);
        ASSERT_STREQ(PhotoTkPhotoName(image), "w");
        EXPECT_EQ(PhotoWidth(image), 8);
        const Rgba blue{0, 0, 255, 255};
        PhotoPutRGBA(image, blue.data(), 3, 3, 1, 1, TAV_COMPOSE_REPLACE);
        EXPECT_EQ(eval_result("w get 3 3"), "0 0 255");

        eval(c.script);
        expect_unbound_and_harmless(image, "w", handle);
        PhotoDelete(image);
    }
    eval("catch {image delete w}");
}

TEST(TkBinding, ReCreatedImageStaysWatched) {
    // Readers re-create the image they fill, often in another mode; the
    // renderer is torn down and set up again each time.
    eval("catch {image delete r}; image create photo r -width 4 -height 4");
    Tk_PhotoHandle handle = Tk_FindPhoto(tk_test_interp(), "r");
    Photo *image = PhotoCreateTkPhoto(tk_test_interp(), "r");
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(PhotoRecreate(image, 3, 2, TAV_MODE_GRAY), image);
    ASSERT_EQ(PhotoRecreate(image, 5, 5, TAV_MODE_RGBA), image);
    EXPECT_STREQ(PhotoTkPhotoName(image), "r");
    eval("image delete r");
    expect_unbound_and_harmless(image, "r", handle);
    PhotoDelete(image);
    eval("image delete r");
}

TEST(TkBinding, EveryImageOfAPhotoNotices) {
    eval("catch {image delete m}; image create photo m -width 4 -height 4");
    Tk_PhotoHandle handle = Tk_FindPhoto(tk_test_interp(), "m");
    Photo *named = PhotoCreateTkPhoto(tk_test_interp(), "m");
    Photo *second = PhotoCreateTkPhoto(tk_test_interp(), "m");
    // A bare handle of a watched photo joins its watch.
    Photo *bare = PhotoCreateExt(4, 4, TAV_MODE_RGBA, TAV_RENDER_TKPHOTO, handle);
    ASSERT_TRUE(named && second && bare);
    EXPECT_STREQ(PhotoTkPhotoName(bare), "m");
    PhotoDelete(second);  // one image leaving does not end the watch
    eval("image delete m");
    expect_unbound_and_harmless(named, "m", handle);
    EXPECT_EQ(PhotoRenderer(bare), TAV_RENDER_MEMORY);
    PhotoDelete(named);
    PhotoDelete(bare);
    eval("image delete m");
}

TEST(TkBinding, PhotoThatCannotBeWatchedIsRefused) {
    eval("catch {image delete n}; image create photo n; rename n n_elsewhere");
    EXPECT_EQ(PhotoCreateTkPhoto(tk_test_interp(), "n"), nullptr);
    EXPECT_EQ(PhotoCreateTkPhoto(tk_test_interp(), "no_such_photo"), nullptr);
    eval("image delete n");
}

TEST(TkBinding, DeletingTheInterpreterUnbinds) {
    Tcl_Interp *other = Tcl_CreateInterp();
    ASSERT_EQ(Tcl_Init(other), TCL_OK);
    ASSERT_EQ(Tk_Init(other), TCL_OK) << Tcl_GetStringResult(other);
    ASSERT_EQ(Tavrel_Init(other), TCL_OK);
    ASSERT_EQ(Tcl_Eval(other, "image create photo o -width 3 -height 3"), TCL_OK);
    Photo *image = PhotoCreateTkPhoto(other, "o");
    ASSERT_NE(image, nullptr);
    Tcl_DeleteInterp(other);
    EXPECT_EQ(PhotoRenderer(image), TAV_RENDER_MEMORY);
    EXPECT_EQ(PhotoWidth(image), 0);
    const Rgba white{255, 255, 255, 255};
    PhotoFill(image, white.data());
    PhotoDelete(image);
}

}  // namespace
