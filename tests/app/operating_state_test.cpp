// The menu's enabled and checked state as the operating state sets it.
#include "app/operating_state.h"

#include <gtest/gtest.h>

namespace vq {
namespace {

// Arrays of model codes 11 and 12 get their sector from the grating lobes: the "Sector Size"
// items are greyed for them and enabled for every other array.
TEST(OperatingState, GratingLimitedArraysGreyTheSectorSizes) {
    ActivityState act;
    for (int model : {4, 5, 11, 12, 14, 15, 16, 17}) {
        SettingsState st;
        st.head.model_code = model;
        MenuState m;
        UpdateMenu(m, st, act);
        const bool grating = model == 11 || model == 12;
        EXPECT_EQ(SectorLimitedByGratingLobes(st.head), grating) << model;
        for (int id = menu::kSector30; id <= menu::kSector110; ++id) {
            EXPECT_EQ(m[id].enabled, !grating) << "model " << model << " item " << id;
        }
        EXPECT_TRUE(m[menu::kSector30 + st.s.SectorSize].checked);
    }
}

}  // namespace
}  // namespace vq
