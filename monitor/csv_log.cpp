// The CSV data log: the twelve columns of a row and its append through the file layer.
#include "monitor/csv_log.h"

#include "text/text_ops.h"

namespace verdalin {

namespace {

constexpr int kLogFileNumber = 1;

// A text between double quotes, each double quote in it doubled so that the field stays one
// field for a spreadsheet.
std::string Quoted(std::string_view text) {
  return ReplaceText(text, "\"", "\"\"");
}

std::string WholeNumber(float value) {
  return IntegerToText(RoundToEven(value));
}

std::string LocaleDecimal(float value, const LocaleNumbers& numbers) {
  return FormatLocaleNumber(numbers.service, numbers.snapshot, FloatToText(value, 2), "");
}

// Writes the row at the end of the current file, `size` bytes long, after the header when the
// file is empty, in one write. A write cut short (a full disk) is taken back, so that the file
// never holds part of a row and the next row does not run on from one.
bool AppendAtEnd(DataFiles& files, int64_t size, const std::string& row) {
  // The file is open, so its size is known; should the query fail all the same, nothing is
  // written rather than a row over the start of the file.
  if (size < 0) return false;
  files.SeekFile(size);
  if (files.FilePosition() != size) return false;
  const std::string text = size == 0 ? std::string(kLogHeader) + row : row;
  if (files.WriteFileText(text) == static_cast<int64_t>(text.size())) return true;
  files.TruncateFile(size);
  return false;
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
  if (!files.OpenDataFile(kLogFileNumber, path)) return false;
  const bool written =
      AppendAtEnd(files, QueryFileSize(fs, path), FormatLogRow(sample, timestamp, numbers));
  files.CloseDataFile(kLogFileNumber);
  return written;
}

}  // namespace verdalin
