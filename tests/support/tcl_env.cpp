#include "support/tcl_env.h"

#include <gtest/gtest.h>

namespace tavtest {
namespace {

Tcl_Interp *the_interp = nullptr;

class TclEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        Tcl_FindExecutable(nullptr);
        the_interp = Tcl_CreateInterp();
        ASSERT_EQ(Tavrel_Init(the_interp), TCL_OK) << Tcl_GetStringResult(the_interp);
        // Dithering and noise draw from one generator: a fixed seed makes
        // every run give the same bytes, whatever the order of the tests.
        TavSetRandomSeed(kSeed);
    }
    void TearDown() override {
        Tcl_DeleteInterp(the_interp);
        the_interp = nullptr;
    }
};

const auto *registered = ::testing::AddGlobalTestEnvironment(new TclEnvironment);

}  // namespace

Tcl_Interp *interp() { return the_interp; }

std::vector<unsigned char> rgba_of(Photo *image) {
    std::vector<unsigned char> out(static_cast<size_t>(image->width) * image->height * 4);
    PhotoGetRGBA(image, out.data(), 0, 0, image->width, image->height);
    return out;
}

std::array<unsigned char, 4> pixel(Photo *image, int x, int y) {
    std::array<unsigned char, 4> p{};
    PhotoGetRGBA(image, p.data(), x, y, 1, 1);
    return p;
}

}  // namespace tavtest
