// The image button: picture choice, positions, press offset, hover, capture and disabled look.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "ui/png_button.h"
#include "ui/ui_resources.h"

namespace vexto {
namespace {

QImage Solid(int w, int h, QColor colour) {
  QImage image(w, h, QImage::Format_ARGB32);
  image.fill(colour);
  return image;
}

class PngButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parent_.resize(200, 200);
    button_ = new TPNGButton(&parent_);
    button_->setGeometry(10, 10, 40, 40);
    button_->setButtonStyle(TPNGButtonStyle::pbsNoFrame);
    normal_ = Solid(32, 32, QColor(255, 0, 0, 240));
    over_ = Solid(32, 32, QColor(0, 0, 255, 255));
    down_ = Solid(32, 32, QColor(0, 255, 0, 255));
    parent_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent_));
    // Each test starts with the pointer away from the button (an earlier test may leave it there).
    QTest::mouseMove(&parent_, QPoint(190, 190));
  }
  void Hover() { QTest::mouseMove(button_, QPoint(20, 20)); }

  QWidget parent_;
  TPNGButton* button_ = nullptr;
  QImage normal_, over_, down_;
};

TEST_F(PngButtonTest, NewButtonDefaults) {
  TPNGButton fresh;
  EXPECT_EQ(fresh.size(), QSize(23, 23));
  EXPECT_EQ(fresh.ButtonLayout(), TPNGButtonLayout::pbsImageAbove);
  EXPECT_EQ(fresh.ButtonStyle(), TPNGButtonStyle::pbsDefault);
  EXPECT_EQ(fresh.ButtonState(), TPNGButtonState::pbsNormal);
  EXPECT_FALSE(fresh.IsMouseOver());
  EXPECT_TRUE(fresh.ImageNormal().isNull());
}

TEST_F(PngButtonTest, TransportButtonPressShowsOverImageShiftedAndReleaseOutsideDoesNotClick) {
  button_->setImageNormal(normal_);
  button_->setImageOver(over_);
  QSignalSpy clicks(button_, &TPNGButton::OnClick);
  Hover();
  ASSERT_TRUE(button_->IsMouseOver());
  EXPECT_EQ(button_->Plan().image, &button_->ImageOver());
  EXPECT_EQ(button_->Plan().image_pos, QPoint(4, 4));

  QTest::mousePress(button_, Qt::LeftButton, {}, QPoint(20, 20));
  EXPECT_EQ(button_->ButtonState(), TPNGButtonState::pbsDown);
  const auto plan = button_->Plan();
  EXPECT_TRUE(plan.pressed);
  EXPECT_EQ(plan.image, &button_->ImageOver());  // no down image: the over image
  EXPECT_EQ(plan.image_pos, QPoint(6, 6));       // shifted 2 right and 2 down
  const QImage shot = button_->grab().toImage();
  EXPECT_EQ(shot.pixelColor(6, 6).blue(), 255);
  EXPECT_NE(shot.pixelColor(5, 5).blue(), 255);

  QTest::mouseMove(button_, QPoint(100, 100));
  QTest::mouseRelease(button_, Qt::LeftButton, {}, QPoint(100, 100));
  EXPECT_EQ(clicks.count(), 0);
  EXPECT_EQ(button_->ButtonState(), TPNGButtonState::pbsNormal);
  EXPECT_FALSE(button_->IsMouseOver());
  EXPECT_EQ(button_->Plan().image, &button_->ImageNormal());
}

TEST_F(PngButtonTest, ReleaseOverButtonClicksOnce) {
  button_->setImageNormal(normal_);
  QSignalSpy clicks(button_, &TPNGButton::OnClick);
  Hover();
  QTest::mouseClick(button_, Qt::LeftButton, {}, QPoint(20, 20));
  EXPECT_EQ(clicks.count(), 1);
  EXPECT_EQ(button_->ButtonState(), TPNGButtonState::pbsNormal);
}

TEST_F(PngButtonTest, SourceButtonChangesOnlyWhenPressed) {
  button_->setImageNormal(normal_);
  button_->setImageDown(down_);
  Hover();
  EXPECT_EQ(button_->Plan().image, &button_->ImageNormal());
  QTest::mousePress(button_, Qt::LeftButton, {}, QPoint(20, 20));
  EXPECT_EQ(button_->Plan().image, &button_->ImageDown());
  QTest::mouseRelease(button_, Qt::LeftButton, {}, QPoint(20, 20));
  EXPECT_EQ(button_->Plan().image, &button_->ImageNormal());
}

TEST_F(PngButtonTest, OnlyLeftButtonPressesAndAnyReleaseReturnsToNormal) {
  button_->setImageNormal(normal_);
  Hover();
  QSignalSpy downs(button_, &TPNGButton::OnMouseDown);
  QTest::mousePress(button_, Qt::RightButton, {}, QPoint(20, 20));
  EXPECT_EQ(button_->ButtonState(), TPNGButtonState::pbsNormal);
  EXPECT_EQ(downs.count(), 1);  // the ordinary event still comes
  QTest::mouseRelease(button_, Qt::RightButton, {}, QPoint(20, 20));

  QTest::mousePress(button_, Qt::LeftButton, {}, QPoint(20, 20));
  ASSERT_EQ(button_->ButtonState(), TPNGButtonState::pbsDown);
  QTest::mouseRelease(button_, Qt::RightButton, {}, QPoint(20, 20));
  EXPECT_EQ(button_->ButtonState(), TPNGButtonState::pbsNormal);
}

TEST_F(PngButtonTest, DisabledDrawsThirdOpacityAndGreyCaptionThenRestores) {
  button_->setImageNormal(normal_);
  button_->setCaption("Playlist");
  button_->setEnabled(false);
  EXPECT_EQ(button_->ButtonState(), TPNGButtonState::pbsDisabled);
  EXPECT_EQ(button_->Plan().image, &button_->ImageDisabled());
  EXPECT_EQ(button_->ImageDisabled().pixelColor(0, 0).alpha(), 240 / 3);
  EXPECT_EQ(button_->ImageDisabled().pixelColor(0, 0).red(), 255);
  // Hovering a disabled button changes nothing.
  Hover();
  EXPECT_EQ(button_->Plan().image, &button_->ImageDisabled());

  button_->setEnabled(true);
  EXPECT_EQ(button_->ButtonState(), TPNGButtonState::pbsNormal);
  EXPECT_EQ(button_->Plan().image, &button_->ImageNormal());
}

TEST_F(PngButtonTest, DisabledCaptionIsGrey) {
  QWidget parent;
  parent.resize(100, 100);
  auto* b = new TPNGButton(&parent);
  b->setGeometry(0, 0, 90, 60);
  b->setButtonStyle(TPNGButtonStyle::pbsNoFrame);
  QFont f("DejaVu Sans");
  f.setPixelSize(20);
  b->setFont(f);
  b->setCaption(QStringLiteral("\u2588\u2588\u2588"));  // solid blocks: easy to find
  b->setEnabled(false);
  const QImage shot = b->grab().toImage();
  bool grey_found = false;
  for (int y = 0; y < shot.height() && !grey_found; ++y)
    for (int x = 0; x < shot.width() && !grey_found; ++x)
      grey_found = shot.pixelColor(x, y) == TPNGButton::GrayTextColor();
  EXPECT_TRUE(grey_found);
}

TEST(PngButtonImages, PaletteImagesKeepTheirTransparency) {
  QImage indexed(4, 4, QImage::Format_Indexed8);
  indexed.setColorTable({qRgba(0, 0, 0, 0), qRgba(255, 255, 255, 255)});
  indexed.fill(1);
  const QImage disabled = TPNGButton::DeriveDisabledImage(indexed);
  EXPECT_EQ(disabled.pixelColor(1, 1).alpha(), 255);
  // An opaque RGB image gains an alpha channel at a third.
  QImage rgb(2, 2, QImage::Format_RGB32);
  rgb.fill(Qt::white);
  EXPECT_EQ(TPNGButton::DeriveDisabledImage(rgb).pixelColor(0, 0).alpha(), 85);
}

TEST(PngButtonLayout, PositionsFollowTheLayoutRules) {
  TPNGButton b;
  b.resize(80, 60);
  b.setImageNormal(Solid(32, 32, Qt::black));
  // No caption: the image is centred.
  EXPECT_EQ(b.Plan().image_pos, QPoint(24, 14));
  b.setCaption("Abc");
  const QFontMetrics fm(b.font());
  const int tw = fm.horizontalAdvance("Abc");
  const int th = fm.height();
  const int ih = 32 + 4;
  struct Case {
    TPNGButtonLayout layout;
    QPoint image;
    QPoint caption;
  } cases[] = {
      {TPNGButtonLayout::pbsImageAbove,
       {24, (60 - ih - th) / 2},
       {(80 - tw) / 2, (60 - ih - th) / 2 + ih}},
      {TPNGButtonLayout::pbsImageBellow,
       {24, (60 - ih - th) / 2 + th},
       {(80 - tw) / 2, (60 - ih - th) / 2}},
      {TPNGButtonLayout::pbsImageLeft,
       {(80 - 32 - tw) / 2, (60 - ih) / 2},
       {(80 - 32 - tw) / 2 + 32 + 5, (60 - th) / 2}},
      {TPNGButtonLayout::pbsImageRight,
       {(80 - 32 - tw) / 2 + tw + 5, (60 - ih) / 2},
       {(80 - 32 - tw) / 2, (60 - th) / 2}},
  };
  for (const auto& c : cases) {
    b.setButtonLayout(c.layout);
    const auto plan = b.Plan();
    EXPECT_EQ(plan.image_pos, c.image) << static_cast<int>(c.layout);
    EXPECT_EQ(plan.caption_pos, c.caption) << static_cast<int>(c.layout);
  }
}

TEST(PngButtonArtwork, EveryPictureLoadsWithAlpha) {
  for (const char* name : {"play.png", "play_over.png", "pause.png", "pause_over.png", "rewind.png",
                           "stop.png", "step.png", "fast.png", "source1.png", "source1_down.png",
                           "source2.png", "source2_down.png"}) {
    const QImage image = LoadUiImage(name);
    EXPECT_EQ(image.size(), QSize(32, 32)) << name;
    EXPECT_TRUE(image.hasAlphaChannel()) << name;
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0) << name;  // transparent corner
  }
  EXPECT_EQ(LoadUiImage("pause_small.png").size(), QSize(16, 16));
  EXPECT_EQ(LoadUiImage("loop_small.png").size(), QSize(16, 16));
  EXPECT_EQ(LoadUiImage("vexto_logo.png").size(), QSize(140, 98));
  EXPECT_EQ(LoadUiImage("play_over.png").pixelColor(16, 3), QColor(0x43, 0x7B, 0xBF));
}

}  // namespace
}  // namespace vexto
