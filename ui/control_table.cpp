// The main window's 24 controls: kind, geometry, text slot and options.
#include "ui/control_table.h"

namespace verdalin {

namespace {

using K = ControlKind;
using A = TextAlignment;

// Option builders keep the table one line per control.
constexpr ControlSpec Button(int id, int x, int y, int w, int h, int slot) {
  ControlSpec c{id, K::kPushButton, x, y, w, h, slot};
  c.tab_stop = true;
  return c;
}

constexpr ControlSpec Field(int id, int x, int y, int w, int h, int slot, int limit) {
  ControlSpec c{id, K::kTextField, x, y, w, h, slot};
  c.max_length = limit;
  c.tab_stop = true;
  return c;
}

constexpr ControlSpec Digits(ControlSpec c) {
  c.digits_only = true;
  return c;
}

constexpr ControlSpec Masked(ControlSpec c) {
  c.masked = true;
  return c;
}

constexpr ControlSpec ReadOnly(ControlSpec c) {
  c.read_only = true;
  return c;
}

constexpr ControlSpec Label(int id, int x, int y, int w, int h, int slot, A alignment) {
  ControlSpec c{id, K::kLabel, x, y, w, h, slot};
  c.alignment = alignment;
  c.black_on_white = true;
  return c;
}

constexpr ControlSpec Frame(int id, int x, int y, int w, int h, int slot) {
  ControlSpec c{id, K::kGroupFrame, x, y, w, h, slot};
  c.black_on_white = true;
  return c;
}

constexpr ControlSpec Image(int id, int x, int y, int w, int h, int picture) {
  ControlSpec c{id, K::kImage, x, y, w, h, kNoText};
  c.image = picture;
  return c;
}

constexpr ControlSpec Tip(ControlSpec c, int body, int title) {
  c.tooltip_body = body;
  c.tooltip_title = title;
  return c;
}

constexpr ControlSpec PresetList() {
  ControlSpec c{kPresetList, K::kDropDownList, 10, 125, 230, 65, kNoText};
  c.tab_stop = true;
  return Tip(c, 19, 20);
}

constexpr ControlSpec Gauge() {
  return Tip(ControlSpec{kQualityGauge, K::kVerticalGauge, 250, 100, 20, 240, kNoText}, 24, 25);
}

constexpr ControlSpec Link() {
  ControlSpec c{kHomePageLink, K::kLinkLabel, 380, 345, 110, 20, 26};
  c.black_on_white = true;
  return Tip(c, 27, 28);
}

constexpr ControlSpec StartupBox() {
  ControlSpec c{kRunAtStartupBox, K::kCheckBox, 280, 340, 95, 25, 29};
  c.black_on_white = true;
  c.tab_stop = true;
  return Tip(c, 30, 31);
}

constexpr std::array<ControlSpec, kControlCount> kTable = {{
    Button(kStartButton, 5, 345, 140, 20, 2),
    Field(kAddressField, 165, 10, 230, 20, 3, 2048),
    Field(kLoginField, 40, 235, 70, 20, 4, 255),
    Masked(Field(kPasswordField, 135, 235, 70, 20, 5, 100)),
    Label(kLoginLabel, 40, 220, 70, 15, 6, A::kCentre),
    Label(kPasswordLabel, 135, 220, 75, 15, 7, A::kCentre),
    Label(kAddressLabel, 10, 150, 230, 15, 8, A::kCentre),
    Button(kStopButton, 150, 345, 95, 20, 9),
    Label(kDelayLabel, 10, 290, 50, 15, 10, A::kCentre),
    Digits(Field(kDelayField, 60, 285, 30, 20, 11, 0)),
    Label(kSecondsLabel, 90, 290, 25, 15, 12, A::kLeft),
    Tip(Button(kBrowseButton, 125, 285, 110, 20, 13), 14, 15),
    Frame(kConfigurationFrame, 5, 95, 240, 170, 16),
    Digits(Field(kDownstreamMaxField, 200, 190, 40, 20, 17, 0)),
    Label(kDownstreamMaxLabel, 15, 195, 180, 15, 18, A::kRight),
    PresetList(),
    Label(kPresetLabel, 70, 110, 110, 15, 21, A::kCentre),
    ReadOnly(Field(kOutputFileField, 10, 315, 230, 20, 22, 0)),
    Image(kBannerImage, 15, 0, 480, 94, kBannerPicture),
    Image(kGlobeImage, 275, 95, 224, 245, kGlobePicture),
    Frame(kStatisticsFrame, 5, 270, 240, 70, 23),
    Gauge(),
    Link(),
    StartupBox(),
}};

static_assert([] {
  for (int i = 0; i < kControlCount; ++i)
    if (kTable[i].id != i) return false;
  return true;
}());

}  // namespace

const std::array<ControlSpec, kControlCount>& ControlTable() {
  return kTable;
}

const ControlSpec* FindControlSpec(int id) {
  if (id < 0 || id >= kControlCount) return nullptr;
  return &kTable[static_cast<std::size_t>(id)];
}

}  // namespace verdalin
