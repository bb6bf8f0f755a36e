#include "state/app_state.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "base/program_folder.h"
#include "imagelib/picture_store.h"

namespace {

class AppStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SetProgramFolder("/opt/トラステル"));
    DestroyAppState();
  }
  void TearDown() override { DestroyAppState(); }
};

PictureHandle MakePicture() {
  auto picture = std::make_unique<imagelib::Picture>();
  picture->width = 1;
  picture->height = 1;
  picture->pixels.assign(4, 0);
  return imagelib::StorePicture(std::move(picture));
}

TEST_F(AppStateTest, NewStateHoldsTheDefaults) {
  AppState* state = GetAppState();
  ASSERT_NE(state, nullptr);
  const PictureRecord& target = *state->target;
  EXPECT_EQ(target.width, 240);
  EXPECT_EQ(target.height, 120);
  EXPECT_EQ(target.RESIZE_X, 240);
  EXPECT_EQ(target.RESIZE_Y, 120);
  EXPECT_EQ(target.JPG_TYPE, 20);
  EXPECT_EQ(target.GIF_SPEED, 2);
  // Both crop groups describe the rectangle from (0, 0) of 240 by 120.
  EXPECT_EQ(target.CUT_X_1, 0);
  EXPECT_EQ(target.CUT_Y_1, 0);
  EXPECT_EQ(target.CUT_X2_1, 240);
  EXPECT_EQ(target.CUT_Y2_1, 120);
  EXPECT_EQ(target.CUT_X2_2 - target.CUT_X_2, 240);
  EXPECT_EQ(target.CUT_Y2_2 - target.CUT_Y_2, 120);
  const PathBlock& paths = *state->paths;
  EXPECT_STREQ(paths.configPath, "/opt/トラステル/Data/Confing.inf");
  EXPECT_STREQ(paths.SAVE, "/opt/トラステル/");
  EXPECT_STREQ(paths.tempName, "__Temp__file__vimbo_trastel2__.tpf");
  EXPECT_STREQ(paths.FOLDER_NAME, "トラステル");
  EXPECT_STREQ(paths.RENAME_NAME, "TrastelSan");
  EXPECT_EQ(paths.RENAME_VAL, 1);
  EXPECT_EQ(state->workImage, 0u);
  for (PictureHandle frame : state->frameImages) EXPECT_EQ(frame, 0u);
}

TEST_F(AppStateTest, SetDefaultsResetsSettingsButKeepsWorkingFields) {
  AppState* state = GetAppState();
  std::strcpy(state->paths->SAVE, "/elsewhere/");
  state->target->JPG_TYPE = 77;
  state->target->cropX = 5;
  std::strcpy(state->target->path, "/out/a.jpg");
  std::strcpy(state->source->name, "photo");
  state->paths->itemCount = 12;
  state->paths->totalSize = 5'000'000'000;
  state->paths->selectedIndex = 3;
  state->workImage = MakePicture();
  PictureHandle held = state->workImage;

  EXPECT_EQ(SetDefaults(state), 1);

  EXPECT_STREQ(state->paths->SAVE, "/opt/トラステル/");
  EXPECT_EQ(state->target->JPG_TYPE, 20);
  EXPECT_EQ(state->target->cropX, 5);
  EXPECT_STREQ(state->target->path, "/out/a.jpg");
  EXPECT_STREQ(state->source->name, "photo");
  EXPECT_EQ(state->paths->itemCount, 12);
  EXPECT_EQ(state->paths->totalSize, 5'000'000'000);
  EXPECT_EQ(state->paths->selectedIndex, 3);
  EXPECT_EQ(state->workImage, held);
}

TEST_F(AppStateTest, OneInstanceUntilDestroyed) {
  AppState* first = GetAppState();
  EXPECT_EQ(GetAppState(), first);
  first->target->JPG_TYPE = 90;
  DestroyAppState();
  AppState* fresh = GetAppState();
  EXPECT_EQ(fresh->target->JPG_TYPE, 20);
}

TEST_F(AppStateTest, ReleaseAllImagesReleasesEachPictureOnce) {
  AppState* state = GetAppState();
  std::size_t before = imagelib::StoredPictureCount();
  ReleaseAllImages(state);
  EXPECT_EQ(imagelib::StoredPictureCount(), before);

  state->workImage = MakePicture();
  state->frameImages[0] = MakePicture();
  state->frameImages[999] = MakePicture();
  EXPECT_EQ(imagelib::StoredPictureCount(), before + 3);
  ReleaseAllImages(state);
  EXPECT_EQ(imagelib::StoredPictureCount(), before);
  EXPECT_EQ(state->workImage, 0u);
  EXPECT_EQ(state->frameImages[0], 0u);
  EXPECT_EQ(state->frameImages[999], 0u);
}

TEST_F(AppStateTest, DestroyReleasesHeldPictures) {
  std::size_t before = imagelib::StoredPictureCount();
  GetAppState()->frameImages[7] = MakePicture();
  DestroyAppState();
  EXPECT_EQ(imagelib::StoredPictureCount(), before);
}

TEST(CopyTextTest, CutsAtCharacterBoundary) {
  char small[8];
  // "トラステル" is 15 bytes; 7 bytes hold two whole characters.
  CopyText(small, "トラステル");
  EXPECT_STREQ(small, "トラ");
}

}  // namespace
