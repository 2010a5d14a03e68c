// The CSV data log: rows byte for byte, and the header written to new and empty files only.
#include "monitor/csv_log.h"

#include <gtest/gtest.h>

#include "fakes/fake_file_system.h"
#include "fakes/gateway_pages.h"

namespace verdalin {

namespace {

const std::string kStamp = "2006/12/30 21:05:09";

LineSample FullSample() {
  LineSample s = DefaultPageSample("LiveBox Inventel");
  s.Upstream_kbps = 1023.5f;
  s.Downstream_kbps = 8190.5f;
  s.Attenuation_distant = 0.5f;
  s.SNR_local = 1234.5f;
  s.SNR_distant = -1.5f;
  s.CRC_errors = -42;
  return s;
}

class CsvLogTest : public ::testing::Test {
 protected:
  bool Append(const std::string& path, const LineSample& sample) {
    return AppendLogRow(files_, fs_, path, sample, kStamp, numbers_);
  }
  std::string Row(const LineSample& sample) { return FormatLogRow(sample, kStamp, numbers_); }

  PortableNumberFormat service_;
  LocaleSnapshot snapshot_{".", ","};
  LocaleNumbers numbers_{service_, snapshot_};
  FakeFileSystem fs_;
  DataFiles files_{fs_};
};

}  // namespace

TEST_F(CsvLogTest, RowsAreWrittenByteForByte) {
  EXPECT_EQ(FormatLogRow(FullSample(), kStamp, numbers_),
            "2006/12/30 21:05:09;1;\"G.992.1 Annex A:INTERLEAVED\";1024;8190;35.50;.50;1,234.50;"
            "- 1.50;-42;\"LiveBox Inventel\";\"5.1.2\"\r\n");
  EXPECT_EQ(FormatLogRow(LineSample{}, kStamp, numbers_),
            "2006/12/30 21:05:09;0;\":\";0;0;.00;.00;.00;.00;0;\"\";\"\"\r\n");
  LineSample ties;
  ties.Upstream_kbps = 1022.5f;
  ties.Downstream_kbps = 0.5f;
  ties.Attenuation_local = 123456.78f;  // too wide for the field: empty
  ties.SNR_local = -0.001f;             // a zero without a sign
  EXPECT_EQ(FormatLogRow(ties, kStamp, numbers_),
            "2006/12/30 21:05:09;0;\":\";1022;0;;.00;.00;.00;0;\"\";\"\"\r\n");
}

TEST_F(CsvLogTest, LocaleColumnsFollowTheSnapshot) {
  LocaleSnapshot french{",", " "};
  LocaleNumbers numbers{service_, french};
  EXPECT_EQ(FormatLogRow(FullSample(), kStamp, numbers),
            "2006/12/30 21:05:09;1;\"G.992.1 Annex A:INTERLEAVED\";1024;8190;35,50;,50;1 234,50;"
            "- 1,50;-42;\"LiveBox Inventel\";\"5.1.2\"\r\n");
}

TEST_F(CsvLogTest, DoubleQuotesInTextsAreDoubled) {
  LineSample s;
  s.Mode = "ADSL2 \"plus\"";
  s.Type = "\"";
  s.Device = "a\"b";
  s.Firmware = "\"\"v1;";
  EXPECT_EQ(FormatLogRow(s, kStamp, numbers_),
            "2006/12/30 21:05:09;0;\"ADSL2 \"\"plus\"\":\"\"\";0;0;.00;.00;.00;.00;0;"
            "\"a\"\"b\";\"\"\"\"\"v1;\"\r\n");
}

TEST_F(CsvLogTest, NewFileGetsTheHeaderThenRowsOnly) {
  ASSERT_TRUE(Append("Verdalin_Data.CsV", FullSample()));
  ASSERT_TRUE(Append("Verdalin_Data.CsV", LineSample{}));
  EXPECT_EQ(fs_.files["Verdalin_Data.CsV"], std::string(kLogHeader) +
                                                FormatLogRow(FullSample(), kStamp, numbers_) +
                                                FormatLogRow(LineSample{}, kStamp, numbers_));
  EXPECT_EQ(kLogHeader.substr(0, 34), "Date;Connected;Mode:Type;Upstream_");
}

TEST_F(CsvLogTest, EmptyFileGetsTheHeaderAndAnyOtherFileOnlyTheRow) {
  fs_.files["empty.csv"] = "";
  ASSERT_TRUE(Append("empty.csv", LineSample{}));
  EXPECT_EQ(fs_.files["empty.csv"],
            std::string(kLogHeader) + FormatLogRow(LineSample{}, kStamp, numbers_));
  fs_.files["other.csv"] = "not a header";
  ASSERT_TRUE(Append("other.csv", LineSample{}));
  EXPECT_EQ(fs_.files["other.csv"], "not a header" + FormatLogRow(LineSample{}, kStamp, numbers_));
}

TEST_F(CsvLogTest, FileThatCannotBeOpenedGetsNothing) {
  EXPECT_FALSE(Append("missing/Verdalin_Data.CsV", FullSample()));
  EXPECT_FALSE(Append("", FullSample()));
  fs_.folders.insert("logs");
  EXPECT_FALSE(Append("logs", FullSample()));  // a folder
  EXPECT_TRUE(fs_.files.empty());
  // Held by another writer: refused, and the next row goes in once it is free.
  ASSERT_TRUE(Append("logs/data.csv", LineSample{}));
  auto other_writer = fs_.OpenShared("logs/data.csv");
  EXPECT_FALSE(Append("logs/data.csv", FullSample()));
  other_writer.reset();
  EXPECT_TRUE(Append("logs/data.csv", FullSample()));
  EXPECT_EQ(fs_.files["logs/data.csv"], std::string(kLogHeader) +
                                            FormatLogRow(LineSample{}, kStamp, numbers_) +
                                            FormatLogRow(FullSample(), kStamp, numbers_));
}

// A full disk cuts the row short: the file goes back to its size before the row, the poll is
// told, and a later poll with room writes a whole row.
TEST_F(CsvLogTest, AShortWriteLeavesNoPartOfTheRow) {
  const std::string first = std::string(kLogHeader) + Row(FullSample());
  fs_.files["log.csv"] = first;
  fs_.room = first.size() + 10;
  EXPECT_FALSE(Append("log.csv", LineSample{}));
  EXPECT_EQ(fs_.files["log.csv"], first);
  fs_.room = first.size();  // not a byte
  EXPECT_FALSE(Append("log.csv", LineSample{}));
  EXPECT_EQ(fs_.files["log.csv"], first);
  fs_.room = std::string::npos;
  EXPECT_TRUE(Append("log.csv", LineSample{}));
  EXPECT_EQ(fs_.files["log.csv"], first + Row(LineSample{}));
}

TEST_F(CsvLogTest, ANewFileWhoseRowFailsIsLeftEmptyAndGetsTheHeaderNextTime) {
  fs_.room = kLogHeader.size() + 3;
  EXPECT_FALSE(Append("new.csv", FullSample()));
  EXPECT_EQ(fs_.files["new.csv"], "");
  fs_.room = std::string::npos;
  EXPECT_TRUE(Append("new.csv", FullSample()));
  EXPECT_EQ(fs_.files["new.csv"], std::string(kLogHeader) + Row(FullSample()));
}

}  // namespace verdalin
