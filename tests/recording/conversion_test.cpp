// Conversions: output names, the command line, the multiple selection and a whole recording
// converted to a point file without losing a ping.
#include <gtest/gtest.h>

#include <filesystem>

#include "recording/conversion.h"
#include "recording/csv_writer.h"
#include "recording/file_names.h"
#include "recording/point_record.h"
#include "recording/recording_control.h"
#include "recording/recording_test_util.h"
#include "recording/vqs_reader.h"
#include "recording/xtf_writer.h"
#include "support/recording_operator.h"
#include "support/temp_dir.h"

namespace vq {
namespace {

namespace fs = std::filesystem;

// A recording of n pings written with the builder.
void write_pings(const fs::path& p, int n) {
    VqsRecordBuilder b;
    std::string bytes;
    for (int i = 0; i < n; ++i) {
        auto ping = test::make_ping(1152 + 100 * i, static_cast<std::uint8_t>(i));
        auto r = b.build(ping, test::stamp(2026, 12, 8, 1, 2, 3, 4), RecordSettings{}, RecordNav{},
                         0, 0);
        bytes.append(reinterpret_cast<const char*>(r.data()), r.size());
    }
    test::write_file(p, bytes);
}

TEST(Conversion, OutputNames) {
    EXPECT_EQ(conversion_output_name("survey.VQS", ConversionTarget::Point), "survey.Q4P");
    EXPECT_EQ(conversion_output_name("survey.vqs", ConversionTarget::Beam), "survey.Q4B");
    EXPECT_EQ(conversion_output_name("/d/survey.VQS", ConversionTarget::Xtf), "/d/survey_sss.XTF");
    EXPECT_EQ(conversion_output_name("survey.VQS", ConversionTarget::Csv), "survey.csv");
    EXPECT_EQ(forced_settings(ConversionTarget::Beam).DataOutputType, 2);
    EXPECT_EQ(forced_settings(ConversionTarget::Xtf).ProfilePointDetection, 1);
    FileDialogRequest d = conversion_dialog(ConversionTarget::Xtf);
    EXPECT_EQ(d.title, "Convert .VQS Sidescan To .XTF Format");
    EXPECT_TRUE(d.multi_select);
    EXPECT_FALSE(d.save);
}

TEST(Conversion, CommandLineParsing) {
    auto r = parse_command_line("survey /b");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->file, "survey.vqs");
    auto outs = command_line_outputs(*r);
    ASSERT_EQ(outs.size(), 1u);
    EXPECT_EQ(outs[0].kind, OutputKind::Beam);
    EXPECT_EQ(outs[0].path, "survey.Q4B");

    r = parse_command_line("survey.vqs /x");
    ASSERT_TRUE(r);
    outs = command_line_outputs(*r);
    ASSERT_EQ(outs.size(), 2u);
    EXPECT_EQ(outs[0].path, "survey.Q4P");
    EXPECT_EQ(outs[1].path, "survey_sss.XTF");

    r = parse_command_line("  /data/run.2/survey   /P ");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->file, "/data/run.2/survey.vqs");
    EXPECT_TRUE(r->point);
    r = parse_command_line("survey.vqsjunk /c");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->file, "survey.vqs");
    EXPECT_TRUE(r->csv);
    r = parse_command_line("/data/survey.vqs");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->file, "/data/survey.vqs");
    EXPECT_TRUE(command_line_outputs(*r).empty());
    EXPECT_FALSE(parse_command_line(""));
    EXPECT_FALSE(parse_command_line(std::string(256, 'a')));
    // On Linux a lone "/b" is an absolute path, not an option.
    EXPECT_EQ(parse_command_line(" /b")->file, "/b.vqs");
}

TEST(Conversion, CommandLineFileChecks) {
    test::TempDir dir;
    write_pings(dir / "SURVEY.VQS", 1);
    auto r = parse_command_line((dir / "survey").string() + " /b");
    ASSERT_TRUE(r);
    ASSERT_EQ(check_command_line_file(*r), CommandLineFile::Ok);
    EXPECT_EQ(r->file, (dir / "SURVEY.VQS").string());
    EXPECT_EQ(command_line_outputs(*r)[0].path, (dir / "SURVEY.Q4B").string());

    r = parse_command_line((dir / "missing").string() + " /p");
    EXPECT_EQ(check_command_line_file(*r), CommandLineFile::Missing);
    test::write_file(dir / "bad.vqs", "NOT A RECORDING");
    r = parse_command_line((dir / "bad.vqs").string());
    EXPECT_EQ(check_command_line_file(*r), CommandLineFile::BadMagic);
    test::write_file(dir / "short.vqs", "VQ");
    r = parse_command_line((dir / "short.vqs").string());
    EXPECT_EQ(check_command_line_file(*r), CommandLineFile::BadMagic);
    r = parse_command_line((dir / "survey.txt").string());
    EXPECT_EQ(check_command_line_file(*r), CommandLineFile::WrongExtension);
}

TEST(Conversion, SelectionBufferAndBatch) {
    using namespace std::string_literals;
    auto one = parse_selection_buffer("/d/one.VQS\0\0"s);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0], "/d/one.VQS");
    auto two = parse_selection_buffer("/d\0a.VQS\0b.VQS\0\0"s);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[1], "/d/b.VQS");
    std::string many = "/d"s + '\0';
    for (int i = 0; i < 1200; ++i) many += "f" + std::to_string(i) + ".VQS" + '\0';
    many += '\0';
    auto capped = parse_selection_buffer(many);
    ASSERT_EQ(capped.size(), 1000u);
    EXPECT_EQ(capped.back(), "/d/f999.VQS");

    test::RecordingOperator op;
    BatchConversion batch;
    EXPECT_EQ(batch.start(ConversionTarget::Beam, {"a.VQS", "b.VQS", "c.VQS"}), "a.VQS");
    EXPECT_EQ(batch.next(op), "b.VQS");
    EXPECT_EQ(batch.next(op), "c.VQS");
    EXPECT_TRUE(op.messages().empty());
    EXPECT_FALSE(batch.next(op));
    EXPECT_TRUE(batch.complete());
    ASSERT_EQ(op.messages().size(), 1u);
    EXPECT_EQ(op.messages()[0].text, "Conversion Complete!");
    EXPECT_EQ(op.messages()[0].title, "Convert .VQS Sonar File(s) To .Q4B Format");
    EXPECT_EQ(batch.start(ConversionTarget::Point, std::vector<std::string>(1200, "x.VQS")),
              "x.VQS");
    EXPECT_EQ(batch.count(), 1000u);
}

TEST(Conversion, WholeRecordingToPointCsvAndXtfDropsNoPing) {
    test::TempDir dir;
    fs::path src = dir / "Line7.VQS";
    write_pings(src, 5);
    test::write_file(dir / "Line7.Q4P", "an older point file");
    test::RecordingOperator op;
    RecordingControl rc(op);
    VqsPlaybackFile file;
    XtfBuilder xtf;
    CsvWriter csv;
    auto outputs = target_outputs(src.string(), ConversionTarget::Point);
    auto x = target_outputs(src.string(), ConversionTarget::Xtf);
    auto c = target_outputs(src.string(), ConversionTarget::Csv);
    outputs.insert(outputs.end(), x.begin(), x.end());
    outputs.insert(outputs.end(), c.begin(), c.end());
    ASSERT_TRUE(open_for_conversion(file, rc, dir / "line7.vqs", outputs, op, &xtf, &csv));
    EXPECT_EQ(fs::file_size(dir / "Line7.Q4P"), 0u);  // replaced

    std::vector<std::int32_t> tenths(120, 2500);
    std::vector<PointRecordEntry> points(120);
    PointRecordBuilder pb;
    std::vector<std::int32_t> line(1000, 5);
    VqsRecordView v;
    int processed = 0;
    while (file.read_next(v) == VqsReadStatus::Record) {
        if (!v.process) continue;
        ++processed;
        PointRecordInputs in;
        in.h.ts = file.values().ts;
        in.h.live = false;
        in.h.output_ping_number = rc.advance_output_ping_number();
        in.range_tenths = tenths;
        in.points = points;
        pb.new_ping();
        rc.write_output(OutputKind::Point, pb.build(in));
        rc.write_output(OutputKind::Csv, csv.format_ping(in));
        rc.write_output(OutputKind::Xtf, xtf.build_ping(XtfPingInputs{}, line));
    }
    EXPECT_EQ(processed, 5);
    rc.close_output(OutputKind::Point);
    rc.close_output(OutputKind::Xtf);
    rc.close_output(OutputKind::Csv);
    EXPECT_EQ(fs::file_size(dir / "Line7.Q4P"), 5u * 496);
    EXPECT_EQ(fs::file_size(dir / "Line7_sss.XTF"), 1024u + 5 * 1384);
    std::string text = test::read_file(dir / "Line7.csv");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + 5 * 120);
    EXPECT_EQ(text.rfind("5,08-DEC-2026,01:02:03.004,", 0) == std::string::npos, true);
    EXPECT_NE(text.find("\n5,08-DEC-2026,01:02:03.004,"), std::string::npos);
}

TEST(Conversion, OpenForConversionRefusesBadFiles) {
    test::TempDir dir;
    test::RecordingOperator op;
    RecordingControl rc(op);
    VqsPlaybackFile file;
    test::write_file(dir / "x.VQS", "XYZ");
    EXPECT_FALSE(open_for_conversion(file, rc, dir / "x.VQS", {}, op));
    EXPECT_EQ(op.messages().back().text, "Data type is incorrect --> check file format");
    EXPECT_FALSE(open_for_conversion(file, rc, dir / "x.Q4P", {}, op));
    EXPECT_EQ(op.messages().back().text, "File extension must be .VQS");
    // Only the magic is checked here, not the version.
    test::write_file(dir / "v9.VQS", std::string("VQS\x09", 4) + std::string(100, '\0'));
    EXPECT_TRUE(open_for_conversion(file, rc, dir / "v9.VQS", {}, op));
}

}  // namespace
}  // namespace vq
