// The CSV data log: the twelve columns of a row and its append through the file layer.
#include "monitor/csv_log.h"

#include "base/text_ops.h"

namespace verdalin {

namespace {

constexpr int kLogFileNumber = 1;

// A text between double quotes, each double quote in it doubled so that the field stays one
// field for a spreadsheet.
std::string Quoted(std::string_view text) {
  return ReplaceText(text, "\"", "\"\"");
}

std::string WholeNumber(float value) {
  const std::optional<double> rate = LineValue(value, LineQuantity::kRate);
  return rate ? IntegerToText(RoundToEven(*rate)) : "";
}

std::string LocaleDecimal(float value, const LocaleNumbers& numbers) {
  if (!LineValue(value, LineQuantity::kDecibels)) return "";
  return FormatLocaleNumber(numbers.service, numbers.snapshot, FloatToText(value, 2), "");
}

}  // namespace

std::string FormatLogRow(const LineSample& sample, std::string_view timestamp,
                         const LocaleNumbers& numbers) {
  std::string row(timestamp);
  row += sample.Connected != 0 ? ";1;\"" : ";0;\"";
  row += Quoted(sample.Mode) + ":" + Quoted(sample.Type) + "\";";
  row += WholeNumber(sample.Upstream_kbps) + ";" + WholeNumber(sample.Downstream_kbps) + ";";
  row += LocaleDecimal(sample.Attenuation_local, numbers) + ";";
  row += LocaleDecimal(sample.Attenuation_distant, numbers) + ";";
  row += LocaleDecimal(sample.SNR_local, numbers) + ";";
  row += LocaleDecimal(sample.SNR_distant, numbers) + ";";
  row += IntegerToText(sample.CRC_errors) + ";\"";
  row += Quoted(sample.Device) + "\";\"" + Quoted(sample.Firmware) + "\"\r\n";
  return row;
}

bool AppendLogRow(DataFiles& files, FileSystem& fs, const std::string& path,
                  const LineSample& sample, std::string_view timestamp,
                  const LocaleNumbers& numbers) {
  return AppendLogLine(files, fs, kLogFileNumber, path, kLogHeader,
                       FormatLogRow(sample, timestamp, numbers));
}

}  // namespace verdalin
