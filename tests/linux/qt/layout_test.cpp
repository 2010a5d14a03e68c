// The fixed layout as drawn: a usable font, the pictures, texts that fit, and a screenshot.
#include <QCheckBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

#include "linux/controls.h"
#include "window_fixture.h"

namespace verdalin {

namespace {

// The ink of one character drawn in `font`: its columns holding dark pixels.
int InkWidth(const QFont& font, QChar ch) {
  QImage image(40, 40, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setFont(font);
  painter.setPen(Qt::black);
  painter.drawText(QRect(0, 0, 40, 40), Qt::AlignCenter, QString(ch));
  painter.end();
  int columns = 0;
  for (int x = 0; x < image.width(); ++x) {
    bool ink = false;
    for (int y = 0; y < image.height(); ++y) ink = ink || qGray(image.pixel(x, y)) < 128;
    columns += ink ? 1 : 0;
  }
  return columns;
}

// The width a control's text may take, for the kinds that show one in a fixed box.
int RoomFor(QWidget* control) {
  if (auto* box = qobject_cast<QCheckBox*>(control)) {
    QStyleOptionButton option;
    option.initFrom(box);
    return box->width() - box->style()->pixelMetric(QStyle::PM_IndicatorWidth, &option, box) -
           box->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, box);
  }
  if (qobject_cast<QPushButton*>(control)) return control->width() - 8;
  if (qobject_cast<QGroupBox*>(control)) return control->width() - 16;
  return control->width();
}

}  // namespace

// Without fonts, offscreen Qt draws every character as the same box: this test then fails.
TEST(Fonts, ApplicationAndLinkFontsAreInstalledAndDrawDistinctGlyphs) {
  const QStringList families = QFontDatabase::families();
  EXPECT_TRUE(families.contains(QStringLiteral("Liberation Sans")));
  EXPECT_TRUE(families.contains(QStringLiteral("Liberation Sans Narrow")));
  const QFont font = QApplication::font();
  EXPECT_GT(InkWidth(font, QLatin1Char('W')), InkWidth(font, QLatin1Char('i')) + 3);
  EXPECT_GT(InkWidth(font, QLatin1Char('i')), 0);
  EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("Liberation Sans"));
}

TEST(Pictures, EmbeddedPicturesDecodeAndGarbageDoesNot) {
  const QImage banner = DecodePng(kBannerPng, kBannerPngSize);
  EXPECT_EQ(banner.size(), QSize(480, 94));
  EXPECT_EQ(banner.pixelColor(0, 0), QColor(Qt::white));  // letters on white
  EXPECT_EQ(DecodeBitmap(kGlobeBmp, kGlobeBmpSize).size(), QSize(224, 245));
  EXPECT_EQ(DecodePng(kIconPng, kIconPngSize).size(), QSize(128, 128));
  const unsigned char garbage[] = "\x89PNG\r\n\x1a\nnot really a picture at all....";
  EXPECT_TRUE(DecodePng(garbage, sizeof garbage).isNull());
  EXPECT_TRUE(DecodePng(kBannerPng, 40).isNull());  // cut short
  EXPECT_TRUE(DecodeBitmap(garbage, sizeof garbage).isNull());
}

TEST_F(WindowTest, EveryTextFitsItsControl) {
  for (const ControlSpec& control_row : ControlTable()) {
    QWidget* control = window_.Control(control_row.id);
    const QString text = QString::fromUtf8(window_.GetControlText(control_row.id));
    if (control_row.kind == ControlKind::kTextField || control_row.kind == ControlKind::kImage ||
        text.isEmpty())
      continue;
    EXPECT_LE(control->fontMetrics().horizontalAdvance(text), RoomFor(control))
        << control_row.id << ": " << text.toStdString();
    EXPECT_LE(control->fontMetrics().height(), control->height()) << control_row.id;
  }
  for (int field = 0; field < 2; ++field) {
    QLabel* status = window_.StatusField(field);
    EXPECT_LE(status->fontMetrics().horizontalAdvance(status->text()), status->width());
  }
}

// The picture of the window, for a person to look at: build/linux/window.png.
TEST_F(WindowTest, ScreenshotShowsBannerGlobeAndWhiteBackground) {
  window_.SetControlText(1, "http://192.168.1.1/adslstats.html");
  window_.SetControlText(17, "/home/user/Documents/Verdalin_Data.CsV");
  window_.AddListItem(15, -1, "Livebox Inventel 8 Mb");
  window_.SetControlState(15, 0);
  window_.SetControlState(21, 60);
  window_.SetStatusText(0, "Synchro OK, 8128/1024 kbps, SNR 7.5/10.0 dB", 5);
  window_.SetStatusText(1, "Q 72", 5);
  const QImage shot = window_.grab().toImage();
  EXPECT_EQ(shot.size(), QSize(502, 391));
  EXPECT_TRUE(shot.save(QStringLiteral(VERDALIN_BINARY_DIR "/window.png")));
  EXPECT_EQ(shot.pixelColor(260, 360), QColor(Qt::white));  // between the gauge and the box
  EXPECT_NE(shot.pixelColor(300, 200), QColor(Qt::white));  // the globe
}

}  // namespace verdalin
