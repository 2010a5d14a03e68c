// Identifiers of the main window's controls, status fields and status appearance bits.
#pragma once

namespace verdalin {

enum ControlId : int {
  kStartButton = 0,
  kAddressField = 1,
  kLoginField = 2,
  kPasswordField = 3,
  kLoginLabel = 4,
  kPasswordLabel = 5,
  kAddressLabel = 6,
  kStopButton = 7,
  kDelayLabel = 8,
  kDelayField = 9,
  kSecondsLabel = 10,
  kBrowseButton = 11,
  kConfigurationFrame = 12,
  kDownstreamMaxField = 13,
  kDownstreamMaxLabel = 14,
  kPresetList = 15,
  kPresetLabel = 16,
  kOutputFileField = 17,
  kBannerImage = 18,
  kGlobeImage = 19,
  kStatisticsFrame = 20,
  kQualityGauge = 21,
  kHomePageLink = 22,
  kRunAtStartupBox = 23,
};

constexpr int kControlCount = 24;

enum StatusField : int { kStatusLineField = 0, kQualityField = 1 };

// Appearance bits of a status text.
enum StatusAppearance : int {
  kSunkenLeft = 0,
  kRaised = 1,
  kBorderless = 2,
  kCentred = 4,
  kRightAligned = 8,
};

}  // namespace verdalin
