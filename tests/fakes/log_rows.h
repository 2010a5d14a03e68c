// Data log rows for the history tests, written by the program's own row formatter.
#pragma once

#include <cstdint>
#include <string>

#include "base/date_format.h"
#include "monitor/csv_log.h"

namespace verdalin {

// 2026/12/07 10:00:09, the time of the first row of the hand-made logs.
inline int64_t LogStart() {
  return DateFromFields({2026, 12, 7, 10, 0, 9});
}

// The hand-made log moved to other eras (before 1970, past 2038 and 2106, the last year), with
// the time stamps of its first and last row as the report writes them.
struct LogEra {
  WallClockFields start;  // the first row, always at 10:00:09
  const char* first_row;
  const char* last_row;  // the next day at 00:00:09
};
inline constexpr LogEra kLogEras[] = {
    {{2026, 12, 7, 10, 0, 9}, "2026/12/07 10:00:09", "2026/12/08 00:00:09"},
    {{1900, 2, 28, 10, 0, 9}, "1900/02/28 10:00:09", "1900/03/01 00:00:09"},
    {{1969, 12, 31, 10, 0, 9}, "1969/12/31 10:00:09", "1970/01/01 00:00:09"},
    {{2038, 1, 19, 10, 0, 9}, "2038/01/19 10:00:09", "2038/01/20 00:00:09"},
    {{2040, 2, 28, 10, 0, 9}, "2040/02/28 10:00:09", "2040/02/29 00:00:09"},
    {{2106, 2, 7, 10, 0, 9}, "2106/02/07 10:00:09", "2106/02/08 00:00:09"},
    {{9999, 12, 30, 10, 0, 9}, "9999/12/30 10:00:09", "9999/12/31 00:00:09"},
};

struct RowValues {
  int32_t minute = 0;  // after LogStart()
  bool connected = true;
  float down_kbps = 17904;
  float snr_down = 8;
  float snr_up = 11;
  int32_t crc = 0;
};

// A row as the poll writes it, `row.minute` after `start`; out of sync it keeps the device and
// firmware but no value.
inline std::string LogRowText(const RowValues& row, int64_t start = LogStart()) {
  LineSample s;
  s.Device = "LiveBox Inventel";
  s.Firmware = "V4.05.10,B2";
  if (row.connected) {
    s.Connected = 1;
    s.Mode = "G.992.5 (ADSL2+)";
    s.Type = "Interleaved";
    s.Downstream_kbps = row.down_kbps;
    s.Upstream_kbps = 1023;
    s.Attenuation_local = 23.5f;
    s.Attenuation_distant = 12;
    s.SNR_local = row.snr_down;
    s.SNR_distant = row.snr_up;
    s.CRC_errors = row.crc;
  }
  PortableNumberFormat format;
  LocaleSnapshot snapshot{",", "\xE2\x80\xAF"};
  return FormatLogRow(s, TimestampText(start + row.minute * 60), LocaleNumbers{format, snapshot});
}

// The hand-made log of two days whose counts the tests know: 12 rows, a resync (two polls out of
// sync), a gateway outage of five polls, a counter restart, and a margin under 6 dB three times.
inline std::string HandMadeLog(int64_t start = LogStart()) {
  const RowValues rows[] = {
      {0, true, 17904, 8, 11, 100},
      {1, true, 17904, 8, 11, 100},
      {2, true, 17904, 8, 11, 105},
      {3, true, 17904, 5.5f, 11, 110},
      {4, true, 17904, 5.9f, 11, 110},
      {5, false},
      {6, false},
      {7, true, 16000, 8, 11, 3},
      {8, true, 16000, 8, 11, 8},
      {14, true, 16000, 8, 11, 2},
      {15, true, 16000, 8, 11, 4},
      {840, true, 16000, 8, 5, 4},  // the next day, 00:00:09
  };
  std::string text(kLogHeader);
  for (const RowValues& row : rows) text += LogRowText(row, start);
  return text;
}

}  // namespace verdalin
