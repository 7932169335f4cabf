// Conversions: output names, the command line, the multiple selection and a whole recording
// converted to a point file without losing a ping.
#include <gtest/gtest.h>

#include <filesystem>

#include "recording/conversion.h"
#include "recording/file_names.h"
#include "recording/point_record.h"
#include "recording/recording_control.h"
#include "recording/recording_test_util.h"
#include "recording/sounding_files.h"
#include "recording/vqs_reader.h"
#include "recording/xtf_writer.h"
#include "support/recording_operator.h"
#include "support/temp_dir.h"

namespace vq {
namespace {

namespace fs = std::filesystem;

// A recording of n pings written with the builder.
void WritePings(const fs::path& p, int n) {
    VqsRecordBuilder b;
    std::string bytes;
    for (int i = 0; i < n; ++i) {
        auto ping = test::MakePing(1152 + 100 * i, static_cast<std::uint8_t>(i));
        auto r = b.Build(ping, test::Stamp(2026, 12, 8, 1, 2, 3, 4), RecordSettings{}, RecordNav{},
                         0, 0);
        bytes.append(reinterpret_cast<const char*>(r.data()), r.size());
    }
    test::WriteFile(p, bytes);
}

TEST(Conversion, OutputNames) {
    EXPECT_EQ(ConversionOutputName("survey.VQS", ConversionTarget::Point), "survey.Q4P");
    EXPECT_EQ(ConversionOutputName("survey.vqs", ConversionTarget::Beam), "survey.Q4B");
    EXPECT_EQ(ConversionOutputName("/d/survey.VQS", ConversionTarget::Xtf), "/d/survey_sss.XTF");
    EXPECT_EQ(ConversionOutputName("survey.VQS", ConversionTarget::Csv), "survey.csv");
    EXPECT_EQ(ConversionOutputName("survey.VQS", ConversionTarget::Xyz), "survey.xyz");
    EXPECT_EQ(ForcedSettingsFor(ConversionTarget::Xyz).ProfilePointDetection, 1);
    EXPECT_EQ(ForcedSettingsFor(ConversionTarget::Beam).DataOutputType, 2);
    EXPECT_EQ(ForcedSettingsFor(ConversionTarget::Xtf).ProfilePointDetection, 1);
    EXPECT_STREQ(ConversionDialogTitle(ConversionTarget::Xtf),
                 "Convert .VQS Sidescan To .XTF Format");
}

TEST(Conversion, CommandLineParsing) {
    auto r = ParseCommandLine("survey /b");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->file, "survey.vqs");
    auto outs = CommandLineOutputs(*r);
    ASSERT_EQ(outs.size(), 1u);
    EXPECT_EQ(outs[0].kind, OutputKind::Beam);
    EXPECT_EQ(outs[0].path, "survey.Q4B");

    r = ParseCommandLine("survey.vqs /x");
    ASSERT_TRUE(r);
    outs = CommandLineOutputs(*r);
    ASSERT_EQ(outs.size(), 2u);
    EXPECT_EQ(outs[0].path, "survey.Q4P");
    EXPECT_EQ(outs[1].path, "survey_sss.XTF");

    r = ParseCommandLine("  /data/run.2/survey   /P ");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->file, "/data/run.2/survey.vqs");
    EXPECT_TRUE(r->point);
    r = ParseCommandLine("survey.vqsjunk /c");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->file, "survey.vqs");
    EXPECT_TRUE(r->csv);
    r = ParseCommandLine("survey /Z");
    ASSERT_TRUE(r);
    outs = CommandLineOutputs(*r);
    ASSERT_EQ(outs.size(), 1u);
    EXPECT_EQ(outs[0].kind, OutputKind::Xyz);
    EXPECT_EQ(outs[0].path, "survey.xyz");
    r = ParseCommandLine("/data/survey.vqs");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->file, "/data/survey.vqs");
    EXPECT_TRUE(CommandLineOutputs(*r).empty());
    EXPECT_FALSE(ParseCommandLine(""));
    EXPECT_FALSE(ParseCommandLine(std::string(256, 'a')));
    // On Linux a lone "/b" is an absolute path, not an option.
    EXPECT_EQ(ParseCommandLine(" /b")->file, "/b.vqs");
}

TEST(Conversion, CommandLineFileChecks) {
    test::TempDir dir;
    WritePings(dir / "SURVEY.VQS", 1);
    auto r = ParseCommandLine((dir / "survey").string() + " /b");
    ASSERT_TRUE(r);
    ASSERT_EQ(CheckCommandLineFile(*r), CommandLineFile::Ok);
    EXPECT_EQ(r->file, (dir / "SURVEY.VQS").string());
    EXPECT_EQ(CommandLineOutputs(*r)[0].path, (dir / "SURVEY.Q4B").string());

    r = ParseCommandLine((dir / "missing").string() + " /p");
    EXPECT_EQ(CheckCommandLineFile(*r), CommandLineFile::Missing);
    test::WriteFile(dir / "bad.vqs", "NOT A RECORDING");
    r = ParseCommandLine((dir / "bad.vqs").string());
    EXPECT_EQ(CheckCommandLineFile(*r), CommandLineFile::BadMagic);
    test::WriteFile(dir / "short.vqs", "VQ");
    r = ParseCommandLine((dir / "short.vqs").string());
    EXPECT_EQ(CheckCommandLineFile(*r), CommandLineFile::BadMagic);
    r = ParseCommandLine((dir / "survey.txt").string());
    EXPECT_EQ(CheckCommandLineFile(*r), CommandLineFile::WrongExtension);
}

TEST(Conversion, SelectionBufferAndBatch) {
    using namespace std::string_literals;
    auto one = ParseSelectionBuffer("/d/one.VQS\0\0"s);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0], "/d/one.VQS");
    auto two = ParseSelectionBuffer("/d\0a.VQS\0b.VQS\0\0"s);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[1], "/d/b.VQS");
    std::string many = "/d"s + '\0';
    for (int i = 0; i < 1200; ++i) many += "f" + std::to_string(i) + ".VQS" + '\0';
    many += '\0';
    auto capped = ParseSelectionBuffer(many);
    ASSERT_EQ(capped.size(), 1000u);
    EXPECT_EQ(capped.back(), "/d/f999.VQS");

    test::RecordingOperator op;
    BatchConversion batch;
    EXPECT_EQ(batch.Start(ConversionTarget::Beam, {"a.VQS", "b.VQS", "c.VQS"}), "a.VQS");
    EXPECT_EQ(batch.Next(op), "b.VQS");
    EXPECT_EQ(batch.Next(op), "c.VQS");
    EXPECT_TRUE(op.messages().empty());
    EXPECT_FALSE(batch.Next(op));
    EXPECT_TRUE(batch.complete());
    ASSERT_EQ(op.messages().size(), 1u);
    EXPECT_EQ(op.messages()[0].text, "Conversion Complete!");
    EXPECT_EQ(op.messages()[0].title, "Convert .VQS Sonar File(s) To .Q4B Format");
    EXPECT_EQ(batch.Start(ConversionTarget::Point, std::vector<std::string>(1200, "x.VQS")),
              "x.VQS");
    EXPECT_EQ(batch.count(), 1000u);
}

TEST(Conversion, WholeRecordingToPointCsvAndXtfDropsNoPing) {
    test::TempDir dir;
    fs::path src = dir / "Line7.VQS";
    WritePings(src, 5);
    test::WriteFile(dir / "Line7.Q4P", "an older point file");
    test::RecordingOperator op;
    RecordingControl rc(op);
    VqsPlaybackFile file;
    XtfBuilder xtf;
    SoundingFiles soundings;
    auto outputs = TargetOutputs(src.string(), ConversionTarget::Point);
    auto x = TargetOutputs(src.string(), ConversionTarget::Xtf);
    auto c = TargetOutputs(src.string(), ConversionTarget::Csv);
    auto z = TargetOutputs(src.string(), ConversionTarget::Xyz);
    outputs.insert(outputs.end(), x.begin(), x.end());
    outputs.insert(outputs.end(), c.begin(), c.end());
    outputs.insert(outputs.end(), z.begin(), z.end());
    ASSERT_TRUE(OpenForConversion(file, rc, dir / "line7.vqs", outputs, op, &xtf, &soundings));
    EXPECT_EQ(fs::file_size(dir / "Line7.Q4P"), 0u);  // replaced

    std::vector<std::int32_t> tenths(120, 2500);
    std::vector<PointRecordEntry> points(120);
    PointRecordBuilder pb;
    std::vector<std::int32_t> line(1000, 5);
    VqsRecordView v;
    int processed = 0;
    while (file.ReadNext(v) == VqsReadStatus::Record) {
        if (!v.process) continue;
        ++processed;
        PointRecordInputs in;
        in.h.ts = file.Values().ts;
        in.h.live = false;
        in.h.output_ping_number = rc.AdvanceOutputPingNumber();
        in.range_tenths = tenths;
        in.points = points;
        pb.NewPing();
        rc.WriteOutput(OutputKind::Point, pb.Build(in));
        soundings.WritePing(rc, in, {}, op);
        rc.WriteOutput(OutputKind::Xtf, xtf.BuildPing(XtfPingInputs{}, line));
    }
    EXPECT_EQ(processed, 5);
    rc.CloseOutput(OutputKind::Point);
    rc.CloseOutput(OutputKind::Xtf);
    for (OutputKind k : {OutputKind::Csv, OutputKind::Xyz, OutputKind::XyzSonar}) rc.CloseOutput(k);
    EXPECT_EQ(fs::file_size(dir / "Line7.Q4P"), 5u * 496);
    EXPECT_EQ(fs::file_size(dir / "Line7_sss.XTF"), 1024u + 5 * 1384);
    std::string text = test::ReadFile(dir / "Line7.csv");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + 5 * 120);
    EXPECT_EQ(text.rfind("5,08-DEC-2026,01:02:03.004,", 0) == std::string::npos, true);
    EXPECT_NE(text.find("\n5,08-DEC-2026,01:02:03.004,"), std::string::npos);
    // No fix in this recording: every sounding went to the sonar's file, and the operator was
    // told once.
    EXPECT_EQ(fs::file_size(dir / "Line7.xyz"), 0u);
    text = test::ReadFile(dir / "Line7_sonar.xyz");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 5 * 120);
    ASSERT_EQ(op.messages().size(), 1u);
    EXPECT_EQ(op.messages()[0].title, kSoundingsTitle);
    EXPECT_NE(op.messages()[0].text.find("Line7_sonar.xyz"), std::string::npos);
}

TEST(Conversion, OpenForConversionRefusesBadFiles) {
    test::TempDir dir;
    test::RecordingOperator op;
    RecordingControl rc(op);
    VqsPlaybackFile file;
    test::WriteFile(dir / "x.VQS", "XYZ");
    EXPECT_FALSE(OpenForConversion(file, rc, dir / "x.VQS", {}, op));
    EXPECT_EQ(op.messages().back().text, "Data type is incorrect --> check file format");
    EXPECT_FALSE(OpenForConversion(file, rc, dir / "x.Q4P", {}, op));
    EXPECT_EQ(op.messages().back().text, "File extension must be .VQS");
    // Only the magic is checked here, not the version.
    test::WriteFile(dir / "v9.VQS", std::string("VQS\x09", 4) + std::string(100, '\0'));
    EXPECT_TRUE(OpenForConversion(file, rc, dir / "v9.VQS", {}, op));
}

}  // namespace
}  // namespace vq
